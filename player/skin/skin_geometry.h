#pragma once
// Arithmetic of skinned windows and controls: the size grid, millionth
// positions, sprite states and the playlist view's scrolling. Platform-free;
// everything is computed in 64 bits and clamped back into int, so no skin
// size or control value can overflow or divide by zero.

#include <cstdint>

namespace skin {

constexpr int kMillion = 1000000;

// Clamps a 64-bit value into the int range.
int ClampToInt(int64_t value);

// A size on the grid minimum + step * k (k >= 0). A step below 1 counts as 1.
// The width rule: sizes not above the minimum become the minimum.
int SnapWidth(int requested, int minimum, int step);
// The height rule: the request is first raised to the minimum.
int SnapHeight(int requested, int minimum, int step);

// Millionth position of offset inside [0, range]: offset * 1,000,000 / range
// (truncating). A range of 0 divides by 1.
int MillionthsOf(int64_t offset, int64_t range);
// The offset inside [0, range] that a millionth value stands for.
int OffsetOfMillionths(int64_t value, int64_t range);
// A value limited to 0 .. 1,000,000 (values above 999,999 become 1,000,000).
int ClampMillionths(int64_t value);
// The sprite state that a millionth value shows on a control of `states`
// states: value * states / 1,000,000, limited to 0 .. states - 1.
int StateOfMillionths(int64_t value, int states);

// Tiles needed to cover `extent` with tiles of `tile` (rounded up); 0 when
// either is not positive.
int64_t TileCount(int64_t extent, int64_t tile);

// The playlist view's window on the list: the top entry and the selected row.
struct ListScroll {
  int top = 0;
  int selected = 0;
};

// Scrolls so that entry `index` is visible and selected. Returns true when
// the top or the selected row changed. An index below 0 or above `count`
// changes nothing.
bool EnsureVisible(ListScroll& scroll, int64_t index, int count, int rows);

// The entry that a scroll position in millionths points to; positions
// outside 0 .. 1,000,000 point at the nearer end.
int64_t EntryOfMillionths(int64_t value, int count);

}  // namespace skin
