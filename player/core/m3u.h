#pragma once
// ".m3u" playlist files as bytes in the ANSI code page: one name a line.
// The player converts each name to and from wide text and takes relative
// names inside the playlist's own folder (ResolvePlaylistEntry).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The longest line kept as an entry: twice the longest Windows path, so a
// double-byte name of the longest length still fits. Longer lines name no
// file that could open and are skipped whole.
constexpr size_t kM3uMaxLine = 65534;

// The entries of a playlist file, in file order. Lines end at CR, LF or
// both; empty lines, lines starting with "#" (comments, "#EXTM3U",
// "#EXTINF:...") and over-long lines are skipped; the last line needs no
// line break. A UTF-8 byte-order mark at the start of a line is dropped,
// and a Ctrl-Z ends the text, as the C run-time's text mode reads it.
std::vector<std::string> ParseM3u(std::string_view bytes);

// A playlist file of `entries`: each followed by CR LF, no header. An entry
// that could not read back as itself (empty, starting with "#" or a UTF-8
// mark, holding a line break, NUL or Ctrl-Z, or over-long) is left out.
std::string FormatM3u(const std::vector<std::string>& entries);
// Whether an entry reads back unchanged from FormatM3u's output.
bool IsWritableM3uEntry(std::string_view entry);

// An entry of the playlist file at `playlist_path` as the name to open: a
// relative name is taken inside the playlist's folder.
std::wstring ResolvePlaylistEntry(const std::wstring& playlist_path, const std::wstring& entry);
