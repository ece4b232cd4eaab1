#pragma once
// The playlist colours of a skin, read from its "pledit.txt".
#include <cstdint>
#include <string>

// COLORREF values: red in the low byte.
struct PlaylistColours {
  uint32_t normal = 0;
  uint32_t current = 0;
  uint32_t normal_background = 0;
  uint32_t selected_background = 0;
};

// The colours a skin without "pledit.txt" gets.
PlaylistColours DefaultPlaylistColours();

// Reads the text of a "pledit.txt": lines of key=#RRGGBB, keys in any case;
// the character after "=" is skipped and at most six digits follow. Keys
// the file does not name are black.
PlaylistColours ParsePlaylistColours(const std::string& text);
