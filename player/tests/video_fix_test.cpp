// The Video Fixing dialog in this process, driven through its buttons, with
// the real Skarn.dll (registered in the session's prefix by its own
// DllRegisterServer) repairing real files: encoder-made AVI files, damaged
// copies of them, a long built one and a text file.

// windows.h comes before the headers that need it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
// clang-format on

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "avirepair/tests/avi_test_files.h"
#include "avirepair/tests/media_variants.h"
#include "player/player_settings.h"
#include "player/tests/test_support.h"
#include "player/video_fix_dialog.h"

namespace fs = std::filesystem;
using avirepair::test::Bytes;
using avirepair::test::ReadWhole;
using avirepair::test::WriteWhole;
using test_support::ScratchFolder;

namespace {

std::string g_skarn_dll;
std::string g_media;

std::string WinePath(std::string path) {
  if (!path.empty() && path[0] == '/') {
    for (char& c : path)
      if (c == '/') c = '\\';
    path = "Z:" + path;
  }
  return path;
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }
std::string Narrow(const std::wstring& s) {
  std::string out;
  for (wchar_t c : s) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

using Clock = std::chrono::steady_clock;

// Ends the whole program when a test outlives its limit: a modal box nobody
// answered, or a repair that never ends, must not hang the run.
class Watchdog {
 public:
  explicit Watchdog(int seconds) : done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = std::thread([this, seconds] {
      if (WaitForSingleObject(done_, DWORD(seconds) * 1000) == WAIT_TIMEOUT) {
        std::fprintf(stderr, "watchdog: the test ran over %d s, stopping the program\n", seconds);
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
      }
    });
  }
  ~Watchdog() {
    SetEvent(done_);
    thread_.join();
    CloseHandle(done_);
  }

 private:
  HANDLE done_;
  std::thread thread_;
};

// Runs this thread's messages (through the dialog manager, as the player's
// loop does) until `done` holds or `timeout_ms` has passed; whether it held.
bool PumpUntil(HWND dialog, const std::function<bool()>& done, DWORD timeout_ms) {
  auto end = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (dialog && IsWindow(dialog) && IsDialogMessageW(dialog, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (Clock::now() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void Pump(HWND dialog, DWORD ms) {
  PumpUntil(
      dialog, [] { return false; }, ms);
}

std::wstring ItemText(HWND dialog, int id) {
  wchar_t text[1024] = L"";
  GetDlgItemTextW(dialog, id, text, 1024);
  return text;
}

std::string Status(HWND dialog) { return Narrow(ItemText(dialog, VideoFixDialog::kStatusText)); }

int Progress(HWND dialog) {
  return static_cast<int>(SendDlgItemMessageW(dialog, VideoFixDialog::kProgressBar, PBM_GETPOS, 0, 0));
}

bool StartEnabled(HWND dialog) { return IsWindowEnabled(GetDlgItem(dialog, VideoFixDialog::kStartButton)) != FALSE; }

void Click(HWND dialog, int id) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Type(HWND dialog, int id, const std::string& text) { SetDlgItemTextW(dialog, id, Wide(text).c_str()); }

std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// What a message box said, and to whom.
struct Box {
  bool seen = false;
  std::string caption;
  std::string text;
  HWND owner = nullptr;
};

// Answers the first message box of this process (any "#32770" window but
// `except`) that appears within `timeout_ms`, noting what it said.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(HWND except = nullptr, DWORD timeout_ms = 15000) {
    thread_ = std::thread([this, except, timeout_ms] {
      auto end = Clock::now() + std::chrono::milliseconds(timeout_ms);
      while (!stop_ && Clock::now() < end) {
        if (HWND found = test_support::FindProcessWindow(GetCurrentProcessId(), "#32770", except)) {
          wchar_t caption[256] = L"";
          GetWindowTextW(found, caption, 256);
          box_.caption = Narrow(caption);
          box_.text = test_support::StaticText(found);
          box_.owner = GetWindow(found, GW_OWNER);
          box_.seen = true;
          PostMessageW(found, WM_COMMAND, IDOK, 0);
          return;
        }
        Sleep(20);
      }
    });
  }
  ~BoxAnswerer() { Finish(); }
  // Waits for the thread (it has answered, or stopped looking).
  const Box& Finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return box_;
  }
  // Waits until a box was answered or the time ran out.
  const Box& Wait() {
    if (thread_.joinable()) thread_.join();
    return box_;
  }

 private:
  std::atomic<bool> stop_{false};
  Box box_;
  std::thread thread_;
};

// Answers the file dialog captioned `title` that this process opens within
// 15 s: types `name` into its file name box and presses OK. A box that the
// file dialog raises then (whether to replace a file, that a file does not
// exist) gets `reply`; after any reply but Yes the file dialog is cancelled.
// A file dialog it cannot fill is cancelled too, so that no wait outlives it.
class FileDialogAnswerer {
 public:
  FileDialogAnswerer(HWND except, const std::string& title, const std::string& name, int reply = IDYES) {
    thread_ = std::thread([this, except, title, name, reply] {
      HWND found = nullptr;
      auto end = Clock::now() + std::chrono::seconds(15);
      while (!found && Clock::now() < end) {
        HWND candidate = test_support::FindProcessWindow(GetCurrentProcessId(), "#32770", except);
        wchar_t caption[256] = L"";
        if (candidate) GetWindowTextW(candidate, caption, 256);
        if (candidate && Narrow(caption) == title) {
          found = candidate;
        } else {
          Sleep(20);
        }
      }
      if (!found) return;
      seen_ = true;
      owner_ = GetWindow(found, GW_OWNER);
      // The name box: a combo box with an edit (cmb13) or a plain edit (edt1).
      HWND box = GetDlgItem(found, 0x47c);
      if (!box) box = GetDlgItem(found, 0x480);
      if (!box) {
        PostMessageW(found, WM_COMMAND, IDCANCEL, 0);
        return;
      }
      SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(name).c_str()));
      PostMessageW(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(found, IDOK)));
      // Either the file dialog goes, or it asks first.
      end = Clock::now() + std::chrono::seconds(10);
      while (IsWindow(found) && Clock::now() < end) {
        HWND question = test_support::FindProcessWindow(GetCurrentProcessId(), "#32770", found);
        if (question && question != except && GetWindow(question, GW_OWNER) == found) {
          question_ += test_support::StaticText(question);
          PostMessageW(question, WM_COMMAND, MAKEWPARAM(reply, BN_CLICKED), 0);
          end = Clock::now() + std::chrono::seconds(10);
          while (IsWindow(question) && Clock::now() < end) Sleep(20);
          if (reply != IDYES) break;
          while (IsWindow(found) && Clock::now() < end) Sleep(20);
          break;
        }
        Sleep(20);
      }
      if (IsWindow(found)) PostMessageW(found, WM_COMMAND, IDCANCEL, 0);
    });
  }
  ~FileDialogAnswerer() { Wait(); }
  void Wait() {
    if (thread_.joinable()) thread_.join();
  }
  bool seen() const { return seen_; }
  HWND owner() const { return owner_; }
  const std::string& question() const { return question_; }

 private:
  bool seen_ = false;
  HWND owner_ = nullptr;
  std::string question_;
  std::thread thread_;
};

// A 60 MB AVI with its index: long enough that a repair is still going
// when the dialog's timer first sees its progress.
void WriteLongAvi(const std::string& path, uint32_t frames = 40000) {
  avirepair::test::AviBuilder builder;
  for (uint32_t i = 0; i < frames; ++i) builder.Add("00dc", avirepair::test::Mpeg4Frame(i, i % 25 == 0, 1500));
  ASSERT_TRUE(WriteWhole(path, builder.Build()));
}

class VideoFixTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    HMODULE skarn = LoadLibraryA(g_skarn_dll.c_str());
    ASSERT_NE(skarn, nullptr) << g_skarn_dll;
    auto reg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(skarn, "DllRegisterServer")));
    ASSERT_NE(reg, nullptr);
    ASSERT_EQ(reg(), S_OK);
  }
  static void TearDownTestSuite() { CoUninitialize(); }

  void SetUp() override { settings_.Reset(); }

  // The first half of the encoder-made clip in `path`: a damaged AVI.
  static bool WriteHalfClip(const std::string& path) {
    Bytes original = ReadWhole(g_media + "\\mjpeg_pcm.avi");
    return WriteWhole(path, Bytes(original.begin(), original.begin() + long(original.size() / 2)));
  }

  // The dialog shown, and a damaged clip "in.avi" in the test's folder.
  std::string ShowWithDamagedInput(HWND* dialog) {
    *dialog = CreateDialogWithSkarn();
    dialog_.Show();
    const std::string in = folder_.File("in.avi");
    EXPECT_TRUE(WriteHalfClip(in));
    return in;
  }

  // The dialog shown with a long repair named in its edits, not started.
  HWND ShowWithLongRun() {
    HWND dialog = CreateDialogWithSkarn();
    dialog_.Show();
    const std::string in = folder_.File("long.avi");
    WriteLongAvi(in);
    Type(dialog, VideoFixDialog::kInputEdit, in);
    Type(dialog, VideoFixDialog::kOutputEdit, folder_.File("out.avi"));
    return dialog;
  }

  // Starts the long run of ShowWithLongRun and waits for its progress; true
  // when it is still going then. A fast machine may end a run before the
  // test can stop it: the input then grows until a run is still going once
  // it has shown progress.
  bool StartRunStillGoing(HWND dialog) {
    bool running = false;
    for (uint32_t frames = 40000; !running && frames <= 40000u * 27; frames *= 3) {
      if (frames > 40000) {
        WriteLongAvi(folder_.File("long.avi"), frames);
        Pump(dialog, 200);
      }
      Click(dialog, VideoFixDialog::kStartButton);
      EXPECT_FALSE(StartEnabled(dialog));
      bool progressed = PumpUntil(
          dialog, [&] { return Progress(dialog) >= 1 || !Status(dialog).empty(); }, 30000);
      EXPECT_TRUE(progressed) << "no progress within 30 s";
      running = Status(dialog).empty();
      if (!running)
        PumpUntil(
            dialog, [&] { return StartEnabled(dialog); }, 10000);
    }
    return running;
  }

  // The dialog, created with the real Skarn and no box in the way.
  HWND CreateDialogWithSkarn() {
    BoxAnswerer unexpected(nullptr, 300);
    EXPECT_TRUE(dialog_.Create(nullptr));
    EXPECT_FALSE(unexpected.Finish().seen) << unexpected.Finish().text;
    EXPECT_TRUE(dialog_.available());
    return dialog_.window();
  }

  // Starts a repair of the named files and waits for its outcome.
  std::string RunToOutcome(HWND dialog, const std::string& input, const std::string& output, int seconds = 60) {
    Type(dialog, VideoFixDialog::kInputEdit, input);
    Type(dialog, VideoFixDialog::kOutputEdit, output);
    Click(dialog, VideoFixDialog::kStartButton);
    EXPECT_FALSE(StartEnabled(dialog)) << "Start stays enabled while the repair runs";
    EXPECT_TRUE(PumpUntil(
        dialog, [&] { return !Status(dialog).empty(); }, DWORD(seconds) * 1000))
        << "no outcome within " << seconds << " s";
    return Status(dialog);
  }

  Watchdog watchdog_{120};
  ScratchFolder folder_;
  PlayerSettings settings_;
  VideoFixDialog dialog_{GetModuleHandleW(nullptr), settings_};
};

// ------------------------------------------------------------ the window

TEST_F(VideoFixTest, CreatedHiddenWithItsControlsAndATimerPollingTheRepairObject) {
  HWND dialog = CreateDialogWithSkarn();
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(IsWindowVisible(dialog));
  wchar_t caption[64] = L"";
  GetWindowTextW(dialog, caption, 64);
  EXPECT_EQ(std::wstring(caption), L"Video Fixing");
  struct Control {
    int id;
    const char* cls;
    const wchar_t* text;
  };
  const Control controls[] = {{VideoFixDialog::kInputEdit, "Edit", L""},
                              {VideoFixDialog::kOutputEdit, "Edit", L""},
                              {VideoFixDialog::kInputBrowse, "Button", L"..."},
                              {VideoFixDialog::kOutputBrowse, "Button", L"..."},
                              {VideoFixDialog::kProgressBar, "msctls_progress32", L""},
                              {VideoFixDialog::kStatusText, "Static", L""},
                              {VideoFixDialog::kStartButton, "Button", L"Start"},
                              {VideoFixDialog::kCancelButton, "Button", L"Cancel"}};
  for (const Control& c : controls) {
    HWND item = GetDlgItem(dialog, c.id);
    ASSERT_NE(item, nullptr) << c.id;
    char cls[64] = "";
    GetClassNameA(item, cls, sizeof cls);
    EXPECT_STREQ(cls, c.cls) << c.id;
    EXPECT_EQ(ItemText(dialog, c.id), c.text) << c.id;
  }
  const std::string statics = test_support::StaticText(dialog);
  EXPECT_NE(statics.find("Input file:"), std::string::npos) << statics;
  EXPECT_NE(statics.find("Output file:"), std::string::npos) << statics;
  EXPECT_NE(statics.find("It depends on computer speed and video size and can take time. Please be patient."),
            std::string::npos)
      << statics;

  PBRANGE range = {};
  SendDlgItemMessageW(dialog, VideoFixDialog::kProgressBar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iLow, 0);
  EXPECT_EQ(range.iHigh, 100);
  EXPECT_EQ(Progress(dialog), 50);
  // An idle repair object reports 0 %: the timer has asked it.
  EXPECT_TRUE(PumpUntil(
      dialog, [&] { return Progress(dialog) == 0; }, 2000))
      << Progress(dialog);
  EXPECT_FALSE(IsWindowVisible(dialog));
}

TEST_F(VideoFixTest, ShowPlacesItAtTheStoredPositionWithEmptyFieldsAndHidingKeepsWhereItWas) {
  settings_.video_fixing_x = 130;
  settings_.video_fixing_y = 90;
  HWND dialog = CreateDialogWithSkarn();
  ASSERT_NE(dialog, nullptr);
  Type(dialog, VideoFixDialog::kInputEdit, "C:\\old\\in.avi");
  Type(dialog, VideoFixDialog::kOutputEdit, "C:\\old\\out.avi");
  SetDlgItemTextW(dialog, VideoFixDialog::kStatusText, L"Completed");

  dialog_.Show();
  EXPECT_TRUE(IsWindowVisible(dialog));
  RECT rect;
  GetWindowRect(dialog, &rect);
  EXPECT_EQ(rect.left, 130);
  EXPECT_EQ(rect.top, 90);
  EXPECT_EQ(ItemText(dialog, VideoFixDialog::kInputEdit), L"");
  EXPECT_EQ(ItemText(dialog, VideoFixDialog::kOutputEdit), L"");
  EXPECT_EQ(Status(dialog), "");

  // The close box hides it and keeps where the user moved it.
  SetWindowPos(dialog, nullptr, 210, 160, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SendMessageW(dialog, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(dialog));
  EXPECT_EQ(settings_.video_fixing_x, 210);
  EXPECT_EQ(settings_.video_fixing_y, 160);

  dialog_.Show();
  GetWindowRect(dialog, &rect);
  EXPECT_EQ(rect.left, 210);
  EXPECT_EQ(rect.top, 160);
  // Escape comes as IDCANCEL: it hides too.
  SetWindowPos(dialog, nullptr, 240, 170, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  EXPECT_FALSE(IsWindowVisible(dialog));
  EXPECT_EQ(settings_.video_fixing_x, 240);
  EXPECT_EQ(settings_.video_fixing_y, 170);

  // Destruction keeps the position as well, and the window goes.
  dialog_.Show();
  SetWindowPos(dialog, nullptr, 250, 180, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  dialog_.Destroy();
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(dialog_.window(), nullptr);
  EXPECT_FALSE(dialog_.available());
  EXPECT_EQ(settings_.video_fixing_x, 250);
  EXPECT_EQ(settings_.video_fixing_y, 180);
}

TEST_F(VideoFixTest, ADialogNeverShownLeavesTheStoredPositionAsItWas) {
  settings_.video_fixing_x = 321;
  settings_.video_fixing_y = 123;
  ASSERT_NE(CreateDialogWithSkarn(), nullptr);
  dialog_.Hide();
  EXPECT_EQ(settings_.video_fixing_x, 321);
  EXPECT_EQ(settings_.video_fixing_y, 123);
  dialog_.Destroy();
  EXPECT_EQ(settings_.video_fixing_x, 321);
  EXPECT_EQ(settings_.video_fixing_y, 123);
}

TEST_F(VideoFixTest, WithoutTheRepairClassItSaysSoOnceAndNeverShows) {
  VideoFixDialog missing(GetModuleHandleW(nullptr), settings_, L"Skarn.NoSuchFixer.1");
  BoxAnswerer answer;
  ASSERT_TRUE(missing.Create(nullptr));
  const Box& box = answer.Wait();
  ASSERT_TRUE(box.seen);
  EXPECT_EQ(box.text, "There is no Avi fixer COM object. Avi fixing feature is not avaible");
  EXPECT_EQ(box.caption, "");
  EXPECT_EQ(box.owner, missing.window());
  EXPECT_FALSE(missing.available());
  HWND dialog = missing.window();
  ASSERT_NE(dialog, nullptr);

  BoxAnswerer nothing_more(nullptr, 1000);
  missing.Show();
  EXPECT_FALSE(IsWindowVisible(dialog));
  // Start, Cancel and the timer have no object to drive: the progress keeps
  // its first position, nothing is said, no file appears.
  std::string in = folder_.File("in.avi");
  ASSERT_TRUE(WriteWhole(in, ReadWhole(g_media + "\\mjpeg_pcm.avi")));
  Type(dialog, VideoFixDialog::kInputEdit, in);
  Type(dialog, VideoFixDialog::kOutputEdit, folder_.File("out.avi"));
  Click(dialog, VideoFixDialog::kStartButton);
  Click(dialog, VideoFixDialog::kCancelButton);
  Pump(dialog, 400);
  EXPECT_EQ(Progress(dialog), 50);
  EXPECT_EQ(Status(dialog), "");
  EXPECT_FALSE(nothing_more.Finish().seen) << nothing_more.Finish().text;
  EXPECT_EQ(Listing(folder_.path()), std::vector<std::string>{"in.avi"});
  missing.Destroy();
  EXPECT_FALSE(IsWindow(dialog));
}

// ------------------------------------------------------------ repairs

TEST_F(VideoFixTest, DamagedFilesAreRepairedToCompletion) {
  HWND dialog = CreateDialogWithSkarn();
  dialog_.Show();
  Bytes original = ReadWhole(g_media + "\\mjpeg_pcm.avi");
  ASSERT_GT(original.size(), 10000u);
  avirepair::test::ParsedAvi parsed = avirepair::test::ParseAvi(original);
  ASSERT_EQ(parsed.error, "");
  ASSERT_TRUE(parsed.hasIndex);
  // Without its index, then cut off in the middle of the movie data.
  Bytes no_index(original.begin(), original.begin() + long(parsed.moviStart + parsed.moviSize));
  Bytes cut(original.begin(), original.begin() + long(original.size() * 6 / 10));
  struct Case {
    const char* name;
    const Bytes& data;
  };
  for (const Case& c : {Case{"noindex", no_index}, Case{"cut", cut}}) {
    SCOPED_TRACE(c.name);
    std::string in = folder_.File(std::string(c.name) + ".avi");
    std::string out = folder_.File(std::string(c.name) + "-fixed.avi");
    ASSERT_TRUE(WriteWhole(in, c.data));
    EXPECT_EQ(RunToOutcome(dialog, in, out), "Completed");
    EXPECT_EQ(Progress(dialog), 100);
    EXPECT_TRUE(StartEnabled(dialog));
    ASSERT_TRUE(fs::exists(out));
    avirepair::test::ParsedAvi repaired = avirepair::test::ParseAvi(ReadWhole(out));
    EXPECT_EQ(avirepair::test::CheckRepaired(repaired), "");
    EXPECT_TRUE(repaired.hasIndex);
    EXPECT_FALSE(repaired.chunks.empty());
    EXPECT_EQ(ReadWhole(in), c.data);
    // The outcome is told once: the next ticks leave the status alone.
    SetDlgItemTextW(dialog, VideoFixDialog::kStatusText, L"-");
    Pump(dialog, 350);
    EXPECT_EQ(Status(dialog), "-");
  }
}

TEST_F(VideoFixTest, ATextFileFailsWithTheLibrarysReason) {
  HWND dialog = CreateDialogWithSkarn();
  dialog_.Show();
  std::string in = folder_.File("notes.txt");
  test_support::WriteText(in, "just some text, no video\r\n");
  std::string status = RunToOutcome(dialog, in, folder_.File("out.avi"), 20);
  EXPECT_EQ(status.rfind("Failed: ", 0), 0u) << status;
  EXPECT_NE(status.find("not an AVI"), std::string::npos) << status;
  EXPECT_TRUE(StartEnabled(dialog));
  EXPECT_EQ(Listing(folder_.path()), std::vector<std::string>{"notes.txt"});

  // A missing input fails as well, and so does a second text run: each run
  // gets its own outcome.
  status = RunToOutcome(dialog, folder_.File("missing.avi"), folder_.File("out.avi"), 20);
  EXPECT_EQ(status.rfind("Failed: ", 0), 0u) << status;
  EXPECT_GT(status.size(), std::string("Failed: ").size());
  EXPECT_EQ(Listing(folder_.path()), std::vector<std::string>{"notes.txt"});
}

TEST_F(VideoFixTest, TheSameFileAsInputAndOutputIsRefusedAndLeftAsItWas) {
  HWND dialog = CreateDialogWithSkarn();
  dialog_.Show();
  Bytes original = ReadWhole(g_media + "\\mjpeg_pcm.avi");
  Bytes input(original.begin(), original.begin() + long(original.size() * 7 / 10));
  std::string in = folder_.File("in.avi");
  ASSERT_TRUE(WriteWhole(in, input));
  test_support::CurrentDirectory here(folder_.path());
  // Another case, a detour through ".", a name relative to the current
  // directory, a file not there yet, and a hard link: the same file each
  // time.
  std::string upper = folder_.path() + "\\.\\IN.AVI";
  // A second name of the same file, too: a hard link.
  std::string link = folder_.File("link.avi");
  ASSERT_TRUE(CreateHardLinkA(link.c_str(), in.c_str(), nullptr)) << GetLastError();
  const std::pair<std::string, std::string> same[] = {
      {in, in}, {in, upper}, {"in.avi", in}, {"missing.avi", folder_.File("MISSING.AVI")}, {in, link}};
  for (const auto& names : same) {
    SCOPED_TRACE(names.first + " -> " + names.second);
    Type(dialog, VideoFixDialog::kInputEdit, names.first);
    Type(dialog, VideoFixDialog::kOutputEdit, names.second);
    BoxAnswerer answer(dialog);
    Click(dialog, VideoFixDialog::kStartButton);
    const Box& box = answer.Wait();
    ASSERT_TRUE(box.seen) << "no message";
    EXPECT_NE(box.text.find("same file"), std::string::npos) << box.text;
    EXPECT_EQ(box.owner, dialog);
    EXPECT_TRUE(StartEnabled(dialog));
    Pump(dialog, 300);
    EXPECT_EQ(Status(dialog), "");
    EXPECT_EQ(ReadWhole(in), input);
    EXPECT_EQ(ReadWhole(link), input);
    EXPECT_EQ(Listing(folder_.path()), (std::vector<std::string>{"in.avi", "link.avi"}));
  }
  // A different output is repaired from the same input.
  EXPECT_EQ(RunToOutcome(dialog, "in.avi", "out.avi"), "Completed");
  EXPECT_TRUE(fs::exists(folder_.File("out.avi")));
  EXPECT_EQ(ReadWhole(in), input);
}

// Skarn opens its files by their ANSI names. A name that the code page
// would change (U+0100 becomes "A" by best fit, U+4E2D a question mark under
// a Western code page) must not send the repair to another file: either the
// named file is written, or the user is told and nothing is written.
TEST_F(VideoFixTest, ANameTheRepairLibraryCannotOpenAsGivenIsNeverSwappedForAnother) {
  HWND dialog = nullptr;
  const std::string in = ShowWithDamagedInput(&dialog);
  std::string bystander = folder_.File("A.avi");
  test_support::WriteText(bystander, "keep me");
  for (const wchar_t* name : {L"\u0100.avi", L"\u4E2D.avi"}) {
    SCOPED_TRACE(Narrow(name));
    std::wstring output = Wide(folder_.path()) + L"\\" + name;
    Type(dialog, VideoFixDialog::kInputEdit, in);
    SetDlgItemTextW(dialog, VideoFixDialog::kOutputEdit, output.c_str());
    BoxAnswerer answer(dialog, 3000);
    Click(dialog, VideoFixDialog::kStartButton);
    const Box& box = answer.Wait();  // 3 s when no box comes
    if (box.seen) {
      EXPECT_NE(box.text.find("cannot use"), std::string::npos) << box.text;
      Pump(dialog, 300);
      EXPECT_EQ(Status(dialog), "");
      EXPECT_EQ(GetFileAttributesW(output.c_str()), INVALID_FILE_ATTRIBUTES);
    } else {
      EXPECT_TRUE(PumpUntil(
          dialog, [&] { return !Status(dialog).empty(); }, 60000));
      EXPECT_EQ(Status(dialog), "Completed");
      EXPECT_NE(GetFileAttributesW(output.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    Bytes kept = ReadWhole(bystander);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "keep me");
    EXPECT_TRUE(StartEnabled(dialog));
  }
}

TEST_F(VideoFixTest, TheEditsAloneNameTheFiles) {
  HWND dialog = nullptr;
  const std::string in = ShowWithDamagedInput(&dialog);

  // An emptied edit names nothing: Start does not run a repair.
  struct Missing {
    const char* input;
    const char* output;
  };
  for (const Missing& m : {Missing{"in.avi", ""}, Missing{"", "out.avi"}, Missing{"", ""}}) {
    Type(dialog, VideoFixDialog::kInputEdit, *m.input ? in : "");
    Type(dialog, VideoFixDialog::kOutputEdit, *m.output ? folder_.File(m.output) : "");
    BoxAnswerer unexpected(dialog, 500);
    Click(dialog, VideoFixDialog::kStartButton);
    EXPECT_FALSE(unexpected.Finish().seen) << unexpected.Finish().text;
    EXPECT_TRUE(StartEnabled(dialog));
    Pump(dialog, 300);
    std::string status = Status(dialog);
    EXPECT_NE(status.find("Choose the"), std::string::npos) << status;
    EXPECT_EQ(Listing(folder_.path()), std::vector<std::string>{"in.avi"});
  }

  // Names typed by hand, changed after an earlier one was typed: the last
  // text is the one repaired.
  Type(dialog, VideoFixDialog::kOutputEdit, folder_.File("first.avi"));
  std::string status = RunToOutcome(dialog, in, folder_.File("typed.avi"));
  EXPECT_EQ(status, "Completed");
  EXPECT_EQ(Listing(folder_.path()), (std::vector<std::string>{"in.avi", "typed.avi"}));
}

TEST_F(VideoFixTest, TheBrowseButtonsPutTheChosenNamesIntoTheEdits) {
  HWND dialog = nullptr;
  const std::string in = ShowWithDamagedInput(&dialog);
  std::string existing = folder_.File("existing.avi");
  test_support::WriteText(existing, "an earlier copy");

  {
    FileDialogAnswerer answer(dialog, "Input file", in);
    Click(dialog, VideoFixDialog::kInputBrowse);
    answer.Wait();
    ASSERT_TRUE(answer.seen()) << "no \"Input file\" dialog";
    EXPECT_EQ(answer.owner(), dialog);
    EXPECT_EQ(Narrow(ItemText(dialog, VideoFixDialog::kInputEdit)), in);
  }
  {
    // An existing output is asked about before it is taken.
    FileDialogAnswerer answer(dialog, "Output file", existing);
    Click(dialog, VideoFixDialog::kOutputBrowse);
    answer.Wait();
    ASSERT_TRUE(answer.seen()) << "no \"Output file\" dialog";
    EXPECT_EQ(answer.owner(), dialog);
    EXPECT_NE(answer.question(), "") << "no question before replacing the file";
    EXPECT_EQ(Narrow(ItemText(dialog, VideoFixDialog::kOutputEdit)), existing);
  }
  // An input that does not exist is not taken.
  {
    FileDialogAnswerer answer(dialog, "Input file", folder_.File("nowhere.avi"), IDOK);
    Click(dialog, VideoFixDialog::kInputBrowse);
    answer.Wait();
    ASSERT_TRUE(answer.seen());
    EXPECT_NE(answer.question(), "") << "a missing input was not questioned";
    EXPECT_EQ(Narrow(ItemText(dialog, VideoFixDialog::kInputEdit)), in);
  }
  EXPECT_EQ(RunToOutcome(dialog, Narrow(ItemText(dialog, VideoFixDialog::kInputEdit)),
                         Narrow(ItemText(dialog, VideoFixDialog::kOutputEdit))),
            "Completed");
  EXPECT_TRUE(avirepair::test::ParseAvi(ReadWhole(existing)).hasIndex);
}

TEST_F(VideoFixTest, CancelStopsALongRunAndTheDialogKeepsAnswering) {
  HWND dialog = ShowWithLongRun();

  // Another thread keeps asking the dialog while the repair runs.
  std::atomic<bool> watching{true};
  std::atomic<int> answered{0}, unanswered{0};
  std::atomic<long long> slowest_ms{0};
  std::thread watcher([&] {
    while (watching) {
      auto begin = Clock::now();
      DWORD_PTR result = 0;
      if (SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result)) {
        ++answered;
      } else {
        ++unanswered;
      }
      long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin).count();
      if (ms > slowest_ms) slowest_ms = ms;
      Sleep(20);
    }
  });

  ASSERT_TRUE(StartRunStillGoing(dialog)) << "every run ended before it could be cancelled";
  EXPECT_FALSE(StartEnabled(dialog));

  // Cancel, sent from the other thread: it returns soon, and the outcome
  // follows on the next ticks.
  auto begin = Clock::now();
  std::atomic<bool> cancel_answered{false}, cancel_returned{false};
  std::thread canceller([&] {
    DWORD_PTR result = 0;
    cancel_answered = SendMessageTimeoutW(dialog, WM_COMMAND, MAKEWPARAM(VideoFixDialog::kCancelButton, BN_CLICKED), 0,
                                          SMTO_NORMAL, 5000, &result) != 0;
    cancel_returned = true;
  });
  EXPECT_TRUE(PumpUntil(
      dialog, [&] { return !Status(dialog).empty() && cancel_returned; }, 10000));
  // The dialog keeps taking messages until the other thread's call is back.
  PumpUntil(
      dialog, [&] { return cancel_returned.load(); }, 6000);
  canceller.join();
  long long cancel_ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin).count();
  watching = false;
  watcher.join();

  EXPECT_TRUE(cancel_answered);
  EXPECT_EQ(Status(dialog), "Cancelled");
  EXPECT_LT(cancel_ms, 3000);
  EXPECT_TRUE(StartEnabled(dialog));
  EXPECT_EQ(Progress(dialog), 0);
  EXPECT_GT(answered, 0);
  EXPECT_EQ(unanswered, 0);
  EXPECT_LT(slowest_ms, 1000);
  // Nothing more is said, and the repaired copy was left unfinished.
  Pump(dialog, 300);
  EXPECT_EQ(Status(dialog), "Cancelled");
  if (fs::exists(folder_.File("out.avi"))) {
    EXPECT_FALSE(avirepair::test::ParseAvi(ReadWhole(folder_.File("out.avi"))).hasIndex);
  }

  // The next run of the same dialog goes through.
  std::string small = folder_.File("small.avi");
  ASSERT_TRUE(WriteHalfClip(small));
  EXPECT_EQ(RunToOutcome(dialog, small, folder_.File("small-fixed.avi")), "Completed");
}

TEST_F(VideoFixTest, CancelWithNoRunAndHidingDuringARunChangeNothing) {
  HWND dialog = CreateDialogWithSkarn();
  dialog_.Show();
  // No run: Cancel says nothing and Start stays enabled.
  Click(dialog, VideoFixDialog::kCancelButton);
  Pump(dialog, 300);
  EXPECT_EQ(Status(dialog), "");
  EXPECT_TRUE(StartEnabled(dialog));

  // A run goes on while the dialog is hidden and tells its outcome there.
  std::string in = folder_.File("in.avi");
  Bytes original = ReadWhole(g_media + "\\mpeg4_mp3.avi");
  ASSERT_TRUE(WriteWhole(in, Bytes(original.begin(), original.begin() + long(original.size() * 8 / 10))));
  Type(dialog, VideoFixDialog::kInputEdit, in);
  Type(dialog, VideoFixDialog::kOutputEdit, folder_.File("out.avi"));
  Click(dialog, VideoFixDialog::kStartButton);
  dialog_.Hide();
  EXPECT_TRUE(PumpUntil(
      dialog, [&] { return !Status(dialog).empty(); }, 60000));
  EXPECT_EQ(Status(dialog), "Completed");
  EXPECT_TRUE(StartEnabled(dialog));
  EXPECT_TRUE(fs::exists(folder_.File("out.avi")));
}

TEST_F(VideoFixTest, DestroyingTheDialogDuringARunStopsIt) {
  HWND dialog = ShowWithLongRun();
  ASSERT_TRUE(StartRunStillGoing(dialog)) << "every run ended before the dialog could be destroyed";
  ASSERT_GE(Progress(dialog), 1);
  auto begin = Clock::now();
  dialog_.Destroy();
  long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin).count();
  EXPECT_LT(ms, 3000);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_FALSE(dialog_.available());
  // The stopped run left no finished copy.
  if (fs::exists(folder_.File("out.avi"))) {
    EXPECT_FALSE(avirepair::test::ParseAvi(ReadWhole(folder_.File("out.avi"))).hasIndex);
  }
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc > 2) {
    g_skarn_dll = WinePath(argv[1]);
    g_media = WinePath(argv[2]);
  } else {
    std::fprintf(stderr, "usage: player_video_fix_tests SKARN.DLL MEDIA-FOLDER\n");
    return 2;
  }
  return RUN_ALL_TESTS();
}
