// scenarios PLAYER.EXE MEDIA_FOLDER SCRATCH_FOLDER SHOTS_FOLDER [SKIN.wsz]:
// a user's session with an installed ZelvoPlayer.exe, step by step, with
// real keys and clicks: a clip opened from the open dialog and played,
// paused, sought, muted and turned down; a playlist built by dropping files
// on it, played through past a missing file, saved, cleared, loaded again,
// shuffled and played on without Repeat; full screen and the tray; the
// picture made brighter by the keys and by the Preferences video page; the
// effects filter's own page in a property frame and in the configurator; a
// damaged file repaired and played; hostile files; a WinAmp skin.
//
// The drops come from outside Wine, as from a file manager: the harness
// runs "xdnd-drop.py --serve SCRATCH_FOLDER" beside this program, which
// asks for each drop in SCRATCH_FOLDER\drop-request.txt.
//
// The player runs in SCRATCH_FOLDER (its
// Zelvo.ini is written there) on the clips of MEDIA_FOLDER (red_pcm.avi,
// blue_pcm.avi, green_pcm.avi). Each step prints "ok: <step>" or
// "FAIL: <step>: <why>" and leaves a picture of the screen in SHOTS_FOLDER
// (NN-<step>.bmp). The exit status is the number of failed steps.
#include <windows.h>
#include <commctrl.h>
#include <dshow.h>
#include <olectl.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "player/tests/playing_support.h"
#include "player/tests/process_support.h"
#include "player/tests/test_support.h"
#include "player/tests/tray_support.h"
#include "configurator/codec_category.h"
#include "video_effects.h"

using namespace test_support;
using namespace process_support;
using namespace playing_support;
using namespace tray_support;

namespace {

// Writes the whole screen as it is now to `path`, a 24-bit BMP file.
bool SaveScreen(const std::string& path) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (dib && bits) {
    HGDIOBJ old = SelectObject(memory, dib);
    ok = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY) != FALSE;
    GdiFlush();
    SelectObject(memory, old);
  }
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  const DWORD size = stride * static_cast<DWORD>(height);
  if (ok) {
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + size;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ok = file != INVALID_HANDLE_VALUE && WriteFile(file, &header, sizeof header, &written, nullptr) &&
         WriteFile(file, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr) &&
         WriteFile(file, bits, size, &written, nullptr) && written == size;
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  if (dib) DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

std::string Hex(COLORREF c) {
  char text[32];
  std::snprintf(text, sizeof text, "(%u,%u,%u)", GetRValue(c), GetGValue(c), GetBValue(c));
  return text;
}

std::vector<char> FileBytes(const std::string& path) {
  std::vector<char> bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(file, nullptr));
  DWORD read = 0;
  if (!bytes.empty() && !ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) read = 0;
  bytes.resize(read);
  CloseHandle(file);
  return bytes;
}

bool WriteBytes(const std::string& path, const char* data, size_t size) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = size == 0 || (WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size);
  return CloseHandle(file) && ok;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Every file under `folder` with its size and last write time, one a line.
void ListTree(const std::string& folder, std::map<std::string, std::string>* out) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ListTree(path, out);
      continue;
    }
    (*out)[path] = std::to_string(found.nFileSizeLow) + "@" + std::to_string(found.ftLastWriteTime.dwLowDateTime) +
                   ":" + std::to_string(found.ftLastWriteTime.dwHighDateTime);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

// The names that differ between two listings.
std::string Changes(const std::map<std::string, std::string>& before, const std::map<std::string, std::string>& after) {
  std::string changed;
  for (const auto& [path, stamp] : after) {
    auto was = before.find(path);
    if (was == before.end() || was->second != stamp) changed += " " + path;
  }
  for (const auto& [path, stamp] : before) {
    if (!after.count(path)) changed += " -" + path;
  }
  return changed;
}

struct MessageBoxSeen {
  std::string caption, text;
};

// A visible message box of `process`: a dialog with the message box's
// static text (id 0xFFFF).
HWND FindMessageBox(DWORD process, MessageBoxSeen* seen) {
  HWND found = nullptr;
  while ((found = FindWindowExA(nullptr, found, "#32770", nullptr))) {
    DWORD owner = 0;
    GetWindowThreadProcessId(found, &owner);
    if (owner != process || !IsWindowVisible(found) || !GetDlgItem(found, 0xFFFF)) continue;
    char caption[256] = "", text[1024] = "";
    GetWindowTextA(found, caption, sizeof caption);
    GetDlgItemTextA(found, 0xFFFF, text, sizeof text);
    if (seen) *seen = MessageBoxSeen{caption, text};
    return found;
  }
  return nullptr;
}

// Answers every message box of `process` that comes up within `ms` with
// OK; the ones answered.
std::vector<MessageBoxSeen> AnswerMessageBoxes(DWORD process, DWORD ms) {
  std::vector<MessageBoxSeen> answered;
  const DWORD end = GetTickCount() + ms;
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    MessageBoxSeen seen;
    if (HWND box = FindMessageBox(process, &seen)) {
      answered.push_back(seen);
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 3000);
    }
    Sleep(50);
  }
  return answered;
}

// A window's text, also of another process's window; empty when it does
// not answer within 2 s.
std::string WindowText(HWND window) {
  char text[256] = {};
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
  return text;
}

// An HRESULT as the documentation writes it.
std::string HresultText(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

class Session {
 public:
  Session(std::string player, std::string media, std::string scratch, std::string shots, std::string skin)
      : player_(std::move(player)),
        media_(std::move(media)),
        scratch_(std::move(scratch)),
        shots_(std::move(shots)),
        skin_(std::move(skin)) {}

  int Run();

 private:
  using Check = std::function<std::string()>;

  // Runs one step: an empty answer is a pass, anything else says why not.
  // A step whose player is gone fails, and so does every later one.
  bool Step(const std::string& name, const Check& check, bool ends_player = false) {
    std::string why = Alive() ? check() : "the player is not running";
    if (why.empty() && !ends_player && !Alive()) why = "the player ended";
    char file[MAX_PATH];
    std::snprintf(file, sizeof file, "%s\\%02d-%s.bmp", shots_.c_str(), ++shot_, name.c_str());
    SaveScreen(file);
    if (why.empty()) {
      std::printf("ok: %s\n", name.c_str());
    } else {
      std::printf("FAIL: %s: %s\n", name.c_str(), why.c_str());
      ++failures_;
    }
    std::fflush(stdout);
    return why.empty();
  }

  // A picture taken within a step, numbered after the step's own.
  void ExtraShot(const char* name) {
    char file[MAX_PATH];
    std::snprintf(file, sizeof file, "%s\\%02d-%s.bmp", shots_.c_str(), shot_ + 1, name);
    SaveScreen(file);
  }

  bool Alive() const { return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }
  DWORD Pid() const { return pi_.dwProcessId; }
  std::string Media(const char* name) const { return media_ + "\\" + name; }
  std::string Scratch(const char* name) const { return scratch_ + "\\" + name; }

  // Gives the main window the keyboard, as a click on it would.
  void FocusMain() {
    SetForegroundWindow(main_);
    Sleep(300);
  }

  // Opens `path` with L and the open dialog.
  bool OpenWithDialog(const std::string& path) {
    FocusMain();
    PressKey('L');
    return AnswerFileDialog(Pid(), "Open Media File...", path);
  }

  // The player's playlist load and save dialogs, as its playlist window's
  // buttons ask for them.
  bool LoadPlaylist(const std::string& path) {
    PostMessageA(main_, WM_COMMAND, 183, 0);
    return AnswerFileDialog(Pid(), "Select playlist file to load", path);
  }
  bool SavePlaylist(const std::string& path) {
    PostMessageA(main_, WM_COMMAND, 184, 0);
    return AnswerFileDialog(Pid(), "Select file to save into", path);
  }

  // The skin element `name` of the main window, shown, or null.
  HWND Element(const char* name) {
    FindElement find = {name, nullptr};
    EnumChildWindows(main_, FindVisibleChild, reinterpret_cast<LPARAM>(&find));
    return find.found;
  }

  // The skin element `name` of the main window as it is on the screen.
  std::vector<COLORREF> ElementPixels(const char* name) {
    HWND element = Element(name);
    return element ? Snapshot(element) : std::vector<COLORREF>();
  }

  bool ElementShown(const char* name) { return Element(name) != nullptr; }

  bool ElementChangesFrom(const char* name, const std::vector<COLORREF>& before, DWORD within_ms) {
    return !before.empty() && WaitUntil([&] { return ElementPixels(name) != before; }, within_ms);
  }

  HWND Video() const { return FindProcessWindow(Pid(), "VWClassName"); }

  std::string DropFiles(HWND window, const std::vector<std::string>& files);

  // The colour at the middle of the video window, looked up anew each time
  // (a clip's window may give way to the next one's); CLR_INVALID without
  // one.
  COLORREF VideoCentre() const {
    HWND video = Video();
    return video ? CentreColour(video) : CLR_INVALID;
  }

  // The green and blue of the video's centre: what brightness lifts in a
  // red picture.
  int Lift() const {
    const COLORREF c = VideoCentre();
    return GetGValue(c) + GetBValue(c);
  }

  std::string OpenAndPlay();
  std::string PlaylistPlaysThrough();
  std::string SavedPlaylist();
  std::string ClearedAndLoadedAgain();
  std::string ShuffleAndRepeat();
  std::string PreferencesBrightness();
  std::string EffectsPropertyFrame();
  std::string ConfiguratorPage();
  std::string FullScreen();
  std::string Tray();
  std::string Brightness();
  std::string Repair();
  std::string GarbageAvi();
  std::string EmptySubtitles();
  std::string SubtitlesInThePicture();
  std::string HostileSkin();
  std::string MissingOnlyList();
  std::string WinAmpSkin();
  std::string CloseAsAUser();

  const std::string player_, media_, scratch_, shots_, skin_;
  PROCESS_INFORMATION pi_ = {};
  HWND main_ = nullptr;
  int shot_ = 0;
  int failures_ = 0;
};

std::string Session::OpenAndPlay() {
  if (!OpenWithDialog(Media("red_pcm.avi"))) return "no open dialog after L";
  if (!VideoShows(Pid(), Red, 160, 120, 10000)) return "the red clip is not on the screen at 160 x 120";
  if (!DigitsChange(main_, 3000)) return "the time digits do not run";
  FocusMain();
  PressKey(VK_SPACE);
  Sleep(400);
  if (!DigitsStay(main_, 1500)) return "Space did not pause (the digits moved on)";
  std::vector<COLORREF> paused_at = DigitsOnScreen(main_);
  PressKey(VK_RIGHT);
  if (!DigitsChangeFrom(main_, paused_at, 2000)) return "the right arrow did not seek";
  Sleep(300);
  paused_at = DigitsOnScreen(main_);
  PressKey(VK_SPACE);
  if (!DigitsChangeFrom(main_, paused_at, 3000)) return "Space did not resume";

  // Mute shows on the skin's mute toggle (its two faces, MuteOn and
  // MuteOff, take turns) and the volume keys on its bar; the second press
  // puts each back as it was.
  FocusMain();
  const bool sound_on = ElementShown("MuteOn");
  if (sound_on == ElementShown("MuteOff")) return "the skin shows no single face of its mute toggle";
  PressKey('M');
  if (!WaitUntil([&] { return ElementShown("MuteOn") != sound_on && ElementShown("MuteOff") == sound_on; }, 3000))
    return "M did not mute (the mute toggle kept its face)";
  PressKey('M');
  if (!WaitUntil([&] { return ElementShown("MuteOn") == sound_on && ElementShown("MuteOff") != sound_on; }, 3000))
    return "M again did not unmute";
  const std::vector<COLORREF> level = ElementPixels("VolumeBar");
  if (level.empty()) return "the skin shows no volume bar";
  PressKey(VK_F7);
  if (!ElementChangesFrom("VolumeBar", level, 3000)) return "F7 did not turn the volume down";
  PressKey(VK_F8);
  if (!WaitUntil([&] { return ElementPixels("VolumeBar") == level; }, 3000)) return "F8 did not turn it up again";
  if (!DigitsChange(main_, 3000)) return "the clip stopped playing";
  return "";
}

// Asks the drop server for a drop of `files` on the middle of `window`
// and waits for its answer: empty when the drop went through.
std::string Session::DropFiles(HWND window, const std::vector<std::string>& files) {
  const std::string request = Scratch("drop-request.txt"), done = Scratch("drop-done.txt");
  DeleteFileA(done.c_str());
  const POINT at = CentreOf(window);
  std::string text = std::to_string(at.x) + " " + std::to_string(at.y) + "\n";
  for (const std::string& file : files) text += file + "\n";
  WriteText(request + ".part", text);
  if (!MoveFileExA((request + ".part").c_str(), request.c_str(), MOVEFILE_REPLACE_EXISTING))
    return "could not write " + request;
  if (!WaitUntil([&] { return Exists(done); }, 20000)) {
    DeleteFileA(request.c_str());
    return "no drop server answered (xdnd-drop.py --serve " + scratch_ + ")";
  }
  Sleep(100);
  const std::vector<std::string> answer = ReadLines(done);
  DeleteFileA(done.c_str());
  if (answer.empty() || answer[0] != "ok") {
    HWND under = WindowFromPoint(at);
    char cls[64] = {};
    if (under) GetClassNameA(under, cls, sizeof cls);
    const bool accepts = under && (GetWindowLongA(under, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
    return "the drop failed: " + (answer.empty() ? std::string() : answer[0]) + " (under the point: \"" + cls +
           (accepts ? "\", which takes files)" : "\", which takes no files)");
  }
  return "";
}

std::string Session::PlaylistPlaysThrough() {
  // The list starts empty; three files dropped on it from outside, as from
  // a file manager. The third is gone by the time its turn comes.
  PostMessageA(main_, WM_COMMAND, 185, 0);
  HWND list = FindProcessWindow(Pid(), "PlayList");
  if (!list || !IsWindowVisible(list)) return "the playlist window is not shown";
  const std::string doomed = Scratch("no such clip.avi");
  const std::vector<char> clip = FileBytes(Media("green_pcm.avi"));
  if (clip.empty() || !WriteBytes(doomed, clip.data(), clip.size())) return "could not write " + doomed;
  const std::string dropped = DropFiles(list, {Media("blue_pcm.avi"), Media("green_pcm.avi"), doomed});
  DeleteFileA(doomed.c_str());
  if (!dropped.empty()) return dropped;
  // The first file dropped plays at once.
  if (!VideoShows(Pid(), Blue, 240, 100, 10000)) return "the first file dropped (blue) did not play";
  if (!VideoShows(Pid(), Green, 200, 150, 10000)) return "the second item (green) did not follow";
  // The missing third is passed over and, with Repeat on, the list starts
  // again.
  if (!WaitUntil([&] { return !Green(CentreColour(Video())); }, 10000)) return "green never ended";
  if (!VideoShows(Pid(), Blue, 240, 100, 10000)) return "after the missing item the list did not go back to blue";
  std::vector<MessageBoxSeen> boxes = AnswerMessageBoxes(Pid(), 300);
  if (!boxes.empty()) return "a message box came up: " + boxes[0].caption + ": " + boxes[0].text;
  return "";
}

std::string Session::SavedPlaylist() {
  const std::string saved = Scratch("saved.m3u");
  if (!SavePlaylist(saved)) return "no save dialog for command 184";
  if (!WaitUntil([&] { return Exists(saved); }, 5000)) return "no " + saved;
  Sleep(300);
  const std::vector<std::string> expected = {Media("blue_pcm.avi"), Media("green_pcm.avi"),
                                             Scratch("no such clip.avi")};
  const std::vector<std::string> lines = ReadLines(saved);
  if (lines.size() != expected.size()) return "the saved list has " + std::to_string(lines.size()) + " lines";
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lstrcmpiA(lines[i].c_str(), expected[i].c_str()) != 0)
      return "line " + std::to_string(i + 1) + " is " + lines[i];
  }
  return "";
}

std::string Session::ClearedAndLoadedAgain() {
  // The user closes the video window: the file stops and closes.
  HWND video = Video();
  if (!video) return "no video window";
  PostMessageA(video, WM_CLOSE, 0, 0);
  if (!WaitUntil([&] { return NoVideoWindow(Pid()); }, 5000)) return "the video window did not close";
  PostMessageA(main_, WM_COMMAND, 185, 0);
  // A list saved now is empty.
  const std::string cleared = Scratch("cleared.m3u");
  if (!SavePlaylist(cleared)) return "no save dialog after the clear";
  if (!WaitUntil([&] { return Exists(cleared); }, 5000)) return "the cleared list was not saved";
  if (!ReadLines(cleared).empty()) return "the list was not cleared: " + ReadLines(cleared)[0];
  if (!LoadPlaylist(Scratch("saved.m3u"))) return "no load dialog for the saved list";
  PostMessageA(main_, WM_COMMAND, 179, 0);
  if (!VideoShows(Pid(), Blue, 240, 100, 10000)) return "the saved list's first item (blue) did not play";
  return "";
}

std::string Session::FullScreen() {
  if (!OpenWithDialog(Media("red_pcm.avi"))) return "no open dialog after L";
  if (!VideoShows(Pid(), Red, 160, 120, 10000)) return "the red clip is not on the screen";
  const LONG screen_w = GetSystemMetrics(SM_CXSCREEN), screen_h = GetSystemMetrics(SM_CYSCREEN);
  HWND video = Video();
  SetForegroundWindow(video);
  Sleep(300);
  PressKey(VK_RETURN);
  if (!VideoShows(Pid(), Red, screen_w, screen_h, 5000)) return "Enter on the video window did not cover the screen";
  ExtraShot("fullscreen-covering");
  SetForegroundWindow(Video());
  Sleep(300);
  PressKey(VK_ESCAPE);
  if (!VideoShows(Pid(), Red, 160, 120, 5000)) return "Escape did not give the window its size back";
  return "";
}

std::string Session::Tray() {
  HWND commands = CommandWindowOf(Pid());
  if (!commands) return "no command window";
  PostMessageA(main_, WM_COMMAND, 188, 0);
  if (!WaitUntil([&] { return !IsWindowVisible(main_) && IconShown(commands, 108); }, 5000))
    return "command 188 did not put the player in the tray";
  std::vector<HWND> icons;
  if (!WaitUntil(
          [&] {
            icons = TrayIcons();
            return icons.size() == 1;
          },
          5000))
    return "Wine's tray shows " + std::to_string(icons.size()) + " icons";
  ExtraShot("in-the-tray");
  if (!ClickUntil(CentreOf(icons[0]), [&] { return IsWindowVisible(main_) != FALSE; }))
    return "a click on the tray icon did not bring the player back";
  if (!WaitUntil([&] { return !IconShown(commands, 108); }, 3000)) return "the tray icon stayed";
  return "";
}

std::string Session::Brightness() {
  if (!OpenWithDialog(Media("red_pcm.avi"))) return "no open dialog after L";
  if (!VideoShows(Pid(), Red, 160, 120, 10000)) return "the red clip is not on the screen";
  // The previous clip's window may still have been there when the red one
  // showed: every look finds the window anew.
  const COLORREF before = VideoCentre();
  auto lift = [](COLORREF c) { return GetGValue(c) + GetBValue(c); };
  // Each press is one step of 201; the picture of a pure colour follows
  // by about one level of green and blue a step.
  auto press = [&](WORD key, int times) {
    FocusMain();
    for (int i = 0; i < times; ++i) {
      PressKey(key);
      Sleep(100);
    }
  };
  COLORREF twice = before;
  press(VK_F2, 2);
  const bool lifted = WaitUntil(
      [&] {
        twice = VideoCentre();
        return Red(twice) && lift(twice) >= lift(before) + 2 && GetRValue(twice) >= GetRValue(before);
      },
      5000);
  std::printf("measured: the red picture's centre %s, after F2 twice %s\n", Hex(before).c_str(), Hex(twice).c_str());
  if (!lifted) return "F2 twice did not lift green and blue: " + Hex(before) + " then " + Hex(twice);
  // Ten steps more leave no doubt about the direction, and F1 as many times
  // takes the picture back to where it was.
  COLORREF twelve = twice;
  press(VK_F2, 10);
  const bool brighter = WaitUntil(
      [&] {
        twelve = VideoCentre();
        return Red(twelve) && lift(twelve) >= lift(twice) + 8;
      },
      5000);
  std::printf("measured: after F2 twelve times %s\n", Hex(twelve).c_str());
  if (!brighter) return "ten more F2 did not lift the picture further: " + Hex(twice) + " then " + Hex(twelve);
  press(VK_F1, 12);
  COLORREF back = twelve;
  const bool restored = WaitUntil(
      [&] {
        back = VideoCentre();
        return back == before;
      },
      5000);
  if (!restored) return "F1 twelve times did not take the picture back: " + Hex(back) + ", at first " + Hex(before);
  return "";
}

std::string Session::Repair() {
  // The red clip cut off at 70 %: no index, its last chunk torn.
  std::vector<char> clip = FileBytes(Media("red_pcm.avi"));
  if (clip.size() < 4096) return "the red clip could not be read";
  const std::string damaged = Scratch("damaged.avi"), repaired = Scratch("repaired.avi");
  if (!WriteBytes(damaged, clip.data(), clip.size() * 7 / 10 + 3)) return "could not write " + damaged;
  PostMessageA(main_, WM_COMMAND, 151, 0);
  HWND dialog = ProcessDialog(Pid(), "Video Fixing");
  if (!dialog) return "no Video Fixing dialog for command 151";
  SendMessageA(GetDlgItem(dialog, 1044), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(damaged.c_str()));
  SendMessageA(GetDlgItem(dialog, 1045), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(repaired.c_str()));
  HWND start = GetDlgItem(dialog, 1011);
  HWND status = GetDlgItem(dialog, 1038);
  if (!start || !status) return "the dialog has no Start button or status line";
  if (!ClickUntil(CentreOf(start), [&] { return !WindowText(status).empty() || !IsWindowEnabled(start); }))
    return "Start did not start";
  if (!WaitUntil([&] { return WindowText(status) == "Completed"; }, 20000))
    return "the status says \"" + WindowText(status) + "\"";
  PostMessageA(dialog, WM_CLOSE, 0, 0);
  if (!WaitUntil([&] { return !IsWindowVisible(dialog); }, 3000)) return "the dialog did not close";
  if (!Exists(repaired)) return "no " + repaired;
  if (!OpenWithDialog(repaired)) return "no open dialog for the repaired file";
  if (!VideoShows(Pid(), Red, 160, 120, 10000)) return "the repaired clip does not play red at 160 x 120";
  if (!DigitsChange(main_, 3000)) return "the repaired clip's time does not run";
  return "";
}

std::string Session::GarbageAvi() {
  // Random bytes from a fixed seed, named like a video.
  const std::string hostile = Scratch("hostile");
  CreateDirectoryA(hostile.c_str(), nullptr);
  const std::string garbage = hostile + "\\garbage.avi";
  std::vector<char> bytes(48 * 1024);
  unsigned seed = 20240611;
  for (char& b : bytes) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<char>(seed >> 16);
  }
  if (!WriteBytes(garbage, bytes.data(), bytes.size())) return "could not write " + garbage;
  // What the player may write to is its scratch folder; the folders of the
  // program, of the clips and of the hostile file stay as they are.
  const std::string program = player_.substr(0, player_.find_last_of('\\'));
  std::map<std::string, std::string> before, after;
  for (const std::string& folder : {program, media_, hostile}) ListTree(folder, &before);
  const std::vector<COLORREF> status = ElementPixels("ZelvoStatusText");
  if (!OpenWithDialog(garbage)) return "no open dialog after L";
  // The player says so, on its status line or in a message box.
  std::vector<MessageBoxSeen> boxes;
  bool said = false;
  WaitUntil(
      [&] {
        std::vector<MessageBoxSeen> more = AnswerMessageBoxes(Pid(), 100);
        boxes.insert(boxes.end(), more.begin(), more.end());
        said = !boxes.empty() || ElementPixels("ZelvoStatusText") != status;
        return said;
      },
      5000);
  for (const MessageBoxSeen& box : boxes) std::printf("message box: %s: %s\n", box.caption.c_str(), box.text.c_str());
  Sleep(1000);
  AnswerMessageBoxes(Pid(), 500);
  if (!Alive()) return "the player ended on the garbage file";
  if (Video() && Red(CentreColour(Video()))) return "the garbage file left the previous clip playing as if opened";
  for (const std::string& folder : {program, media_, hostile}) ListTree(folder, &after);
  const std::string changed = Changes(before, after);
  if (!changed.empty()) return "files changed outside the scratch folder:" + changed;
  // A failed open is not reported yet: the status line keeps "Playing"
  // and the name, cut to its start. The log says so; the step holds to the
  // rest.
  if (!said) std::printf("note: garbage-avi: no message box and the status line did not change\n");
  return "";
}

std::string Session::EmptySubtitles() {
  const std::string empty = Scratch("empty.srt");
  if (!WriteBytes(empty, "", 0)) return "could not write " + empty;
  if (!OpenWithDialog(Media("red_pcm.avi"))) return "no open dialog after L";
  if (!VideoShows(Pid(), Red, 160, 120, 10000)) return "the red clip is not on the screen";
  PostMessageA(main_, WM_COMMAND, 232, 0);
  HWND dialog = ProcessDialog(Pid(), "Subtitles");
  if (!dialog) return "no Subtitles dialog for command 232";
  SendMessageA(GetDlgItem(dialog, 1054), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(empty.c_str()));
  HWND apply = GetDlgItem(dialog, 1015);
  if (!apply) return "the dialog has no Apply button";
  MessageBoxSeen seen;
  HWND box = nullptr;
  if (!ClickUntil(CentreOf(apply), [&] { return (box = FindMessageBox(Pid(), &seen)) != nullptr; }))
    return "Apply on an empty file gave no message box";
  ExtraShot("subtitles-message");
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  if (!WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 3000)) return "the message box stayed";
  if (seen.text != "Can't load specified subtitle file") return "the message box says \"" + seen.text + "\"";
  if (IsWindow(dialog) && IsWindowVisible(dialog)) PostMessageA(dialog, WM_CLOSE, 0, 0);
  if (!WaitUntil([&] { return !IsWindowVisible(dialog); }, 3000)) return "the Subtitles dialog did not close";
  if (!DigitsChange(main_, 3000)) return "the clip stopped playing";
  return "";
}

// The white pixels in the bottom quarter of the video window, where the
// subtitles go.
int WhiteInBottomQuarter(HWND video) {
  RECT r;
  GetWindowRect(video, &r);
  HDC screen = GetDC(nullptr);
  int white = 0;
  for (LONG y = r.top + (r.bottom - r.top) * 3 / 4; y < r.bottom - 2; y += 2) {
    for (LONG x = r.left + 2; x < r.right - 2; x += 2) {
      const COLORREF c = GetPixel(screen, x, y);
      if (GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200) ++white;
    }
  }
  ReleaseDC(nullptr, screen);
  return white;
}

std::string Session::SubtitlesInThePicture() {
  const std::string srt = Scratch("words.srt");
  WriteText(srt, "1\r\n00:00:00,000 --> 00:01:00,000\r\nHELLO WORLD\r\n\r\n");
  if (!OpenWithDialog(Media("red_pcm.avi"))) return "no open dialog after L";
  if (!VideoShows(Pid(), Red, 160, 120, 10000)) return "the red clip is not on the screen";
  HWND video = Video();
  // The window's frame may be light: only what the subtitles add counts.
  const int frame = WhiteInBottomQuarter(video);
  PostMessageA(main_, WM_COMMAND, 232, 0);
  HWND dialog = ProcessDialog(Pid(), "Subtitles");
  if (!dialog) return "no Subtitles dialog for command 232";
  SendMessageA(GetDlgItem(dialog, 1054), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(srt.c_str()));
  HWND apply = GetDlgItem(dialog, 1015);
  if (!apply || !ClickUntil(CentreOf(apply), [&] { return !IsWindowVisible(dialog); }))
    return "Apply did not load the file (the dialog stayed)";
  if (!AnswerMessageBoxes(Pid(), 300).empty()) return "loading a good file gave a message box";
  int white = 0;
  if (!WaitUntil([&] { return (white = WhiteInBottomQuarter(video)) >= frame + 10; }, 5000))
    return "no subtitle text in the picture (" + std::to_string(white) + " white samples, " + std::to_string(frame) +
           " before)";
  std::printf("measured: %d white samples in the bottom quarter with the subtitles on, %d before\n", white, frame);
  return "";
}

std::string Session::HostileSkin() {
  // An archive whose names climb out of the skin folder.
  const std::string archive = Scratch("hostile.wsz");
  if (!Exists(archive)) return "no hostile archive was given in the scratch folder";
  const std::string program = player_.substr(0, player_.find_last_of('\\'));
  const std::string above = program.substr(0, program.find_last_of('\\'));
  std::map<std::string, std::string> before, after;
  for (const std::string& folder : {program, media_}) ListTree(folder, &before);
  HWND old_main = main_;
  PostMessageA(main_, WM_COMMAND, 178, 0);
  if (!AnswerFileDialog(Pid(), "Open WinAmpSkin File...", archive)) return "no skin dialog for command 178";
  std::vector<MessageBoxSeen> boxes = AnswerMessageBoxes(Pid(), 3000);
  for (const MessageBoxSeen& box : boxes) std::printf("message box: %s: %s\n", box.caption.c_str(), box.text.c_str());
  // The player stays up with a skin on, whichever it fell back to.
  HWND now = nullptr;
  if (!WaitUntil([&] { return (now = FindProcessWindow(Pid(), "MainSkin")) != nullptr; }, 10000))
    return "no main window after the hostile skin";
  main_ = now;
  for (const char* escaped : {"escaped.txt", "evil.bmp"}) {
    for (const std::string& folder :
         {program.substr(0, 2), above, program, scratch_, scratch_.substr(0, scratch_.find_last_of('\\'))}) {
      if (Exists(folder + "\\" + escaped)) return std::string("the archive wrote ") + escaped + " into " + folder;
    }
  }
  for (const std::string& folder : {program, media_}) ListTree(folder, &after);
  // The skin's work folder beside the program is the player's own to fill.
  std::string changed = Changes(before, after);
  if (changed.find("escaped") != std::string::npos || changed.find("evil") != std::string::npos)
    return "the archive's names reached:" + changed;
  if (now != old_main) std::printf("note: hostile-skin: the main window was built again\n");
  return "";
}

std::string Session::MissingOnlyList() {
  HWND video = Video();
  if (video) {
    PostMessageA(video, WM_CLOSE, 0, 0);
    if (!WaitUntil([&] { return NoVideoWindow(Pid()); }, 5000)) return "the video window did not close";
  }
  WriteText(Scratch("missing.m3u"), Scratch("gone one.avi") + "\r\n" + Scratch("gone two.avi") + "\r\n");
  if (!LoadPlaylist(Scratch("missing.m3u"))) return "no load dialog for command 183";
  PostMessageA(main_, WM_COMMAND, 179, 0);
  std::vector<MessageBoxSeen> boxes = AnswerMessageBoxes(Pid(), 3000);
  for (const MessageBoxSeen& box : boxes) std::printf("message box: %s: %s\n", box.caption.c_str(), box.text.c_str());
  if (!NoVideoWindow(Pid())) return "something plays from a list of missing files";
  if (!IsWindow(main_) || !IsWindowVisible(main_)) return "the main window went";
  // The player still answers: the open dialog comes and a clip plays.
  if (!OpenWithDialog(Media("red_pcm.avi"))) return "no open dialog after L";
  if (!VideoShows(Pid(), Red, 160, 120, 10000)) return "the red clip does not play afterwards";
  return "";
}

std::string Session::WinAmpSkin() {
  if (skin_.empty() || !Exists(skin_)) return "no WinAmp skin given";
  if (!Video() || !Red(CentreColour(Video()))) {
    if (!OpenWithDialog(Media("red_pcm.avi"))) return "no open dialog after L";
    if (!VideoShows(Pid(), Red, 160, 120, 10000)) return "the red clip is not on the screen";
  }
  HWND video = Video();
  PostMessageA(main_, WM_COMMAND, 178, 0);
  if (!AnswerFileDialog(Pid(), "Open WinAmpSkin File...", skin_)) return "no skin dialog for command 178";
  HWND winamp = nullptr;
  if (!WaitUntil(
          [&] {
            winamp = FindProcessWindow(Pid(), "MainSkin");
            return winamp && winamp != main_;
          },
          10000))
    return "the WinAmp skin's main window did not come up";
  main_ = winamp;
  if (Video() != video || !Red(CentreColour(video))) return "the clip did not play on in its video window";
  if (!DigitsChange(main_, 3000)) return "the time stopped with the WinAmp skin";
  ExtraShot("winamp-skin");
  PostMessageA(main_, WM_COMMAND, 206, 0);
  HWND back = nullptr;
  if (!WaitUntil(
          [&] {
            back = FindProcessWindow(Pid(), "MainSkin");
            return back && back != winamp && !IsWindow(winamp);
          },
          10000))
    return "command 206 did not put the default skin back";
  main_ = back;
  if (ElementPixels("VolumeBar").empty()) return "the default skin's volume bar is missing after the change";
  return "";
}

std::string Session::ShuffleAndRepeat() {
  // The saved list plays (blue, green, the missing one). With Repeat off
  // it ends after the last item; with Shuffle on it goes on to another
  // item every time one ends, Repeat or not.
  auto toggle = [&](const char* from, const char* to) {
    HWND button = Element(from);
    return button && ClickUntil(CentreOf(button), [&] { return ElementShown(to) && !ElementShown(from); });
  };
  if (!toggle("RepeatOn", "RepeatOff")) return "a click on Repeat did not turn it off";
  if (!toggle("ShuffleOff", "ShuffleOn")) return "a click on Shuffle did not turn it on";
  // Four clip lengths (2 s each) and more: a list in order would have ended.
  int seen = 0, gaps = 0;
  for (int i = 0; i < 24; ++i) {
    Sleep(500);
    HWND video = Video();
    const COLORREF c = video ? CentreColour(video) : 0;
    if (video && (Blue(c) || Green(c)))
      ++seen;
    else
      ++gaps;
  }
  std::printf("measured: shuffled, 12 s: %d of 24 looks show blue or green, %d between clips\n", seen, gaps);
  if (seen < 12) return "with Shuffle on the list did not play on (" + std::to_string(seen) + " of 24 looks)";
  if (!Video()) return "with Shuffle on the player stopped";
  ExtraShot("shuffled");
  if (!toggle("ShuffleOn", "ShuffleOff")) return "a second click on Shuffle did not turn it off";
  // In order and without Repeat the list now ends: green, then the missing
  // item, then nothing.
  PostMessageA(main_, WM_COMMAND, 179, 0);
  if (!WaitUntil([&] { return NoVideoWindow(Pid()); }, 15000)) return "without Shuffle and Repeat the list did not end";
  if (!toggle("RepeatOff", "RepeatOn")) return "a second click on Repeat did not turn it on";
  return "";
}

// A child window of `parent` (at any depth) with this control id and
// window class.
struct ControlSearch {
  int id;
  const char* cls;
  HWND found;
};

BOOL CALLBACK MatchControl(HWND child, LPARAM param) {
  ControlSearch* search = reinterpret_cast<ControlSearch*>(param);
  char name[64] = {};
  GetClassNameA(child, name, sizeof name);
  if (GetDlgCtrlID(child) == search->id && lstrcmpiA(name, search->cls) == 0 && IsWindowVisible(child)) {
    search->found = child;
    return FALSE;
  }
  return TRUE;
}

HWND ChildControl(HWND parent, int id, const char* cls) {
  ControlSearch search = {id, cls, nullptr};
  EnumChildWindows(parent, MatchControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string Session::PreferencesBrightness() {
  if (!OpenWithDialog(Media("red_pcm.avi"))) return "no open dialog after L";
  if (!VideoShows(Pid(), Red, 160, 120, 10000)) return "the red clip is not on the screen";
  const int before = Lift();
  PostMessageA(main_, WM_COMMAND, 152, 0);
  HWND dialog = ProcessDialog(Pid(), "Zelvo Vantor Player Preferences");
  if (!dialog) return "no Preferences dialog for command 152";
  HWND tree = GetDlgItem(dialog, 1007);
  if (!tree) return "the Preferences dialog has no page tree";
  // Dragged below the video window, as a user would to see the picture.
  SetWindowPos(dialog, nullptr, 0, 440, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Sleep(300);
  // Down the tree by the keys, opening what can be opened, to the open
  // clip's video stream.
  RECT r;
  GetWindowRect(tree, &r);
  ClickAt({r.left + 30, r.top + 9});
  Sleep(300);
  HWND slider = nullptr;
  for (int i = 0; i < 16 && !(slider = ChildControl(dialog, 1020, TRACKBAR_CLASSA)); ++i) {
    PressKey(i % 2 ? VK_DOWN : VK_RIGHT);
    Sleep(120);
  }
  if (!slider) return "no page with the brightness slider under the tree";
  if (!IsWindowEnabled(slider)) return "the brightness slider is disabled";
  const LRESULT start = SendMessageA(slider, TBM_GETPOS, 0, 0);
  // A click on the thumb (0 is the middle) gives it the keys; Page Down
  // moves it up by a page.
  ClickAt(CentreOf(slider));
  Sleep(200);
  PressKey(VK_NEXT);
  PressKey(VK_NEXT);
  LRESULT up = start;
  int lifted = before;
  const bool brighter = WaitUntil(
      [&] {
        up = SendMessageA(slider, TBM_GETPOS, 0, 0);
        lifted = Lift();
        return up > start && lifted >= before + 4;
      },
      5000);
  std::printf("measured: brightness slider %d -> %d, green + blue of the red centre %d -> %d\n",
              static_cast<int>(start), static_cast<int>(up), before, lifted);
  if (!brighter) return "two Page Down on the brightness slider did not lift the picture";
  ExtraShot("preferences-brighter");
  // Back to where it was, by the keys, and the picture with it.
  for (int i = 0; i < 250 && SendMessageA(slider, TBM_GETPOS, 0, 0) > start; ++i) {
    const LRESULT at = SendMessageA(slider, TBM_GETPOS, 0, 0);
    PressKey(at - start >= 40 ? VK_PRIOR : VK_LEFT);
    Sleep(30);
  }
  if (SendMessageA(slider, TBM_GETPOS, 0, 0) != start) return "the slider did not go back to its start";
  int back = -1;
  if (!WaitUntil([&] { return (back = Lift()) == before && Red(VideoCentre()); }, 5000))
    return "the picture did not go back with the slider (green + blue " + std::to_string(back) + ")";
  HWND ok = GetDlgItem(dialog, 1008);
  if (!ok || !ClickUntil(CentreOf(ok), [&] { return !IsWindowVisible(dialog); })) return "OK did not close Preferences";
  return "";
}

// A modal property frame for one object, on the thread that calls it.
struct PropertyFrame {
  IUnknown* object;
  CAUUID* pages;
  HRESULT hr;
};

DWORD WINAPI ShowPropertyFrame(LPVOID param) {
  PropertyFrame* frame = static_cast<PropertyFrame*>(param);
  CoInitialize(nullptr);
  frame->hr = OleCreatePropertyFrame(nullptr, 0, 0, L"Video Effects", 1, &frame->object, frame->pages->cElems,
                                     frame->pages->pElems, 0, 0, nullptr);
  CoUninitialize();
  return 0;
}

// The filter's property frame, shown by this program on a thread of its
// own (the frame is modal): the installed page class, found through the
// registry as any host finds it.
std::string Session::EffectsPropertyFrame() {
  IVideoEffects* effects = nullptr;
  CAUUID pages = {};
  IUnknown* filter = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_VideoEffects, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                reinterpret_cast<void**>(&filter));
  if (FAILED(hr)) return "the installed Video Effects filter could not be made: " + HresultText(hr);
  ISpecifyPropertyPages* specify = nullptr;
  if (FAILED(filter->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&specify))) ||
      FAILED(specify->GetPages(&pages)) || pages.cElems != 1) {
    if (specify) specify->Release();
    filter->Release();
    return "the filter names no property page";
  }
  specify->Release();
  filter->QueryInterface(IID_IVideoEffects, reinterpret_cast<void**>(&effects));
  PropertyFrame show = {filter, &pages, E_FAIL};
  HANDLE thread = CreateThread(nullptr, 0, ShowPropertyFrame, &show, 0, nullptr);
  std::string why;
  HWND window = nullptr, slider = nullptr;
  if (!WaitUntil(
          [&] {
            // Wine captions it "Properties for Video Effects", Windows
            // "Video Effects Properties": the one dialog of this program.
            window = FindProcessWindow(GetCurrentProcessId(), "#32770");
            slider = window ? ChildControl(window, 1003, TRACKBAR_CLASSA) : nullptr;
            return slider != nullptr;
          },
          10000)) {
    why = "no property frame with the brightness slider";
  } else {
    HWND label = ChildControl(window, 1011, "Static");
    int value = -1;
    SetForegroundWindow(window);
    ClickAt(CentreOf(slider));
    Sleep(200);
    for (int i = 0; i < 5; ++i) PressKey(VK_RIGHT);
    const bool moved = WaitUntil(
        [&] {
          if (effects) effects->GetBrightness(&value);
          return value == 5 && label && WindowText(label) == "Brightness ( 5 )";
        },
        3000);
    std::printf("measured: property frame: label \"%s\", filter brightness %d\n",
                label ? WindowText(label).c_str() : "", value);
    ExtraShot("property-frame-open");
    if (!moved) why = "five right arrows on the page's slider did not reach the filter and the label";
    HWND cancel = GetDlgItem(window, IDCANCEL);
    if (cancel)
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
    else
      PostMessageA(window, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(thread, 10000) != WAIT_OBJECT_0) {
    if (why.empty()) why = "the property frame did not close";
  } else if (why.empty() && show.hr != S_OK) {
    why = "OleCreatePropertyFrame returned " + HresultText(show.hr);
  }
  CloseHandle(thread);
  CoTaskMemFree(pages.pElems);
  if (effects) effects->Release();
  filter->Release();
  return why;
}

// The configurator lists the filters of the codec category: the effects
// filter is put there for the step, as a codec package puts its own, and
// taken out again afterwards.
std::string Session::ConfiguratorPage() {
  IFilterMapper2* mapper = nullptr;
  if (FAILED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                              reinterpret_cast<void**>(&mapper))))
    return "no filter mapper";
  // The category's own key is left as it was found.
  wchar_t category[64] = {};
  StringFromGUID2(configurator::codecFilterCategory, category, 64);
  const std::wstring category_key = std::wstring(L"CLSID\\") + category;
  HKEY key = nullptr;
  const bool category_existed =
      RegOpenKeyExW(HKEY_CLASSES_ROOT, category_key.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
  if (key) RegCloseKey(key);
  REGFILTER2 filter = {};
  filter.dwVersion = 1;
  filter.dwMerit = MERIT_DO_NOT_USE;
  HRESULT hr = mapper->RegisterFilter(CLSID_VideoEffects, L"Video Effects", nullptr, &configurator::codecFilterCategory,
                                      nullptr, &filter);
  if (FAILED(hr)) {
    mapper->Release();
    return "the filter could not be put in the codec category: " + HresultText(hr);
  }
  const std::string program = player_.substr(0, player_.find_last_of('\\')) + "\\Configurator.exe";
  std::string command = "\"" + program + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::string why;
  if (!CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, scratch_.c_str(), &si, &pi)) {
    why = "the installed configurator did not start";
  } else {
    HWND window = nullptr, slider = nullptr;
    if (!WaitUntil(
            [&] {
              window = FindProcessWindow(pi.dwProcessId, "#32770");
              slider = window ? ChildControl(window, 1003, TRACKBAR_CLASSA) : nullptr;
              return slider != nullptr;
            },
            15000)) {
      why = window ? "the configurator shows no page with the brightness slider" : "no configurator window";
    } else {
      const std::string title = WindowText(window);
      if (title != "Ondra K4 4.5.1 Configurator") why = "the configurator's title is \"" + title + "\"";
      HWND tree = FindWindowExA(window, nullptr, WC_TREEVIEWA, nullptr);
      const LRESULT filters = tree ? SendMessageA(tree, TVM_GETCOUNT, 0, 0) : 0;
      HWND label = ChildControl(window, 1011, "Static");
      SetForegroundWindow(window);
      ClickAt(CentreOf(slider));
      Sleep(200);
      for (int i = 0; i < 3; ++i) PressKey(VK_RIGHT);
      std::string text;
      const bool moved = WaitUntil([&] { return label && (text = WindowText(label)) == "Brightness ( 3 )"; }, 3000);
      std::printf("measured: configurator: %d filter(s) in its tree, label \"%s\"\n", static_cast<int>(filters),
                  text.c_str());
      ExtraShot("configurator");
      if (filters < 1 && why.empty()) why = "the configurator's tree lists no filter";
      if (!moved && why.empty()) why = "three right arrows on the page's slider did not move its label";
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) {
      TerminateProcess(pi.hProcess, 97);
      if (why.empty()) why = "Cancel did not end the configurator";
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  hr = mapper->UnregisterFilter(&configurator::codecFilterCategory, nullptr, CLSID_VideoEffects);
  mapper->Release();
  if (!category_existed) {
    RegDeleteKeyW(HKEY_CLASSES_ROOT, (category_key + L"\\Instance").c_str());
    RegDeleteKeyW(HKEY_CLASSES_ROOT, category_key.c_str());
  }
  if (FAILED(hr) && why.empty()) why = "the filter could not be taken out of the codec category";
  return why;
}

std::string Session::CloseAsAUser() {
  PostMessageA(main_, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(pi_.hProcess, 30000) != WAIT_OBJECT_0) return "the player did not end within 30 s";
  DWORD code = 99;
  GetExitCodeProcess(pi_.hProcess, &code);
  if (code != 0) return "the player ended with " + std::to_string(code);
  return "";
}

int Session::Run() {
  // The video window away from the skin, a status line that stays still.
  WriteText(Scratch("Zelvo.ini"),
            std::string(kSettings) + "Scroll movie title=0\r\nRepeat=1\r\nEnable subtitles=1\r\n");
  if (!StartPlayer(player_, scratch_, "", &pi_, nullptr) ||
      !(main_ = WaitForProcessWindow(pi_.dwProcessId, "MainSkin", 30000))) {
    std::printf("FAIL: start: the player did not start or showed no main window\n");
    if (pi_.hProcess) TerminateProcess(pi_.hProcess, 97);
    return 1;
  }
  std::printf("ok: start\n");
  std::fflush(stdout);
  Step("open-and-play", [&] { return OpenAndPlay(); });
  if (Step("playlist-plays-through", [&] { return PlaylistPlaysThrough(); })) {
    if (Step("playlist-saved", [&] { return SavedPlaylist(); }))
      if (Step("playlist-cleared-and-loaded-again", [&] { return ClearedAndLoadedAgain(); }))
        Step("shuffle-and-repeat", [&] { return ShuffleAndRepeat(); });
  }
  Step("full-screen-and-back", [&] { return FullScreen(); });
  Step("tray-and-back", [&] { return Tray(); });
  Step("brightness-up", [&] { return Brightness(); });
  Step("brightness-by-preferences", [&] { return PreferencesBrightness(); });
  Step("effects-property-frame", [&] { return EffectsPropertyFrame(); });
  Step("configurator-shows-the-page", [&] { return ConfiguratorPage(); });
  Step("repair-and-play", [&] { return Repair(); });
  Step("garbage-avi", [&] { return GarbageAvi(); });
  Step("empty-subtitles", [&] { return EmptySubtitles(); });
  Step("missing-only-playlist", [&] { return MissingOnlyList(); });
  Step("subtitles-in-the-picture", [&] { return SubtitlesInThePicture(); });
  Step("hostile-skin", [&] { return HostileSkin(); });
  if (!skin_.empty()) Step("winamp-skin-and-back", [&] { return WinAmpSkin(); });
  Step(
      "close", [&] { return CloseAsAUser(); }, true);
  if (Alive()) {
    TerminateProcess(pi_.hProcess, 97);
    WaitForSingleObject(pi_.hProcess, 10000);
  }
  CloseHandle(pi_.hThread);
  CloseHandle(pi_.hProcess);
  std::printf("%d step(s) failed\n", failures_);
  return failures_;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: scenarios PLAYER.EXE MEDIA_FOLDER SCRATCH_FOLDER SHOTS_FOLDER [SKIN.wsz]\n");
    return 2;
  }
  CreateDirectoryA(argv[3], nullptr);
  CreateDirectoryA(argv[4], nullptr);
  CoInitialize(nullptr);
  int failed;
  {
    Session session(argv[1], argv[2], argv[3], argv[4], argc > 5 ? argv[5] : "");
    failed = session.Run();
  }
  CoUninitialize();
  return failed;
}
