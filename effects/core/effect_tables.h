#pragma once
// Brightness, contrast, saturation and hue for YUY2 frames, done with one
// 256-entry luma table and two 256 x 256 chroma tables (indexed [U][V]).
// Setters rebuild every table under the lock; Apply runs under the same lock,
// so a frame always sees one consistent set of tables.

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "effects/core/frame_converter.h"
#include "effects/core/lock.h"
#include "effects/core/pixel_kernels.h"

namespace effects {

class EffectTables {
 public:
  static constexpr int kLumaSize = 256;
  static constexpr int kChromaSize = 256 * 256;

  // Every value and flag 0 and every table entry 0, as the filter finds it
  // before it sets its defaults (see SetFilterDefaults).
  EffectTables();
  EffectTables(const EffectTables&) = delete;
  EffectTables& operator=(const EffectTables&) = delete;

  // The filter's start state: the four enable flags 1, then the four values
  // 0, each through its setter, so the tables are complete afterwards.
  void SetFilterDefaults();

  // Each setter stores its value and rebuilds all three tables before it
  // returns. Any 32-bit value is accepted; nothing is clamped.
  void SetBrightness(int32_t value);
  void SetBrightnessEnabled(int32_t flag);
  void SetContrast(int32_t value);
  void SetContrastEnabled(int32_t flag);
  void SetSaturation(int32_t value);
  void SetSaturationEnabled(int32_t flag);
  void SetHue(int32_t value);
  void SetHueEnabled(int32_t flag);

  // Brightness and contrast are read without the lock; the others take it.
  int32_t GetBrightness() const;
  int32_t GetContrast() const;
  int32_t GetBrightnessEnabled() const;
  int32_t GetContrastEnabled() const;
  int32_t GetSaturation() const;
  int32_t GetSaturationEnabled() const;
  int32_t GetHue() const;
  int32_t GetHueEnabled() const;

  // Pixels of one frame; the absolute value is stored.
  void SetPixelCount(int64_t pixels);
  int64_t GetPixelCount() const;

  // Rewrites the first pixelCount x 2 bytes of a YUY2 frame in place, one
  // whole Y0 U Y1 V pair at a time (a lone last pixel is left as it is).
  void Apply(uint8_t* frame);
  // The same, but never touches more than frameBytes bytes.
  void Apply(uint8_t* frame, size_t frameBytes);

  // Apply on a copy of the source followed by converter.Convert of that
  // copy, with the same bytes out, in one pass: the source is read once and
  // left as it is. Returns what the checked Convert returns.
  bool ApplyAndConvert(const FrameConverter& converter, const uint8_t* source, size_t sourceBytes, uint8_t* destination,
                       size_t destinationBytes);

  // The luma table in the nibble form of kernels::LumaFromNibbles, or null
  // when the current setting has no such form. Read it only while no
  // setter runs.
  const uint8_t* LumaNibbles() const { return nibblesReady_ ? lumaNibbles_ : nullptr; }

  // The tables themselves, for inspection. Chroma tables are indexed
  // [U * 256 + V]. Read them only while no setter runs.
  const uint8_t* LumaTable() const { return luma_; }
  const uint8_t* ChromaUTable() const { return chromaU_; }
  const uint8_t* ChromaVTable() const { return chromaV_; }

 private:
  void RebuildLocked();
  void ApplyLocked(uint8_t* frame, size_t pairs);
  kernels::EffectMath MathLocked() const;

  mutable Lock lock_;
  std::atomic<int64_t> pixelCount_{0};
  std::atomic<int32_t> brightness_{0};
  std::atomic<int32_t> brightnessEnabled_{0};
  std::atomic<int32_t> contrast_{0};
  std::atomic<int32_t> contrastEnabled_{0};
  std::atomic<int32_t> saturation_{0};
  std::atomic<int32_t> saturationEnabled_{0};
  std::atomic<int32_t> hue_{0};
  std::atomic<int32_t> hueEnabled_{0};

  alignas(64) uint8_t luma_[kLumaSize];
  alignas(64) uint8_t chromaU_[kChromaSize];
  alignas(64) uint8_t chromaV_[kChromaSize];
  // Both chroma lookups of a pair in one entry, derived from the two tables
  // above on every rebuild: new U | chromaV[new U][V] << 8.
  alignas(64) uint16_t chromaUV_[kChromaSize];
  // The luma table widened for gathers and the chroma as arithmetic
  // (see kernels::EffectMath), also rebuilt with the tables.
  alignas(64) int32_t lumaWide_[kLumaSize];
  alignas(64) int32_t lumaTerm_[kLumaSize];
  // The luma table in the nibble form of kernels::LumaFromNibbles, when
  // that form gives every entry (nibblesReady_).
  alignas(64) uint8_t lumaNibbles_[kernels::kLumaNibbleBytes];
  bool nibblesReady_ = false;
  bool mathReady_ = false;  // the tables of a fresh object are all zeros, not arithmetic
  int32_t kc_ = 1024;
  int32_t ks_ = 0;
  int32_t gain_ = 256;
};

}  // namespace effects
