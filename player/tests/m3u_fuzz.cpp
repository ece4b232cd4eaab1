// Playlist files and dialog buffers are any bytes: the reader keeps only
// entries that are names, they write and read back unchanged, and the path
// rules never lose the name.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "player/core/m3u.h"
#include "player/core/path_names.h"
#include "player/core/playlist.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

std::wstring Widen(const std::string& bytes) {
  std::wstring wide;
  for (unsigned char c : bytes) wide += static_cast<wchar_t>(c);
  return wide;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> entries = ParseM3u(bytes);
  size_t total = 0;
  for (const std::string& entry : entries) {
    Check(IsWritableM3uEntry(entry));
    total += entry.size();
  }
  Check(total <= size);
  Check(ParseM3u(FormatM3u(entries)) == entries);

  const std::wstring playlist = L"C:\\Lists\\a.m3u";
  Playlist list;
  for (const std::string& entry : entries) {
    const std::wstring name = Widen(entry);
    const std::wstring full = ResolvePlaylistEntry(playlist, name);
    Check(full.size() >= name.size() && full.compare(full.size() - name.size(), name.size(), name) == 0);
    if (!IsAbsolutePath(name)) Check(full.compare(0, 9, L"C:\\Lists\\") == 0);
    list.Append(full);
  }
  // Walking a list of files that all fail ends within one pass.
  int32_t tries = 0;
  for (NextStep s = list.NextAfterFailedOpen(true, size % 2 == 1); s.action == NextAction::kPlay;
       s = list.NextAfterFailedOpen(true, size % 2 == 1)) {
    Check(list.IsInside(s.index));
    list.SetIndex(s.index);
    Check(++tries < list.Count());
  }

  // The same bytes as an open dialog's selection buffer.
  for (const std::string& name : SelectedFiles(bytes.data(), bytes.size())) Check(!name.empty());
  const std::string folder = FolderOf(std::string(bytes));
  Check(folder.size() <= size);
  return 0;
}
