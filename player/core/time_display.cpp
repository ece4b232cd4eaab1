#include "player/core/time_display.h"

#include <algorithm>

#include "player/core/media_time.h"

namespace {

int64_t WholeSeconds(int64_t position) { return std::max<int64_t>(position, 0) / kMediaUnitsPerSecond; }

}  // namespace

TimeDigits TimeDigitsAt(int64_t position) {
  const int64_t s = WholeSeconds(position);
  const int64_t m = s / 60;
  TimeDigits d;
  d.lseconds = static_cast<int32_t>(s % 10);
  d.hseconds = static_cast<int32_t>((s % 60) / 10);
  d.lminutes = static_cast<int32_t>(m % 10);
  d.hminutes = static_cast<int32_t>((m / 10) % 10);
  d.hhminutes = static_cast<int32_t>((m / 100) % 10);
  return d;
}

std::wstring ClockText(int64_t position) {
  const int64_t s = WholeSeconds(position);
  const int64_t minutes = (s / 60) % 60;
  const int64_t seconds = s % 60;
  std::wstring text = std::to_wstring(s / 3600);
  text += L':';
  text += static_cast<wchar_t>(L'0' + minutes / 10);
  text += static_cast<wchar_t>(L'0' + minutes % 10);
  text += L':';
  text += static_cast<wchar_t>(L'0' + seconds / 10);
  text += static_cast<wchar_t>(L'0' + seconds % 10);
  return text;
}

std::wstring TimeText(int64_t position, int64_t duration) {
  return ClockText(position) + L" / " + ClockText(duration);
}

void TimeDisplay::SetDuration(int64_t duration) { duration_ = std::max<int64_t>(duration, 0); }

void TimeDisplay::Forget() {
  std::fill(std::begin(sent_digits_), std::end(sent_digits_), -1);
  text_position_seconds_ = -1;
  text_duration_seconds_ = -1;
  sent_bar_ = -1;
}

TimeDisplayUpdate TimeDisplay::Refresh(int64_t position, bool forced, bool has_text_element) {
  TimeDisplayUpdate update;

  const TimeDigits d = TimeDigitsAt(position);
  const int32_t values[5] = {d.lseconds, d.hseconds, d.lminutes, d.hminutes, d.hhminutes};
  for (int i = 0; i < 5; ++i) {
    if (forced || values[i] != sent_digits_[i]) {
      update.digits.push_back({display_ids::IDM_SET_LSECONDS + i, values[i]});
      sent_digits_[i] = values[i];
    }
  }

  if (has_text_element) {
    const int64_t ps = WholeSeconds(position);
    const int64_t ds = WholeSeconds(duration_);
    if (forced || ps != text_position_seconds_ || ds != text_duration_seconds_) {
      update.text = TimeText(position, duration_);
      text_position_seconds_ = ps;
      text_duration_seconds_ = ds;
    }
  }

  const int32_t bar = PositionToMillionths(position, duration_);
  if (forced || bar != sent_bar_) {
    update.bar = DisplayCommand{display_ids::IDM_SET_POSITION_REFRESHCURSOR, bar};
    sent_bar_ = bar;
  }
  return update;
}
