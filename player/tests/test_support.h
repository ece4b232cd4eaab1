#pragma once
// Helpers shared by the player's Windows tests: scratch folders, reading a
// settings file back line by line, the keys of a fresh "Zelvo.ini".
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

// A fresh folder under the temporary folder, removed with its files.
class ScratchFolder {
 public:
  ScratchFolder() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char name[MAX_PATH];
    GetTempFileNameA(temp, "zlv", 0, name);
    DeleteFileA(name);
    CreateDirectoryA(name, nullptr);
    path_ = name;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// Makes a folder the current directory for the life of the object.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::string& path) {
    char old[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, old);
    old_ = old;
    SetCurrentDirectoryA(path.c_str());
  }
  ~CurrentDirectory() { SetCurrentDirectoryA(old_.c_str()); }

 private:
  std::string old_;
};

struct ProcessWindowSearch {
  DWORD process;
  const char* cls;
  HWND except;
  HWND found;
};

inline BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ProcessWindowSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char name[128] = "";
  GetClassNameA(window, name, sizeof name);
  if (pid != search->process || window == search->except || !IsWindowVisible(window) ||
      std::string(name) != search->cls)
    return TRUE;
  search->found = window;
  return FALSE;
}

// A visible top-level window of `process` with the window class `cls`
// ("#32770" for a message box), other than `except`, or null.
inline HWND FindProcessWindow(DWORD process, const char* cls, HWND except = nullptr) {
  ProcessWindowSearch search = {process, cls, except, nullptr};
  EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The same, waited for up to timeout_ms.
inline HWND WaitForProcessWindow(DWORD process, const char* cls, DWORD timeout_ms) {
  for (DWORD waited = 0;; waited += 50) {
    if (HWND window = FindProcessWindow(process, cls)) return window;
    if (waited >= timeout_ms) return nullptr;
    Sleep(50);
  }
}

inline BOOL CALLBACK AppendStaticText(HWND child, LPARAM param) {
  char cls[32] = "", text[1024] = "";
  GetClassNameA(child, cls, sizeof cls);
  GetWindowTextA(child, text, sizeof text);
  if (std::string(cls) == "Static") *reinterpret_cast<std::string*>(param) += text;
  return TRUE;
}

// The texts of a window's static controls, one after the other: what a
// message box says.
inline std::string StaticText(HWND window) {
  std::string text;
  EnumChildWindows(window, AppendStaticText, reinterpret_cast<LPARAM>(&text));
  return text;
}

inline std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// The file a player writes when it found no settings file and changed
// nothing, line by line in table order.
inline std::vector<std::string> FreshSettingsFile() {
  return {"[Zelvo Player]",
          "Last file name=",
          "Application directory=",
          "Last subtitles file name=",
          "Subtitles font name=",
          "Video window origin X=0",
          "Video window origin Y=0",
          "Main window origin X=0",
          "Main window origin Y=0",
          "Playlist window origin X=275",
          "Playlist window origin Y=0",
          "Playlist window width=300",
          "Playlist window height=200",
          "Prefs window origin X=0",
          "Prefs window origin Y=0",
          "Video fixing window origin X=100",
          "Video fixing window origin Y=100",
          "Subtitles dialog origin X=150",
          "Subtitles dialog origin Y=150",
          "Volume=1",
          "Balance=0",
          "Brightness=0",
          "Contrast=0",
          "Aspect Ratio=0",
          "Rewind seconds=10",
          "Subtitles font size=20",
          "Hiding remote timeout=10",
          "Docking interval=12",
          "Is Playlist visible=1",
          "Auto close=1",
          "Auto run in tray=0",
          "Enable subtitles=0",
          "Muted=0",
          "Repeat=1",
          "Shuffle=0",
          "Show active window=1",
          "Block screen saver=1",
          "Play window on top=0",
          "Remember player settings=1",
          "Remember window position=1",
          "Scroll movie title=1",
          "Hide remote in fullscreen=0",
          "Hide cursor when hiding remote=1",
          "Auto start playback=1",
          "Auto register file extensions=0",
          "Auto switch to fullscreen=0",
          "Use picture control=1",
          "Is subtitles font bold=0",
          "Is subtitles font italic=0"};
}

// The value of `key` in a settings file's lines, or "<absent>".
inline std::string ValueOf(const std::vector<std::string>& lines, const std::string& key) {
  for (const auto& line : lines) {
    if (line.compare(0, key.size() + 1, key + "=") == 0) return line.substr(key.size() + 1);
  }
  return "<absent>";
}

inline std::vector<std::string> WithValue(std::vector<std::string> lines, const std::string& key,
                                          const std::string& value) {
  for (auto& line : lines) {
    if (line.compare(0, key.size() + 1, key + "=") == 0) line = key + "=" + value;
  }
  return lines;
}

}  // namespace test_support
