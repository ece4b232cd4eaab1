#include "player/core/media_time.h"

#include <algorithm>
#include <limits>

int64_t SaturatingAdd(int64_t a, int64_t b) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  if (b > 0 && a > kMax - b) return kMax;
  if (b < 0 && a < kMin - b) return kMin;
  return a + b;
}

int32_t PositionToMillionths(int64_t position, int64_t duration) {
  if (duration <= 0 || position <= 0) return 0;
  if (position >= duration) return kPositionMillionths;
  if (position <= std::numeric_limits<int64_t>::max() / kPositionMillionths) {
    return static_cast<int32_t>(position * kPositionMillionths / duration);
  }
  // Only a position beyond ten days gets here: the product would leave 64
  // bits, and a double's precision is plenty for a bar position.
  const double ratio = static_cast<double>(position) / static_cast<double>(duration);
  return std::clamp(static_cast<int32_t>(ratio * kPositionMillionths), 0, kPositionMillionths - 1);
}

int64_t MillionthsToPosition(int32_t millionths, int64_t duration) {
  if (duration <= 0) return 0;
  const int64_t m = std::clamp<int64_t>(millionths, 0, kPositionMillionths);
  // duration = q x 1,000,000 + r: q x m never exceeds the duration and
  // r x m stays below 10^12.
  const int64_t q = duration / kPositionMillionths;
  const int64_t r = duration % kPositionMillionths;
  return q * m + r * m / kPositionMillionths;
}
