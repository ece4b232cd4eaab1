#include "engine/core/transport_rules.h"

#include <cmath>
#include <cstdio>

namespace tessel::core {

long ClampVolume(long value) { return value < kVolumeMin ? kVolumeMin : value > kVolumeMax ? kVolumeMax : value; }

long ClampBalance(long value) { return value < kBalanceMin ? kBalanceMin : value > kBalanceMax ? kBalanceMax : value; }

long EngineStateFromQuery(long result, long state) {
  constexpr long kIntermediate = 0x00040237;  // VFW_S_STATE_INTERMEDIATE
  if (result == 0) {
    if (state == kStateStopped || state == kStatePaused || state == kStateRunning) return state;
    return kStateError;
  }
  if (result == kIntermediate) return kStateTransition;
  return kStateError;
}

StopDecision DecideStop(bool rewindUponComplete, bool repeat, bool completed) {
  StopDecision d;
  if (rewindUponComplete || !completed) {
    d.rewind = true;
    d.next = (repeat && completed) ? FollowUp::kPlay : FollowUp::kPause;
  } else {
    d.holdEndPosition = true;
  }
  return d;
}

int64_t BackwardTarget(int64_t lastTarget, bool* atStart) {
  int64_t next = lastTarget > kBackwardStep ? lastTarget - kBackwardStep : 0;
  if (atStart) *atStart = next == 0;
  return next;
}

double FramesPerSecond(int64_t averageTimePerFrame) {
  if (averageTimePerFrame <= 0) return 0.0;
  return double(kUnitsPerSecond) / double(averageTimePerFrame);
}

bool IsUsableRate(double rate) { return std::isfinite(rate) && rate > 0.0; }

bool RateForFramesPerSecond(double fps, double defaultFps, double* rate) {
  if (!IsUsableRate(fps) || !IsUsableRate(defaultFps)) return false;
  double r = fps / defaultFps;
  if (!IsUsableRate(r)) return false;
  *rate = r;
  return true;
}

std::wstring StripQuotes(const std::wstring& name) {
  std::wstring s = name;
  if (!s.empty() && s.back() == L'"') s.pop_back();
  if (!s.empty() && s.front() == L'"') s.erase(0, 1);
  return s;
}

uint32_t MeritFromFilterData(const unsigned char* data, size_t size) {
  if (!data || size < 8) return 0;
  return uint32_t(data[4]) | (uint32_t(data[5]) << 8) | (uint32_t(data[6]) << 16) | (uint32_t(data[7]) << 24);
}

std::wstring ShortenFriendlyName(const std::wstring& name) {
  return name.size() > kMaxFriendlyName ? name.substr(0, kMaxFriendlyName) : name;
}

std::wstring GraphItemName(uintptr_t object, unsigned long processId) {
  char text[64];
  std::snprintf(text, sizeof text, "FilterGraph %llx pid %lx", static_cast<unsigned long long>(object), processId);
  return std::wstring(text, text + std::char_traits<char>::length(text));
}

}  // namespace tessel::core
