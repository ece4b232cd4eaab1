#pragma once
// Driving the real ZelvoPlayer.exe from a test: starting it, real mouse
// input, finding its skin elements and reading what is on the screen.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "player/tests/test_support.h"

namespace process_support {

using namespace test_support;

inline std::string BuildFolder() {
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string path(module);
  path.erase(path.find_last_of('\\') + 1);
  return path;
}

inline std::string PlayerExe() { return BuildFolder() + "ZelvoPlayer.exe"; }

inline std::string PlaylistBeside(const std::string& exe) {
  return exe.substr(0, exe.find_last_of('\\') + 1) + "default.m3u";
}

// Starts `exe` with `arguments` in `folder` without waiting for it. The
// playlist a previous test left beside the program is removed first, so
// that every run starts from an empty list, or from `playlist` when given.
inline bool StartPlayer(const std::string& exe, const std::string& folder, const std::string& arguments,
                        PROCESS_INFORMATION* pi, const char* playlist = nullptr) {
  const std::string beside = PlaylistBeside(exe);
  DeleteFileA(beside.c_str());
  if (playlist) WriteText(beside, playlist);
  std::string command = "\"" + exe + "\" " + arguments;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  *pi = PROCESS_INFORMATION{};
  return CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, pi) != FALSE;
}

inline bool HasDefaultSkin() {
  return GetFileAttributesA((BuildFolder() + "DefaultSkin.wsz").c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Closes the player as a user would and expects it to end with 0 in time;
// one that does not is stopped.
inline void CloseAndExpectCleanExit(HWND main, const PROCESS_INFORMATION& pi) {
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 30000));
  DWORD code = 99;
  GetExitCodeProcess(pi.hProcess, &code);
  if (code == STILL_ACTIVE) TerminateProcess(pi.hProcess, 98);
  EXPECT_EQ(0u, code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

// Real mouse input through the system's input queue, as a user's hand.
inline void SendMouse(DWORD flags, int x = 0, int y = 0) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  input.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  SendInput(1, &input, sizeof input);
}

// A click at `at`, with the left button unless other buttons are given.
inline void ClickAt(POINT at, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP) {
  SetCursorPos(at.x, at.y);
  SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, at.x, at.y);
  Sleep(150);
  SendMouse(down);
  Sleep(100);
  SendMouse(up);
}

struct FindElement {
  const char* name;
  HWND found;
};

inline BOOL CALLBACK FindVisibleChild(HWND child, LPARAM param) {
  auto* find = reinterpret_cast<FindElement*>(param);
  char cls[128] = "";
  GetClassNameA(child, cls, sizeof cls);
  if (std::string(cls) != find->name || !IsWindowVisible(child)) return TRUE;
  find->found = child;
  return FALSE;
}

// The centre on the screen of the visible child window of `form` whose
// class (the skin element's name) is `name`.
inline bool ElementCentre(HWND form, const char* name, POINT* centre) {
  FindElement find = {name, nullptr};
  EnumChildWindows(form, FindVisibleChild, reinterpret_cast<LPARAM>(&find));
  if (!find.found) return false;
  RECT rect;
  GetWindowRect(find.found, &rect);
  *centre = POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  return true;
}

inline bool WaitUntil(const std::function<bool()>& done, DWORD timeout_ms) {
  for (DWORD waited = 0; waited < timeout_ms; waited += 50) {
    if (done()) return true;
    Sleep(50);
  }
  return done();
}

// Clicks at `at` until `effect` holds. The X server maps the player's new
// windows a little after Wine reports them shown, and a click sent before
// that reaches no window at all; a click that arrived shows its effect at
// once, so another is sent only after a long quiet wait.
inline bool ClickUntil(POINT at, const std::function<bool()>& effect) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    ClickAt(at);
    if (WaitUntil(effect, 3000)) return true;
  }
  return false;
}

// The colour on screen at the centre of a window.
inline COLORREF CentreColour(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  HDC screen = GetDC(nullptr);
  COLORREF colour = GetPixel(screen, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  ReleaseDC(nullptr, screen);
  return colour;
}

// A small picture of a window's area as it is on screen now.
inline std::vector<COLORREF> Snapshot(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  std::vector<COLORREF> pixels;
  HDC screen = GetDC(nullptr);
  for (int y = r.top; y < r.bottom; y += 3) {
    for (int x = r.left; x < r.right; x += 3) pixels.push_back(GetPixel(screen, x, y));
  }
  ReleaseDC(nullptr, screen);
  return pixels;
}

// The visible dialog of `process` captioned `caption`, waited for.
inline HWND ProcessDialog(DWORD process, const char* caption) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        found = FindWindowA("#32770", caption);
        DWORD owner = 0;
        if (found) GetWindowThreadProcessId(found, &owner);
        return found && owner == process && IsWindowVisible(found);
      },
      10000);
  return found;
}

inline std::string EngineClip(const char* name) { return BuildFolder() + "..\\engine\\media\\" + name; }

}  // namespace process_support
