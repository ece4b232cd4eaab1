// Prepares an overlay image and stamps it into an exactly sized frame at a
// random position: every write must stay inside the frame, and the number of
// pixels written must match the visible part of the image.

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <vector>

#include "effects/core/overlay_image.h"

namespace {

struct Reader {
  const uint8_t* data;
  size_t size;
  template <typename T>
  T Take() {
    T v{};
    const size_t n = size < sizeof v ? size : sizeof v;
    std::memcpy(&v, data, n);
    data += n;
    size -= n;
    return v;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in{data, size};
  const int32_t imageWidth = 1 + in.Take<uint8_t>() % 48;
  const int32_t imageHeight = 1 + in.Take<uint8_t>() % 48;
  const int32_t frameWidth = 1 + in.Take<uint8_t>() % 64;
  const int32_t frameHeight = 1 + in.Take<uint8_t>() % 64;
  int32_t left = in.Take<int32_t>();
  int32_t top = in.Take<int32_t>();
  if (in.Take<uint8_t>() & 1) {  // mostly near the frame, sometimes anywhere
    left = static_cast<int8_t>(left) % 80;
    top = static_cast<int8_t>(top) % 80;
  }
  const uint32_t key = in.Take<uint32_t>() & 0x00FFFFFFu;
  const int32_t depth = (in.Take<uint8_t>() & 1) ? 16 : 32;
  // Half the runs use a window that always shows, the others random times.
  const bool randomTime = in.Take<uint8_t>() & 1;
  effects::OverlayWindow window{INT64_MIN, INT64_MAX, 0};
  int64_t sampleTime = 0;
  if (randomTime) {
    window = {in.Take<int64_t>(), in.Take<int64_t>(), in.Take<int64_t>()};
    sampleTime = in.Take<int64_t>();
  }

  std::vector<uint8_t> pixels(static_cast<size_t>(imageWidth) * imageHeight * 4);
  for (uint8_t& b : pixels) b = in.size ? in.Take<uint8_t>() : 0;

  effects::OverlayImage image;
  if (!image.Prepare(pixels.data(), imageWidth, imageHeight, key, depth)) __builtin_trap();
  std::vector<uint8_t> frame(static_cast<size_t>(frameWidth) * frameHeight * 2, 0x5A);
  const size_t written =
      effects::DrawOverlay(image, frame.data(), frameWidth, frameHeight, left, top, sampleTime, window);
  const int64_t x0 = 2 * (left >= 0 ? left / 2 : -((1 - static_cast<int64_t>(left)) / 2)) + 1;
  const int64_t cols = std::max<int64_t>(0, std::min<int64_t>(frameWidth, x0 + imageWidth) - std::max<int64_t>(0, x0));
  const int64_t rows =
      std::max<int64_t>(0, std::min<int64_t>(frameHeight, int64_t{top} + imageHeight) - std::max<int64_t>(0, top));
  if (written > static_cast<size_t>(cols * rows)) __builtin_trap();
  if (written > 0 && !effects::OverlayTimeInWindow(window, sampleTime)) __builtin_trap();
  // Every byte outside the visible rectangle is untouched.
  for (int64_t y = 0; y < frameHeight; ++y)
    for (int64_t x = 0; x < frameWidth; ++x) {
      const bool visible = x >= x0 && x < x0 + imageWidth && y >= top && y < int64_t{top} + imageHeight;
      const uint8_t* p = &frame[static_cast<size_t>((y * frameWidth + x) * 2)];
      if (!visible && (p[0] != 0x5A || p[1] != 0x5A)) __builtin_trap();
    }
  return 0;
}
