// Wide COM strings in the system's ANSI code page, for the narrow tree,
// tab and window-text calls.
#pragma once

#include <windows.h>

#include <string>

namespace configurator {

inline std::string WideToAnsi(const wchar_t* text) {
  if (!text || !*text) return std::string();
  int count = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (count <= 1) return std::string();
  std::string narrow(static_cast<size_t>(count), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, &narrow[0], count, nullptr, nullptr);
  narrow.resize(static_cast<size_t>(count - 1));
  return narrow;
}

}  // namespace configurator
