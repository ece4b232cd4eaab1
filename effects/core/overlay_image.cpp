#include "effects/core/overlay_image.h"

#include <new>

namespace effects {

namespace {

// One colour component: a raw 16.16 sum clamped to a byte.
inline int Component(int32_t sum) {
  if (sum < 0) return 0;
  if (sum > 0xFF0000) return 255;
  return sum >> 16;
}

inline int LumaOf(int b, int g, int r) { return Component(7602 * b + 38404 * g + 19529 * r); }
inline int VOf(int b, int g, int r) { return Component(32768 * r - 27394 * g - 5374 * b + 8388608); }
inline int UOf(int b, int g, int r) { return Component(32768 * b - 21692 * g - 11076 * r + 8388608); }

// Largest image accepted: far beyond any frame, and small enough that the
// buffers' sizes cannot overflow on a 32-bit host.
constexpr int64_t kMaxImagePixels = int64_t{1} << 26;

// Floor division by 2 for either sign.
inline int64_t HalfDown(int64_t v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); }

}  // namespace

uint32_t KeyColourForDepth(uint32_t keyColour, int32_t bitsPerPixel) {
  return bitsPerPixel == 16 ? (keyColour & 0x00F8F8F8u) : keyColour;
}

void OverlayImage::Clear() {
  width_ = 0;
  height_ = 0;
  std::vector<uint8_t>().swap(image_);
  std::vector<uint32_t>().swap(mask_);
}

bool OverlayImage::Prepare(const uint8_t* bgrx, int32_t width, int32_t height, uint32_t keyColour,
                           int32_t sourceBitsPerPixel) {
  Clear();
  keyColour_ = KeyColourForDepth(keyColour, sourceBitsPerPixel);
  // Mask words hold red in bits 16-23, the COLORREF holds it in bits 0-7.
  transparent_ = ((keyColour_ & 0xFFu) << 16) | (keyColour_ & 0xFF00u) | ((keyColour_ >> 16) & 0xFFu);
  if (bgrx == nullptr || width < 1 || height < 1) return false;
  if (static_cast<int64_t>(width) * height > kMaxImagePixels) return false;
  const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
  try {
    image_.resize(w * h * 2);
    mask_.resize(w * h);
  } catch (const std::bad_alloc&) {
    Clear();
    return false;
  }

  for (size_t y = 0; y < h; ++y) {
    const uint8_t* src = bgrx + y * w * 4;
    uint8_t* dst = image_.data() + y * w * 2;
    uint32_t* mask = mask_.data() + y * w;
    for (size_t x = 0; x < w; ++x) {
      const uint8_t* p = src + 4 * x;
      // The fourth byte is not colour: the mask compares colour only.
      mask[x] = (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
    }
    size_t x = 0;
    for (; x + 1 < w; x += 2) {
      const uint8_t* p0 = src + 4 * x;
      const uint8_t* p1 = p0 + 4;
      dst[2 * x] = static_cast<uint8_t>(LumaOf(p0[0], p0[1], p0[2]));
      dst[2 * x + 1] = static_cast<uint8_t>((VOf(p0[0], p0[1], p0[2]) + VOf(p1[0], p1[1], p1[2])) >> 1);
      dst[2 * x + 2] = static_cast<uint8_t>(LumaOf(p1[0], p1[1], p1[2]));
      dst[2 * x + 3] = static_cast<uint8_t>((UOf(p0[0], p0[1], p0[2]) + UOf(p1[0], p1[1], p1[2])) >> 1);
    }
    if (x < w) {
      const uint8_t* p = src + 4 * x;
      dst[2 * x] = static_cast<uint8_t>(LumaOf(p[0], p[1], p[2]));
      dst[2 * x + 1] = static_cast<uint8_t>(VOf(p[0], p[1], p[2]));
    }
  }
  width_ = width;
  height_ = height;
  return true;
}

bool OverlayTimeInWindow(const OverlayWindow& window, int64_t sampleTime) {
  int64_t t = 0;
  if (__builtin_add_overflow(sampleTime, window.offset, &t)) return false;
  return window.start <= t && t <= window.end;
}

size_t StampOverlay(const OverlayImage& image, uint8_t* frame, int32_t frameWidth, int32_t frameHeight,
                    int32_t left, int32_t top) {
  if (frame == nullptr || image.Empty() || frameWidth < 1 || frameHeight < 1) return 0;
  const int64_t fw = frameWidth, fh = frameHeight;
  const int64_t iw = image.Width(), ih = image.Height();
  // The image starts on the odd pixel of a pair so its (Y, V) and (Y, U)
  // words meet V and U slots of the frame.
  const int64_t x0 = 2 * HalfDown(left) + 1;
  const int64_t y0 = top;

  // Image columns and rows that fall inside the frame.
  const int64_t ixBegin = x0 < 0 ? -x0 : 0;
  const int64_t ixEnd = x0 + iw > fw ? fw - x0 : iw;
  const int64_t iyBegin = y0 < 0 ? -y0 : 0;
  const int64_t iyEnd = y0 + ih > fh ? fh - y0 : ih;
  if (ixBegin >= ixEnd || iyBegin >= iyEnd) return 0;

  const uint32_t transparent = image.TransparentValue();
  const uint8_t* words = image.ImageBytes();
  const uint32_t* mask = image.Mask();
  size_t written = 0;
  for (int64_t iy = iyBegin; iy < iyEnd; ++iy) {
    const size_t index = static_cast<size_t>(iy * iw);
    uint8_t* row = frame + static_cast<size_t>((y0 + iy) * fw * 2);
    for (int64_t ix = ixBegin; ix < ixEnd; ++ix) {
      if (mask[index + ix] == transparent) continue;
      uint8_t* pixel = row + static_cast<size_t>((x0 + ix) * 2);
      pixel[0] = words[2 * (index + ix)];
      pixel[1] = words[2 * (index + ix) + 1];
      ++written;
    }
  }
  return written;
}

size_t DrawOverlay(const OverlayImage& image, uint8_t* frame, int32_t frameWidth, int32_t frameHeight,
                   int32_t left, int32_t top, int64_t sampleTime, const OverlayWindow& window) {
  if (image.Empty() || !OverlayTimeInWindow(window, sampleTime)) return 0;
  return StampOverlay(image, frame, frameWidth, frameHeight, left, top);
}

}  // namespace effects
