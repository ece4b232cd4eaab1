#include "player/core/m3u.h"

#include "player/core/path_names.h"

namespace {
constexpr char kCtrlZ = '\x1A';
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }
}  // namespace

std::vector<std::string> ParseM3u(std::string_view bytes) {
  const size_t end_of_text = bytes.find(kCtrlZ);
  if (end_of_text != std::string_view::npos) bytes = bytes.substr(0, end_of_text);

  std::vector<std::string> entries;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = pos;
    while (end < bytes.size() && !IsLineBreak(bytes[end])) ++end;
    std::string_view line = bytes.substr(pos, end - pos);
    // A line break of any mix of CR and LF; empty lines between are skipped
    // anyway, so all of them can go at once.
    pos = end;
    while (pos < bytes.size() && IsLineBreak(bytes[pos])) ++pos;

    // Files joined from several UTF-8 playlists carry a mark on more than
    // the first line; it belongs to no name.
    while (line.substr(0, kUtf8Mark.size()) == kUtf8Mark) line.remove_prefix(kUtf8Mark.size());
    if (line.empty() || line[0] == '#' || line.size() > kM3uMaxLine) continue;
    // A NUL would cut the name short in every call that takes it; the line
    // is not a name.
    if (line.find('\0') != std::string_view::npos) continue;
    entries.emplace_back(line);
  }
  return entries;
}

bool IsWritableM3uEntry(std::string_view entry) {
  if (entry.empty() || entry[0] == '#' || entry.size() > kM3uMaxLine) return false;
  if (entry.substr(0, kUtf8Mark.size()) == kUtf8Mark) return false;
  for (char c : entry) {
    if (IsLineBreak(c) || c == '\0' || c == kCtrlZ) return false;
  }
  return true;
}

std::string FormatM3u(const std::vector<std::string>& entries) {
  std::string text;
  for (const std::string& entry : entries) {
    if (!IsWritableM3uEntry(entry)) continue;
    text += entry;
    text += "\r\n";
  }
  return text;
}

std::wstring ResolvePlaylistEntry(const std::wstring& playlist_path, const std::wstring& entry) {
  return JoinPath(FolderOf(playlist_path), entry);
}
