#include "player/core/seeking.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "player/core/media_time.h"

namespace {

int64_t LimitToDuration(int64_t target, int64_t duration) {
  return std::clamp<int64_t>(target, 0, std::max<int64_t>(duration, 0));
}

int64_t Negate(int64_t v) {
  return v == std::numeric_limits<int64_t>::min() ? std::numeric_limits<int64_t>::max() : -v;
}

}  // namespace

int64_t RewindStep(int32_t rewind_seconds) {
  return static_cast<int64_t>(std::clamp(rewind_seconds, 0, kMaxRewindSeconds)) * kMediaUnitsPerSecond;
}

int64_t SeekForwardTarget(int64_t position, int64_t step, int64_t duration) {
  return LimitToDuration(SaturatingAdd(position, step), duration);
}

int64_t SeekBackwardTarget(int64_t position, int64_t step, int64_t duration) {
  return LimitToDuration(SaturatingAdd(position, Negate(step)), duration);
}

int64_t SeekToMillisecondsTarget(int64_t milliseconds, int64_t duration) {
  constexpr int64_t kLimit = std::numeric_limits<int64_t>::max() / kMediaUnitsPerMillisecond;
  const int64_t ms = std::clamp<int64_t>(milliseconds, -kLimit, kLimit);
  return LimitToDuration(ms * kMediaUnitsPerMillisecond, duration);
}

std::optional<int64_t> SeekCommandTarget(int32_t command, int32_t lparam, int64_t position, int64_t duration,
                                         int32_t rewind_seconds) {
  using namespace seek_ids;
  switch (command) {
    case IDM_SET_POSITION:
      return LimitToDuration(MillionthsToPosition(lparam, duration), duration);
    case kSeekForwardBy:
    case kSeekForwardByToo:
      return SeekForwardTarget(position, lparam, duration);
    case kSeekForwardShort:
      return SeekForwardTarget(position, kShortSeekStep, duration);
    case kSeekBackwardRewind:
      return SeekBackwardTarget(position, RewindStep(rewind_seconds), duration);
    case kSeekBackwardShort:
      return SeekBackwardTarget(position, kShortSeekStep, duration);
    case kSeekToMilliseconds:
      return SeekToMillisecondsTarget(lparam, duration);
    case kSeekForwardRewind:
      return SeekForwardTarget(position, RewindStep(rewind_seconds), duration);
    default:
      return std::nullopt;
  }
}

std::optional<int32_t> ParseGoToPosition(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const size_t first_digit = i;
  int64_t seconds = 0;
  constexpr int64_t kSaturated = std::numeric_limits<int32_t>::max() / 1000 + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    // Any number of seconds past kSaturated gives the same saturated lParam.
    seconds = std::min<int64_t>(seconds * 10 + (text[i] - '0'), kSaturated);
  }
  if (i == first_digit || i != text.size()) return std::nullopt;
  if (negative && seconds != 0) return std::nullopt;
  return static_cast<int32_t>(std::min<int64_t>(seconds * 1000, std::numeric_limits<int32_t>::max()));
}
