#pragma once
// Docking of the main and playlist windows: while one window moves, an edge
// within "Docking interval" pixels of the other window's facing edge snaps
// to it, stays snapped while the pull is small, and breaks free once the
// pull gathered since snapping exceeds the interval.
#include <cstdint>

struct DockRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool operator==(const DockRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

// The two docked flags, shared by both directions (main against playlist
// and playlist against main).
struct DockedFlags {
  bool horizontal = false;
  bool vertical = false;
  bool Any() const { return horizontal || vertical; }
};

// The pull gathered while snapped, one per docking relation.
struct DockPull {
  int32_t dx = 0;
  int32_t dy = 0;
};

// One docking test as the moving window's rectangle `moving` is proposed
// (WM_MOVING); `other` is the still window's rectangle, `interval` the
// snapping distance (a negative setting counts as 0). Adjusts `moving`.
void DockMovingWindow(DockRect& moving, const DockRect& other, int32_t interval, DockedFlags& flags, DockPull& pull);
