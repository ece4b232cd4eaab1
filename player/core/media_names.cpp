#include "player/core/media_names.h"

#include <cwctype>

namespace {
constexpr size_t kCheckedLength = 259;
}

std::wstring LoweredName(const std::wstring& name) {
  std::wstring lowered = name;
  for (wchar_t& c : lowered) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return lowered;
}

const char* RefusedMediaName(const std::wstring& name) {
  std::wstring lowered = LoweredName(name);
  if (lowered.find(L".asx") != std::wstring::npos) return kAsxRefused;
  std::wstring head = lowered.substr(0, kCheckedLength);
  for (const wchar_t* extension : {L".asf", L".wma", L".wmv"}) {
    if (head.find(extension) != std::wstring::npos) return kWindowsMediaRefused;
  }
  return nullptr;
}

std::wstring UnquotedFileName(std::wstring name) {
  if (!name.empty() && name.front() == L'"') name.erase(0, 1);
  if (!name.empty() && name.back() == L'"') name.pop_back();
  return name;
}

std::wstring FileNamePart(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}
