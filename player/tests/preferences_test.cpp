// The Preferences dialog in real windows of this process: the tree and its
// pages, what Ok, Apply and Cancel store, the checks on numbers (their
// message boxes are answered from a second thread), the font list, and the
// stream pages over the real engine client and a recording fake engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "player/command_ids.h"
#include "player/engine_client.h"
#include "player/player_settings.h"
#include "player/preferences_dialog.h"
#include "player/tests/fake_engine_client.h"
#include "player/tests/test_support.h"
#include "player/video_stream.h"

namespace {

// Playback page.
constexpr int kRateEdit = 1043, kSetRate = 1010, kRepeat = 1048, kShuffle = 1049, kRewind = 1050;
// User interface page.
constexpr int kOnTop = 1047, kScrollTitle = 1050, kHideRemote = 1052, kHideCursor = 1054, kHideDelay = 1044;
// Subtitles page.
constexpr int kEnableSubtitles = 1046, kFontName = 2146, kFontSize = 2148, kBold = 2149;
// Stream pages.
constexpr int kDimensions = 1031, kFramesPlayed = 1030, kBrightness = 1020, kContrast = 1021, kCustom = 1033,
              kCustomX = 1034, kCustomY = 1035, kVideoManual = 1036, kVideoDecoders = 1039, kAudioEnabled = 1038,
              kProperties = 1011, kPictureControl = 1041;
// The dialog.
constexpr int kOk = 1008, kCancel = 1009, kApply = 1010;

void Pump(DWORD ms) {
  DWORD end = GetTickCount() + ms;
  MSG msg;
  do {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(5);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

std::string WindowText(HWND window) {
  char text[512] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

// Answers every message box that comes up while it lives, from its own
// thread, and notes each box's caption and text. Gives up after 20 s.
class BoxAnswerer {
 public:
  struct Box {
    std::string caption, text;
    bool watched_visible = false;  // the watched window, while the box was up
  };
  explicit BoxAnswerer(HWND dialog, HWND watched = nullptr)
      : dialog_(dialog), watched_(watched), thread_([this] { Run(); }) {}
  ~BoxAnswerer() { Finish(); }
  std::vector<Box> Finish() {
    done_ = true;
    if (thread_.joinable()) thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
  }

 private:
  void Run() {
    DWORD deadline = GetTickCount() + 20000;
    while (!done_ && static_cast<LONG>(deadline - GetTickCount()) > 0) {
      // A message box: any other visible dialog of this process.
      if (HWND found = test_support::FindProcessWindow(GetCurrentProcessId(), "#32770", dialog_)) {
        Box box;
        box.caption = WindowText(found);
        box.watched_visible = watched_ && IsWindowVisible(watched_);
        box.text = test_support::StaticText(found);
        {
          std::lock_guard<std::mutex> lock(mutex_);
          boxes_.push_back(box);
        }
        PostMessageA(found, WM_COMMAND, IDOK, 0);
        for (int i = 0; i < 100 && IsWindow(found) && IsWindowVisible(found); ++i) Sleep(20);
      }
      Sleep(20);
    }
  }

  HWND dialog_;
  HWND watched_;
  std::atomic<bool> done_{false};
  std::mutex mutex_;
  std::vector<Box> boxes_;
  std::thread thread_;
};

FakeStream Stream(const wchar_t* type) {
  FakeStream stream;
  stream.type = type;
  return stream;
}

class Preferences : public ::testing::Test {
 protected:
  void TearDown() override {
    dialog_.reset();
    if (engine_) engine_->client.Unload();
  }

  void Make(EngineClient* engine = nullptr) {
    dialog_ = std::make_unique<PreferencesDialog>(GetModuleHandleA(nullptr), settings_, engine,
                                                  [this](int command) { posted_.push_back(command); });
    dialog_->set_link_opener([this](const char* address) { links_.push_back(address); });
    ASSERT_TRUE(dialog_->Create());
    ASSERT_FALSE(IsWindowVisible(dialog_->window()));
  }

  // The fake engine with a file open: one video stream with three
  // decoders, and two sound streams.
  void MakeWithFile() {
    engine_ = std::make_unique<FakeEngineClient>();
    FakeStream video = Stream(L"Video");
    video.decoders = {L"Alpha Decoder", L"Beta Decoder", L"Gamma"};
    video.frames_played = 77;
    FakeStream audio = Stream(L"Audio");
    audio.decoders = {L"Sound One"};
    engine_->streams = {video, audio, audio};
    ASSERT_EQ(S_OK, engine_->client.Load(&settings_));
    ASSERT_EQ(S_OK, engine_->client.Open(L"clip.avi"));
    ASSERT_EQ(S_OK, engine_->client.Play());
    Make(&engine_->client);
  }

  HWND Page(PreferencesDialog::PageKind kind) const { return dialog_->page(kind); }
  HWND Control(PreferencesDialog::PageKind kind, int id) const { return GetDlgItem(Page(kind), id); }
  bool Checked(PreferencesDialog::PageKind kind, int id) const {
    return IsDlgButtonChecked(Page(kind), id) == BST_CHECKED;
  }
  std::string Text(PreferencesDialog::PageKind kind, int id) const { return WindowText(Control(kind, id)); }
  void Click(PreferencesDialog::PageKind kind, int id) { SendMessageA(Control(kind, id), BM_CLICK, 0, 0); }
  void Type(PreferencesDialog::PageKind kind, int id, const char* text) { SetWindowTextA(Control(kind, id), text); }
  void Press(int id) { SendMessageA(GetDlgItem(dialog_->window(), id), BM_CLICK, 0, 0); }

  // Tree items as "name" (top level) and "parent/name".
  std::vector<std::string> Items() const {
    std::vector<std::string> items;
    HWND tree = dialog_->tree();
    for (HTREEITEM root = TreeView_GetRoot(tree); root; root = TreeView_GetNextSibling(tree, root)) {
      items.push_back(ItemText(root));
      for (HTREEITEM child = TreeView_GetChild(tree, root); child; child = TreeView_GetNextSibling(tree, child)) {
        items.push_back(ItemText(root) + "/" + ItemText(child));
      }
    }
    return items;
  }
  std::string ItemText(HTREEITEM item) const { return dialog_->ItemText(item); }
  HTREEITEM Find(const std::string& path) const {
    HWND tree = dialog_->tree();
    for (HTREEITEM root = TreeView_GetRoot(tree); root; root = TreeView_GetNextSibling(tree, root)) {
      if (ItemText(root) == path) return root;
      for (HTREEITEM child = TreeView_GetChild(tree, root); child; child = TreeView_GetNextSibling(tree, child)) {
        if (ItemText(root) + "/" + ItemText(child) == path) return child;
      }
    }
    return nullptr;
  }
  void Select(const std::string& path) {
    HTREEITEM item = Find(path);
    ASSERT_NE(nullptr, item) << path;
    TreeView_SelectItem(dialog_->tree(), item);
  }
  std::vector<HWND> VisiblePages() const {
    std::vector<HWND> visible;
    for (int kind = 0; kind < PreferencesDialog::kPageCount; ++kind) {
      HWND page = Page(static_cast<PreferencesDialog::PageKind>(kind));
      if (page && IsWindowVisible(page)) visible.push_back(page);
    }
    return visible;
  }
  std::vector<std::string> ComboEntries(HWND combo) const {
    std::vector<std::string> entries;
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      char text[256] = "";
      SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      entries.push_back(text);
    }
    return entries;
  }
  std::string ComboSelection(HWND combo) const {
    LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return "<none>";
    char text[256] = "";
    SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
  }
  // A user's choice in a drop-down list: the selection, then its notice.
  void Choose(HWND combo, const std::string& entry) {
    LRESULT index =
        SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry.c_str()));
    ASSERT_NE(CB_ERR, index) << entry;
    SendMessageA(combo, CB_SETCURSEL, index, 0);
    SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
  }
  // Runs `action` while message boxes are answered; the boxes it raised.
  std::vector<BoxAnswerer::Box> Answering(const std::function<void()>& action, HWND watched = nullptr) {
    BoxAnswerer answerer(dialog_->window(), watched);
    action();
    return answerer.Finish();
  }
  FakeEngine* fake() const { return engine_->fake(); }

  PlayerSettings settings_;
  std::vector<int> posted_;
  std::vector<std::string> links_;
  std::unique_ptr<FakeEngineClient> engine_;
  std::unique_ptr<PreferencesDialog> dialog_;
};

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

RECT RectIn(HWND window, HWND parent) {
  RECT rect;
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
  auto* children = reinterpret_cast<std::vector<HWND>*>(param);
  if (GetParent(window) == reinterpret_cast<HWND>(children->front())) children->push_back(window);
  return TRUE;
}

}  // namespace

TEST_F(Preferences, TreeShowsOnePageAtATimeUnderABouncingHeaderAndTheLastPageComesBack) {
  settings_.prefs_x = 40;
  settings_.prefs_y = 50;
  Make();
  const std::vector<std::string> top = {"About",         "Playback",       "Video Streams",
                                        "Audio Streams", "User interface", "Subtitles"};
  EXPECT_EQ(top, Items());
  EXPECT_EQ(std::string(PreferencesDialog::kTitle), WindowText(dialog_->window()));

  dialog_->Show();
  ASSERT_TRUE(IsWindowVisible(dialog_->window()));
  RECT where;
  GetWindowRect(dialog_->window(), &where);
  EXPECT_EQ(40, where.left);
  EXPECT_EQ(50, where.top);
  ASSERT_EQ(1u, VisiblePages().size());
  EXPECT_EQ(Page(PreferencesDialog::kAboutPage), VisiblePages()[0]);

  int last_left = dialog_->header_text_left();
  std::vector<int> lefts;
  // Each pick differs from the one before: a redraw each time.
  for (size_t pick = 1; pick <= 4 * top.size(); ++pick) {
    {
      size_t i = pick % top.size();
      Select(top[i]);
      std::vector<HWND> visible = VisiblePages();
      ASSERT_EQ(1u, visible.size()) << top[i];
      EXPECT_EQ(dialog_->current_page(), visible[0]);
      EXPECT_EQ(top[i], dialog_->header_text());
      int left = dialog_->header_text_left();
      EXPECT_GE(left, 20);
      EXPECT_LE(left, 30);
      EXPECT_EQ(1, std::abs(left - last_left)) << "the header text moves one pixel per redraw";
      last_left = left;
      lefts.push_back(left);
    }
  }
  EXPECT_NE(lefts.end(), std::find(lefts.begin(), lefts.end(), 30)) << "it reaches 30 and turns back";

  // Moved, closed with the close box: the position is kept; shown again,
  // the page shown last comes back.
  Select("Subtitles");
  SetWindowPos(dialog_->window(), nullptr, 120, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SendMessageA(dialog_->window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindowVisible(dialog_->window()));
  EXPECT_EQ(120, settings_.prefs_x);
  EXPECT_EQ(90, settings_.prefs_y);
  EXPECT_TRUE(VisiblePages().empty());
  dialog_->Show();
  ASSERT_EQ(1u, VisiblePages().size());
  EXPECT_EQ(Page(PreferencesDialog::kSubtitlesPage), VisiblePages()[0]);
  EXPECT_EQ("Subtitles", dialog_->header_text());

  dialog_->Hide();
  dialog_->ShowAbout();
  ASSERT_EQ(1u, VisiblePages().size());
  EXPECT_EQ(Page(PreferencesDialog::kAboutPage), VisiblePages()[0]);

  // The About links open their pages.
  SendMessageA(dialog_->current_page(), WM_COMMAND, MAKEWPARAM(1062, STN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog_->current_page(), 1062)));
  ASSERT_EQ(1u, links_.size());
  EXPECT_EQ(0u, links_[0].rfind("https://", 0)) << links_[0];
}

TEST_F(Preferences, TheHeaderIsAGreyGradientUnderThePageNameAndPagesAreLightGrey) {
  Make();
  dialog_->Show();
  SetWindowPos(dialog_->window(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  Select("Playback");
  UpdateWindow(dialog_->window());
  Pump(200);
  const RECT& header = dialog_->header_area();
  HDC dc = GetDC(dialog_->window());
  auto close_to = [](COLORREF colour, int level) {
    return std::abs(GetRValue(colour) - level) <= 8 && std::abs(GetGValue(colour) - level) <= 8 &&
           std::abs(GetBValue(colour) - level) <= 8;
  };
  // A column the text does not reach: light grey downwards, growing lighter.
  const int x = header.right - 3;
  COLORREF top = GetPixel(dc, x, header.top);
  COLORREF bottom = GetPixel(dc, x, header.bottom - 1);
  EXPECT_TRUE(close_to(top, 204)) << std::hex << top;
  EXPECT_TRUE(close_to(bottom, 238)) << std::hex << bottom;
  int previous = 0;
  for (int y = header.top; y < header.bottom; ++y) {
    int level = GetGValue(GetPixel(dc, x, y));
    EXPECT_GE(level, previous) << y;
    previous = level;
  }
  // The page name, in mid grey, from its left position on.
  int text_pixels = 0, left_of_text = 0;
  for (int y = header.top; y < header.bottom; ++y) {
    for (int px = header.left; px < header.left + 140; ++px) {
      if (GetGValue(GetPixel(dc, px, y)) < 180) {
        ++text_pixels;
        if (px < header.left + 19) ++left_of_text;
      }
    }
  }
  ReleaseDC(dialog_->window(), dc);
  EXPECT_GT(text_pixels, 30);
  EXPECT_EQ(0, left_of_text);

  HWND page = dialog_->current_page();
  RECT client;
  GetClientRect(page, &client);
  HDC page_dc = GetDC(page);
  COLORREF background = GetPixel(page_dc, client.right - 3, client.bottom - 3);
  ReleaseDC(page, page_dc);
  EXPECT_TRUE(close_to(background, 230)) << std::hex << background;
}

TEST_F(Preferences, EveryPageFitsThePageAreaWithoutOverlappingControls) {
  Make();
  const RECT& area = dialog_->page_area();
  RECT client;
  GetClientRect(dialog_->window(), &client);
  ASSERT_TRUE(Inside(area, client));
  RECT tree = RectIn(dialog_->tree(), dialog_->window());
  EXPECT_LE(tree.right, area.left);
  for (int id : {kOk, kCancel, kApply}) {
    RECT button = RectIn(GetDlgItem(dialog_->window(), id), dialog_->window());
    EXPECT_GE(button.top, area.bottom) << id;
  }
  EXPECT_LE(dialog_->header_area().bottom, area.top);

  for (int kind = 0; kind < PreferencesDialog::kPageCount; ++kind) {
    HWND page = Page(static_cast<PreferencesDialog::PageKind>(kind));
    ASSERT_NE(nullptr, page);
    RECT page_client;
    GetClientRect(page, &page_client);
    EXPECT_LE(page_client.right, area.right - area.left) << kind;
    EXPECT_LE(page_client.bottom, area.bottom - area.top) << kind;
    std::vector<HWND> children = {page};
    EnumChildWindows(page, CollectChild, reinterpret_cast<LPARAM>(&children));
    children.erase(children.begin());
    std::vector<std::pair<HWND, RECT>> controls;
    for (HWND child : children) {
      RECT rect = RectIn(child, page);
      EXPECT_TRUE(Inside(rect, page_client)) << "page " << kind << " control " << GetDlgCtrlID(child);
      bool group = ClassOf(child) == "Button" && (GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
      if (!group) controls.emplace_back(child, rect);
    }
    for (size_t i = 0; i < controls.size(); ++i) {
      for (size_t j = i + 1; j < controls.size(); ++j) {
        RECT overlap;
        // An up-down control sits on its edit by design.
        bool buddy = ClassOf(controls[i].first) == "msctls_updown32" || ClassOf(controls[j].first) == "msctls_updown32";
        EXPECT_TRUE(buddy || !IntersectRect(&overlap, &controls[i].second, &controls[j].second))
            << "page " << kind << ": " << GetDlgCtrlID(controls[i].first) << " and " << GetDlgCtrlID(controls[j].first);
      }
    }
  }
}

TEST_F(Preferences, OkAndApplyStoreEveryChangedPageAndOnlyThose) {
  settings_.repeat = 1;
  settings_.shuffle = 0;
  settings_.rewind_seconds = 10;
  settings_.scroll_movie_title = 1;
  settings_.play_window_on_top = 0;
  settings_.subtitles_bold = 0;
  Make();
  dialog_->Show();

  // Only one page changed: only its command goes out.
  Select("User interface");
  Click(PreferencesDialog::kUserInterfacePage, kOnTop);
  Press(kApply);
  EXPECT_TRUE(IsWindowVisible(dialog_->window()));
  EXPECT_EQ(1, settings_.play_window_on_top);
  EXPECT_EQ(std::vector<int>{IDM_TOPMOST_ON}, posted_);
  posted_.clear();
  // Applied edits are not applied again.
  Press(kApply);
  EXPECT_TRUE(posted_.empty());

  // Two pages edited, the first no longer visible when Ok is pressed.
  Select("Playback");
  Click(PreferencesDialog::kPlaybackPage, kShuffle);
  Type(PreferencesDialog::kPlaybackPage, kRewind, "25");
  Select("User interface");
  Click(PreferencesDialog::kUserInterfacePage, kScrollTitle);
  Select("Subtitles");
  Press(kOk);
  EXPECT_FALSE(IsWindowVisible(dialog_->window()));
  EXPECT_EQ(1, settings_.shuffle);
  EXPECT_EQ(1, settings_.repeat);
  EXPECT_EQ(25, settings_.rewind_seconds);
  EXPECT_EQ(0, settings_.scroll_movie_title);
  EXPECT_EQ(1, settings_.play_window_on_top);
  EXPECT_EQ(0, settings_.subtitles_bold);
  std::vector<int> expected = {IDM_REPEAT_ON, IDM_SHUFFLE_ON, IDM_TOPMOST_ON};
  EXPECT_EQ(expected, posted_);
}

TEST_F(Preferences, CancelAndTheCloseBoxStoreNothingAndTheNextShowReadsTheSettings) {
  settings_.shuffle = 0;
  settings_.rewind_seconds = 10;
  settings_.hide_remote_in_fullscreen = 0;
  Make();
  for (bool close_box : {false, true}) {
    dialog_->Show();
    Select("Playback");
    Click(PreferencesDialog::kPlaybackPage, kShuffle);
    Type(PreferencesDialog::kPlaybackPage, kRewind, "99");
    Select("User interface");
    Click(PreferencesDialog::kUserInterfacePage, kHideRemote);
    if (close_box) {
      SendMessageA(dialog_->window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
      Press(kCancel);
    }
    EXPECT_FALSE(IsWindowVisible(dialog_->window()));
    EXPECT_EQ(0, settings_.shuffle);
    EXPECT_EQ(10, settings_.rewind_seconds);
    EXPECT_EQ(0, settings_.hide_remote_in_fullscreen);
    EXPECT_TRUE(posted_.empty());

    settings_.rewind_seconds = 12;
    dialog_->Show();
    EXPECT_FALSE(Checked(PreferencesDialog::kPlaybackPage, kShuffle));
    EXPECT_EQ("12", Text(PreferencesDialog::kPlaybackPage, kRewind));
    EXPECT_FALSE(Checked(PreferencesDialog::kUserInterfacePage, kHideRemote));
    // Nothing is left to apply.
    Press(kOk);
    EXPECT_TRUE(posted_.empty());
    settings_.rewind_seconds = 10;
  }
}

TEST_F(Preferences, RewindSecondsAbove1000BecomeTheLimitInTheEditAndTheSettings) {
  Make();
  dialog_->Show();
  Select("Playback");
  for (const char* typed : {"5000", "1001", "99999999999"}) {
    Type(PreferencesDialog::kPlaybackPage, kRewind, typed);
    Press(kApply);
    EXPECT_EQ(1000, settings_.rewind_seconds) << typed;
    EXPECT_EQ("1000", Text(PreferencesDialog::kPlaybackPage, kRewind)) << typed;
    settings_.rewind_seconds = 10;
  }
  Type(PreferencesDialog::kPlaybackPage, kRewind, "1000");
  Press(kApply);
  EXPECT_EQ(1000, settings_.rewind_seconds);
  Type(PreferencesDialog::kPlaybackPage, kRewind, " 0 ");
  Press(kApply);
  EXPECT_EQ(0, settings_.rewind_seconds);
}

TEST_F(Preferences, HideRemoteUntickedDisablesTheCursorBoxAndTheDelayAndRegisteringAsksThePlayer) {
  for (int stored : {0, 1}) {
    settings_.hide_remote_in_fullscreen = stored;
    Make();
    dialog_->Show();
    Select("User interface");
    HWND cursor = Control(PreferencesDialog::kUserInterfacePage, kHideCursor);
    HWND delay = Control(PreferencesDialog::kUserInterfacePage, kHideDelay);
    EXPECT_EQ(stored != 0, IsWindowEnabled(cursor) != FALSE) << stored;
    EXPECT_EQ(stored != 0, IsWindowEnabled(delay) != FALSE) << stored;
    Click(PreferencesDialog::kUserInterfacePage, kHideRemote);
    EXPECT_EQ(stored == 0, IsWindowEnabled(cursor) != FALSE) << stored;
    EXPECT_EQ(stored == 0, IsWindowEnabled(delay) != FALSE) << stored;
    Click(PreferencesDialog::kUserInterfacePage, kHideRemote);
    EXPECT_EQ(stored != 0, IsWindowEnabled(cursor) != FALSE) << stored;
    EXPECT_EQ(stored != 0, IsWindowEnabled(delay) != FALSE) << stored;
    dialog_.reset();
  }
  // "Register extensions" asks the player at once.
  Make();
  dialog_->Show();
  Select("User interface");
  Click(PreferencesDialog::kUserInterfacePage, 1010);
  EXPECT_EQ(std::vector<int>{kCommandRegisterFileTypes}, posted_);
}

TEST_F(Preferences, RefusedNumbersSayWhatIsWrongKeepTheDialogOpenAndStoreNothing) {
  settings_.hide_remote_in_fullscreen = 1;
  settings_.hiding_remote_timeout = 10;
  settings_.scroll_movie_title = 1;
  settings_.shuffle = 0;
  settings_.rewind_seconds = 10;
  Make();
  dialog_->Show();
  // A change on another page waits with the refused one.
  Select("Playback");
  Click(PreferencesDialog::kPlaybackPage, kShuffle);
  Select("User interface");
  Click(PreferencesDialog::kUserInterfacePage, kScrollTitle);
  for (const char* typed : {"0", "abc", "3601", "", "-5", "12x"}) {
    Type(PreferencesDialog::kUserInterfacePage, kHideDelay, typed);
    auto boxes = Answering([&] { Press(kOk); });
    ASSERT_EQ(1u, boxes.size()) << typed;
    EXPECT_NE(std::string::npos, boxes[0].text.find("Hide after")) << boxes[0].text;
    EXPECT_NE(std::string::npos, boxes[0].text.find("1 to 3600")) << boxes[0].text;
    EXPECT_TRUE(IsWindowVisible(dialog_->window())) << typed;
    EXPECT_EQ(Page(PreferencesDialog::kUserInterfacePage), dialog_->current_page());
    EXPECT_EQ(10, settings_.hiding_remote_timeout) << typed;
    EXPECT_EQ(1, settings_.scroll_movie_title) << typed;
    EXPECT_EQ(0, settings_.shuffle) << typed;
    EXPECT_TRUE(posted_.empty()) << typed;
  }
  // A bad rewind value on the page not shown brings that page up.
  Type(PreferencesDialog::kUserInterfacePage, kHideDelay, "3600");
  Select("Playback");
  Type(PreferencesDialog::kPlaybackPage, kRewind, "ten");
  Select("Subtitles");
  auto boxes = Answering([&] { Press(kOk); }, Page(PreferencesDialog::kPlaybackPage));
  ASSERT_EQ(1u, boxes.size());
  EXPECT_NE(std::string::npos, boxes[0].text.find("Rewind seconds")) << boxes[0].text;
  EXPECT_TRUE(boxes[0].watched_visible) << "the warning shows beside its field";
  EXPECT_EQ(Page(PreferencesDialog::kPlaybackPage), dialog_->current_page());
  EXPECT_EQ(10, settings_.rewind_seconds);
  EXPECT_EQ(10, settings_.hiding_remote_timeout);

  Type(PreferencesDialog::kPlaybackPage, kRewind, "30");
  boxes = Answering([&] { Press(kOk); });
  EXPECT_TRUE(boxes.empty());
  EXPECT_FALSE(IsWindowVisible(dialog_->window()));
  EXPECT_EQ(3600, settings_.hiding_remote_timeout);
  EXPECT_EQ(30, settings_.rewind_seconds);
  EXPECT_EQ(0, settings_.scroll_movie_title);
  EXPECT_EQ(1, settings_.shuffle);
}

TEST_F(Preferences, TheSubtitlesFontIsFoundByItsWholeNameAndAMissingOneIsKept) {
  Make();
  HWND combo = Control(PreferencesDialog::kSubtitlesPage, kFontName);
  std::vector<std::string> fonts = ComboEntries(combo);
  ASSERT_FALSE(fonts.empty());
  auto listed = [&](const std::string& name) {
    for (const std::string& font : fonts) {
      if (lstrcmpiA(font.c_str(), name.c_str()) == 0) return true;
    }
    return false;
  };

  struct Case {
    std::string stored, selected;
  };
  std::vector<Case> cases;
  // A name that is the start of a longer one listed before it.
  for (size_t i = 0; i < fonts.size() && cases.empty(); ++i) {
    for (size_t j = i + 1; j < fonts.size(); ++j) {
      if (fonts[j].size() < fonts[i].size() && _strnicmp(fonts[i].c_str(), fonts[j].c_str(), fonts[j].size()) == 0) {
        cases.push_back({fonts[j], fonts[j]});
        break;
      }
    }
  }
  // The same in other letter case.
  std::string upper = fonts.back();
  CharUpperA(&upper[0]);
  cases.push_back({upper, fonts.back()});
  // The start of a listed name, itself not a font: kept as it is.
  for (const std::string& font : fonts) {
    std::string start = font.substr(0, font.size() - 1);
    if (font.size() > 2 && !listed(start)) {
      cases.push_back({start, start});
      break;
    }
  }
  cases.push_back({"No Such Font Here", "No Such Font Here"});

  for (const Case& c : cases) {
    settings_.subtitles_font_name = c.stored;
    settings_.enable_subtitles = 1;
    dialog_->Show();
    Select("Subtitles");
    EXPECT_EQ(c.selected, ComboSelection(combo)) << c.stored;
    // Applying another change of the page keeps the name.
    Click(PreferencesDialog::kSubtitlesPage, kBold);
    Press(kOk);
    EXPECT_EQ(c.selected, settings_.subtitles_font_name) << c.stored;
  }
  // Without subtitles the font controls are off, and back on with them.
  settings_.enable_subtitles = 0;
  dialog_->Show();
  EXPECT_FALSE(IsWindowEnabled(combo));
  Click(PreferencesDialog::kSubtitlesPage, kEnableSubtitles);
  EXPECT_TRUE(IsWindowEnabled(combo));
}

TEST_F(Preferences, RefreshFollowsOutsideChangesAndKeepsTheUsersOtherEdits) {
  settings_.repeat = 1;
  settings_.play_window_on_top = 0;
  settings_.scroll_movie_title = 1;
  Make();
  dialog_->Show();
  Select("Playback");
  Type(PreferencesDialog::kPlaybackPage, kRewind, "77");
  Select("User interface");
  Click(PreferencesDialog::kUserInterfacePage, kScrollTitle);

  // Asked to show while it shows, the dialog keeps the edits.
  dialog_->Show();
  EXPECT_EQ("77", Text(PreferencesDialog::kPlaybackPage, kRewind));
  EXPECT_FALSE(Checked(PreferencesDialog::kUserInterfacePage, kScrollTitle));

  settings_.repeat = 0;
  settings_.play_window_on_top = 1;
  dialog_->Refresh();
  EXPECT_FALSE(Checked(PreferencesDialog::kPlaybackPage, kRepeat));
  EXPECT_TRUE(Checked(PreferencesDialog::kUserInterfacePage, kOnTop));
  EXPECT_EQ("77", Text(PreferencesDialog::kPlaybackPage, kRewind));
  EXPECT_FALSE(Checked(PreferencesDialog::kUserInterfacePage, kScrollTitle));
  EXPECT_EQ(Page(PreferencesDialog::kUserInterfacePage), dialog_->current_page());

  Press(kOk);
  EXPECT_EQ(77, settings_.rewind_seconds);
  EXPECT_EQ(0, settings_.scroll_movie_title);
  EXPECT_EQ(0, settings_.repeat);
  std::vector<int> expected = {IDM_REPEAT_OFF, IDM_SHUFFLE_OFF, IDM_TOPMOST_ON};
  EXPECT_EQ(expected, posted_);
}

// Each slider's thumb is drawn where its stored value puts it on the
// -100..100 channel: 0 in the middle, 100 at the right end, also when the
// value is the position the slider had before its range was set.
TEST_F(Preferences, PictureSlidersShowTheirStoredValues) {
  MakeWithFile();
  settings_.use_picture_control = 1;
  settings_.brightness = 100;
  settings_.contrast = 0;
  dialog_->Show();
  Select("Video Streams/Stream 0");
  ASSERT_EQ(Page(PreferencesDialog::kVideoPage), dialog_->current_page());
  auto thumb_middle = [&](int id) {
    HWND slider = Control(PreferencesDialog::kVideoPage, id);
    RECT thumb = {}, channel = {};
    SendMessageA(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    SendMessageA(slider, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    // Where the thumb's middle is along the channel, 0 to 100.
    const int span = channel.right - channel.left;
    return span > 0 ? 100 * ((thumb.left + thumb.right) / 2 - channel.left) / span : -1;
  };
  EXPECT_EQ(0, SendMessageA(Control(PreferencesDialog::kVideoPage, kContrast), TBM_GETPOS, 0, 0));
  EXPECT_NEAR(50, thumb_middle(kContrast), 8);
  EXPECT_EQ(100, SendMessageA(Control(PreferencesDialog::kVideoPage, kBrightness), TBM_GETPOS, 0, 0));
  EXPECT_NEAR(100, thumb_middle(kBrightness), 8);
}

TEST_F(Preferences, StreamItemsFollowTheOpenFileAndTheVideoPageDrivesItsStream) {
  MakeWithFile();
  std::vector<std::string> items = {"About",
                                    "Playback",
                                    "Video Streams",
                                    "Video Streams/Stream 0",
                                    "Audio Streams",
                                    "Audio Streams/Stream 0",
                                    "Audio Streams/Stream 1",
                                    "User interface",
                                    "Subtitles"};
  EXPECT_EQ(items, Items());
  settings_.use_picture_control = 1;
  dialog_->Show();
  Select("Video Streams/Stream 0");
  ASSERT_EQ(Page(PreferencesDialog::kVideoPage), dialog_->current_page());
  EXPECT_EQ("Video Streams", dialog_->header_text());
  EXPECT_EQ("320 x 240", Text(PreferencesDialog::kVideoPage, kDimensions));
  Pump(400);
  EXPECT_EQ("77", Text(PreferencesDialog::kVideoPage, kFramesPlayed));

  // The brightness slider goes to the stream at once.
  HWND slider = Control(PreferencesDialog::kVideoPage, kBrightness);
  EXPECT_EQ(-100, SendMessageA(slider, TBM_GETRANGEMIN, 0, 0));
  EXPECT_EQ(100, SendMessageA(slider, TBM_GETRANGEMAX, 0, 0));
  SendMessageA(slider, TBM_SETPOS, TRUE, -40);
  SendMessageA(Page(PreferencesDialog::kVideoPage), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, -40),
               reinterpret_cast<LPARAM>(slider));
  EXPECT_TRUE(fake()->Called("Brightness(0)=-40"));
  EXPECT_EQ(-40, settings_.brightness);

  // Custom aspect values that are not positive numbers are refused.
  settings_.aspect_ratio = 0;
  for (const char* typed : {"0", "-2", "wide"}) {
    Type(PreferencesDialog::kVideoPage, kCustomX, typed);
    fake()->ClearCalls();
    auto boxes = Answering([&] { Click(PreferencesDialog::kVideoPage, kCustom); });
    ASSERT_EQ(1u, boxes.size()) << typed;
    EXPECT_NE(std::string::npos, boxes[0].text.find("\"X\"")) << boxes[0].text;
    EXPECT_EQ(0, fake()->Count("CustomXAspect(0)=")) << typed;
    EXPECT_EQ(0, fake()->Count("AspectRatio(0)=")) << typed;
    EXPECT_EQ(0, settings_.aspect_ratio);
    EXPECT_DOUBLE_EQ(2.35, settings_.custom_aspect_x);
    EXPECT_FALSE(Checked(PreferencesDialog::kVideoPage, kCustom));
  }
  Type(PreferencesDialog::kVideoPage, kCustomX, "1.85");
  Type(PreferencesDialog::kVideoPage, kCustomY, "1");
  fake()->ClearCalls();
  EXPECT_TRUE(Answering([&] { Click(PreferencesDialog::kVideoPage, kCustom); }).empty());
  EXPECT_TRUE(fake()->Called("CustomXAspect(0)=1.85"));
  EXPECT_TRUE(fake()->Called("AspectRatio(0)=4"));
  EXPECT_EQ(4, settings_.aspect_ratio);
  EXPECT_TRUE(IsWindowEnabled(Control(PreferencesDialog::kVideoPage, kCustomY)));

  // A new file with other streams: the items are built again.
  {
    auto lock = fake()->Lock();
    fake()->streams = {Stream(L"Audio")};
  }
  ASSERT_EQ(S_OK, engine_->client.Open(L"sound.mp3"));
  dialog_->Refresh();
  items = {"About",          "Playback", "Video Streams", "Audio Streams", "Audio Streams/Stream 0",
           "User interface", "Subtitles"};
  EXPECT_EQ(items, Items());
  EXPECT_EQ(1u, VisiblePages().size());
  EXPECT_EQ(Page(PreferencesDialog::kVideoStreamsPage), dialog_->current_page());
}

TEST_F(Preferences, ManualDecoderSelectionListsTheNamesInOrderAndSaysWhenOneCannotPlay) {
  MakeWithFile();
  dialog_->Show();
  Select("Video Streams/Stream 0");
  HWND combo = Control(PreferencesDialog::kVideoPage, kVideoDecoders);
  EXPECT_FALSE(IsWindowEnabled(combo));
  fake()->ClearCalls();
  Click(PreferencesDialog::kVideoPage, kVideoManual);
  std::vector<std::string> names = {"Alpha Decoder", "Beta Decoder", "Gamma"};
  EXPECT_EQ(names, ComboEntries(combo));
  EXPECT_TRUE(IsWindowEnabled(combo));
  std::vector<std::string> decoder_calls;
  for (const std::string& call : fake()->calls) {
    if (call.find("Decoder") != std::string::npos) decoder_calls.push_back(call);
  }
  std::vector<std::string> expected = {"LoadDecoders(0)", "CountSuitableDecoders(0)", "GetDecoderNames(0)"};
  EXPECT_EQ(expected, decoder_calls);

  // A decoder that cannot play the file.
  {
    auto lock = fake()->Lock();
    fake()->results["UseDecoder"] = E_FAIL;
  }
  Choose(combo, "Beta Decoder");
  fake()->ClearCalls();
  auto boxes = Answering([&] { Press(kOk); });
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("Can't play this file using selected decoder", boxes[0].text);
  EXPECT_EQ("", boxes[0].caption);
  EXPECT_TRUE(fake()->Called("UseDecoder(0,Beta Decoder)"));
  EXPECT_EQ(FakeEngine::Transport::Stopped, fake()->transport);
  VideoStream* video = engine_->client.FirstVideo();
  ASSERT_NE(nullptr, video);
  EXPECT_FALSE(IsWindowVisible(video->Window()));
  EXPECT_EQ(0, settings_.show_active_window);
  EXPECT_TRUE(IsWindowVisible(dialog_->window()));

  // One that can: the stream plays again with it, and the page keeps it.
  {
    auto lock = fake()->Lock();
    fake()->results.erase("UseDecoder");
  }
  Choose(combo, "Gamma");
  fake()->ClearCalls();
  EXPECT_TRUE(Answering([&] { Press(kApply); }).empty());
  EXPECT_TRUE(fake()->Called("UseDecoder(0,Gamma)"));
  EXPECT_EQ(FakeEngine::Transport::Playing, fake()->transport);
  EXPECT_TRUE(IsWindowVisible(video->Window()));
  EXPECT_EQ(1, settings_.show_active_window);
  EXPECT_TRUE(fake()->Called("EnableManualSelection(0)=-1"));
  EXPECT_EQ("Gamma", ComboSelection(combo));
  EXPECT_EQ(names, ComboEntries(combo));

  // Unticked: the list empties and the combo box is off.
  Click(PreferencesDialog::kVideoPage, kVideoManual);
  EXPECT_TRUE(ComboEntries(combo).empty());
  EXPECT_FALSE(IsWindowEnabled(combo));

  // The decoder's own property pages, owned by the page.
  fake()->ClearCalls();
  Click(PreferencesDialog::kVideoPage, kProperties);
  EXPECT_TRUE(fake()->Called(
      "ShowPages(0," +
      FakeEngine::Hex(static_cast<long>(reinterpret_cast<LONG_PTR>(Page(PreferencesDialog::kVideoPage)))) + ")"));

  // Picture control off: the engine rebuilds the stream without effects,
  // the sliders go off and no frames are counted.
  settings_.use_picture_control = 1;
  dialog_->Hide();
  dialog_->Show();
  ASSERT_EQ(Page(PreferencesDialog::kVideoPage), dialog_->current_page());
  Click(PreferencesDialog::kVideoPage, kPictureControl);
  fake()->ClearCalls();
  Press(kApply);
  std::vector<std::string> rebuild;
  for (const std::string& call : fake()->calls) {
    if (call == "Stop" || call == "Play" || call.rfind("UseVideoEffects", 0) == 0 || call.rfind("Rebuild", 0) == 0) {
      rebuild.push_back(call);
    }
  }
  expected = {"Stop", "UseVideoEffects(0)", "RebuildStream(0)", "Play"};
  EXPECT_EQ(expected, rebuild);
  EXPECT_EQ(0, settings_.use_picture_control);
  EXPECT_FALSE(IsWindowEnabled(Control(PreferencesDialog::kVideoPage, kBrightness)));
  Pump(300);
  EXPECT_EQ("0", Text(PreferencesDialog::kVideoPage, kFramesPlayed));
}

TEST_F(Preferences, RateAndAudioStreamPagesTalkToTheEngine) {
  MakeWithFile();
  dialog_->Show();
  Select("Playback");
  EXPECT_EQ("25.000", Text(PreferencesDialog::kPlaybackPage, kRateEdit));
  for (const char* typed : {"0", "-5", "fast", ""}) {
    Type(PreferencesDialog::kPlaybackPage, kRateEdit, typed);
    fake()->ClearCalls();
    auto boxes = Answering([&] { Click(PreferencesDialog::kPlaybackPage, kSetRate); });
    ASSERT_EQ(1u, boxes.size()) << typed;
    EXPECT_NE(std::string::npos, boxes[0].text.find("Frames per second")) << boxes[0].text;
    EXPECT_EQ(0, fake()->Count("RateFPS(0)=")) << typed;
  }
  Type(PreferencesDialog::kPlaybackPage, kRateEdit, "12.5");
  fake()->ClearCalls();
  EXPECT_TRUE(Answering([&] { Click(PreferencesDialog::kPlaybackPage, kSetRate); }).empty());
  EXPECT_TRUE(fake()->Called("RateFPS(0)=12.5"));
  EXPECT_EQ("12.500", Text(PreferencesDialog::kPlaybackPage, kRateEdit));

  // The second sound stream, off since the open, is switched on without
  // stopping playback.
  Select("Audio Streams/Stream 1");
  ASSERT_EQ(Page(PreferencesDialog::kAudioPage), dialog_->current_page());
  EXPECT_EQ("Audio Streams", dialog_->header_text());
  EXPECT_FALSE(Checked(PreferencesDialog::kAudioPage, kAudioEnabled));
  Click(PreferencesDialog::kAudioPage, kAudioEnabled);
  fake()->ClearCalls();
  Press(kOk);
  EXPECT_TRUE(fake()->Called("EnableStream(2)=1"));
  EXPECT_FALSE(fake()->Called("Stop"));
  EXPECT_FALSE(IsWindowVisible(dialog_->window()));

  // The subtitles' font goes to the engine, in white.
  settings_.enable_subtitles = 0;
  settings_.subtitles_bold = 0;
  settings_.subtitles_font_size = 20;
  dialog_->Show();
  Select("Subtitles");
  Click(PreferencesDialog::kSubtitlesPage, kEnableSubtitles);
  Click(PreferencesDialog::kSubtitlesPage, kBold);
  Type(PreferencesDialog::kSubtitlesPage, kFontSize, "32");
  Press(kOk);
  EXPECT_EQ(32, settings_.subtitles_font_size);
  FakeSubtitles subtitles;
  {
    auto lock = fake()->Lock();
    subtitles = fake()->subtitles;
  }
  EXPECT_EQ(VARIANT_TRUE, subtitles.enabled);
  EXPECT_EQ(VARIANT_TRUE, subtitles.bold);
  EXPECT_EQ(32, subtitles.font_size);
  EXPECT_EQ(0xFFFFFF, subtitles.text_color);
  EXPECT_FALSE(subtitles.font_name.empty());
  EXPECT_EQ(settings_.subtitles_font_name, std::string(subtitles.font_name.begin(), subtitles.font_name.end()));

  // A size that is not a number is refused.
  Click(PreferencesDialog::kSubtitlesPage, kBold);
  Type(PreferencesDialog::kSubtitlesPage, kFontSize, "big");
  auto size_boxes = Answering([&] { Press(kOk); });
  ASSERT_EQ(1u, size_boxes.size());
  EXPECT_NE(std::string::npos, size_boxes[0].text.find("Size")) << size_boxes[0].text;
  EXPECT_EQ(32, settings_.subtitles_font_size);
  EXPECT_EQ(1, settings_.subtitles_bold);
}
