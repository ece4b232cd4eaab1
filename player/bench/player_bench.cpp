// Cold start of the player: from launching "ZelvoPlayer.exe CLIP" to the
// clip's first frame on the screen, beside the time the system needs to
// start and end a trivial program, measured in the same run.
//
//   player_bench.exe PLAYER-EXE CLIP [runs]
//   player_bench.exe --trivial          (the trivial program: ends at once)
//
// CLIP must be a plain red picture: its first frame is recognised by the
// colour at the centre of the video window.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/bench_figures.h"
#include "player/tests/test_support.h"

using namespace test_support;

namespace {

using bench::Figures;
using bench::Now;
using bench::Summary;

void Print(const char* what, const Figures& f) {
  std::printf("%-40s median %8.1f ms (min %8.1f, max %8.1f)\n", what, f.median, f.min, f.max);
}

bool Start(const std::string& command_line, const std::string& folder, PROCESS_INFORMATION* pi) {
  std::string command = command_line;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  *pi = PROCESS_INFORMATION{};
  return CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, pi) != FALSE;
}

void Finish(PROCESS_INFORMATION& pi) {
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

// Launch to exit of this program run as the trivial one; negative on failure.
double TrivialRun(const std::string& self) {
  PROCESS_INFORMATION pi;
  const double start = Now();
  if (!Start("\"" + self + "\" --trivial", "", &pi)) return -1;
  const bool ended = WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0;
  const double elapsed = Now() - start;
  if (!ended) TerminateProcess(pi.hProcess, 1);
  Finish(pi);
  return ended ? elapsed : -1;
}

bool RedAtCentre(HWND window) {
  RECT r;
  if (!GetWindowRect(window, &r)) return false;
  HDC screen = GetDC(nullptr);
  COLORREF c = GetPixel(screen, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  ReleaseDC(nullptr, screen);
  return c != CLR_INVALID && GetRValue(c) > 160 && GetGValue(c) < 90 && GetBValue(c) < 90;
}

// Launch to the first red frame in the player's video window; negative on
// failure. The player is closed again before the next run.
double PlayerRun(const std::string& player, const std::string& clip) {
  ScratchFolder dir;
  // The video window apart from the skin, so the frame is not covered.
  WriteText(dir.File("Zelvo.ini"), "[Zelvo Player]\r\nVideo window origin X=400\r\nVideo window origin Y=300\r\n");
  PROCESS_INFORMATION pi;
  const double start = Now();
  if (!Start("\"" + player + "\" " + clip, dir.path(), &pi)) return -1;
  double elapsed = -1;
  while (Now() - start < 30000) {
    HWND video = FindProcessWindow(pi.dwProcessId, "VWClassName");
    if (video && RedAtCentre(video)) {
      elapsed = Now() - start;
      break;
    }
    if (WaitForSingleObject(pi.hProcess, 2) == WAIT_OBJECT_0) break;
  }
  if (HWND main = FindProcessWindow(pi.dwProcessId, "MainSkin")) PostMessageA(main, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  Finish(pi);
  return elapsed;
}

// A path given the Unix way names the same file on Wine's Z: drive.
std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--trivial") == 0) return 0;
  if (argc < 3) {
    std::fprintf(stderr, "usage: player_bench PLAYER-EXE CLIP [runs]\n");
    return 2;
  }
  const std::string player = WindowsPath(argv[1]);
  const std::string clip = WindowsPath(argv[2]);
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);

  // One of each first, so that neither pays for the system's first start.
  if (TrivialRun(self) < 0 || PlayerRun(player, clip) < 0) {
    std::fprintf(stderr, "player_bench: the warm-up run failed (no red frame from %s)\n", clip.c_str());
    return 1;
  }
  std::vector<double> trivial, cold;
  for (int i = 0; i < runs; ++i) {
    double t = TrivialRun(self);
    double p = PlayerRun(player, clip);
    if (t < 0 || p < 0) {
      std::fprintf(stderr, "player_bench: run %d failed\n", i + 1);
      return 1;
    }
    trivial.push_back(t);
    cold.push_back(p);
  }
  const Figures t = Summary(trivial), p = Summary(cold);
  std::printf("%d runs each, alternating\n", runs);
  Print("trivial program: launch to exit", t);
  Print("ZelvoPlayer.exe CLIP: launch to frame", p);
  std::printf("%-40s %8.1f ms (goal: under 1000 ms)\n", "player above the trivial program", p.median - t.median);
  return 0;
}
