#include "player/skin/tests/skin_test_support.h"
#include "player/tests/test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "player/messages.h"

namespace skintest {

// Under Xvfb there is no window manager, and Wine then waits two seconds
// for every activated window it hides or destroys. The test programs (and
// the programs they start) tell Wine not to hand their windows to a window
// manager; the setting lives in the test prefix and names only them.
void KeepWindowsUnmanaged(const char* program) {
  HKEY key;
  const std::string path = std::string("Software\\Wine\\AppDefaults\\") + program + "\\X11 Driver";
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
      ERROR_SUCCESS) {
    RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(key);
  }
}

namespace {
struct UnmanagedTestWindows {
  UnmanagedTestWindows() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const char* name = std::strrchr(path, '\\');
    KeepWindowsUnmanaged(name ? name + 1 : path);
    // A program that imports the common controls has its display settings
    // read before its own start-up code runs, so each test program also
    // prepares the others of this folder for their turn.
    for (const char* program : {"skin_windows_tests.exe", "skin_loader_tests.exe", "skin_load_probe.exe", "skinview.exe"})
      KeepWindowsUnmanaged(program);
  }
} g_unmanagedTestWindows;
}  // namespace

std::string FreshFolder(const char* name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string root = std::string(temp) + "zelvo-skin-tests\\";
  CreateDirectoryA(root.c_str(), nullptr);
  std::string folder = root + name + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((folder + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  return folder;
}

bool WriteFile(const std::string& path, const std::string& text) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  return std::fclose(out) == 0 && ok;
}

bool WriteBitmap(const std::string& path, int width, int height, const std::function<COLORREF(int, int)>& colour) {
  const int stride = (width * 3 + 3) & ~3;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * height);
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  std::string data(reinterpret_cast<const char*>(&file), sizeof file);
  data.append(reinterpret_cast<const char*>(&info), sizeof info);
  for (int y = height - 1; y >= 0; --y) {
    std::string row(static_cast<size_t>(stride), '\0');
    for (int x = 0; x < width; ++x) {
      const COLORREF c = colour(x, y);
      row[static_cast<size_t>(x * 3)] = static_cast<char>(GetBValue(c));
      row[static_cast<size_t>(x * 3 + 1)] = static_cast<char>(GetGValue(c));
      row[static_cast<size_t>(x * 3 + 2)] = static_cast<char>(GetRValue(c));
    }
    data += row;
  }
  return WriteFile(path, data);
}

std::vector<Command>& Recorded() {
  static std::vector<Command> recorded;
  return recorded;
}

LRESULT CALLBACK RecordCommand(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  Recorded().push_back(Command{window, message, wparam, lparam});
  return 0;
}

std::vector<int> RecordedIds() {
  std::vector<int> ids;
  for (const Command& command : Recorded()) ids.push_back(static_cast<int>(command.id));
  return ids;
}

std::vector<std::string>& CollectedMessages() {
  static std::vector<std::string> messages;
  return messages;
}

namespace {
void Collect(const char* text) { CollectedMessages().push_back(text); }
}  // namespace

void CollectMessages() {
  CollectedMessages().clear();
  SetMessageSink(Collect);
}

skin::SkinSetup TestSetup(CommandCallback commands, CommandCallback windows) {
  skin::SkinSetup setup;
  setup.instance = GetModuleHandleA(nullptr);
  setup.commandWindow = CreateWindowExA(0, "STATIC", "command", 0, 0, 0, 0, 0, nullptr, nullptr, setup.instance, nullptr);
  setup.commandHandler = commands;
  setup.mainWindowHandler = windows;
  setup.playlistWindowHandler = windows;
  setup.buttonsBarHandler = windows;
  return setup;
}

void Pump(int ms) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

namespace {
void SendMouse(DWORD flags, int x = 0, int y = 0) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_ABSOLUTE) {
    input.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  }
  SendInput(1, &input, sizeof input);
}
}  // namespace

void MoveMouse(int x, int y) {
  SetCursorPos(x, y);
  SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y);
}

bool AimMouse(HWND window, POINT at) {
  for (int attempt = 0; attempt < 40; ++attempt) {
    // A one-pixel wiggle makes every attempt a new motion event.
    MoveMouse(at.x + (attempt & 1), at.y);
    MoveMouse(at.x, at.y);
    const DWORD end = GetTickCount() + 50;
    MSG msg;
    while (static_cast<int>(end - GetTickCount()) > 0) {
      // The move stays queued for the test's own pumping.
      if (PeekMessageA(&msg, window, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_NOREMOVE)) return true;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
  }
  return false;
}

void PressLeft() { SendMouse(MOUSEEVENTF_LEFTDOWN); }
void ReleaseLeft() { SendMouse(MOUSEEVENTF_LEFTUP); }

POINT ScreenPoint(HWND window, int x, int y) {
  POINT point = {x, y};
  ClientToScreen(window, &point);
  return point;
}

COLORREF WindowPixel(HWND window, int x, int y) {
  HDC dc = GetDC(window);
  const COLORREF colour = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return colour;
}

std::string ProgramFolder() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string all = text.str();
  // Console text arrives with CR LF line ends.
  all.erase(std::remove(all.begin(), all.end(), '\r'), all.end());
  return all;
}

}  // namespace

ChildRun RunChild(const std::string& commandLine, int timeoutMs) {
  ChildRun run;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  static int counter = 0;
  const std::string stem = std::string(temp) + "zelvo-skin-child-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(++counter);
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileA((stem + ".out").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE err = CreateFileA((stem + ".err").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process = {};
  std::string line = commandLine;
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    CloseHandle(out);
    CloseHandle(err);
    return run;
  }
  CloseHandle(out);
  CloseHandle(err);
  const DWORD end = GetTickCount() + static_cast<DWORD>(timeoutMs);
  while (WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT) {
    if (static_cast<int>(end - GetTickCount()) < 0) {
      TerminateProcess(process.hProcess, 0xDEAD);
      WaitForSingleObject(process.hProcess, 5000);
      break;
    }
    HWND box = test_support::FindProcessWindow(process.dwProcessId, "#32770");
    if (!box) continue;
    char text[1200] = "";
    char caption[256] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    GetWindowTextA(box, caption, sizeof caption);
    run.boxes.push_back(text);
    run.captions.push_back(caption);
    // Press its OK button and wait for the box to go.
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(20);
  }
  GetExitCodeProcess(process.hProcess, &run.exitCode);
  run.finished = run.exitCode != 0xDEAD;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  run.out = ReadAll(stem + ".out");
  run.err = ReadAll(stem + ".err");
  DeleteFileA((stem + ".out").c_str());
  DeleteFileA((stem + ".err").c_str());
  return run;
}

}  // namespace skintest
