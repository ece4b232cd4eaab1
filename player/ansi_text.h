#pragma once
// Wide strings and the system's ANSI code page, for the narrow Win32 calls
// and the settings file.
#include <windows.h>

#include <string>

inline std::wstring AnsiToWide(const std::string& text) {
  if (text.empty()) return std::wstring();
  int count = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(count), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], count);
  return wide;
}

inline std::string WideToAnsi(const std::wstring& text) {
  if (text.empty()) return std::string();
  int count = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(count), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &narrow[0], count, nullptr, nullptr);
  return narrow;
}
