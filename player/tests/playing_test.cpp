// The real ZelvoPlayer.exe playing real clips with the real engine: the
// keys a user presses, the open dialog, the end of a file moving on to the
// next one, a playlist played through, zoom and full screen, the video
// window closed and reopened, a WinAmp skin put on while a file plays, and
// typing into a dialog. What the player does is read off the screen: the
// clip's colour and size in the video window and the time digits of the
// skin.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h.
#include <commctrl.h>

#include <string>
#include <vector>

#include "player/tests/playing_support.h"
#include "player/tests/process_support.h"
#include "player/tests/test_support.h"

using namespace test_support;
using namespace process_support;
using namespace playing_support;

TEST(PlayerPlaying, KeysPauseResumeAndSeekAndTheEndOfAFileMovesOnToTheNext) {
  if (!HasDefaultSkin()) GTEST_SKIP() << "no DefaultSkin.wsz beside the program";
  const std::string red = Clip("red_pcm.avi");    // 160 x 120, 10 s
  const std::string blue = Clip("blue_pcm.avi");  // 240 x 100, 2 s
  ScratchFolder dir;
  PROCESS_INFORMATION pi;
  HWND main = StartPlaying(dir, red, &pi);
  ASSERT_TRUE(main);
  EXPECT_TRUE(VideoShows(pi.dwProcessId, Red, 160, 120, 10000)) << "the red clip is not on the screen";
  EXPECT_TRUE(DigitsChange(main, 3000)) << "the time does not run";

  SetForegroundWindow(main);
  Sleep(300);
  PressKey(VK_SPACE);
  Sleep(400);
  EXPECT_TRUE(DigitsStay(main, 1500)) << "Space did not pause";
  // Paused, the right arrow still moves the time on, by "Rewind seconds".
  std::vector<COLORREF> paused_at = DigitsOnScreen(main);
  PressKey(VK_RIGHT);
  EXPECT_TRUE(DigitsChangeFrom(main, paused_at, 2000)) << "the right arrow did not seek";
  Sleep(300);
  EXPECT_TRUE(DigitsStay(main, 1000)) << "the seek ended the pause";
  paused_at = DigitsOnScreen(main);
  PressKey(VK_SPACE);
  EXPECT_TRUE(DigitsChangeFrom(main, paused_at, 3000)) << "Space did not resume";

  // L opens a file: the blue clip joins the playlist and plays at once.
  SetForegroundWindow(main);
  Sleep(200);
  PressKey('L');
  ASSERT_TRUE(AnswerFileDialog(pi.dwProcessId, "Open Media File...", blue)) << "no open dialog";
  EXPECT_TRUE(VideoShows(pi.dwProcessId, Blue, 240, 100, 10000)) << "the blue clip is not on the screen";
  // Its end moves on: past the last item, "Repeat" starts the list again.
  EXPECT_TRUE(VideoShows(pi.dwProcessId, Red, 160, 120, 10000)) << "the end of the blue clip did not move on";

  CloseAndExpectCleanExit(main, pi);
  auto lines = ReadLines(dir.File("Zelvo.ini"));
  EXPECT_EQ("4", ValueOf(lines, "Rewind seconds"));
}

#ifdef ZELVO_SHARED_SKINS
TEST(PlayerPlaying, AWinAmpSkinPutOnWhilePlayingLeavesTheFilePlaying) {
  if (!HasDefaultSkin()) GTEST_SKIP() << "no DefaultSkin.wsz beside the program";
  std::string skin = std::string("Z:") + ZELVO_SHARED_SKINS + "/base-2.91.wsz";
  for (char& c : skin) {
    if (c == '/') c = '\\';
  }
  if (GetFileAttributesA(skin.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no " << skin;
  const std::string red = Clip("red_pcm.avi");
  ScratchFolder dir;
  PROCESS_INFORMATION pi;
  HWND main = StartPlaying(dir, red, &pi);
  ASSERT_TRUE(main);
  ASSERT_TRUE(VideoShows(pi.dwProcessId, Red, 160, 120, 10000));
  HWND video = FindProcessWindow(pi.dwProcessId, "VWClassName");

  // The change-skin command, as its menu entry sends it.
  PostMessageA(main, WM_COMMAND, 178, 0);
  ASSERT_TRUE(AnswerFileDialog(pi.dwProcessId, "Open WinAmpSkin File...", skin)) << "no skin dialog";
  HWND winamp = nullptr;
  EXPECT_TRUE(WaitUntil(
      [&] {
        winamp = FindProcessWindow(pi.dwProcessId, "MainSkin");
        return winamp && winamp != main;
      },
      10000))
      << "the WinAmp skin's main window did not come up";
  // The same file plays on in the same video window, and the new skin's
  // digits show its time running.
  EXPECT_EQ(video, FindProcessWindow(pi.dwProcessId, "VWClassName"));
  EXPECT_TRUE(Red(CentreColour(video)));
  if (winamp && winamp != main) {
    EXPECT_TRUE(DigitsChange(winamp, 3000)) << "the time stopped with the new skin";
    CloseAndExpectCleanExit(winamp, pi);
  } else {
    TerminateProcess(pi.hProcess, 97);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
}
#endif

TEST(PlayerPlaying, AListOfTwoClipsPlaysThroughByItselfAndIsWrittenBackAtExit) {
  if (!HasDefaultSkin()) GTEST_SKIP() << "no DefaultSkin.wsz beside the program";
  const std::string blue = Clip("blue_pcm.avi");    // 240 x 100, 2 s
  const std::string green = Clip("green_pcm.avi");  // 200 x 150, 2 s
  const std::string list = blue + "\r\n" + green + "\r\n";
  for (const char* repeat : {"0", "1"}) {
    SCOPED_TRACE(std::string("Repeat=") + repeat);
    ScratchFolder dir;
    PROCESS_INFORMATION pi;
    HWND main = StartPlaying(dir, "", &pi, std::string("Repeat=") + repeat + "\r\n", list.c_str());
    ASSERT_TRUE(main);
    EXPECT_TRUE(VideoShows(pi.dwProcessId, Blue, 240, 100, 10000)) << "the first item did not play";
    EXPECT_TRUE(VideoShows(pi.dwProcessId, Green, 200, 150, 10000)) << "the second item did not follow";
    if (repeat[0] == '0') {
      // After the last item the player stops: its video window goes and
      // nothing comes back.
      EXPECT_TRUE(WaitUntil([&] { return NoVideoWindow(pi.dwProcessId); }, 10000)) << "the list did not stop";
      Sleep(2500);
      EXPECT_TRUE(NoVideoWindow(pi.dwProcessId)) << "something played after the last item";
    } else {
      EXPECT_TRUE(VideoShows(pi.dwProcessId, Blue, 240, 100, 10000)) << "Repeat did not go back to the first";
    }
    CloseAndExpectCleanExit(main, pi);
    EXPECT_EQ((std::vector<std::string>{blue, green}), ReadLines(PlaylistBeside(PlayerExe())));
  }
  DeleteFileA(PlaylistBeside(PlayerExe()).c_str());
}

TEST(PlayerPlaying, ZoomScalesTheVideoAndFullScreenCoversTheScreenWithoutTouchingOnTop) {
  if (!HasDefaultSkin()) GTEST_SKIP() << "no DefaultSkin.wsz beside the program";
  const std::string red = Clip("red_pcm.avi");  // 160 x 120
  const LONG screen_w = GetSystemMetrics(SM_CXSCREEN), screen_h = GetSystemMetrics(SM_CYSCREEN);
  {
    SCOPED_TRACE("on top, full screen left with Escape");
    ScratchFolder dir;
    PROCESS_INFORMATION pi;
    HWND main = StartPlaying(dir, red, &pi, "Play window on top=1\r\n");
    ASSERT_TRUE(main);
    ASSERT_TRUE(VideoShows(pi.dwProcessId, Red, 160, 120, 10000));
    EXPECT_TRUE(WaitUntil([&] { return Topmost(main); }, 3000)) << "the stored on-top was not applied";
    SetForegroundWindow(main);
    Sleep(300);
    PressKeyWith(VK_MENU, '3');
    EXPECT_TRUE(VideoShows(pi.dwProcessId, Red, 320, 240, 5000)) << "Alt+3 did not double the video";
    PressKeyWith(VK_MENU, '1');
    EXPECT_TRUE(VideoShows(pi.dwProcessId, Red, 80, 60, 5000)) << "Alt+1 did not halve the video";
    PressKeyWith(VK_MENU, '2');
    EXPECT_TRUE(VideoShows(pi.dwProcessId, Red, 160, 120, 5000)) << "Alt+2 did not give the video's own size";

    // Enter on the video window: full screen, the remote above it.
    HWND video = FindProcessWindow(pi.dwProcessId, "VWClassName");
    ASSERT_TRUE(video);
    SetForegroundWindow(video);
    Sleep(300);
    PressKey(VK_RETURN);
    EXPECT_TRUE(VideoShows(pi.dwProcessId, Red, screen_w, screen_h, 5000)) << "Enter did not cover the screen";
    EXPECT_TRUE(Topmost(video));
    EXPECT_TRUE(Topmost(main));
    SetForegroundWindow(video);
    Sleep(300);
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(VideoShows(pi.dwProcessId, Red, 160, 120, 5000)) << "Escape did not leave full screen";
    EXPECT_TRUE(Topmost(main)) << "leaving full screen dropped the stored on-top";
    CloseAndExpectCleanExit(main, pi);
    EXPECT_EQ("1", ValueOf(ReadLines(dir.File("Zelvo.ini")), "Play window on top"));
  }
  {
    SCOPED_TRACE("not on top, quitting in full screen");
    ScratchFolder dir;
    PROCESS_INFORMATION pi;
    HWND main = StartPlaying(dir, red, &pi,
                             "Play window on top=0\r\nHide remote in fullscreen=1\r\nHiding remote timeout=1\r\n");
    ASSERT_TRUE(main);
    ASSERT_TRUE(VideoShows(pi.dwProcessId, Red, 160, 120, 10000));
    EXPECT_FALSE(Topmost(main));
    // The full-screen command as the skin's button sends it.
    PostMessageA(main, WM_COMMAND, 134, 0);
    EXPECT_TRUE(VideoShows(pi.dwProcessId, Red, screen_w, screen_h, 5000));
    // The remote shows above the picture, and drops behind it after the
    // "Hiding remote timeout".
    EXPECT_TRUE(WaitUntil([&] { return !Topmost(main); }, 4000)) << "the remote did not hide";
    CloseAndExpectCleanExit(main, pi);
    EXPECT_EQ("0", ValueOf(ReadLines(dir.File("Zelvo.ini")), "Play window on top"));
  }
}

TEST(PlayerPlaying, ClosingTheVideoWindowTenTimesOverLeavesThePlayerWhole) {
  if (!HasDefaultSkin()) GTEST_SKIP() << "no DefaultSkin.wsz beside the program";
  const std::string red = Clip("red_pcm.avi");
  ScratchFolder dir;
  PROCESS_INFORMATION pi;
  // Wine's heap checking, for the player only: a window procedure running
  // on after its object was freed shows up as a fault or a heap warning.
  char saved[256] = "";
  const bool had = GetEnvironmentVariableA("WINEDEBUG", saved, sizeof saved) > 0;
  SetEnvironmentVariableA("WINEDEBUG", "-all,warn+heap");
  HWND main = StartPlaying(dir, red, &pi);
  SetEnvironmentVariableA("WINEDEBUG", had ? saved : nullptr);
  ASSERT_TRUE(main);
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    ASSERT_TRUE(VideoShows(pi.dwProcessId, Red, 160, 120, 10000)) << "no video";
    HWND video = FindProcessWindow(pi.dwProcessId, "VWClassName");
    PostMessageA(video, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(video); }, 5000)) << "the video window did not close";
    EXPECT_TRUE(IsWindow(main));
    PostMessageA(main, WM_COMMAND, 130, 0);  // play
  }
  ASSERT_TRUE(VideoShows(pi.dwProcessId, Red, 160, 120, 10000));
  CloseAndExpectCleanExit(main, pi);
}

namespace {

std::string EditText(HWND edit) {
  char text[256] = "";
  SendMessageA(edit, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

}  // namespace

class PlayerDialogs : public PlayingRed {};

TEST_F(PlayerDialogs, LettersTypedIntoADialogStayThereWhileTheSkinKeepsItsKeys) {
  PostMessageA(main, WM_COMMAND, 232, 0);  // the Subtitles dialog
  HWND dialog = ProcessDialog(pi.dwProcessId, "Subtitles");
  ASSERT_TRUE(dialog);
  HWND edit = GetDlgItem(dialog, 1054);
  ASSERT_TRUE(edit);
  RECT r;
  GetWindowRect(edit, &r);
  // Letters that are also the player's keys ("C" pauses, Space plays) go
  // into the edit, and the file plays on.
  ASSERT_TRUE(ClickUntil(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, [&] {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(pi.dwThreadId, &info) && info.hwndFocus == edit;
  })) << "the edit did not take the focus";
  for (char c : std::string("CATS DOGS")) {
    PressKey(c == ' ' ? VK_SPACE : static_cast<WORD>(c));
    Sleep(60);
  }
  EXPECT_TRUE(WaitUntil([&] { return EditText(edit) == "cats dogs"; }, 3000)) << '"' << EditText(edit) << '"';
  EXPECT_TRUE(DigitsChange(main, 3000)) << "a letter typed into the dialog reached the player";
  // Escape is the dialog's: it closes it.
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }, 3000)) << "Escape did not close the dialog";

  // Back on the skin, the keys are the player's again.
  SetForegroundWindow(main);
  Sleep(300);
  PressKey(VK_SPACE);
  Sleep(400);
  EXPECT_TRUE(DigitsStay(main, 1500)) << "Space on the skin did not pause";
  CloseCleanly();
}

namespace {

struct VisiblePage {
  HWND found = nullptr;
};

BOOL CALLBACK FindVisiblePage(HWND child, LPARAM param) {
  char cls[32] = "";
  GetClassNameA(child, cls, sizeof cls);
  if (std::string(cls) != "#32770" || !IsWindowVisible(child)) return TRUE;
  reinterpret_cast<VisiblePage*>(param)->found = child;
  return FALSE;
}

HWND ShownPage(HWND dialog) {
  VisiblePage page;
  EnumChildWindows(dialog, FindVisiblePage, reinterpret_cast<LPARAM>(&page));
  return page.found;
}

}  // namespace

TEST_F(PlayerDialogs, ThePreferencesTreeAndPagesTakeClicksAndTypingAndEscapeStoresNothing) {
  PostMessageA(main, WM_COMMAND, 152, 0);  // Options
  HWND dialog = ProcessDialog(pi.dwProcessId, "Zelvo Vantor Player Preferences");
  ASSERT_TRUE(dialog);
  HWND tree = GetDlgItem(dialog, 1007);
  ASSERT_TRUE(tree);
  // The second item of the tree is "Playback"; its page has the rewind edit.
  RECT t;
  GetWindowRect(tree, &t);
  const LONG item_height = static_cast<LONG>(SendMessageA(tree, TVM_GETITEMHEIGHT, 0, 0));
  ASSERT_GT(item_height, 0);
  HWND rewind = nullptr;
  ASSERT_TRUE(ClickUntil(POINT{t.left + 40, t.top + item_height * 3 / 2 + 1}, [&] {
    HWND page = ShownPage(dialog);
    rewind = page ? GetDlgItem(page, 1050) : nullptr;
    return rewind && IsWindowVisible(rewind);
  })) << "a click on \"Playback\" did not show its page";
  RECT r;
  GetWindowRect(rewind, &r);
  ASSERT_TRUE(ClickUntil(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, [&] {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(pi.dwThreadId, &info) && info.hwndFocus == rewind;
  })) << "the rewind edit did not take the focus";
  SendMessageA(rewind, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  for (WORD key : {WORD('9'), WORD('9')}) {
    PressKey(key);
    Sleep(60);
  }
  EXPECT_TRUE(WaitUntil([&] { return EditText(rewind) == "99"; }, 3000)) << '"' << EditText(rewind) << '"';
  // Escape cancels: the dialog goes and the typed value is not stored.
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }, 3000)) << "Escape did not close the dialog";
  CloseCleanly();
  EXPECT_EQ("4", ValueOf(ReadLines(dir.File("Zelvo.ini")), "Rewind seconds"));
}

TEST_F(PlayerDialogs, VideoFixingRepairsTheNamedFileFromThePlayersOwnMenuCommand) {
  PostMessageA(main, WM_COMMAND, 151, 0);  // Video fixing
  HWND dialog = ProcessDialog(pi.dwProcessId, "Video Fixing");
  ASSERT_TRUE(dialog) << "the Video Fixing dialog did not come up (is Skarn registered?)";
  const std::string input = Clip("red_pcm.avi"), output = dir.File("repaired.avi");
  SendMessageA(GetDlgItem(dialog, 1044), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(input.c_str()));
  SendMessageA(GetDlgItem(dialog, 1045), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(output.c_str()));
  HWND start = GetDlgItem(dialog, 1011);
  HWND status = GetDlgItem(dialog, 1038);
  ASSERT_TRUE(start && status);
  RECT r;
  GetWindowRect(start, &r);
  ASSERT_TRUE(ClickUntil(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, [&] {
    return !EditText(status).empty() || !IsWindowEnabled(start);
  })) << "Start did not start";
  EXPECT_TRUE(WaitUntil([&] { return EditText(status) == "Completed"; }, 20000)) << '"' << EditText(status) << '"';
  EXPECT_EQ(100, SendMessageA(GetDlgItem(dialog, 1058), PBM_GETPOS, 0, 0));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(output.c_str()));
  PostMessageA(dialog, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }, 3000));
  CloseCleanly();
}
