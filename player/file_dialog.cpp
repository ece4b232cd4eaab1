#include "player/file_dialog.h"

#include <commdlg.h>

#include "player/messages.h"

bool AskForFile(const FileDialog& dialog, wchar_t* buffer, DWORD size) {
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = dialog.owner;
  ofn.lpstrFilter = dialog.filter;
  ofn.lpstrFile = buffer;
  ofn.nMaxFile = size;
  ofn.lpstrTitle = dialog.title;
  ofn.Flags = dialog.flags;
  ofn.lpstrDefExt = dialog.default_extension;
  if (dialog.used) {
    if (!*dialog.used) ofn.lpstrInitialDir = L"\\";
    *dialog.used = true;
  }
  if (dialog.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn)) return true;
  if (DWORD error = CommDlgExtendedError()) {
    if (dialog.failure) ShowMessage(dialog.failure, static_cast<unsigned>(error));
  }
  return false;
}
