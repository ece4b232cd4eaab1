#pragma once
// The time display of the skin: five digit commands, the "position /
// duration" text and the position bar, each sent only when its value
// changed since it was last sent, or when the refresh is forced.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Ids the player sends down the skin's element trees for the display.
namespace display_ids {
constexpr int32_t IDM_SET_LSECONDS = 164;
constexpr int32_t IDM_SET_HSECONDS = 165;
constexpr int32_t IDM_SET_LMINUTES = 166;
constexpr int32_t IDM_SET_HMINUTES = 167;
constexpr int32_t IDM_SET_HHMINUTES = 168;
constexpr int32_t IDM_SET_POSITION_REFRESHCURSOR = 3000;
}  // namespace display_ids

// The five digits of a position (S whole seconds, M = S / 60): S mod 10,
// (S mod 60) / 10, M mod 10, (M / 10) mod 10, (M / 100) mod 10. A negative
// position shows as 0.
struct TimeDigits {
  int32_t lseconds = 0;
  int32_t hseconds = 0;
  int32_t lminutes = 0;
  int32_t hminutes = 0;
  int32_t hhminutes = 0;
};
TimeDigits TimeDigitsAt(int64_t position);

// "h:mm:ss" of a position; hours have as many digits as they need.
std::wstring ClockText(int64_t position);
// "h:mm:ss / h:mm:ss": position, then duration.
std::wstring TimeText(int64_t position, int64_t duration);

// One command for the skin: WM_COMMAND id with lParam value.
struct DisplayCommand {
  int32_t id;
  int32_t value;
  bool operator==(const DisplayCommand& o) const { return id == o.id && value == o.value; }
};

// What one refresh asks the player to do, in this order: send the digit
// commands, set the time text, send the bar command.
struct TimeDisplayUpdate {
  std::vector<DisplayCommand> digits;
  std::optional<std::wstring> text;  // set on "ZelvoVideoDurationText"
  std::optional<DisplayCommand> bar; // IDM_SET_POSITION_REFRESHCURSOR
};

class TimeDisplay {
 public:
  // The duration read after a file opened; 0 after a close.
  void SetDuration(int64_t duration);
  int64_t Duration() const { return duration_; }

  // `has_text_element`: the skin has a "ZelvoVideoDurationText" element.
  // A forced refresh sends everything again, the text included (a new skin's
  // text element starts empty and would otherwise wait for the next second).
  TimeDisplayUpdate Refresh(int64_t position, bool forced, bool has_text_element);

  // Nothing counts as sent: the next refresh sends every value.
  void Forget();

 private:
  int64_t duration_ = 0;
  // -1: not sent yet, so the first refresh always reaches the skin.
  int32_t sent_digits_[5] = {-1, -1, -1, -1, -1};
  int64_t text_position_seconds_ = -1;
  int64_t text_duration_seconds_ = -1;
  int32_t sent_bar_ = -1;
};
