#pragma once
// Where subtitles go on a picture: the bottom quarter, inside the middle
// two thirds of its width.
#include <cstdint>

struct SubtitleRect {
  int32_t left, top, width, height;
};

constexpr SubtitleRect SubtitleRectFor(int32_t video_width, int32_t video_height) {
  const int32_t w = video_width, h = video_height;
  return SubtitleRect{w / 6, 3 * h / 4, 5 * w / 6 - w / 6, h - 3 * h / 4};
}
