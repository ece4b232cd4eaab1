#include "effects/core/frame_converter.h"

#include <cstdlib>

#include "effects/core/pixel_kernels.h"
#include "effects/core/simd_level.h"

namespace effects {

namespace {

void ConvertPairs(SimdLevel level, int32_t kind, const uint8_t* src, size_t pairs, uint8_t* dst) {
  const size_t outPair = 2 * static_cast<size_t>(BytesPerPixel(kind));
#ifdef EFFECTS_HAVE_X86_KERNELS
  size_t done = 0;
  if (level >= SimdLevel::kAvx2) done = kernels::ConvertPairsAvx2(kind, src, pairs, dst);
  if (level >= SimdLevel::kSse2 && done < pairs)
    done += kernels::ConvertPairsSse2(kind, src + 4 * done, pairs - done, dst + outPair * done);
  src += 4 * done;
  dst += outPair * done;
  pairs -= done;
#else
  (void)level;
  (void)outPair;
#endif
  kernels::ConvertPairsPlain(kind, src, pairs, dst);
}

void Copy(SimdLevel level, const uint8_t* src, size_t bytes, uint8_t* dst) {
#ifdef EFFECTS_HAVE_X86_KERNELS
  size_t done = 0;
  if (level >= SimdLevel::kAvx2) done = kernels::CopyAvx2(src, bytes, dst);
  if (level >= SimdLevel::kSse2 && done < bytes) done += kernels::CopySse2(src + done, bytes - done, dst + done);
  src += done;
  dst += done;
  bytes -= done;
#else
  (void)level;
#endif
  kernels::CopyPlain(src, bytes, dst);
}

}  // namespace

int32_t BytesPerPixel(int32_t conversionKind) {
  switch (conversionKind) {
    case kConvertYuy2: return 2;
    case kConvertRgb32: return 4;
    case kConvertRgb24: return 3;
    case kConvertRgb565: return 2;
    case kConvertRgb555: return 2;
    default: return 0;
  }
}

void FrameConverter::Initialise(int32_t stride, int32_t width, int32_t height, int32_t conversionKind,
                                int32_t outputTopDown) {
  stride_ = stride;
  width_ = width;
  height_ = height;
  kind_ = conversionKind;
  outputTopDown_ = outputTopDown;
}

bool FrameConverter::Usable() const { return width_ > 0 && height_ > 0 && BytesPerPixel(kind_) > 0; }

size_t FrameConverter::SourceBytes() const {
  if (!Usable()) return 0;
  return static_cast<size_t>(width_) * static_cast<size_t>(height_) * 2;
}

size_t FrameConverter::DestinationBytes() const {
  if (!Usable()) return 0;
  const size_t step = static_cast<size_t>(std::llabs(static_cast<long long>(stride_)));
  return step * static_cast<size_t>(height_ - 1) + static_cast<size_t>(width_) * BytesPerPixel(kind_);
}

bool FrameConverter::Convert(const uint8_t* source, size_t sourceBytes, uint8_t* destination,
                             size_t destinationBytes) const {
  if (source == nullptr || destination == nullptr || !Usable()) return false;
  if (sourceBytes < SourceBytes() || destinationBytes < DestinationBytes()) return false;
  Convert(source, destination);
  return true;
}

void FrameConverter::Convert(const uint8_t* source, uint8_t* destination) const {
  if (source == nullptr || destination == nullptr || !Usable()) return;
  const SimdLevel level = ActiveSimdLevel();
  const size_t width = static_cast<size_t>(width_);
  const size_t height = static_cast<size_t>(height_);
  const ptrdiff_t stride = stride_;
  // A negative stride writes upward from the last row.
  uint8_t* row = stride < 0 ? destination + static_cast<size_t>(-stride) * (height - 1) : destination;

  if (kind_ == kConvertYuy2) {
    for (size_t y = 0; y < height; ++y, row += stride) Copy(level, source + 2 * width * y, 2 * width, row);
    return;
  }

  const size_t bpp = static_cast<size_t>(BytesPerPixel(kind_));
  const size_t total = width * height;
  for (size_t y = 0; y < height; ++y, row += stride) {
    size_t p = width * y;  // first pixel of the row, counted over the whole frame
    const size_t end = p + width;
    uint8_t* out = row;
    if (p % 2 == 1) {
      // The row starts with the second pixel of a pair that began on the row above.
      kernels::ConvertPixelPlain(kind_, source[2 * p], source[2 * p - 1], source[2 * p + 1], out);
      out += bpp;
      ++p;
    }
    const size_t pairs = (end - p) / 2;
    ConvertPairs(level, kind_, source + 2 * p, pairs, out);
    out += 2 * bpp * pairs;
    p += 2 * pairs;
    if (p < end) {
      // First pixel of a pair that ends on the next row, or a lone last pixel.
      const int v = p + 1 < total ? source[2 * p + 3] : 128;
      kernels::ConvertPixelPlain(kind_, source[2 * p], source[2 * p + 1], v, out);
    }
  }
}

}  // namespace effects
