// "pledit.txt" comes from any skin archive: any bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "player/skin/archive/playlist_colours.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PlaylistColours c = ParsePlaylistColours(std::string(reinterpret_cast<const char*>(data), size));
  if ((c.normal | c.current | c.normal_background | c.selected_background) > 0xFFFFFFu) __builtin_trap();
  return 0;
}
