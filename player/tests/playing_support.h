#pragma once
// The real player playing real clips, as its tests see it: keys pressed
// through the system's input, the time digits and the video window read off
// the screen, and a player started on a clip with settings of its own.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "player/tests/process_support.h"
#include "player/tests/test_support.h"

namespace playing_support {

using namespace test_support;
using namespace process_support;

inline void PressKey(WORD key) {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[1].ki.wVk = key;
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof input[0]);
}

// `key` pressed while `modifier` is held down.
inline void PressKeyWith(WORD modifier, WORD key) {
  INPUT input[4] = {};
  for (INPUT& one : input) one.type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[3].ki.wVk = modifier;
  input[1].ki.wVk = input[2].ki.wVk = key;
  input[2].ki.dwFlags = input[3].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(4, input, sizeof input[0]);
}

struct Digits {
  std::vector<HWND> windows;
};

inline BOOL CALLBACK CollectDigit(HWND child, LPARAM param) {
  char cls[64] = "";
  GetClassNameA(child, cls, sizeof cls);
  if (std::string(cls) == "TimeDigit" && IsWindowVisible(child))
    reinterpret_cast<Digits*>(param)->windows.push_back(child);
  return TRUE;
}

// The time digits of the main window as they are on the screen now.
inline std::vector<COLORREF> DigitsOnScreen(HWND main) {
  Digits digits;
  EnumChildWindows(main, CollectDigit, reinterpret_cast<LPARAM>(&digits));
  std::vector<COLORREF> pixels;
  for (HWND digit : digits.windows) {
    std::vector<COLORREF> one = Snapshot(digit);
    pixels.insert(pixels.end(), one.begin(), one.end());
  }
  return pixels;
}

// The digits differ from `before` within the time given.
inline bool DigitsChangeFrom(HWND main, const std::vector<COLORREF>& before, DWORD within_ms) {
  return !before.empty() && WaitUntil([&] { return DigitsOnScreen(main) != before; }, within_ms);
}

inline bool DigitsChange(HWND main, DWORD within_ms) { return DigitsChangeFrom(main, DigitsOnScreen(main), within_ms); }

inline bool DigitsStay(HWND main, DWORD for_ms) {
  const std::vector<COLORREF> before = DigitsOnScreen(main);
  Sleep(for_ms);
  return !before.empty() && DigitsOnScreen(main) == before;
}

inline bool Red(COLORREF c) { return GetRValue(c) > 160 && GetGValue(c) < 90 && GetBValue(c) < 90; }
inline bool Blue(COLORREF c) { return GetBValue(c) > 160 && GetRValue(c) < 90 && GetGValue(c) < 90; }
inline bool Green(COLORREF c) { return GetGValue(c) > 160 && GetRValue(c) < 90 && GetBValue(c) < 90; }

// The player's video window shows a clip of this colour at this size.
inline bool VideoShows(DWORD process, bool (*colour)(COLORREF), LONG width, LONG height, DWORD within_ms) {
  return WaitUntil(
      [&] {
        HWND video = FindProcessWindow(process, "VWClassName");
        if (!video) return false;
        RECT r;
        GetWindowRect(video, &r);
        return r.right - r.left == width && r.bottom - r.top == height && colour(CentreColour(video));
      },
      within_ms);
}

// Fills in the player's open dialog titled `title` with `path` and presses
// its Open button; false when no such dialog came up.
inline bool AnswerFileDialog(DWORD process, const char* title, const std::string& path) {
  HWND dialog = ProcessDialog(process, title);
  if (!dialog) return false;
  Sleep(300);
  // The file name box: a combo box in the explorer-style dialog, an edit
  // field in the older one.
  const int kFileNameCombo = 0x47c, kFileNameEdit = 0x480;
  if (!SetDlgItemTextA(dialog, kFileNameCombo, path.c_str()) && !SetDlgItemTextA(dialog, kFileNameEdit, path.c_str()))
    return false;
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  return WaitUntil([&] { return !IsWindow(dialog); }, 10000);
}

inline std::string Clip(const char* name) {
  std::string clip = EngineClip(name);
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(clip.c_str())) << clip;
  return clip;
}

// The video window away from the skin, so that neither hides the other.
inline const char kSettings[] =
    "[Zelvo Player]\r\nVideo window origin X=400\r\nVideo window origin Y=300\r\nRewind seconds=4\r\n";

// Starts the player in `dir` on `clip` (none: the playlist), with these
// settings besides the usual ones and this "default.m3u"; its main window,
// or null.
inline HWND StartPlaying(const ScratchFolder& dir, const std::string& clip, PROCESS_INFORMATION* pi,
                         const std::string& more_settings = "", const char* playlist = nullptr) {
  WriteText(dir.File("Zelvo.ini"), kSettings + more_settings);
  if (!StartPlayer(PlayerExe(), dir.path(), clip, pi, playlist)) return nullptr;
  return WaitForProcessWindow(pi->dwProcessId, "MainSkin", 30000);
}

inline bool Topmost(HWND window) { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

inline bool NoVideoWindow(DWORD process) { return !FindProcessWindow(process, "VWClassName"); }

// A player started on the red clip and showing it: the usual start of a
// test. One that ends early leaves no player behind.
class PlayingRed : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HasDefaultSkin()) GTEST_SKIP() << "no DefaultSkin.wsz beside the program";
    main = StartPlaying(dir, Clip("red_pcm.avi"), &pi);
    ASSERT_TRUE(main);
    ASSERT_TRUE(VideoShows(pi.dwProcessId, Red, 160, 120, 10000)) << "the red clip is not on the screen";
  }
  void TearDown() override {
    if (!pi.hProcess) return;
    TerminateProcess(pi.hProcess, 97);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  // Closes the player as a user would and expects a clean end.
  void CloseCleanly() {
    CloseAndExpectCleanExit(main, pi);
    pi = PROCESS_INFORMATION{};
  }

  ScratchFolder dir;
  PROCESS_INFORMATION pi = {};
  HWND main = nullptr;
};

}  // namespace playing_support
