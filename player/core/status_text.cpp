#include "player/core/status_text.h"

#include <algorithm>

std::wstring StatusTitle(bool file_loaded, const std::wstring& file_name) {
  if (file_loaded) return L"Playing " + file_name;
  return kPlayerTitle;
}

const wchar_t* HoverHint(int32_t command) {
  static const wchar_t* const kHints[] = {
      L"Seek forward",       L"Seek backward",   L"Stop backward",           L"Play media",
      L"Pause backward",     L"About",           L"Exit",                    L"Minimize to tray",
      L"Turn repeat on",     L"Turn repeat off", L"Toggle sound panel",      L"Open media for playback",
      L"Options",            L"Toggle ontop On/Off",
  };
  constexpr int32_t kFirst = 600;
  constexpr int32_t kCount = static_cast<int32_t>(sizeof(kHints) / sizeof(kHints[0]));
  if (command < kFirst || command >= kFirst + kCount) return nullptr;
  return kHints[command - kFirst];
}

void StatusScroll::Show(int32_t ticks, int32_t text_width, int32_t element_width) {
  countdown_ = std::max(ticks, 0);
  text_width_ = std::max(text_width, 0);
  element_width_ = std::max(element_width, 0);
  offset_ = 0;
}

bool StatusScroll::CountDown() {
  if (countdown_ == 0) return false;
  --countdown_;
  // "<= 1": a message shown for a single tick also gives way to the title.
  if (countdown_ > 1) return false;
  countdown_ = 0;
  return true;
}

std::optional<int32_t> StatusScroll::ScrollStep(bool scroll_enabled) {
  if (!scroll_enabled || element_width_ >= text_width_) return std::nullopt;
  const int32_t shown = offset_;
  offset_ += kStatusScrollStep;
  // ">=": the offset moves in steps of 2 from 0 or from minus the element's
  // width, so it can step over an exact end mark and would then run on.
  if (offset_ >= text_width_ + kStatusScrollGap) offset_ = -element_width_;
  return shown;
}
