#include "common/com/module.h"

namespace zelvo::com {

HMODULE ModuleHandle() {
  static HMODULE module = [] {
    HMODULE found = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ModuleHandle), &found);
    return found;
  }();
  return module;
}

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD got = GetModuleFileNameW(ModuleHandle(), &path[0], static_cast<DWORD>(path.size()));
    if (got == 0) return std::wstring();
    if (got < path.size()) {
      path.resize(got);
      return path;
    }
    if (path.size() >= 32768) return std::wstring();
    path.resize(path.size() * 2);
  }
}

}  // namespace zelvo::com
