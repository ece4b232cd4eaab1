// The real ZelvoPlayer.exe in the tray, its control icons clicked for real
// in Wine's own tray window, its two pop-up menus, and its file types under
// the real classes root, opened through the shell.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h.
#include <shellapi.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "player/tests/playing_support.h"
#include "player/tests/process_support.h"
#include "player/tests/test_support.h"
#include "player/tests/tray_support.h"

using namespace test_support;
using namespace process_support;
using namespace playing_support;
using namespace tray_support;

namespace {

void Command(HWND main, int id, LPARAM lparam = 0) { PostMessageA(main, WM_COMMAND, static_cast<WPARAM>(id), lparam); }

// A point of the main window that is the window itself, not one of its
// skin elements.
bool BarePoint(HWND main, POINT* at) {
  RECT r;
  GetClientRect(main, &r);
  for (LONG y = 2; y < r.bottom; y += 3) {
    for (LONG x = 2; x < r.right; x += 3) {
      POINT screen = {x, y};
      ClientToScreen(main, &screen);
      if (ChildWindowFromPointEx(main, POINT{x, y}, CWP_SKIPINVISIBLE) == main && WindowFromPoint(screen) == main) {
        *at = screen;
        return true;
      }
    }
  }
  return false;
}

HWND MenuShown(DWORD within_ms) {
  HWND menu = nullptr;
  WaitUntil(
      [&] {
        menu = FindWindowA("#32768", nullptr);
        return menu && IsWindowVisible(menu);
      },
      within_ms);
  return menu && IsWindowVisible(menu) ? menu : nullptr;
}

// Right-clicks at `at` until a menu opens (the first click after another
// window had the mouse may only activate); the menu, or null.
HWND OpenMenuAt(POINT at) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    ClickAt(at, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    if (HWND menu = MenuShown(2000)) return menu;
  }
  return nullptr;
}

// Picks the menu's item `downs` places down with the keyboard.
void ChooseItem(int downs) {
  for (int i = 0; i < downs; ++i) {
    PressKey(VK_DOWN);
    Sleep(60);
  }
  PressKey(VK_RETURN);
}

class PlayerTray : public PlayingRed {};

}  // namespace

TEST_F(PlayerTray, TheTrayIconBringsThePlayerBackWithItsPlaylistAsItWas) {
  HWND commands = CommandWindowOf(pi.dwProcessId);
  ASSERT_TRUE(commands);
  for (bool playlist_shown : {false, true}) {
    SCOPED_TRACE(playlist_shown ? "playlist shown" : "playlist hidden");
    Command(main, playlist_shown ? 170 : 169);
    ASSERT_TRUE(
        WaitUntil([&] { return (FindProcessWindow(pi.dwProcessId, "PlayList") != nullptr) == playlist_shown; }, 3000));
    Command(main, 188);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main) && IconShown(commands, 108); }, 5000))
        << "the player did not go to the tray";
    EXPECT_FALSE(FindProcessWindow(pi.dwProcessId, "PlayList"));
    // A right click on the icon does nothing; a left click brings it back.
    std::vector<HWND> icons = TrayIcons();
    ASSERT_EQ(1u, icons.size());
    ClickAt(CentreOf(icons[0]), MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    Sleep(800);
    EXPECT_FALSE(IsWindowVisible(main));
    ASSERT_TRUE(ClickUntil(CentreOf(icons[0]), [&] { return IsWindowVisible(main) != FALSE; }))
        << "a click on the tray icon did not bring the player back";
    EXPECT_TRUE(WaitUntil([&] { return !IconShown(commands, 108); }, 3000));
    EXPECT_EQ(playlist_shown, FindProcessWindow(pi.dwProcessId, "PlayList") != nullptr);
  }
  CloseCleanly();
  EXPECT_FALSE(IconShown(commands, 108));
}

TEST(PlayerTrayStart, StartedWithTrayItWaitsThereAndComesBackWhenTheShellRestarts) {
  if (!HasDefaultSkin()) GTEST_SKIP() << "no DefaultSkin.wsz beside the program";
  ScratchFolder dir;
  WriteText(dir.File("Zelvo.ini"), kSettings);
  PROCESS_INFORMATION pi;
  ASSERT_TRUE(StartPlayer(PlayerExe(), dir.path(), "-tray \"" + Clip("red_pcm.avi") + "\"", &pi));
  HWND commands = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        commands = CommandWindowOf(pi.dwProcessId);
        return commands && IconShown(commands, 108);
      },
      30000))
      << "the player did not go to the tray";
  EXPECT_FALSE(FindProcessWindow(pi.dwProcessId, "MainSkin"));
  // The shell loses its icons and says it started again: the player puts
  // its icon back.
  NOTIFYICONDATAA gone = {};
  gone.cbSize = NOTIFYICONDATAA_V2_SIZE;
  gone.hWnd = commands;
  gone.uID = 108;
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &gone));
  PostMessageA(commands, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return IconShown(commands, 108); }, 3000)) << "the icon did not come back";
  Command(commands, 187);
  HWND main = WaitForProcessWindow(pi.dwProcessId, "MainSkin", 5000);
  ASSERT_TRUE(main) << "restoring from the tray did not show the player";
  EXPECT_TRUE(WaitUntil([&] { return !IconShown(commands, 108); }, 3000));
  CloseAndExpectCleanExit(main, pi);
}

TEST_F(PlayerTray, ControlIconsComeAndGoWithTheTrayMenuAndAClickOnStopStops) {
  HWND commands = CommandWindowOf(pi.dwProcessId);
  const UINT all[] = {2137, 2138, 2139, 2140, 2141, 2142};
  auto shown = [&] {
    int count = 0;
    for (UINT id : all) count += IconShown(commands, id);
    return count;
  };
  EXPECT_EQ(0, shown()) << "no control icon before the user asks for one";
  Command(main, 138);  // Show all
  EXPECT_TRUE(WaitUntil([&] { return shown() == 6; }, 3000));
  Command(main, 139);  // Hide all
  EXPECT_TRUE(WaitUntil([&] { return shown() == 0; }, 3000));
  Command(main, 138);
  Command(main, 142);  // Pause off
  EXPECT_TRUE(WaitUntil([&] { return shown() == 5 && !IconShown(commands, 2142); }, 3000));
  // Only Stop and Play: added as Play, then Stop.
  for (int id : {140, 144, 145}) Command(main, id);
  Command(main, 139);
  Command(main, 139);
  ASSERT_TRUE(WaitUntil([&] { return shown() == 2 && IconShown(commands, 2138) && IconShown(commands, 2139); }, 3000));
  std::vector<HWND> icons = TrayIcons();
  ASSERT_EQ(2u, icons.size());
  EXPECT_TRUE(DigitsChange(main, 3000));
  ClickAt(CentreOf(icons[1]));
  Sleep(800);
  EXPECT_TRUE(DigitsStay(main, 1500)) << "a click on the Stop icon did not stop";
  CloseCleanly();
  EXPECT_EQ(0, shown()) << "icons left in the tray after the player ended";
}

TEST_F(PlayerTray, TheMainAndVideoMenusCarryOutTheirItemsAndCloseOnAClickOutside) {
  POINT bare;
  ASSERT_TRUE(BarePoint(main, &bare));

  // A click elsewhere closes the menu, and nothing is chosen.
  ASSERT_TRUE(OpenMenuAt(bare)) << "no menu on a right click in the main window";
  ClickAt(POINT{GetSystemMetrics(SM_CXSCREEN) - 20, GetSystemMetrics(SM_CYSCREEN) - 20});
  EXPECT_TRUE(WaitUntil(
      [] { return !FindWindowA("#32768", nullptr) || !IsWindowVisible(FindWindowA("#32768", nullptr)); }, 3000))
      << "the menu stayed open after a click outside it";

  // The seventh item is "Subtitles...".
  ASSERT_TRUE(OpenMenuAt(bare));
  ChooseItem(7);
  EXPECT_TRUE(ProcessDialog(pi.dwProcessId, "Subtitles")) << "the main menu's item did not open its dialog";
  if (HWND dialog = ProcessDialog(pi.dwProcessId, "Subtitles")) PostMessageA(dialog, WM_CLOSE, 0, 0);

  // The video window's seventh is "Zoom 200%".
  HWND video = FindProcessWindow(pi.dwProcessId, "VWClassName");
  ASSERT_TRUE(video);
  ASSERT_TRUE(OpenMenuAt(CentreOf(video))) << "no menu on a right click in the video window";
  ChooseItem(7);
  EXPECT_TRUE(VideoShows(pi.dwProcessId, Red, 320, 240, 5000)) << "the video menu's zoom did not act";
  CloseCleanly();
}

namespace {

// The classes-root keys a test touches, put back as they were at its end.
class ClassesRootBackup {
 public:
  explicit ClassesRootBackup(std::vector<std::string> keys) : keys_(std::move(keys)) {
    RegCreateKeyA(HKEY_CURRENT_USER, kBackup, &backup_);
    for (const std::string& key : keys_) {
      HKEY source = nullptr;
      bool there = RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &source) == ERROR_SUCCESS;
      existed_.push_back(there);
      if (!there) continue;
      HKEY copy = nullptr;
      RegCreateKeyA(backup_, key.c_str(), &copy);
      RegCopyTreeA(source, nullptr, copy);
      RegCloseKey(copy);
      RegCloseKey(source);
    }
  }
  ~ClassesRootBackup() {
    for (size_t i = 0; i < keys_.size(); ++i) {
      RegDeleteTreeA(HKEY_CLASSES_ROOT, keys_[i].c_str());
      RegDeleteKeyA(HKEY_CLASSES_ROOT, keys_[i].c_str());
      if (!existed_[i]) continue;
      HKEY copy = nullptr, target = nullptr;
      RegOpenKeyExA(backup_, keys_[i].c_str(), 0, KEY_READ, &copy);
      RegCreateKeyA(HKEY_CLASSES_ROOT, keys_[i].c_str(), &target);
      RegCopyTreeA(copy, nullptr, target);
      RegCloseKey(target);
      RegCloseKey(copy);
    }
    RegCloseKey(backup_);
    RegDeleteTreeA(HKEY_CURRENT_USER, kBackup);
    RegDeleteKeyA(HKEY_CURRENT_USER, kBackup);
  }
  ClassesRootBackup(const ClassesRootBackup&) = delete;
  ClassesRootBackup& operator=(const ClassesRootBackup&) = delete;

 private:
  static constexpr const char* kBackup = "Software\\Zelvo tests\\classes backup";
  std::vector<std::string> keys_;
  std::vector<bool> existed_;
  HKEY backup_ = nullptr;
};

void SetDefault(const char* key, const char* value) {
  HKEY created = nullptr;
  RegCreateKeyA(HKEY_CLASSES_ROOT, key, &created);
  RegSetValueExA(created, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), lstrlenA(value) + 1);
  RegCloseKey(created);
}

std::string DefaultOf(const char* key) {
  char value[512] = "";
  LONG size = sizeof value;
  if (RegQueryValueA(HKEY_CLASSES_ROOT, key, value, &size) != ERROR_SUCCESS) return "(none)";
  return value;
}

std::string AssociatedCommand(const char* extension) {
  char command[1024] = "";
  DWORD size = sizeof command;
  if (FAILED(AssocQueryStringA(ASSOCF_NONE, ASSOCSTR_COMMAND, extension, "open", command, &size))) return "(none)";
  return command;
}

// Answers the player's question with `answer` each time it comes within
// `ms`; how many times it came.
int AnswerQuestions(DWORD process, int answer, DWORD ms) {
  int asked = 0;
  const DWORD end = GetTickCount() + ms;
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    HWND box = FindWindowA("#32770", "Reclaim File Types?");
    DWORD owner = 0;
    if (box) GetWindowThreadProcessId(box, &owner);
    if (box && owner == process && IsWindowVisible(box)) {
      ++asked;
      PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(answer), 0);
      WaitUntil([&] { return !IsWindow(box); }, 3000);
    }
    Sleep(50);
  }
  return asked;
}

}  // namespace

TEST(PlayerFileTypes, TheShellOpensVideoFilesWithThePlayerAfterItRegistered) {
  if (!HasDefaultSkin()) GTEST_SKIP() << "no DefaultSkin.wsz beside the program";
  ClassesRootBackup backup({".avi", ".mpe", ".mpeg", ".mpg", ".dat", ".asf", ".wmv", "ZelvoFile"});
  SetDefault(".avi", "OtherPlayer.avi");
  SetDefault(".mpg", "OtherPlayer.mpg");
  SetDefault(".wmv", "OtherPlayer.wmv");
  const std::string program = PlayerExe();
  const std::string command = "\"" + program + "\" \"%1\"";
  ScratchFolder dir;
  PROCESS_INFORMATION pi;
  HWND main = StartPlaying(dir, "", &pi);
  ASSERT_TRUE(main);

  // Asked: one question for every foreign type; No leaves them all alone.
  Command(main, 211, 1);
  EXPECT_EQ(1, AnswerQuestions(pi.dwProcessId, IDNO, 2500));
  EXPECT_EQ("OtherPlayer.avi", DefaultOf(".avi"));
  EXPECT_EQ("OtherPlayer.mpg", DefaultOf(".mpg"));
  // Yes once takes over ".avi" and ".mpg" both.
  Command(main, 211, 1);
  EXPECT_EQ(1, AnswerQuestions(pi.dwProcessId, IDYES, 2500));
  EXPECT_EQ("ZelvoFile", DefaultOf(".avi"));
  EXPECT_EQ("ZelvoFile", DefaultOf(".mpg"));
  EXPECT_EQ("ZelvoFile", DefaultOf(".dat"));
  // Windows Media files stay with their owner.
  EXPECT_EQ("OtherPlayer.wmv", DefaultOf(".wmv"));
  EXPECT_EQ("(none)", DefaultOf(".asf"));
  EXPECT_EQ(command, AssociatedCommand(".avi"));
  EXPECT_EQ(command, AssociatedCommand(".mpeg"));
  // The icon the shell shows for the files is one the program has.
  const std::string icon = DefaultOf("ZelvoFile\\DefaultIcon");
  const size_t comma = icon.rfind(',');
  ASSERT_NE(std::string::npos, comma) << icon;
  HICON shown = ExtractIconA(GetModuleHandleA(nullptr), icon.substr(0, comma).c_str(), atoi(icon.c_str() + comma + 1));
  EXPECT_GT(reinterpret_cast<UINT_PTR>(shown), 1u) << icon;
  if (reinterpret_cast<UINT_PTR>(shown) > 1) DestroyIcon(shown);
  // Silently (Ctrl+R), a foreign type is taken back without a question.
  SetDefault(".mpe", "OtherPlayer.mpe");
  PressKeyWith(VK_CONTROL, 'R');
  SetForegroundWindow(main);
  Sleep(300);
  PressKeyWith(VK_CONTROL, 'R');
  EXPECT_EQ(0, AnswerQuestions(pi.dwProcessId, IDNO, 1500));
  EXPECT_TRUE(WaitUntil([] { return DefaultOf(".mpe") == "ZelvoFile"; }, 3000));
  CloseAndExpectCleanExit(main, pi);

  // The shell now starts the player on a clip; set to register at start-up,
  // it takes ".dat" back silently.
  const std::string red = Clip("red_pcm.avi");
  SetDefault(".dat", "OtherPlayer.dat");
  WriteText(dir.File("Zelvo.ini"), std::string(kSettings) + "Auto register file extensions=1\r\n");
  SHELLEXECUTEINFOA run = {};
  run.cbSize = sizeof run;
  run.fMask = SEE_MASK_NOCLOSEPROCESS;
  run.lpVerb = "open";
  run.lpFile = red.c_str();
  run.lpDirectory = dir.path().c_str();
  run.nShow = SW_SHOWNORMAL;
  ASSERT_TRUE(ShellExecuteExA(&run)) << GetLastError();
  ASSERT_TRUE(run.hProcess);
  PROCESS_INFORMATION started = {};
  started.hProcess = run.hProcess;
  started.dwProcessId = GetProcessId(run.hProcess);
  started.hThread = OpenThread(SYNCHRONIZE, FALSE, 0);
  HWND opened = WaitForProcessWindow(started.dwProcessId, "MainSkin", 30000);
  ASSERT_TRUE(opened) << "the shell did not start the player";
  EXPECT_TRUE(VideoShows(started.dwProcessId, Red, 160, 120, 10000)) << "the player did not play the clip";
  EXPECT_EQ("ZelvoFile", DefaultOf(".dat")) << "registering at start-up did not take the type back";
  EXPECT_EQ(0, AnswerQuestions(started.dwProcessId, IDNO, 500));
  CloseAndExpectCleanExit(opened, started);
}
