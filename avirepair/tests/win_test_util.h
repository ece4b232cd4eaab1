// Helpers of the Windows tests: Unix paths given by ctest as Wine paths,
// wide strings, a folder of its own per test.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

namespace avirepair::test {

// "/work/x" -> "Z:\work\x"; other paths pass unchanged.
inline std::string WinePath(std::string path) {
  if (!path.empty() && path[0] == '/') {
    for (char& c : path)
      if (c == '/') c = '\\';
    path = "Z:" + path;
  }
  return path;
}

inline std::wstring Wide(const std::string& s) {
  int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), int(s.size()), nullptr, 0);
  std::wstring w(size_t(n), L'\0');
  if (n) MultiByteToWideChar(CP_ACP, 0, s.c_str(), int(s.size()), &w[0], n);
  return w;
}

inline std::filesystem::path FreshFolder(const std::string& name) {
  auto dir = std::filesystem::temp_directory_path() / ("avirepair-" + name + "-" + std::to_string(GetCurrentProcessId()));
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace avirepair::test
