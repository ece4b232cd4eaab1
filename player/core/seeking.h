#pragma once
// Where the seek commands land. All targets lie in 0 .. duration; the
// arithmetic is 64-bit and saturating, so no step or setting can wrap a
// forward seek into a backward one.
#include <cstdint>
#include <optional>
#include <string>

namespace seek_ids {
constexpr int32_t IDM_SET_POSITION = 158;
constexpr int32_t kSeekForwardBy = 203;       // lParam: step in 100-ns units
constexpr int32_t kSeekForwardByToo = 204;    // the same
constexpr int32_t kSeekForwardShort = 208;    // 0.5 s
constexpr int32_t kSeekBackwardRewind = 209;  // "Rewind seconds"
constexpr int32_t kSeekBackwardShort = 210;   // 0.5 s
constexpr int32_t kSeekToMilliseconds = 217;  // lParam: milliseconds
constexpr int32_t kSeekForwardRewind = 221;   // "Rewind seconds"
}  // namespace seek_ids

constexpr int64_t kShortSeekStep = 5000000;  // 0.5 s
constexpr int32_t kMaxRewindSeconds = 1000;  // the Playback page's limit

// "Rewind seconds" x 10,000,000, the setting first limited to 0 .. 1000: a
// hand-edited negative value would otherwise swap the two directions.
int64_t RewindStep(int32_t rewind_seconds);

// position + step, limited to 0 .. duration.
int64_t SeekForwardTarget(int64_t position, int64_t step, int64_t duration);
// position - step, limited to 0 .. duration.
int64_t SeekBackwardTarget(int64_t position, int64_t step, int64_t duration);
// milliseconds x 10,000, limited to 0 .. duration.
int64_t SeekToMillisecondsTarget(int64_t milliseconds, int64_t duration);

// The target of one of the seek commands (158, 203, 204, 208, 209, 210, 217,
// 221) given its lParam, the current position and duration, and the
// "Rewind seconds" setting; nothing for any other id.
std::optional<int64_t> SeekCommandTarget(int32_t command, int32_t lparam, int64_t position, int64_t duration,
                                         int32_t rewind_seconds);

// The go-to-position dialog's field: a whole number of seconds, optionally
// after white space and a sign, with nothing after it. Gives the lParam of
// command 217 (milliseconds, saturated at the 32-bit limit, which lies past
// the end of any real file); nothing for an empty field, a negative number
// or any character after the number.
std::optional<int32_t> ParseGoToPosition(const std::string& text);

constexpr const char* kGoToPositionError = "Position must be non negative integer value!";
