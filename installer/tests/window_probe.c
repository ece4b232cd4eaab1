/* window_probe PROGRAM.EXE SECONDS: waits up to SECONDS for a running
 * PROGRAM.EXE (a full path, compared without regard to case) that has a
 * visible top-level window, and prints that window's class and title.
 * Exit status 0 when one was found, 1 when none came in time. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

struct search {
  const char* program;
  HWND found;
};

static BOOL ProcessIsProgram(DWORD pid, const char* program) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  char path[MAX_PATH];
  DWORD size = sizeof path;
  BOOL same = FALSE;
  if (!process) return FALSE;
  if (QueryFullProcessImageNameA(process, 0, path, &size)) same = lstrcmpiA(path, program) == 0;
  CloseHandle(process);
  return same;
}

static BOOL CALLBACK Visit(HWND window, LPARAM data) {
  struct search* search = (struct search*)data;
  DWORD pid = 0;
  if (!IsWindowVisible(window)) return TRUE;
  GetWindowThreadProcessId(window, &pid);
  if (!ProcessIsProgram(pid, search->program)) return TRUE;
  search->found = window;
  return FALSE;
}

int main(int argc, char** argv) {
  struct search search;
  DWORD deadline;
  if (argc != 3) {
    fprintf(stderr, "usage: window_probe PROGRAM.EXE SECONDS\n");
    return 2;
  }
  search.program = argv[1];
  search.found = NULL;
  deadline = GetTickCount() + (DWORD)atoi(argv[2]) * 1000;
  while (!search.found && (LONG)(deadline - GetTickCount()) > 0) {
    EnumWindows(Visit, (LPARAM)&search);
    if (!search.found) Sleep(250);
  }
  if (!search.found) {
    printf("no visible window of %s\n", argv[1]);
    return 1;
  }
  {
    char cls[256] = "", title[256] = "";
    GetClassNameA(search.found, cls, sizeof cls);
    GetWindowTextA(search.found, title, sizeof title);
    printf("window of %s: class \"%s\", title \"%s\"\n", argv[1], cls, title);
  }
  return 0;
}
