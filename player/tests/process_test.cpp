// The real ZelvoPlayer.exe as a separate process: its resources, the message
// box it shows when it has no skin, its exit code, the settings file it
// leaves in the folder it was started from, and its skin under real clicks.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "player/tests/process_support.h"
#include "player/tests/test_support.h"

using namespace test_support;
using namespace process_support;

namespace {

// A copy of the program in a folder of its own, without any skin beside it.
std::string BarePlayer(const ScratchFolder& dir) {
  CreateDirectoryA(dir.File("bin").c_str(), nullptr);
  std::string exe = dir.File("bin\\ZelvoPlayer.exe");
  CopyFileA(PlayerExe().c_str(), exe.c_str(), FALSE);
  return exe;
}

struct Box {
  std::string caption;
  std::string text;
};

// Waits for the process's message box, reads it and presses OK.
bool AnswerMessageBox(DWORD process, Box* box, DWORD timeout_ms) {
  HWND found = WaitForProcessWindow(process, "#32770", timeout_ms);
  if (!found) return false;
  char caption[256] = "";
  GetWindowTextA(found, caption, sizeof caption);
  box->caption = caption;
  box->text = StaticText(found);
  PostMessageA(found, WM_COMMAND, IDOK, 0);
  return true;
}

struct PlayerRun {
  bool started = false;
  bool box_seen = false;
  Box box;
  DWORD exit_code = 0xDEAD;
};

PlayerRun RunPlayer(const std::string& exe, const std::string& folder, const std::string& arguments) {
  PlayerRun run;
  PROCESS_INFORMATION pi;
  run.started = StartPlayer(exe, folder, arguments, &pi);
  if (!run.started) return run;
  run.box_seen = AnswerMessageBox(pi.dwProcessId, &run.box, 30000);
  if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
  GetExitCodeProcess(pi.hProcess, &run.exit_code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return run;
}

}  // namespace

TEST(PlayerProcess, WithoutASkinItSaysSoAndStillWritesItsSettings) {
  ScratchFolder dir;
  PlayerRun run = RunPlayer(BarePlayer(dir), dir.path(), "-tray clip.avi");
  ASSERT_TRUE(run.started) << PlayerExe();
  ASSERT_TRUE(run.box_seen);
  EXPECT_EQ("Can't start...", run.box.caption);
  EXPECT_EQ("Skin loading failed", run.box.text);
  EXPECT_EQ(0u, run.exit_code);
  // The failed skin ends start-up before the command line is read.
  EXPECT_EQ(FreshSettingsFile(), ReadLines(dir.File("Zelvo.ini")));
}

TEST(PlayerProcess, ABrokenDefaultSkinArchiveEndsStartUp) {
  if (!HasDefaultSkin()) GTEST_SKIP() << "no DefaultSkin.wsz beside the program";
  std::ifstream in(BuildFolder() + "DefaultSkin.wsz", std::ios::binary);
  const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (const std::string& broken : {std::string("not a zip archive\r\n"), whole.substr(0, whole.size() / 2)}) {
    ScratchFolder dir;
    const std::string exe = BarePlayer(dir);
    CopyFileA((BuildFolder() + "DefaultSkin.xml").c_str(), dir.File("bin\\DefaultSkin.xml").c_str(), FALSE);
    std::ofstream(dir.File("bin\\DefaultSkin.wsz"), std::ios::binary) << broken;
    PlayerRun run = RunPlayer(exe, dir.path(), "");
    ASSERT_TRUE(run.box_seen);
    EXPECT_EQ("Can't start...", run.box.caption);
    EXPECT_EQ("Skin loading failed", run.box.text);
    EXPECT_EQ(0u, run.exit_code);
  }
}

TEST(PlayerProcess, SettingsFollowTheFolderItStartsIn) {
  ScratchFolder a, b;
  std::string exe = BarePlayer(a);
  WriteText(a.File("Zelvo.ini"), "[Zelvo Player]\r\nVolume=-700\r\nShuffle=yes\r\nMuted=1\r\n");
  PlayerRun run = RunPlayer(exe, a.path(), "");
  ASSERT_TRUE(run.box_seen);
  auto lines = ReadLines(a.File("Zelvo.ini"));
  EXPECT_EQ("-700", ValueOf(lines, "Volume"));
  EXPECT_EQ("1", ValueOf(lines, "Shuffle"));
  EXPECT_EQ("0", ValueOf(lines, "Muted"));
  // Keys the file already had keep their places; every other key is added.
  EXPECT_EQ(FreshSettingsFile().size(), lines.size());

  run = RunPlayer(exe, b.path(), "");
  ASSERT_TRUE(run.box_seen);
  EXPECT_EQ(FreshSettingsFile(), ReadLines(b.File("Zelvo.ini")));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(a.File("bin\\Zelvo.ini").c_str()));
}

TEST(PlayerProcess, AcceleratorTable149HoldsExactlyThePlayersKeys) {
  HMODULE exe = LoadLibraryExA(PlayerExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(exe);
  HACCEL table = LoadAcceleratorsA(exe, MAKEINTRESOURCEA(149));
  ASSERT_TRUE(table);
  ACCEL entries[64];
  int count = CopyAcceleratorTableA(table, entries, 64);
  struct Want {
    BYTE flags;
    WORD key;
    WORD cmd;
  };
  const BYTE V = FVIRTKEY | FNOINVERT;
  const Want want[] = {
      {V | FALT, '1', 212},       {V | FALT, '2', 213},       {V | FALT, '3', 214},
      {V, 'B', 221},              {V | FSHIFT, 'B', 159},     {V, 'C', 133},
      {V, 'F', 221},              {V, 'L', 129},              {V | FCONTROL, 'L', 129},
      {V, 'M', 207},              {V, 'M', 207},              {V, 'P', 216},
      {V | FCONTROL, 'P', 133},   {V | FCONTROL, 'Q', 105},   {V | FALT, 'Q', 105},
      {V, 'R', 209},              {V | FCONTROL, 'R', 211},   {V, 'S', 220},
      {V | FCONTROL, 'S', 218},   {V, 'T', 222},              {V, 'V', 132},
      {V, VK_ESCAPE, 105},        {V | FSHIFT, VK_ESCAPE, 205}, {V, VK_F1, 226},
      {V, VK_F2, 225},            {V, VK_F3, 228},            {V, VK_F4, 227},
      {V, VK_F5, 195},            {V, VK_F6, 196},            {V, VK_F7, 194},
      {V, VK_F8, 193},            {V, VK_OEM_4, 210},         {V, VK_OEM_6, 208},
      {V, VK_RIGHT, 221},         {V, VK_LEFT, 209},
      {V | FALT, VK_RETURN, 134}, {V, VK_SPACE, 133},         {V, 'X', 180},
      {V, 'Z', 209},              {V | FSHIFT, 'Z', 160},
  };
  ASSERT_EQ(static_cast<int>(sizeof want / sizeof want[0]), count);
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(want[i].flags, entries[i].fVirt & 0x7F) << "entry " << i;
    EXPECT_EQ(want[i].key, entries[i].key) << "entry " << i;
    EXPECT_EQ(want[i].cmd, entries[i].cmd) << "entry " << i;
  }
  FreeLibrary(exe);
}

TEST(PlayerProcess, ExportsMcTransparentBltByName) {
  HMODULE exe = LoadLibraryExA(PlayerExe().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  ASSERT_TRUE(exe);
  EXPECT_NE(nullptr, reinterpret_cast<void*>(GetProcAddress(exe, "McTransparentBlt")));
  FreeLibrary(exe);
}

TEST(PlayerProcess, IsA32BitWindowsProgram) {
  HANDLE file = CreateFileA(PlayerExe().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  IMAGE_DOS_HEADER dos;
  DWORD got = 0;
  ReadFile(file, &dos, sizeof dos, &got, nullptr);
  SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN);
  IMAGE_NT_HEADERS32 nt;
  ReadFile(file, &nt, sizeof nt, &got, nullptr);
  CloseHandle(file);
  EXPECT_EQ(IMAGE_NT_SIGNATURE, nt.Signature);
  EXPECT_EQ(IMAGE_FILE_MACHINE_I386, nt.FileHeader.Machine);
  EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, nt.OptionalHeader.Subsystem);
}



TEST(PlayerProcess, WithItsDefaultSkinItShowsTheMainWindowAndClosesCleanly) {
  if (!HasDefaultSkin()) GTEST_SKIP() << "no DefaultSkin.wsz beside the program";
  ScratchFolder dir;
  PROCESS_INFORMATION pi;
  ASSERT_TRUE(StartPlayer(PlayerExe(), dir.path(), "-autoplay /autoclose clip one.avi", &pi));
  HWND main = WaitForProcessWindow(pi.dwProcessId, "MainSkin", 30000);
  Box box;
  if (!main && AnswerMessageBox(pi.dwProcessId, &box, 100)) {
    ADD_FAILURE() << "the player said \"" << box.text << "\" (" << box.caption << ")";
  }
  ASSERT_TRUE(main);
  Sleep(300);
  CloseAndExpectCleanExit(main, pi);
  auto lines = ReadLines(dir.File("Zelvo.ini"));
  EXPECT_EQ(FreshSettingsFile().size(), lines.size());
  EXPECT_EQ("clip one.avi", ValueOf(lines, "Last file name"));
  EXPECT_EQ("1", ValueOf(lines, "Auto start playback"));
  EXPECT_EQ("1", ValueOf(lines, "Auto close"));
  EXPECT_EQ("1", ValueOf(lines, "Is Playlist visible"));
}

TEST(PlayerProcess, ButtonsOfTheDefaultSkinAnswerRealClicks) {
  if (!HasDefaultSkin()) GTEST_SKIP() << "no DefaultSkin.wsz beside the program";
  ScratchFolder dir;
  PROCESS_INFORMATION pi;
  ASSERT_TRUE(StartPlayer(PlayerExe(), dir.path(), "", &pi));
  HWND main = WaitForProcessWindow(pi.dwProcessId, "MainSkin", 30000);
  HWND playlist = WaitForProcessWindow(pi.dwProcessId, "PlayList", 10000);
  ASSERT_TRUE(main && playlist);
  SetForegroundWindow(main);

  // The playlist button hides the shown playlist and shows it again: each
  // press and release on it is a click, carried out by the player.
  POINT at;
  ASSERT_TRUE(WaitUntil([&] { return ElementCentre(main, "PlaylistOn", &at); }, 5000));
  EXPECT_TRUE(ClickUntil(at, [&] { return !IsWindowVisible(playlist); })) << "the click did not hide the playlist";
  ASSERT_TRUE(WaitUntil([&] { return ElementCentre(main, "PlaylistOff", &at); }, 3000));
  EXPECT_TRUE(ClickUntil(at, [&] { return IsWindowVisible(playlist) != FALSE; }));
  // Repeat is on in a fresh settings file; its button switches it off.
  ASSERT_TRUE(WaitUntil([&] { return ElementCentre(main, "RepeatOn", &at); }, 3000));
  EXPECT_TRUE(ClickUntil(at, [&] { return ElementCentre(main, "RepeatOff", &at); }));

  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 30000));
  TerminateProcess(pi.hProcess, 98);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  auto lines = ReadLines(dir.File("Zelvo.ini"));
  EXPECT_EQ("0", ValueOf(lines, "Repeat"));
  EXPECT_EQ("1", ValueOf(lines, "Is Playlist visible"));
}

namespace {

bool NearGray(COLORREF c) {
  auto mid = [](int v) { return v > 90 && v < 170; };
  return mid(GetRValue(c)) && mid(GetGValue(c)) && mid(GetBValue(c));
}

}  // namespace

TEST(PlayerProcess, StartedWithAFileItPlaysItInTheVideoWindowAndTheTimeRuns) {
  if (!HasDefaultSkin()) GTEST_SKIP() << "no DefaultSkin.wsz beside the program";
  std::string clip = EngineClip("gray_pcm.avi");
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(clip.c_str())) << clip;
  ScratchFolder dir;
  // The video window away from the main window, so neither hides the other.
  WriteText(dir.File("Zelvo.ini"), "[Zelvo Player]\r\nVideo window origin X=400\r\nVideo window origin Y=300\r\n");
  PROCESS_INFORMATION pi;
  ASSERT_TRUE(StartPlayer(PlayerExe(), dir.path(), clip, &pi));
  HWND video = WaitForProcessWindow(pi.dwProcessId, "VWClassName", 30000);
  HWND main = WaitForProcessWindow(pi.dwProcessId, "MainSkin", 5000);
  ASSERT_TRUE(video) << "no video window";
  ASSERT_TRUE(main);
  RECT r;
  GetWindowRect(video, &r);
  EXPECT_EQ(160, r.right - r.left);  // the clip's size, at the stored place
  EXPECT_EQ(120, r.bottom - r.top);
  EXPECT_EQ(400, r.left);
  EXPECT_TRUE(WaitUntil([&] { return NearGray(CentreColour(video)); }, 5000))
      << std::hex << "centre colour 0x" << CentreColour(video);
  // The time digits move on while it plays.
  std::vector<COLORREF> before = Snapshot(main);
  EXPECT_TRUE(WaitUntil([&] { return Snapshot(main) != before; }, 3000));
  // At the end of the clip (3 s) the player moves on: with "Repeat" on and
  // the file as the only item, it plays it again, and the window stays.
  Sleep(3500);
  EXPECT_TRUE(IsWindow(WaitForProcessWindow(pi.dwProcessId, "VWClassName", 5000)));
  CloseAndExpectCleanExit(main, pi);
  auto lines = ReadLines(dir.File("Zelvo.ini"));
  EXPECT_EQ(clip, ValueOf(lines, "Last file name"));
}
