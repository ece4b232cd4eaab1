// The engine's decisions as plain functions of plain values: level clamps,
// the end-of-stream and stop rules, backward stepping, frame rates, decoder
// data. The COM and DirectShow layer gathers the values and applies the
// answers; nothing here touches a graph.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessel::core {

// 100-nanosecond units a second (DirectShow reference time).
constexpr int64_t kUnitsPerSecond = 10000000;
// Backward playback steps this far before the last seek target each poll.
constexpr int64_t kBackwardStep = 1000000;

constexpr long kVolumeMin = -10000, kVolumeMax = 0;
constexpr long kBalanceMin = -10000, kBalanceMax = 10000;
long ClampVolume(long value);
long ClampBalance(long value);

// The cached graph state the worker reports (EngineState).
enum EngineStateCode : long {
  kStateStopped = 0,
  kStatePaused = 1,
  kStateRunning = 2,
  kStateTransition = 16,
  kStateNoGraph = 32,
  kStateError = 48,
};
// What IMediaControl::GetState's answer means for EngineState: result is
// its HRESULT, state the filter state it gave.
long EngineStateFromQuery(long result, long state);

// What the stop handler does after the graph has stopped.
enum class FollowUp { kNone, kPause, kPlay };
struct StopDecision {
  bool rewind = false;      // seek to 0
  FollowUp next = FollowUp::kNone;
  bool holdEndPosition = false;  // the position stays at the end of the file
};
// rewindUponComplete and repeat are the engine's flags; completed says the
// stop came from the end of the stream rather than from the user.
StopDecision DecideStop(bool rewindUponComplete, bool repeat, bool completed);

// The next backward-playback target from the last one; never below 0.
// atStart is set once the step reached 0 (backward playback then ends).
int64_t BackwardTarget(int64_t lastTarget, bool* atStart);

// Frames per second of an average frame duration; 0 for no duration.
double FramesPerSecond(int64_t averageTimePerFrame);
// The graph rate that plays at fps when the file's own rate is defaultFps;
// false (and rate untouched) when either is not positive.
bool RateForFramesPerSecond(double fps, double defaultFps, double* rate);
// A rate the engine can be asked for: finite and positive.
bool IsUsableRate(double rate);

// One pair of surrounding double quotes removed (a trailing one, then a
// leading one), as names pasted from a command line arrive.
std::wstring StripQuotes(const std::wstring& name);

// The merit in a filter's registration data: its second 32-bit word
// (little-endian); 0 when the data is too short to hold one.
uint32_t MeritFromFilterData(const unsigned char* data, size_t size);

// Friendly names are kept to this many characters.
constexpr size_t kMaxFriendlyName = 255;
std::wstring ShortenFriendlyName(const std::wstring& name);

// The running object table's item name for a graph: "FilterGraph <object>
// pid <process>", both in lowercase hexadecimal without leading zeros.
std::wstring GraphItemName(uintptr_t object, unsigned long processId);

}  // namespace tessel::core
