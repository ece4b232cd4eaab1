#pragma once
// Copies a top-down YUY2 frame into an output buffer as YUY2, or converts it
// to RGB32, RGB24, RGB565 or RGB555 (BT.601 studio range, 8-bit fixed point).
//
// Pixels pair up along the frame's bytes, as the effect pass sees them: pixel
// p has its Y at byte 2p and the chroma of pair p / 2 (U at 4 (p / 2) + 1, V at
// 4 (p / 2) + 3). Every pixel of every row is converted, whatever the width;
// a lone last pixel of a frame with an odd pixel count uses V = 128.
//
// Output rows start stride bytes apart. A negative stride (a bottom-up
// bitmap) puts the first source row at destination + |stride| x (height - 1),
// so the output always lies in the |stride| x height bytes at destination.

#include <cstddef>
#include <cstdint>

#include "effects/core/simd_level.h"

namespace effects {

namespace kernels {
struct EffectLookup;
struct EffectMath;
}  // namespace kernels

enum ConversionKind : int32_t {
  kConvertYuy2 = 0,    // copy: Y0 U Y1 V
  kConvertRgb32 = 1,   // B, G, R, 0
  kConvertRgb24 = 2,   // B, G, R
  kConvertRgb565 = 3,  // little-endian R:5 G:6 B:5
  kConvertRgb555 = 4,  // little-endian 0:1 R:5 G:5 B:5
};

// Output bytes per pixel of a conversion kind; 0 for an unknown kind.
int32_t BytesPerPixel(int32_t conversionKind);

class FrameConverter {
 public:
  // Stores the geometry. Nothing is converted while width or height is
  // below 1 or the kind is not 0..4.
  void Initialise(int32_t stride, int32_t width, int32_t height, int32_t conversionKind, int32_t outputTopDown);

  // Converts one frame; does nothing if either pointer is null. Trusts that
  // the buffers hold SourceBytes() and DestinationBytes() bytes.
  void Convert(const uint8_t* source, uint8_t* destination) const;

  // Checked form: converts and returns true only when both pointers are set
  // and both buffers are large enough; otherwise writes nothing.
  bool Convert(const uint8_t* source, size_t sourceBytes, uint8_t* destination, size_t destinationBytes) const;

  // The effect pass to run on the source on the way (see
  // EffectTables::ApplyAndConvert): pairs below `pairs` take the tables of
  // `lookup`, or the same values from `math` where a kernel computes them
  // (math may be null).
  struct Effect {
    const kernels::EffectLookup* lookup;
    const kernels::EffectMath* math;
    size_t pairs;
  };
  bool Convert(const uint8_t* source, size_t sourceBytes, uint8_t* destination, size_t destinationBytes,
               const Effect* effect) const;

  // width x height x 2.
  size_t SourceBytes() const;
  // Bytes the output spans: |stride| x (height - 1) + width x bytes per pixel.
  size_t DestinationBytes() const;

  int32_t Stride() const { return stride_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t Kind() const { return kind_; }
  int32_t OutputTopDown() const { return outputTopDown_; }

 private:
  bool Usable() const;
  void ConvertFrame(const uint8_t* source, uint8_t* destination, const Effect* effect) const;
  void EffectSpan(SimdLevel level, const uint8_t* source, const Effect& effect, size_t p, size_t end, size_t total,
                  uint8_t* scratch, uint8_t* out) const;

  int32_t stride_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t kind_ = 0;
  int32_t outputTopDown_ = 0;
};

}  // namespace effects
