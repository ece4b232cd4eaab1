#pragma once
// Media time (100-ns units, 64-bit) and the player's position values:
// millionths of the duration for the position bar, milliseconds and seconds
// for the go-to command. Every conversion saturates instead of overflowing
// and treats a duration of 0 (or a failed read, which gives 0) as empty.
#include <cstdint>

constexpr int64_t kMediaUnitsPerSecond = 10000000;
constexpr int64_t kMediaUnitsPerMillisecond = 10000;
constexpr int32_t kPositionMillionths = 1000000;

// Position -> position bar value: position x 1,000,000 / duration, limited to
// 0 .. 1,000,000 (a position past the end stands at the end); 0 when the
// duration is 0 or negative.
int32_t PositionToMillionths(int64_t position, int64_t duration);

// Position bar value -> media time: duration x millionths x 0.000001,
// truncated, with the value limited to 0 .. 1,000,000.
int64_t MillionthsToPosition(int32_t millionths, int64_t duration);

// a + b without overflow: the result saturates at the int64 range.
int64_t SaturatingAdd(int64_t a, int64_t b);
