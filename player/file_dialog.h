#pragma once
// The player's common file dialogs (open, add, load and save a playlist).
#include <windows.h>

struct FileDialog {
  HWND owner = nullptr;
  const wchar_t* title = nullptr;
  const wchar_t* filter = nullptr;
  const wchar_t* default_extension = nullptr;
  DWORD flags = 0;
  bool save = false;
  // The first dialog of its kind in a run starts at the root folder; later
  // ones where the system left off. Null: always where the system chooses.
  bool* used = nullptr;
  // printf text for a dialog error, with its CommDlgExtendedError code.
  const char* failure = nullptr;
};

// Runs the dialog on `buffer` (`size` characters, its text the initial
// name); true when the user chose. A cancelled dialog gives false
// silently, a failed one after showing `failure`.
bool AskForFile(const FileDialog& dialog, wchar_t* buffer, DWORD size);
