#include "effects/core/frame_converter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

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

// Converts pixels p..end-1 (counted over the whole frame of `total` pixels)
// to out. base holds the frame's bytes from byte baseByte on.
void ConvertSpan(SimdLevel level, int32_t kind, const uint8_t* base, size_t baseByte, size_t p, size_t end,
                 size_t total, uint8_t* out) {
  const size_t bpp = static_cast<size_t>(BytesPerPixel(kind));
  auto at = [&](size_t i) { return base[i - baseByte]; };  // frame byte i
  if (p % 2 == 1) {
    // The span starts with the second pixel of a pair that began before it.
    kernels::ConvertPixelPlain(kind, at(2 * p), at(2 * p - 1), at(2 * p + 1), out);
    out += bpp;
    ++p;
  }
  const size_t pairs = end > p ? (end - p) / 2 : 0;
  ConvertPairs(level, kind, base + (2 * p - baseByte), pairs, out);
  out += 2 * bpp * pairs;
  p += 2 * pairs;
  if (p < end) {
    // First pixel of a pair that ends after the span, or a lone last pixel.
    const int v = p + 1 < total ? at(2 * p + 3) : 128;
    kernels::ConvertPixelPlain(kind, at(2 * p), at(2 * p + 1), v, out);
  }
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
  ConvertFrame(source, destination, nullptr);
}

bool FrameConverter::Convert(const uint8_t* source, size_t sourceBytes, uint8_t* destination, size_t destinationBytes,
                             const Effect* effect) const {
  if (effect == nullptr) return Convert(source, sourceBytes, destination, destinationBytes);
  if (source == nullptr || destination == nullptr || !Usable()) return false;
  if (sourceBytes < SourceBytes() || destinationBytes < DestinationBytes()) return false;
  Effect capped = *effect;
  if (capped.pairs > sourceBytes / 4) capped.pairs = sourceBytes / 4;
  ConvertFrame(source, destination, &capped);
  return true;
}

void FrameConverter::ConvertFrame(const uint8_t* source, uint8_t* destination, const Effect* effect) const {
  if (source == nullptr || destination == nullptr || !Usable()) return;
  const SimdLevel level = ActiveSimdLevel();
  const size_t width = static_cast<size_t>(width_);
  const size_t height = static_cast<size_t>(height_);
  const size_t total = width * height;
  const ptrdiff_t stride = stride_;
  const size_t bpp = static_cast<size_t>(BytesPerPixel(kind_));
  // A negative stride writes upward from the last row.
  uint8_t* row = stride < 0 ? destination + static_cast<size_t>(-stride) * (height - 1) : destination;

  if (effect == nullptr) {
    if (kind_ == kConvertYuy2) {
      for (size_t y = 0; y < height; ++y, row += stride) Copy(level, source + 2 * width * y, 2 * width, row);
      return;
    }
    for (size_t y = 0; y < height; ++y, row += stride)
      ConvertSpan(level, kind_, source, 0, width * y, width * y + width, total, row);
    return;
  }

  // With effects every row goes through a small copy that takes the effect
  // and stays in the cache, unless a kernel does both at once.
  std::vector<uint8_t> scratch(4 * (width / 2 + 2));
  const bool fused = kind_ == kConvertRgb32 && effect->math != nullptr && level >= SimdLevel::kAvx2;
  for (size_t y = 0; y < height; ++y, row += stride) {
    const size_t p = width * y, end = p + width;
    size_t fastBegin = p, fastEnd = p;  // pixels the fused kernel converts
#ifdef EFFECTS_HAVE_X86_KERNELS
    if (fused) {
      const size_t firstPair = (p + 1) / 2;
      const size_t lastPair = std::min(end / 2, effect->pairs);
      if (lastPair > firstPair) {
        const size_t done = kernels::ApplyConvertRgb32Avx2(source + 4 * firstPair, lastPair - firstPair,
                                                           row + 4 * (2 * firstPair - p), *effect->math);
        fastBegin = 2 * firstPair;
        fastEnd = fastBegin + 2 * done;
      }
    }
#endif
    if (fastEnd == p) {
      EffectSpan(level, source, *effect, p, end, total, scratch.data(), row);
    } else {
      if (fastBegin > p) EffectSpan(level, source, *effect, p, fastBegin, total, scratch.data(), row);
      if (end > fastEnd)
        EffectSpan(level, source, *effect, fastEnd, end, total, scratch.data(), row + bpp * (fastEnd - p));
    }
  }
}

void FrameConverter::EffectSpan(SimdLevel level, const uint8_t* source, const Effect& effect, size_t p, size_t end,
                                size_t total, uint8_t* scratch, uint8_t* out) const {
  // The whole pairs the span reads; a pair the effect covers is wholly in
  // the source, a pair past it may end with the frame.
  const size_t firstPair = p / 2, endPair = (end + 1) / 2;
  const size_t available = std::max(2 * total, 4 * effect.pairs);
  const size_t bytes = std::min(4 * endPair, available) - 4 * firstPair;
  std::memcpy(scratch, source + 4 * firstPair, bytes);
  if (effect.pairs > firstPair) {
    const size_t pairs = std::min(endPair, effect.pairs) - firstPair;
    size_t done = 0;
#ifdef EFFECTS_HAVE_X86_KERNELS
    if (level >= SimdLevel::kAvx2 && effect.math != nullptr)
      done = kernels::ApplyMathAvx2(scratch, pairs, *effect.math);
#endif
    if (level == SimdLevel::kPlain)
      kernels::ApplyPlain(scratch, pairs, *effect.lookup);
    else
      kernels::ApplyFused(scratch + 4 * done, pairs - done, *effect.lookup);
  }
  if (kind_ == kConvertYuy2) {
    Copy(level, scratch + 2 * (p - 2 * firstPair), 2 * (end - p), out);
    return;
  }
  ConvertSpan(level, kind_, scratch, 4 * firstPair, p, end, total, out);
}

}  // namespace effects
