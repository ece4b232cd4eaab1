#include "player/skin/archive/playlist_colours.h"

#include <cctype>
#include <cstring>

namespace {

constexpr size_t kMaxLine = 1024;
constexpr size_t kMaxValue = 6;

uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

uint32_t ColourFromHex(const std::string& value) {
  static const char kDigits[] = "0123456789ABCDEF";
  uint32_t v = 0;
  for (char c : value) {
    const char* at = c ? std::strchr(kDigits, c) : nullptr;
    v = v * 16 + (at ? static_cast<uint32_t>(at - kDigits) : 0);
  }
  return Rgb((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

void ApplyLine(std::string line, PlaylistColours* colours) {
  // The line is a C string: it ends at its first NUL.
  line.resize(std::strlen(line.c_str()));
  size_t eq = line.find('=');
  if (eq == std::string::npos) return;
  std::string key = line.substr(0, eq);
  std::string value = eq + 2 <= line.size() ? line.substr(eq + 2, kMaxValue) : std::string();
  for (auto& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (auto& c : value) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (key == "normal") colours->normal = ColourFromHex(value);
  else if (key == "current") colours->current = ColourFromHex(value);
  else if (key == "normalbg") colours->normal_background = ColourFromHex(value);
  else if (key == "selectedbg") colours->selected_background = ColourFromHex(value);
}

}  // namespace

PlaylistColours DefaultPlaylistColours() {
  PlaylistColours c;
  c.normal = Rgb(0, 0, 0);
  c.current = Rgb(0x00, 0x78, 0xC8);
  c.normal_background = Rgb(0x78, 0x78, 0x78);
  c.selected_background = Rgb(0, 0, 0);
  return c;
}

PlaylistColours ParsePlaylistColours(const std::string& text) {
  PlaylistColours colours;
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '\r' || c == '\n' || c == '\0') {
      ++i;
      continue;
    }
    std::string line;
    while (i < text.size() && text[i] != '\r' && text[i] != '\n' && line.size() < kMaxLine) line += text[i++];
    ApplyLine(line, &colours);
  }
  return colours;
}
