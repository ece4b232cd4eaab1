#pragma once
// The status text ("ZelvoStatusText"): a message shown for a number of
// `TitleTimer` ticks before the title comes back, and the scrolling of a
// text wider than its element. The player does the drawing; this keeps the
// countdown and the scroll offset.
#include <cstdint>
#include <optional>
#include <string>

constexpr int32_t kStatusMessageTicks = 6;  // "Closed", "Paused", hover hints
constexpr int32_t kStatusWelcomeTicks = 5;  // after open-and-play
constexpr int32_t kStatusScrollStep = 2;
constexpr int32_t kStatusScrollGap = 5;     // past the end before re-entering
constexpr const wchar_t* kPlayerTitle = L"Zelvo Vantor Player";

// The title shown once a message has run out: "Playing " and the file name
// while a file is loaded, else the player's name.
std::wstring StatusTitle(bool file_loaded, const std::wstring& file_name);

// The hint of a hover command (600 .. 613); nullptr for any other id.
const wchar_t* HoverHint(int32_t command);

class StatusScroll {
 public:
  // After the element got the text with offset 0: the ticks it stays, the
  // text's width and the element's width. The scroll starts again at 0.
  void Show(int32_t ticks, int32_t text_width, int32_t element_width);

  // The countdown part of a tick. True when the message has run out and
  // the title is to be shown now (with 0 ticks, through Show).
  bool CountDown();

  // The scroll part of the same tick, after CountDown. The offset to set
  // on the element before redrawing it, or nothing when the text fits or
  // scrolling is off. Past the end the text re-enters from the right.
  std::optional<int32_t> ScrollStep(bool scroll_enabled);

  int32_t Countdown() const { return countdown_; }
  int32_t Offset() const { return offset_; }

 private:
  int32_t countdown_ = 0;
  int32_t text_width_ = 0;
  int32_t element_width_ = 0;
  int32_t offset_ = 0;
};
