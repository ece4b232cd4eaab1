#include "effects/core/effect_tables.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "effects/core/pixel_kernels.h"
#include "effects/core/simd_level.h"

// On i686 the tables are computed with SSE2 doubles, not x87 extended
// precision, so both builds round the same way.
#if defined(__i386__) && defined(__GNUC__) && !defined(__clang__)
#define EFFECTS_DOUBLE_MATH __attribute__((target("sse2,fpmath=sse")))
#else
#define EFFECTS_DOUBLE_MATH
#endif

namespace effects {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

uint8_t ClampByte(int64_t v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// Truncates toward zero, then clamps to 0..255 (safe for any double).
uint8_t TruncClampByte(double x) {
  if (!(x > 0.0)) return 0;  // also catches values in (-1, 0], which truncate to 0
  if (x >= 255.0) return 255;
  return static_cast<uint8_t>(static_cast<int>(x));
}

// The luma line before it is clamped: brightness added (when on), then the
// contrast slope about 128 (when on). Without contrast the values are
// whole numbers (exact as doubles), whose truncation is themselves.
EFFECTS_DOUBLE_MATH void LumaLine(double* line, int32_t brightness, bool brightnessOn, int32_t contrast,
                                  bool contrastOn) {
  const double slope = std::tan((static_cast<double>(contrast) * 0.45 + 45.0) * 0.01745);
  for (int i = 0; i < 256; ++i) {
    const int64_t v = brightnessOn ? static_cast<int64_t>(i) + brightness : i;
    line[i] = contrastOn ? static_cast<double>(v - 128) * slope + 128.0 : static_cast<double>(v);
  }
}

void BuildLuma(uint8_t* luma, const double* line) {
  for (int i = 0; i < 256; ++i) luma[i] = TruncClampByte(line[i]);
}

// The luma table in the nibble form of kernels::LumaFromNibbles, derived
// from the luma line the table clamps, then checked against the table
// entry by entry.
// Returns false (and the kernels keep their lookups) when that form does
// not give the table: a slope above 16 per step, or rounding that breaks the
// pattern.
EFFECTS_DOUBLE_MATH bool BuildLumaNibbles(const uint8_t* luma, const double* line, uint8_t* out) {
  // floor of the value the table clamps, limited to +-2^30 (far past the
  // clamps either way); false for a value that is not a number.
  int64_t floors[256];
  for (int i = 0; i < 256; ++i) {
    const double x = line[i];
    if (!(x == x)) return false;
    const double limited = x > 1073741824.0 ? 1073741824.0 : (x < -1073741824.0 ? -1073741824.0 : x);
    floors[i] = static_cast<int64_t>(std::floor(limited));
  }
  // The table falls with y for a negative slope: look it up at 255 - y.
  const int flip = luma[0] > luma[255] ? 255 : 0;
  auto at = [&](int h, int l) { return floors[(16 * h + l) ^ flip]; };
  std::memset(out, 0, kernels::kLumaNibbleBytes);
  std::memset(out, flip, 16);
  uint8_t* p = out + 16;
  uint8_t* n = out + 32;
  uint8_t* q = out + 48;
  uint8_t* rx = out + 64;
  uint8_t* rz = out + 80;
  // Blocks of 16 that clamp whole to 0 or to 255 need no steps.
  bool live[16];
  int64_t step[16];  // the least rise over the live blocks at each l
  for (int l = 0; l < 16; ++l) step[l] = INT64_MAX;
  for (int h = 0; h < 16; ++h) {
    const int64_t first = at(h, 0), last = at(h, 15);
    live[h] = !(std::max(first, last) <= 0 || std::min(first, last) >= 255);
    if (!live[h]) {
      p[h] = first >= 255 ? 255 : 0;
      n[h] = first >= 255 ? 0 : 255;
      continue;
    }
    if (first > 255 || first < -255) return false;
    p[h] = static_cast<uint8_t>(first < 0 ? 0 : first);
    n[h] = static_cast<uint8_t>(first < 0 ? -first : 0);
    for (int l = 0; l < 16; ++l) step[l] = std::min(step[l], at(h, l) - first);
  }
  for (int l = 0; l < 16; ++l) {
    if (step[l] == INT64_MAX) step[l] = 0;
    if (step[l] < 0 || step[l] > 254) return false;
    q[l] = static_cast<uint8_t>(step[l]);
  }
  // What is left is a carry of 0 or 1; the blocks' sets of l with a carry
  // must nest, and then a block's count against the largest count of a block
  // without that l decides it.
  uint16_t carries[16] = {};
  for (int h = 0; h < 16; ++h) {
    if (!live[h]) continue;
    for (int l = 0; l < 16; ++l) {
      const int64_t extra = at(h, l) - (p[h] - n[h]) - step[l];
      if (extra < 0 || extra > 1) return false;
      if (extra == 1) carries[h] = static_cast<uint16_t>(carries[h] | (1u << l));
    }
  }
  for (int h = 0; h < 16; ++h) {
    int count = 0;
    for (int l = 0; l < 16; ++l) count += (carries[h] >> l) & 1;
    rx[h] = static_cast<uint8_t>(count);
    for (int g = 0; g < 16; ++g) {
      const uint16_t both = static_cast<uint16_t>(carries[h] & carries[g]);
      if (both != carries[h] && both != carries[g]) return false;  // not nested
    }
  }
  for (int l = 0; l < 16; ++l) {
    int most = -1;
    for (int h = 0; h < 16; ++h)
      if (!(carries[h] & (1u << l))) most = std::max(most, static_cast<int>(rx[h]));
    rz[l] = static_cast<uint8_t>(static_cast<int8_t>(most));
  }
  for (int i = 0; i < 256; ++i)
    if (kernels::LumaFromNibbles(out, i) != luma[i]) return false;
  return true;
}

EFFECTS_DOUBLE_MATH void HueFactors(int32_t hue, int32_t* kc, int32_t* ks) {
  const double a = static_cast<double>(hue) * 3.14 * 0.005555555555555556;
  *kc = static_cast<int32_t>(std::cos(a) * 1024.0);  // conversion truncates toward zero
  *ks = static_cast<int32_t>(std::sin(a) * 1024.0);
}

void BuildChroma(uint8_t* tableU, uint8_t* tableV, int32_t saturation, bool saturationOn, int32_t kc, int32_t ks,
                 bool hueOn) {
  const int64_t gain = static_cast<int64_t>(saturation) + 256;
  for (int row = 0; row < 256; ++row) {
    const int32_t u = row - 128;
    for (int col = 0; col < 256; ++col) {
      const int32_t v = col - 128;
      int64_t uOut = u, vOut = v;
      if (hueOn) {
        // Full products, then flooring shifts.
        uOut = ((kc * u) >> 10) + ((ks * v) >> 10);
        vOut = ((kc * v) >> 10) - ((ks * u) >> 10);
      }
      if (saturationOn) {
        uOut = (uOut * gain) >> 8;
        vOut = (vOut * gain) >> 8;
      }
      tableU[row * 256 + col] = ClampByte(uOut + 128);
      tableV[row * 256 + col] = ClampByte(vOut + 128);
    }
  }
}

}  // namespace

EffectTables::EffectTables() {
  std::memset(luma_, 0, sizeof luma_);
  std::memset(chromaU_, 0, sizeof chromaU_);
  std::memset(chromaV_, 0, sizeof chromaV_);
  std::memset(chromaUV_, 0, sizeof chromaUV_);
  std::memset(lumaWide_, 0, sizeof lumaWide_);
  std::memset(lumaTerm_, 0, sizeof lumaTerm_);
  std::memset(lumaNibbles_, 0, sizeof lumaNibbles_);
}

void EffectTables::SetFilterDefaults() {
  SetBrightnessEnabled(1);
  SetContrastEnabled(1);
  SetSaturationEnabled(1);
  SetHueEnabled(1);
  SetBrightness(0);
  SetContrast(0);
  SetSaturation(0);
  SetHue(0);
}

#define EFFECTS_SETTER(Name, field)         \
  void EffectTables::Set##Name(int32_t v) { \
    LockHold hold(lock_);                   \
    field.store(v, kRelaxed);               \
    RebuildLocked();                        \
  }
#define EFFECTS_LOCKED_GETTER(Name, field)  \
  int32_t EffectTables::Get##Name() const { \
    LockHold hold(lock_);                   \
    return field.load(kRelaxed);            \
  }

EFFECTS_SETTER(Brightness, brightness_)
EFFECTS_SETTER(BrightnessEnabled, brightnessEnabled_)
EFFECTS_SETTER(Contrast, contrast_)
EFFECTS_SETTER(ContrastEnabled, contrastEnabled_)
EFFECTS_SETTER(Saturation, saturation_)
EFFECTS_SETTER(SaturationEnabled, saturationEnabled_)
EFFECTS_SETTER(Hue, hue_)
EFFECTS_SETTER(HueEnabled, hueEnabled_)

EFFECTS_LOCKED_GETTER(BrightnessEnabled, brightnessEnabled_)
EFFECTS_LOCKED_GETTER(ContrastEnabled, contrastEnabled_)
EFFECTS_LOCKED_GETTER(Saturation, saturation_)
EFFECTS_LOCKED_GETTER(SaturationEnabled, saturationEnabled_)
EFFECTS_LOCKED_GETTER(Hue, hue_)
EFFECTS_LOCKED_GETTER(HueEnabled, hueEnabled_)

#undef EFFECTS_SETTER
#undef EFFECTS_LOCKED_GETTER

// Read without the lock: the stored value is atomic, so a concurrent setter
// gives either the old or the new value.
int32_t EffectTables::GetBrightness() const { return brightness_.load(kRelaxed); }
int32_t EffectTables::GetContrast() const { return contrast_.load(kRelaxed); }

void EffectTables::SetPixelCount(int64_t pixels) {
  LockHold hold(lock_);
  // The most negative value has no positive twin; no frame is that large.
  pixelCount_.store(pixels == INT64_MIN ? INT64_MAX : (pixels < 0 ? -pixels : pixels), kRelaxed);
}

int64_t EffectTables::GetPixelCount() const {
  LockHold hold(lock_);
  return pixelCount_.load(kRelaxed);
}

void EffectTables::RebuildLocked() {
  double line[kLumaSize];
  LumaLine(line, brightness_.load(kRelaxed), brightnessEnabled_.load(kRelaxed) != 0, contrast_.load(kRelaxed),
           contrastEnabled_.load(kRelaxed) != 0);
  BuildLuma(luma_, line);
  const bool hueOn = hueEnabled_.load(kRelaxed) != 0, saturationOn = saturationEnabled_.load(kRelaxed) != 0;
  int32_t kc = 1024, ks = 0;
  if (hueOn) HueFactors(hue_.load(kRelaxed), &kc, &ks);
  BuildChroma(chromaU_, chromaV_, saturation_.load(kRelaxed), saturationOn, kc, ks, hueOn);
  // The same chroma as arithmetic for the packed kernels (see EffectMath).
  const int64_t gain = saturationOn ? static_cast<int64_t>(saturation_.load(kRelaxed)) + 256 : 256;
  mathReady_ = true;
  kc_ = kc;
  ks_ = ks;
  gain_ = static_cast<int32_t>(gain < -32768 ? -32768 : (gain > 32767 ? 32767 : gain));
  for (int i = 0; i < kLumaSize; ++i) {
    lumaWide_[i] = luma_[i];
    lumaTerm_[i] = 298 * (luma_[i] - 16) + 128;
  }
  nibblesReady_ = BuildLumaNibbles(luma_, line, lumaNibbles_);
  for (int i = 0; i < kChromaSize; ++i) {
    const unsigned u = chromaU_[i];
    chromaUV_[i] = static_cast<uint16_t>(u | (chromaV_[u * 256 + (i & 0xFF)] << 8));
  }
}

void EffectTables::Apply(uint8_t* frame) {
  if (frame == nullptr) return;
  LockHold hold(lock_);
  const uint64_t pairs = static_cast<uint64_t>(pixelCount_.load(kRelaxed)) / 2;
  ApplyLocked(frame, static_cast<size_t>(pairs > SIZE_MAX ? SIZE_MAX : pairs));
}

void EffectTables::Apply(uint8_t* frame, size_t frameBytes) {
  if (frame == nullptr) return;
  LockHold hold(lock_);
  uint64_t pairs = static_cast<uint64_t>(pixelCount_.load(kRelaxed)) / 2;
  if (pairs > frameBytes / 4) pairs = frameBytes / 4;
  ApplyLocked(frame, static_cast<size_t>(pairs));
}

kernels::EffectMath EffectTables::MathLocked() const {
  return kernels::EffectMath{lumaWide_, lumaTerm_, kc_, ks_, gain_, nibblesReady_ ? lumaNibbles_ : nullptr};
}

void EffectTables::ApplyLocked(uint8_t* frame, size_t pairs) {
  const kernels::EffectLookup t{luma_, chromaU_, chromaV_, chromaUV_};
  const SimdLevel level = ActiveSimdLevel();
  if (level == SimdLevel::kPlain) {
    kernels::ApplyPlain(frame, pairs, t);
    return;
  }
  size_t done = 0;
#ifdef EFFECTS_HAVE_X86_KERNELS
  // AVX2 computes the chroma and gathers the luma; SSE2 has no gathers, so
  // it keeps the fused lookups.
  if (level >= SimdLevel::kAvx2 && mathReady_) done = kernels::ApplyMathAvx2(frame, pairs, MathLocked());
#endif
  kernels::ApplyFused(frame + 4 * done, pairs - done, t);
}

bool EffectTables::ApplyAndConvert(const FrameConverter& converter, const uint8_t* source, size_t sourceBytes,
                                   uint8_t* destination, size_t destinationBytes) {
  if (source == nullptr) return false;
  LockHold hold(lock_);
  uint64_t pairs = static_cast<uint64_t>(pixelCount_.load(kRelaxed)) / 2;
  if (pairs > sourceBytes / 4) pairs = sourceBytes / 4;
  const kernels::EffectLookup lookup{luma_, chromaU_, chromaV_, chromaUV_};
  const kernels::EffectMath math = MathLocked();
  const FrameConverter::Effect effect{&lookup, mathReady_ ? &math : nullptr, static_cast<size_t>(pairs)};
  return converter.Convert(source, sourceBytes, destination, destinationBytes, &effect);
}

}  // namespace effects
