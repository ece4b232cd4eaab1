#include "player/skin/skin_geometry.h"

#include <algorithm>
#include <climits>

namespace skin {

int ClampToInt(int64_t value) {
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

namespace {

int64_t GridSize(int64_t requested, int64_t minimum, int64_t step) {
  if (step < 1) step = 1;
  return minimum + step * ((requested - minimum) / step);
}

}  // namespace

int SnapWidth(int requested, int minimum, int step) {
  int64_t width = GridSize(requested, minimum, step);
  if (width <= minimum) width = minimum;
  return ClampToInt(width);
}

int SnapHeight(int requested, int minimum, int step) {
  const int64_t raised = std::max<int64_t>(requested, minimum);
  return ClampToInt(GridSize(raised, minimum, step));
}

int MillionthsOf(int64_t offset, int64_t range) {
  if (range == 0) range = 1;
  return ClampToInt(offset * kMillion / range);
}

int OffsetOfMillionths(int64_t value, int64_t range) {
  return ClampToInt(value * range / kMillion);
}

int ClampMillionths(int64_t value) {
  if (value < 0) return 0;
  if (value > kMillion - 1) return kMillion;
  return static_cast<int>(value);
}

int StateOfMillionths(int64_t value, int states) {
  if (states < 1) return 0;
  int64_t state = value * states / kMillion;
  state = std::min<int64_t>(state, states - 1);
  return static_cast<int>(std::max<int64_t>(state, 0));
}

int64_t TileCount(int64_t extent, int64_t tile) {
  if (extent <= 0 || tile <= 0) return 0;
  return (extent + tile - 1) / tile;
}

bool EnsureVisible(ListScroll& scroll, int64_t index, int count, int rows) {
  const ListScroll before = scroll;
  if (count <= 0) {
    scroll = ListScroll{};
    return before.top != 0 || before.selected != 0;
  }
  if (index < 0 || index > count) return false;
  int64_t top = scroll.top;
  const int64_t lastTop = static_cast<int64_t>(count) - rows;
  if (index < top) top = std::min<int64_t>(index, lastTop);
  // Step the top down until the index fits in the rows or the end shows.
  if (index - top >= rows && top < lastTop) top = std::min<int64_t>(index - rows + 1, lastTop);
  if (top < 0) top = 0;
  scroll.top = static_cast<int>(top);
  if (index < count) scroll.selected = static_cast<int>(index - top);
  return scroll.top != before.top || scroll.selected != before.selected;
}

int64_t EntryOfMillionths(int64_t value, int count) {
  // A value past either end points at that end; clamped first, the product
  // stays far inside 64 bits.
  const int64_t m = value < 0 ? 0 : value > kMillion ? kMillion : value;
  return m * (count < 0 ? 0 : count) / kMillion;
}

}  // namespace skin
