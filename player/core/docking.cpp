#include "player/core/docking.h"

#include <algorithm>

namespace {

// Rectangles come from the system and settings; keep every distance and
// sum in 64 bits and the threshold within a screen-sized range.
constexpr int64_t kMaxInterval = 1 << 20;

struct Distances {
  int64_t tb, bt, lr, rl;  // top-bottom, bottom-top, left-right, right-left
  explicit Distances(const DockRect& a, const DockRect& b)
      : tb(int64_t{a.top} - b.bottom),
        bt(int64_t{a.bottom} - b.top),
        lr(int64_t{a.left} - b.right),
        rl(int64_t{a.right} - b.left) {}
  bool OverlapHorizontally() const { return lr <= 0 && 0 <= rl; }
  bool OverlapVertically() const { return tb <= 0 && 0 <= bt; }
};

int64_t Abs(int64_t v) { return v < 0 ? -v : v; }

int32_t Clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

void OffsetVertically(DockRect& r, int64_t by) {
  r.top = Clamp32(r.top + by);
  r.bottom = Clamp32(r.bottom + by);
}

void OffsetHorizontally(DockRect& r, int64_t by) {
  r.left = Clamp32(r.left + by);
  r.right = Clamp32(r.right + by);
}

}  // namespace

void DockMovingWindow(DockRect& a, const DockRect& b, int32_t interval, DockedFlags& flags, DockPull& pull) {
  const int64_t t = std::clamp<int64_t>(interval, 0, kMaxInterval);
  int64_t dx = pull.dx;
  int64_t dy = pull.dy;

  // 1. Far from both facing edges: not docked in that direction.
  Distances d(a, b);
  if (Abs(d.tb) > t && Abs(d.bt) > t) {
    flags.vertical = false;
    dy = 0;
  }
  if (Abs(d.lr) > t && Abs(d.rl) > t) {
    flags.horizontal = false;
    dx = 0;
  }

  // 2. Edges that already touch.
  if ((d.tb == 0 || d.bt == 0) && d.OverlapHorizontally()) flags.vertical = true;
  if ((d.lr == 0 || d.rl == 0) && d.OverlapVertically()) flags.horizontal = true;

  // 3. Snap; all four tests use the distances taken before any of them.
  d = Distances(a, b);
  if (Abs(d.tb) <= t && d.OverlapHorizontally()) {
    flags.vertical = true;
    dy += d.tb;
    OffsetVertically(a, -d.tb);
  }
  if (Abs(d.bt) <= t && d.OverlapHorizontally()) {
    flags.vertical = true;
    dy += d.bt;
    OffsetVertically(a, -d.bt);
  }
  if (Abs(d.lr) <= t && d.OverlapVertically()) {
    flags.horizontal = true;
    dx += d.lr;
    OffsetHorizontally(a, -d.lr);
  }
  if (Abs(d.rl) <= t && d.OverlapVertically()) {
    flags.horizontal = true;
    dx += d.rl;
    OffsetHorizontally(a, -d.rl);
  }

  // 4. Pulled far enough: let go, where the pull would have taken it.
  if (Abs(dy) > t) {
    OffsetVertically(a, dy);
    dy = 0;
    flags.vertical = false;
  }
  if (Abs(dx) > t) {
    OffsetHorizontally(a, dx);
    dx = 0;
    flags.horizontal = false;
  }
  // |dx|, |dy| <= t here, well inside 32 bits.
  pull.dx = static_cast<int32_t>(dx);
  pull.dy = static_cast<int32_t>(dy);
}
