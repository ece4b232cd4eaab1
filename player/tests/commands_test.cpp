// The player's commands in this process: the real start-up, command window,
// message loop and default skin, with the real engine client over a
// recording fake engine. Each test runs one player; its scenario runs from
// a thread timer inside the player's own message loop.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "player/command_ids.h"
#include "player/player_app.h"
#include "player/player_skin.h"
#include "player/skin/skin_loader.h"
#include "player/tests/fake_engine_client.h"
#include "player/tests/test_support.h"

using namespace test_support;

namespace {

PlayerApp* g_app = nullptr;
std::function<void(PlayerApp&)> g_scenario;
bool g_ran = false;

void Send(int id, LPARAM lparam = 0) { SendMessageA(g_app->command_window(), WM_COMMAND, id, lparam); }

// Lets the player's own posted commands run.
void Pump(DWORD ms = 100) {
  DWORD end = GetTickCount() + ms;
  MSG msg;
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(5);
  }
}

void CALLBACK RunScenario(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  if (!g_ran) {
    g_ran = true;
    g_scenario(*g_app);
  }
  PostMessageA(g_app->command_window(), WM_COMMAND, IDM_EXIT, 0);
}

FakeStream Stream(const wchar_t* type) {
  FakeStream stream;
  stream.type = type;
  return stream;
}

// Runs the player on `command_line` in a scratch folder (the settings file
// lands there) with the fake engine, and `scenario` once it runs.
// `after`, if given, sees the player once it has shut down.
void RunPlayer(FakeEngineClient& engine, const char* command_line, std::function<void(PlayerApp&)> scenario,
               std::function<void(PlayerApp&)> after = nullptr) {
  ScratchFolder dir;
  CurrentDirectory cd(dir.path());
  PlayerSkin skin;
  PlayerApp app(GetModuleHandleA(nullptr), &skin, &engine.client);
  app.UsePlaylistFile(dir.File("default.m3u"));
  g_app = &app;
  g_scenario = std::move(scenario);
  g_ran = false;
  SetTimer(nullptr, 0, 300, RunScenario);
  app.Run(command_line);
  EXPECT_TRUE(g_ran);
  if (after) after(app);
  g_app = nullptr;
}

std::vector<std::string> Puts(FakeEngine* fake, const std::string& prefix) { return fake->CallsWithPrefix(prefix); }

std::wstring DurationText() {
  skin::SkinText* text = skin::CurrentSkin().durationText;
  return text ? text->Text() : L"(none)";
}

}  // namespace

TEST(Commands, PauseTwicePlaysAndTheBarSeeksInMillionthsOfTheDuration) {
  FakeEngineClient engine;
  engine.streams = {Stream(L"Video"), Stream(L"Audio")};
  RunPlayer(engine, "clip.avi", [&](PlayerApp& app) {
    FakeEngine* fake = engine.fake();
    ASSERT_TRUE(fake->Called("FileName=clip.avi"));
    EXPECT_FALSE(app.paused());
    fake->ClearCalls();
    Send(IDM_FILE_PAUSE);
    EXPECT_TRUE(fake->Called("Pause"));
    EXPECT_TRUE(app.paused());
    Send(IDM_FILE_PAUSE);
    EXPECT_TRUE(fake->Called("Play"));
    EXPECT_FALSE(app.paused());

    Send(IDM_SET_POSITION, 500000);
    EXPECT_TRUE(fake->Called("CurrentPosition=500000000"));
    EXPECT_EQ(L"0:00:50 / 0:01:40", DurationText());

    // Forward past the end lands at the end; backward before 0 at 0.
    Send(kCommandSeekForwardBy, 0x7FFFFFFF);
    EXPECT_TRUE(fake->Called("CurrentPosition=1000000000"));
    Send(kCommandSeekToMilliseconds, 3000);
    Send(kCommandSeekBackwardRewind);
    EXPECT_TRUE(fake->Called("CurrentPosition=0"));
  });
}

TEST(Commands, MuteSilencesEveryAudioStreamAndTheNextFileStartsSilent) {
  FakeEngineClient engine;
  engine.streams = {Stream(L"Video"), Stream(L"Audio"), Stream(L"Audio")};
  RunPlayer(engine, "first.avi", [&](PlayerApp& app) {
    FakeEngine* fake = engine.fake();
    Pump();
    Send(IDM_SET_VOLUME, 500000);
    int32_t audible = app.settings().volume;
    EXPECT_GT(audible, -10000);
    fake->ClearCalls();
    Send(IDM_VOLUME_MUTE_ON);
    EXPECT_TRUE(fake->Called("Volume(1)=-10000"));
    EXPECT_TRUE(fake->Called("Volume(2)=-10000"));
    // Volume up while muted stores the louder volume, the streams stay silent.
    Send(IDM_VOLUME_DOWN);
    Send(IDM_VOLUME_UP);
    EXPECT_EQ(audible, app.settings().volume);

    // The next file, from the end of this one.
    app.playlist().Append(L"second.avi");
    fake->ClearCalls();
    Send(kCommandFileComplete);
    Pump(300);
    ASSERT_TRUE(fake->Called("FileName=second.avi"));
    for (const std::string& put : Puts(fake, "Volume(")) {
      if (put.back() != '?') {
        EXPECT_NE(std::string::npos, put.find("=-10000")) << put;
      }
    }
    // Only the first sound stream plays; the balance goes to it.
    EXPECT_TRUE(fake->Called("EnableStream(1)=1"));
    EXPECT_TRUE(fake->Called("EnableStream(2)=0"));
    Send(IDM_VOLUME_MUTE_OFF);
    std::vector<std::string> after = Puts(fake, "Volume(1)=");
    ASSERT_FALSE(after.empty());
    EXPECT_NE("Volume(1)=-10000", after.back());
  });
}

TEST(Commands, PictureLevelsStayWhenTheEngineDoesNotTakeThem) {
  FakeEngineClient engine;
  engine.streams = {Stream(L"Video"), Stream(L"Audio")};
  RunPlayer(engine, "clip.avi", [&](PlayerApp& app) {
    FakeEngine* fake = engine.fake();
    app.settings().brightness = 7;
    {
      auto lock = fake->Lock();
      fake->results["Brightness put"] = S_FALSE;
      fake->results["Brightness get"] = S_FALSE;
    }
    Send(IDM_BRIGHTNESS_UP);
    EXPECT_EQ(7, app.settings().brightness);
    EXPECT_TRUE(fake->Called("Brightness(0)=8"));  // stepped from the setting
    {
      auto lock = fake->Lock();
      fake->results.erase("Brightness put");
      fake->results.erase("Brightness get");
      fake->streams[0].brightness = 100;
    }
    Send(IDM_BRIGHTNESS_UP);
    EXPECT_EQ(100, app.settings().brightness);  // at the top it stays there
    Send(IDM_CONTRAST_DOWN);
    EXPECT_EQ(-1, app.settings().contrast);
  });
}

TEST(Commands, TheEndOfAFileSignalledFromAnotherThreadWhileCompactPlaysTheNextItem) {
  FakeEngineClient engine;
  engine.streams = {Stream(L"Video"), Stream(L"Audio")};
  RunPlayer(engine, "one.avi", [&](PlayerApp& app) {
    FakeEngine* fake = engine.fake();
    Pump();
    // The compact form replaces the main window while the file plays.
    HWND normal = app.settings().main_skin_window;
    Send(IDM_MINIMIZEMAINWINDOW);
    Pump();
    ASSERT_NE(nullptr, app.settings().main_skin_window);
    EXPECT_NE(normal, app.settings().main_skin_window);
    app.playlist().Append(L"two.avi");
    EXPECT_EQ(0, app.playlist().Index());
    std::thread engine_thread([fake] { fake->FireComplete(); });
    engine_thread.join();
    Pump(300);
    EXPECT_TRUE(fake->Called("FileName=two.avi"));
    EXPECT_EQ(1, app.playlist().Index());
    // Previous goes back; at the first item it stays.
    Send(IDM_PLAYPREVIOUS);
    Pump(200);
    EXPECT_EQ(0, app.playlist().Index());
    Send(IDM_PLAYPREVIOUS);
    EXPECT_EQ(0, app.playlist().Index());
  });
}

TEST(Commands, PlayWithNothingLoadedAndAnEmptyPlaylistAsksForAFile) {
  FakeEngineClient engine;
  RunPlayer(engine, "", [&](PlayerApp& app) {
    EXPECT_TRUE(app.playlist().Empty());
    bool dialog_seen = false;
    std::thread closer([&] {
      for (int i = 0; i < 100; ++i) {
        if (HWND dialog = FindWindowA(nullptr, "Open Media File...")) {
          dialog_seen = true;
          PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
          return;
        }
        Sleep(50);
      }
    });
    Send(IDM_FILE_PLAY);
    closer.join();
    EXPECT_TRUE(dialog_seen);
    EXPECT_FALSE(engine.fake()->Count("FileName="));
  });
}

namespace {

RECT WindowRect(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return rect;
}

void MoveTo(HWND window, LONG x, LONG y) {
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// What a drag proposes to the window, after docking had its say.
RECT ProposeMove(HWND window, LONG x, LONG y) {
  RECT rect = WindowRect(window);
  OffsetRect(&rect, x - rect.left, y - rect.top);
  SendMessageA(window, WM_MOVING, WMSZ_TOP, reinterpret_cast<LPARAM>(&rect));
  return rect;
}

}  // namespace

TEST(Commands, ThePlaylistDocksToTheMainWindowAndTravelsWithIt) {
  FakeEngineClient engine;
  POINT main_at = {};
  RunPlayer(
      engine, "",
      [&](PlayerApp& app) {
        Pump();
        Send(IDM_PLAYLIST_SHOW);
        HWND main = app.settings().main_skin_window;
        HWND playlist = skin::CurrentSkin().playlistForm->GetWindow();
        ASSERT_TRUE(main && playlist);
        const int interval = app.settings().docking_interval;
        ASSERT_GT(interval, 3);

        // Dragged far away, the playlist is free: the main window moves alone.
        RECT free = ProposeMove(playlist, 600, 500);
        EXPECT_EQ(600, free.left);
        MoveTo(playlist, free.left, free.top);
        MoveTo(main, 100, 100);
        EXPECT_EQ(600, WindowRect(playlist).left);

        // A few pixels off the main window's right edge, it snaps to it.
        RECT m = WindowRect(main);
        RECT snapped = ProposeMove(playlist, m.right + interval - 2, m.top + 1);
        EXPECT_EQ(m.right, snapped.left);
        MoveTo(playlist, snapped.left, snapped.top);
        const RECT before = WindowRect(playlist);

        // Docked, the playlist follows every move of the main window.
        MoveTo(main, 140, 120);
        RECT after = WindowRect(playlist);
        EXPECT_EQ(before.left + 40, after.left);
        EXPECT_EQ(before.top + 20, after.top);

        // Pulled gently it stays; pulled further than the interval it breaks free.
        RECT pulled = ProposeMove(playlist, after.left + 1, after.top);
        EXPECT_EQ(after.left, pulled.left);
        RECT torn = ProposeMove(playlist, after.left + interval + 20, after.top);
        EXPECT_GT(torn.left, after.left + interval);

        // The wheel over the main window turns the volume a tenth per notch.
        Send(IDM_SET_VOLUME, 500000);
        SendMessageA(main, WM_MOUSEWHEEL, MAKEWPARAM(0, 2 * WHEEL_DELTA), 0);
        EXPECT_EQ(700000, app.volume_slider());
        SendMessageA(main, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
        EXPECT_EQ(600000, app.volume_slider());

        // The playlist's close box hides it and remembers that.
        SendMessageA(playlist, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindowVisible(playlist));
        EXPECT_EQ(0, app.settings().playlist_visible);

        // Back and forth between the two shapes, at the same place.
        MoveTo(main, 210, 90);
        main_at = {210, 90};
        Send(IDM_MINIMIZEMAINWINDOW);
        Pump();
        HWND compact = app.settings().main_skin_window;
        ASSERT_NE(nullptr, compact);
        EXPECT_NE(main, compact);
        EXPECT_TRUE(IsWindowVisible(compact));
        RECT c = WindowRect(compact);
        EXPECT_EQ(210, c.left);
        EXPECT_EQ(90, c.top);
        EXPECT_LT(c.bottom - c.top, m.bottom - m.top);
        Send(IDM_NORMALIZEMAINWINDOW);
        Pump();
        HWND normal = app.settings().main_skin_window;
        ASSERT_NE(nullptr, normal);
        EXPECT_EQ(m.bottom - m.top, WindowRect(normal).bottom - WindowRect(normal).top);
        EXPECT_EQ(210, WindowRect(normal).left);
      },
      [&](PlayerApp& app) {
        // Shut down, the windows' places are in the settings.
        EXPECT_EQ(main_at.x, app.settings().main_window_x);
        EXPECT_EQ(main_at.y, app.settings().main_window_y);
        EXPECT_EQ(0, app.settings().playlist_visible);
      });
}

namespace {

// What the shell hands a window when files are dropped onto it.
HDROP DropOf(const std::vector<std::wstring>& names) {
  size_t chars = 1;
  for (const std::wstring& name : names) chars += name.size() + 1;
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  auto* out = reinterpret_cast<wchar_t*>(drop + 1);
  for (const std::wstring& name : names) {
    std::copy(name.begin(), name.end(), out);
    out += name.size() + 1;
  }
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

void DropOnto(HWND window, const std::vector<std::wstring>& names) {
  SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf(names)), 0);
  Pump(300);
}

}  // namespace

TEST(Commands, FilesDroppedOntoTheMainPlaylistAndVideoWindowsJoinTheListAndTheFirstPlays) {
  FakeEngineClient engine;
  engine.streams = {Stream(L"Video"), Stream(L"Audio")};
  ScratchFolder lists;
  WriteText(lists.File("two.m3u"), "#EXTM3U\r\n#EXTINF:2,Green\r\ngreen.avi\r\nC:\\clips\\last.avi\r\n");
  RunPlayer(engine, "first.avi", [&](PlayerApp& app) {
    Pump();
    ASSERT_TRUE(engine.fake()->Called("FileName=first.avi"));
    // Two files onto the main window: both join the list and the first plays.
    DropOnto(app.settings().main_skin_window, {L"C:\\clips\\a.avi", L"C:\\clips\\b.avi"});
    EXPECT_EQ((std::vector<std::wstring>{L"first.avi", L"C:\\clips\\a.avi", L"C:\\clips\\b.avi"}),
              app.playlist().Entries());
    EXPECT_EQ(1, app.playlist().Index());
    EXPECT_TRUE(engine.fake()->Called("FileName=C:\\clips\\a.avi"));
    EXPECT_FALSE(engine.fake()->Called("FileName=C:\\clips\\b.avi"));

    // Onto the video window: a file the player refuses stays out, and the
    // accepted one plays.
    HWND video = FindProcessWindow(GetCurrentProcessId(), "VWClassName");
    ASSERT_TRUE(video);
    DropOnto(video, {L"C:\\clips\\movie.wmv", L"C:\\clips\\c.avi"});
    EXPECT_EQ(4, app.playlist().Count());
    EXPECT_EQ(L"C:\\clips\\c.avi", app.playlist().Entries().back());
    EXPECT_TRUE(engine.fake()->Called("FileName=C:\\clips\\c.avi"));

    // A playlist dropped onto the playlist window replaces the list; its
    // relative name is read against its own folder, and its first entry plays.
    Send(IDM_PLAYLIST_SHOW);
    Pump();
    HWND playlist_window = FindProcessWindow(GetCurrentProcessId(), "PlayList");
    ASSERT_TRUE(playlist_window);
    const std::string list = lists.File("two.m3u"), green_path = lists.File("green.avi");
    DropOnto(playlist_window, {std::wstring(list.begin(), list.end())});
    const std::wstring green(green_path.begin(), green_path.end());
    EXPECT_EQ((std::vector<std::wstring>{green, L"C:\\clips\\last.avi"}), app.playlist().Entries());
    EXPECT_EQ(0, app.playlist().Index());
    EXPECT_TRUE(engine.fake()->Called("FileName=" + lists.File("green.avi")));
  });
}

namespace {

void Click(HWND dialog, int id) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string ItemText(HWND dialog, int id) {
  char text[512] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

// Answers the first message box of this process that comes up while
// `action` runs; its caption and text, or empty ones when none came.
std::pair<std::string, std::string> MessageBoxDuring(const std::function<void()>& action) {
  std::pair<std::string, std::string> seen;
  std::atomic<bool> done{false};
  std::thread answer([&] {
    for (int i = 0; i < 200 && !done; ++i) {
      HWND box = FindProcessWindow(GetCurrentProcessId(), "#32770");
      char caption[256] = "";
      if (box) GetWindowTextA(box, caption, sizeof caption);
      if (box && std::string(caption) != "Subtitles") {
        seen.first = caption;
        seen.second = StaticText(box);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(50);
    }
  });
  action();
  done = true;
  answer.join();
  return seen;
}

// The subtitle calls the fake saw, in order.
std::vector<std::string> SubtitleCalls(FakeEngine* fake) {
  std::vector<std::string> kept;
  for (const std::string& call : fake->calls) {
    for (const char* name : {"SetFile", "Enable(", "SetFont", "SetTextColor", "SetRect"}) {
      if (call.rfind(name, 0) == 0) kept.push_back(call);
    }
  }
  return kept;
}

}  // namespace

TEST(Commands, SubtitlesLoadWithTheStoredFontAndTheirRectangleFollowsEveryOpen) {
  FakeEngineClient engine;
  FakeStream video = Stream(L"Video");
  video.width = 640;
  video.height = 480;
  // The picture is the second stream: the rectangle comes from it, not
  // from the sound before it.
  engine.streams = {Stream(L"Audio"), video};
  RunPlayer(engine, "clip.avi", [&](PlayerApp& app) {
    Pump();
    FakeEngine* fake = engine.fake();
    EXPECT_EQ((std::vector<std::string>{"SetRect(106,360,427,120)"}), SubtitleCalls(fake));
    PlayerSettings& settings = app.settings();
    settings.enable_subtitles = 1;
    settings.subtitles_bold = 1;
    settings.subtitles_italic = 0;
    settings.subtitles_font_name = "Arial";
    settings.subtitles_font_size = 28;
    settings.subtitles_dialog_x = 210;
    settings.subtitles_dialog_y = 170;

    Send(kCommandSubtitles);
    HWND dialog = app.subtitles_dialog().window();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(IsWindowVisible(dialog));
    RECT at;
    GetWindowRect(dialog, &at);
    EXPECT_EQ(210, at.left);
    EXPECT_EQ(170, at.top);

    // An empty name is refused without asking the engine.
    fake->ClearCalls();
    SetDlgItemTextA(dialog, 1054, "");
    auto box = MessageBoxDuring([&] { Click(dialog, 1015); });
    EXPECT_EQ("Subtitles loading fail", box.first);
    EXPECT_EQ("Can't load specified subtitle file", box.second);
    EXPECT_TRUE(SubtitleCalls(fake).empty());
    EXPECT_TRUE(IsWindowVisible(dialog));

    // A file the engine refuses: the same message, and the edit is emptied.
    fake->results["SetFile"] = E_FAIL;
    SetDlgItemTextA(dialog, 1054, "C:\\subs\\broken.srt");
    box = MessageBoxDuring([&] { Click(dialog, 1015); });
    EXPECT_EQ("Subtitles loading fail", box.first);
    EXPECT_EQ("", ItemText(dialog, 1054));
    EXPECT_EQ((std::vector<std::string>{"SetFile(C:\\subs\\broken.srt)"}), SubtitleCalls(fake));

    // A name in capitals loads; the font follows in its order, and the
    // dialog goes.
    fake->results.erase("SetFile");
    fake->ClearCalls();
    SetDlgItemTextA(dialog, 1054, "C:\\subs\\movie.SRT");
    box = MessageBoxDuring([&] { Click(dialog, 1015); });
    EXPECT_EQ("", box.first);
    EXPECT_EQ((std::vector<std::string>{"SetFile(C:\\subs\\movie.SRT)", "Enable(-1)", "SetFontBold(-1)",
                                        "SetFontItalic(0)", "SetFontName(Arial)", "SetFontSize(28)",
                                        "SetTextColor(0x00FFFFFF)", "SetRect(106,360,427,120)"}),
              SubtitleCalls(fake));
    EXPECT_FALSE(IsWindowVisible(dialog));

    // The next file gets the rectangle of its own picture.
    fake->ClearCalls();
    app.playlist().Append(L"second.avi");
    Send(IDM_PLAYNEXT);
    Pump(300);
    EXPECT_TRUE(engine.fake()->Called("SetRect(106,360,427,120)"));
  });
}

TEST(Commands, AFileThatDoesNotOpenIsNamedOnTheStatusLine) {
  FakeEngineClient engine;
  FakeStream video = Stream(L"Video");
  engine.streams = {video, Stream(L"Audio")};
  RunPlayer(engine, "good.avi", [&](PlayerApp& app) {
    Pump();
    skin::SkinText* status = skin::CurrentSkin().statusText;
    skin::SkinText* info = skin::CurrentSkin().videoInfoText;
    ASSERT_TRUE(status);
    ASSERT_TRUE(info);
    EXPECT_EQ(L"320 x 240", info->Text());
    // The open dialog's choice, as it arrives once the dialog closed.
    engine.fake()->results["FileName put"] = E_FAIL;
    app.settings().current_file_name = L"C:\\clips\\garbage.avi";
    Send(kCommandOpenAndPlay);
    EXPECT_EQ(0u, status->Text().find(L"Could not open garbage.avi"));
    EXPECT_EQ(L"", info->Text());
  });
}
