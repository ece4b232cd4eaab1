// The playlist as the player keeps it: its ".m3u" files, the commands that
// build and walk it, and files dropped onto the player's windows.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "player/ansi_text.h"
#include "player/command_ids.h"
#include "player/core/m3u.h"
#include "player/core/media_names.h"
#include "player/dialog_filters.h"
#include "player/file_dialog.h"
#include "player/messages.h"
#include "player/player_app.h"

namespace {

constexpr char kAddFailed[] = "Add file failed! Error=0x%x\r\n";
constexpr char kLoadFailed[] = "Load playlist failed! Error=0x%x\r\n";
constexpr char kSaveFailed[] = "Save playlist failed! Error=0x%x\r\n";
// Room for a few hundred names picked at once.
constexpr DWORD kSelectionCharacters = 32768;
constexpr DWORD kPlaylistNameCharacters = 260;
// A playlist file larger than this is not a list of names.
constexpr LONGLONG kMaxPlaylistBytes = 64LL << 20;

bool ReadWholeFile(const std::wstring& path, std::string* bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size = {};
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= kMaxPlaylistBytes;
  if (ok) {
    bytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    ok = bytes->empty() || (ReadFile(file, &(*bytes)[0], static_cast<DWORD>(bytes->size()), &read, nullptr) &&
                            read == bytes->size());
  }
  CloseHandle(file);
  return ok;
}

// Writes `bytes` to `path` through a file beside it, so that a full disk or
// a failed write leaves the old file as it was.
bool ReplaceFileWith(const std::wstring& path, const std::string& bytes) {
  const std::wstring temporary = path + L".saving";
  HANDLE file =
      CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = bytes.empty() ||
            (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
             written == bytes.size());
  ok = CloseHandle(file) && ok;
  ok = ok && MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileW(temporary.c_str());
  return ok;
}

// A name as the playlist file holds it, in the ANSI code page. A name the
// code page cannot spell is written by its short name when the file system
// has one that it can, so that it still opens when read back.
std::string PlaylistSpelling(const std::wstring& name) {
  BOOL lossy = FALSE;
  int count = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.c_str(), static_cast<int>(name.size()), nullptr,
                                  0, nullptr, &lossy);
  if (count > 0 && !lossy) return WideToAnsi(name);
  wchar_t short_name[MAX_PATH];
  DWORD length = GetShortPathNameW(name.c_str(), short_name, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    std::wstring shorter(short_name, length);
    lossy = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, shorter.c_str(), static_cast<int>(shorter.size()), nullptr, 0,
                        nullptr, &lossy);
    if (!lossy) return WideToAnsi(shorter);
  }
  return WideToAnsi(name);
}

bool IsPlaylistFileName(const std::wstring& name) {
  std::wstring lowered = LoweredName(name);
  return lowered.size() >= 4 && lowered.compare(lowered.size() - 4, 4, L".m3u") == 0;
}

}  // namespace

// Playlist files -------------------------------------------------------------

bool PlayerApp::LoadPlaylistFile(const std::wstring& path) {
  std::string bytes;
  if (!ReadWholeFile(path, &bytes)) return false;
  std::vector<std::wstring> entries;
  for (const std::string& line : ParseM3u(bytes)) entries.push_back(ResolvePlaylistEntry(path, AnsiToWide(line)));
  playlist_.Replace(std::move(entries));
  return true;
}

bool PlayerApp::SavePlaylistFile(const std::wstring& path) {
  std::vector<std::string> lines;
  for (const std::wstring& entry : playlist_.Entries()) lines.push_back(PlaylistSpelling(entry));
  return ReplaceFileWith(path, FormatM3u(lines));
}

void PlayerApp::UsePlaylistFile(const std::string& path) { playlist_file_override_ = path; }

// The commands ---------------------------------------------------------------

HWND PlayerApp::PlaylistWindow() const { return skin_ && skin_loaded_ ? skin_->PlaylistWindow() : nullptr; }

// IDM_PLAYLIST_SETITEM sent where the playlist's own list hears it first.
void PlayerApp::SelectPlaylistItem(int32_t index) {
  if (HWND playlist = PlaylistWindow()) {
    SendMessageA(playlist, WM_COMMAND, IDM_PLAYLIST_SETITEM, index);
  } else {
    SendCommand(IDM_PLAYLIST_SETITEM, index);
  }
}

void PlayerApp::PlaylistChanged() {
  if (skin_ && skin_loaded_) skin_->LayoutFileList();
}

void PlayerApp::AddFiles() {
  std::vector<wchar_t> buffer(kSelectionCharacters, L'\0');
  FileDialog dialog;
  dialog.owner = PlaylistWindow();
  dialog.title = L"Add Media File to Play List";
  dialog.filter = kMediaFilter;
  dialog.flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  dialog.used = &file_dialog_used_;
  dialog.failure = kAddFailed;
  if (!AskForFile(dialog, buffer.data(), kSelectionCharacters)) return;
  std::optional<int32_t> last = playlist_.AppendSelection(SelectedFiles(buffer.data(), buffer.size()));
  if (!last) return;
  PlaylistChanged();
  SelectPlaylistItem(*last);
  SendCommand(kCommandPlayCurrentItem, *last);
}

// The load and save dialogs, both owned by the playlist window.
FileDialog PlayerApp::PlaylistFileDialog(const wchar_t* title, const char* failure) const {
  FileDialog dialog;
  dialog.owner = PlaylistWindow();
  dialog.title = title;
  dialog.filter = kPlaylistFilter;
  dialog.failure = failure;
  return dialog;
}

void PlayerApp::LoadPlaylistDialog() {
  wchar_t name[kPlaylistNameCharacters] = L"";
  FileDialog dialog = PlaylistFileDialog(L"Select playlist file to load", kLoadFailed);
  dialog.flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  if (!AskForFile(dialog, name, kPlaylistNameCharacters)) return;
  if (!LoadPlaylistFile(name)) {
    ShowStatus(L"Could not read " + FileNamePart(name), kStatusMessageTicks);
    return;
  }
  PlaylistChanged();
  SelectPlaylistItem(0);
}

void PlayerApp::SavePlaylistDialog() {
  wchar_t name[kPlaylistNameCharacters] = L"";
  FileDialog dialog = PlaylistFileDialog(L"Select file to save into", kSaveFailed);
  // A new playlist is a file that does not exist yet; an old one is
  // replaced only when the user agrees.
  dialog.flags = OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_NOREADONLYRETURN;
  dialog.default_extension = L"m3u";
  dialog.save = true;
  dialog.used = &save_dialog_used_;
  if (!AskForFile(dialog, name, kPlaylistNameCharacters)) return;
  if (!SavePlaylistFile(name)) {
    ShowMessage("Could not save the playlist to %s (error %lu).", WideToAnsi(name).c_str(), GetLastError());
  }
}

bool PlayerApp::HandlePlaylistCommand(int id) {
  switch (id) {
    case IDM_PLAYLIST_ADDFILES:
      AddFiles();
      return true;
    case IDM_PLAYLIST_DELETEITEM:
      if (playlist_.Empty()) return true;
      playlist_.DeleteCurrent();
      PlaylistChanged();
      if (HWND main = MainWindow()) {
        SendMessageA(main, WM_COMMAND, IDM_PLAYLIST_SETITEM, playlist_.Index());
      } else {
        SendCommand(IDM_PLAYLIST_SETITEM, playlist_.Index());
      }
      return true;
    case IDM_LOADPLAYLISTDIALOG:
      LoadPlaylistDialog();
      return true;
    case IDM_SAVEPLAYLISTDIALOG:
      SavePlaylistDialog();
      return true;
    case IDM_CLEARPLAYLISTDIALOG:
      playlist_.Clear();
      PlaylistChanged();
      SelectPlaylistItem(0);
      return true;
    default:
      return false;
  }
}

// Dropped files --------------------------------------------------------------

// Files dropped onto the main, playlist or video window: media files join
// the list in the order given and the first of them plays; a dropped
// playlist file replaces the list and its first entry plays.
void PlayerApp::OnDropFiles(HDROP drop) {
  std::vector<std::wstring> names;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring name(length + 1, L'\0');
    length = DragQueryFileW(drop, i, &name[0], length + 1);
    name.resize(length);
    if (!name.empty()) names.push_back(name);
  }
  DragFinish(drop);

  std::optional<int32_t> first;
  std::wstring refused;
  for (const std::wstring& name : names) {
    if (IsPlaylistFileName(name)) {
      if (LoadPlaylistFile(name)) first = 0;
      continue;
    }
    if (RefusedMediaName(name)) {
      refused = name;
      continue;
    }
    playlist_.Append(name);
    if (!first) first = playlist_.Count() - 1;
  }
  if (!refused.empty()) ShowStatus(L"Not supported: " + FileNamePart(refused), kStatusMessageTicks);
  if (!first || playlist_.Empty()) return;
  PlaylistChanged();
  SelectPlaylistItem(*first);
  PostCommand(kCommandPlayCurrentItem, *first);
}
