// Start-up and shut-down of the player inside this process, with a skin of
// the test's own: the real command window, message loop, accelerators,
// screen-saver switch and settings file.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "player/command_ids.h"
#include "player/engine_client.h"
#include "player/player_app.h"
#include "player/tests/fake_engine_client.h"
#include "player/tests/test_support.h"

using namespace test_support;

namespace {

// The fake engine of the running test's engine, if any.
FakeEngine* CurrentFake();

// A one-window skin. Its main window ends the run when the first command of
// the message loop (the playlist item posted by start-up) reaches it, after
// noting what the running player looked like.
class TestSkin : public SkinHost {
 public:
  struct Seen {
    bool loop_ran = false;
    BOOL screen_saver_active = -1;
    bool main_visible = false;
    bool timed_out = false;
    std::vector<int> playlist_shown;  // 1 shown, 0 hidden, in call order
    std::vector<int> bar_shown;
    std::vector<int> routed;          // commands passed down the element trees
    std::vector<std::string> events;  // skin and engine calls, in order
  };
  static Seen seen;
  static PlayerSettings* settings;
  static HWND command_window;
  static bool exit_on_first_command;
  static int main_x_on_destroy;  // 0: the position is left alone
  // Run once the start-up's own posted commands have been handled.
  static void (*when_running)(HWND command_window);

  int Load(const SkinLoadContext& context) override {
    settings = context.settings;
    command_window = context.command_window;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZelvoTestMainSkin";
    RegisterClassA(&wc);
    main_ = CreateWindowExA(0, wc.lpszClassName, "MainSkin", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, wc.hInstance,
                            nullptr);
    loaded_ = main_ != nullptr;
    // A player that never reacts still ends, and says so.
    SetTimer(main_, 1, 5000, nullptr);
    return loaded_ ? 0 : -1;
  }
  void Destroy() override {
    // A real skin keeps its main window's position when the window goes.
    if (main_x_on_destroy) settings->main_window_x = main_x_on_destroy;
    // The engine goes before the skin.
    if (FakeEngine* fake = CurrentFake()) {
      seen.events.push_back(fake->Called("PutCallback(null)") ? "engine unloaded" : "engine loaded");
    }
    seen.events.push_back("skin destroyed");
    destroyed_ = true;
    DestroyWindow(main_);
    main_ = nullptr;
  }
  HWND MainWindow() const override { return main_; }
  HWND PlaylistWindow() const override { return nullptr; }
  void RouteCommand(WPARAM id, LPARAM) override { seen.routed.push_back(static_cast<int>(id)); }
  void ShowPlaylist(bool show) override { seen.playlist_shown.push_back(show); }
  void ShowButtonsBar(bool show) override { seen.bar_shown.push_back(show); }
  HWND ButtonsBarWindow() const override { return nullptr; }
  void DeleteMainForm() override {}
  HWND BuildMainForm(const char*, int, int) override { return main_; }
  bool destroyed() const { return destroyed_; }
  bool HasText(TextLine) const override { return false; }
  void SetText(TextLine, const std::wstring&) override {}
  void ShowStatus(const std::wstring&, int* text_width, int* element_width) override {
    *text_width = 0;
    *element_width = 0;
  }
  void ScrollStatus(int) override {}
  void LayoutFileList() override {}
  void RedrawWindows() override {}
  HWND TooltipWindow() const override { return nullptr; }

 private:
  static LRESULT CALLBACK MainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_COMMAND && LOWORD(wp) == IDM_PLAYLIST_SETITEM) {
      seen.loop_ran = true;
      SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &seen.screen_saver_active, 0);
      seen.main_visible = IsWindowVisible(w) != FALSE;
      if (when_running) {
        PostMessageA(w, WM_APP, 0, 0);
      } else if (exit_on_first_command) {
        PostMessageA(command_window, WM_COMMAND, IDM_EXIT, 0);
      }
      return 0;
    }
    if (m == WM_APP) {
      when_running(command_window);
      PostMessageA(command_window, WM_COMMAND, IDM_EXIT, 0);
      return 0;
    }
    if (m == WM_TIMER) {
      KillTimer(w, 1);
      seen.timed_out = true;
      PostMessageA(command_window, WM_COMMAND, IDM_EXIT, 0);
      return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
  }
  HWND main_ = nullptr;
  bool loaded_ = false;
  bool destroyed_ = false;
};
TestSkin::Seen TestSkin::seen;
PlayerSettings* TestSkin::settings = nullptr;
HWND TestSkin::command_window = nullptr;
bool TestSkin::exit_on_first_command = true;
int TestSkin::main_x_on_destroy = 0;
void (*TestSkin::when_running)(HWND) = nullptr;

using TestEngine = FakeEngineClient;

FakeEngine* CurrentFake() { return TestEngine::current ? TestEngine::current->fake() : nullptr; }

bool Routed(int id) {
  const auto& r = TestSkin::seen.routed;
  return std::find(r.begin(), r.end(), id) != r.end();
}

BOOL ScreenSaverActive() {
  BOOL active = FALSE;
  SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
  return active;
}

void SetScreenSaverActive(BOOL on) { SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, on, nullptr, 0); }

// Runs one player in `dir` and gives back the settings file it wrote.
std::vector<std::string> RunPlayer(const ScratchFolder& dir, const char* command_line, int* exit_code = nullptr,
                                   TestEngine* engine = nullptr) {
  CurrentDirectory cd(dir.path());
  TestSkin::seen = TestSkin::Seen();
  TestSkin skin;
  PlayerApp app(GetModuleHandleA(nullptr), &skin, engine ? &engine->client : nullptr);
  app.UsePlaylistFile(dir.File("default.m3u"));
  int code = app.Run(command_line);
  if (exit_code) *exit_code = code;
  EXPECT_TRUE(skin.destroyed());
  EXPECT_FALSE(TestSkin::seen.timed_out);
  return ReadLines(dir.File("Zelvo.ini"));
}

}  // namespace

TEST(Startup, RunsTheLoopAndShutsDownWritingEverySetting) {
  ScratchFolder dir;
  int code = -1;
  auto lines = RunPlayer(dir, "", &code);
  EXPECT_EQ(0, code);
  EXPECT_TRUE(TestSkin::seen.loop_ran);
  EXPECT_TRUE(TestSkin::seen.main_visible);
  EXPECT_EQ(FreshSettingsFile(), lines);
}

TEST(Startup, SwitchesAreSavedAtExit) {
  ScratchFolder dir;
  auto lines = RunPlayer(dir, "-tray -autoplay C:\\clip one.avi");
  EXPECT_EQ("1", ValueOf(lines, "Auto run in tray"));
  EXPECT_EQ("1", ValueOf(lines, "Auto start playback"));
  EXPECT_EQ("C:\\clip one.avi", ValueOf(lines, "Last file name"));

  lines = RunPlayer(dir, "/foo /autoclose /fullscreen file.avi");
  EXPECT_EQ("0", ValueOf(lines, "Auto run in tray"));  // cleared at every start
  EXPECT_EQ("1", ValueOf(lines, "Auto switch to fullscreen"));
  EXPECT_EQ("file.avi", ValueOf(lines, "Last file name"));

  // (In a folder of its own: with "Auto start playback" saved above, the
  // list kept there would play instead.)
  ScratchFolder fresh;
  lines = RunPlayer(fresh, "other.avi -fullscreen");
  EXPECT_EQ("other.avi -fullscreen", ValueOf(lines, "Last file name"));
}

TEST(Startup, MutedAndTrayFromTheFileAreClearedAtStart) {
  ScratchFolder dir;
  WriteText(dir.File("Zelvo.ini"),
            "[Zelvo Player]\r\nMuted=1\r\nAuto run in tray=1\r\nAuto start playback=0\r\nLast file name=old.avi\r\n");
  auto lines = RunPlayer(dir, "");
  EXPECT_EQ("0", ValueOf(lines, "Muted"));
  EXPECT_EQ("0", ValueOf(lines, "Auto run in tray"));
  EXPECT_EQ("0", ValueOf(lines, "Auto start playback"));
  EXPECT_EQ("", ValueOf(lines, "Last file name"));  // replaced by the (empty) command-line file
}

TEST(Startup, ScreenSaverSwitchedOffWhileRunningAndRestoredAtExit) {
  ScratchFolder dir;
  SetScreenSaverActive(TRUE);
  RunPlayer(dir, "");
  EXPECT_FALSE(TestSkin::seen.screen_saver_active);
  EXPECT_TRUE(ScreenSaverActive());

  // A user who had it off keeps it off.
  SetScreenSaverActive(FALSE);
  RunPlayer(dir, "");
  EXPECT_FALSE(ScreenSaverActive());
  SetScreenSaverActive(TRUE);
}

TEST(Startup, ScreenSaverUntouchedWithBlockingOff) {
  ScratchFolder dir;
  WriteText(dir.File("Zelvo.ini"), "[Zelvo Player]\r\nBlock screen saver=0\r\n");
  SetScreenSaverActive(TRUE);
  RunPlayer(dir, "");
  EXPECT_TRUE(TestSkin::seen.screen_saver_active);
  EXPECT_TRUE(ScreenSaverActive());
}

TEST(Startup, PathsComeFromTheProgramAndTmp) {
  ScratchFolder dir;
  CurrentDirectory cd(dir.path());
  char old_tmp[MAX_PATH] = "";
  GetEnvironmentVariableA("TMP", old_tmp, MAX_PATH);
  SetEnvironmentVariableA("TMP", dir.path().c_str());
  TestSkin skin;
  // Without an engine start-up ends before it could save a playlist there.
  PlayerApp app(GetModuleHandleA(nullptr), &skin, nullptr);
  app.Run("");
  SetEnvironmentVariableA("TMP", old_tmp);

  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string folder(module);
  folder.erase(folder.find_last_of('\\') + 1);
  EXPECT_EQ(folder, app.application_directory());
  EXPECT_EQ(folder + "default.m3u", app.playlist_file());
  EXPECT_EQ(folder + "DefaultSkin.xml", app.default_skin_description());
  EXPECT_EQ(folder + "DefaultSkin.wsz", app.default_skin_archive());
  EXPECT_EQ(dir.path() + "\\KvPlayerSkin\\", app.skin_work_directory());
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(app.skin_work_directory().c_str()));
  RemoveDirectoryA(app.skin_work_directory().c_str());
}

TEST(Startup, AcceleratorsReachTheCommandWindow) {
  // Escape is IDM_EXIT: typed at the command window, it ends the player.
  class KeySkin : public TestSkin {
   public:
    int Load(const SkinLoadContext& context) override {
      int r = TestSkin::Load(context);
      PostMessageA(context.command_window, WM_KEYDOWN, VK_ESCAPE, 0);
      return r;
    }
  };
  ScratchFolder dir;
  CurrentDirectory cd(dir.path());
  TestSkin::seen = TestSkin::Seen();
  TestSkin::exit_on_first_command = false;
  KeySkin skin;
  PlayerApp app(GetModuleHandleA(nullptr), &skin, nullptr);
  app.UsePlaylistFile(dir.File("default.m3u"));
  EXPECT_EQ(0, app.Run(""));
  TestSkin::exit_on_first_command = true;
  EXPECT_TRUE(skin.destroyed());
  EXPECT_FALSE(TestSkin::seen.timed_out);
}

TEST(Startup, WindowCommandsChangeTheWindowsAndTheSettingsSavedAtExit) {
  ScratchFolder dir;
  TestSkin::when_running = [](HWND command_window) {
    auto send = [&](int id) { SendMessageA(command_window, WM_COMMAND, id, 0); };
    send(216);  // playlist visible by default: hides it
    send(219);  // repeat on by default: off
    send(220);  // shuffle off by default: on
    send(222);  // topmost off by default: on
    send(IDM_PLAYLIST_SHOW);
    send(216);
    send(186);
    send(191);
  };
  auto lines = RunPlayer(dir, "");
  TestSkin::when_running = nullptr;
  EXPECT_EQ((std::vector<int>{0, 1, 0}), TestSkin::seen.playlist_shown);
  EXPECT_EQ((std::vector<int>{1, 0}), TestSkin::seen.bar_shown);
  EXPECT_EQ("0", ValueOf(lines, "Is Playlist visible"));
  EXPECT_EQ("0", ValueOf(lines, "Repeat"));
  EXPECT_EQ("1", ValueOf(lines, "Shuffle"));
  EXPECT_EQ("1", ValueOf(lines, "Play window on top"));
}

TEST(Startup, ClosingTheCommandWindowShutsThePlayerDown) {
  ScratchFolder dir;
  TestSkin::when_running = [](HWND command_window) {
    SendMessageA(command_window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(command_window));  // still there to carry the shut-down out
  };
  int code = -1;
  auto lines = RunPlayer(dir, "", &code);
  TestSkin::when_running = nullptr;
  EXPECT_EQ(0, code);
  EXPECT_EQ(FreshSettingsFile(), lines);
}

TEST(Startup, ShutDownClosesAndUnloadsTheEngineBeforeTheSkinAndSavesAfterIt) {
  ScratchFolder dir;
  TestEngine engine;
  int code = -1;
  TestSkin::main_x_on_destroy = 42;
  auto lines = RunPlayer(dir, "-autoplay clip.avi", &code, &engine);
  TestSkin::main_x_on_destroy = 0;
  EXPECT_EQ(0, code);
  EXPECT_EQ((std::vector<std::string>{"engine unloaded", "skin destroyed"}), TestSkin::seen.events);
  EXPECT_EQ(
      (std::vector<std::string>{"PutCallback", "Reset", "FileName=clip.avi", "Play", "Reset", "PutCallback(null)"}),
      engine.Calls());
  EXPECT_FALSE(Routed(181));  // the file played: no fall-back to the playlist
  // What the skin keeps as its windows go reaches the file.
  EXPECT_EQ("42", ValueOf(lines, "Main window origin X"));
}

TEST(Startup, AFileThatDoesNotOpenFallsBackToThePlaylistOnlyWithAutoStart) {
  ScratchFolder dir;
  TestEngine engine;
  engine.plays = false;
  RunPlayer(dir, "missing.avi", nullptr, &engine);
  EXPECT_TRUE(Routed(181));

  WriteText(dir.File("Zelvo.ini"), "[Zelvo Player]\r\nAuto start playback=0\r\n");
  RunPlayer(dir, "missing.avi", nullptr, &engine);
  EXPECT_FALSE(Routed(181));
}

TEST(Startup, WithoutItsEngineThePlayerEndsQuietlyAndGivesTheScreenSaverBack) {
  ScratchFolder dir;
  TestEngine engine;
  engine.loads = false;
  SetScreenSaverActive(TRUE);
  int code = -1;
  auto lines = RunPlayer(dir, "clip.avi", &code, &engine);
  EXPECT_EQ(0, code);
  EXPECT_FALSE(TestSkin::seen.loop_ran);
  EXPECT_EQ((std::vector<std::string>{"skin destroyed"}), TestSkin::seen.events);
  EXPECT_EQ(nullptr, engine.fake());
  EXPECT_TRUE(ScreenSaverActive());
  EXPECT_TRUE(lines.empty());  // nothing saved
}
