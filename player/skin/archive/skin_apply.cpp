#include "player/skin/archive/skin_apply.h"

#include <fstream>
#include <iterator>
#include <string>

#include "player/skin/archive/playlist_colours.h"

namespace skin {

void EmptySkinFolder(const char* folder) {
  const std::string base(folder);
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((base + "*.*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((base + entry.cFileName).c_str());
  } while (FindNextFileA(find, &entry));
  FindClose(find);
}

namespace {

bool ReadPlaylistText(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  // A real "pledit.txt" is a few hundred bytes; more is not read.
  constexpr size_t kMaxBytes = 1 << 20;
  text->clear();
  std::istreambuf_iterator<char> it(in), end;
  for (; it != end && text->size() < kMaxBytes; ++it) text->push_back(*it);
  return true;
}

void StyleFromColours(const PlaylistColours& colours, PlaylistStyle* style) {
  style->normalText = colours.normal;
  style->currentText = colours.current;
  style->normalBackground = CreateSolidBrush(colours.normal_background);
  style->selectedBackground = CreateSolidBrush(colours.selected_background);
  style->font = CreateFontA(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, "Arial");
}

}  // namespace

HRESULT ApplySkin(const char* description, const char* archive, const char* folder, PlaylistStyle* style,
                  SkinSetup setup, ExtractReport* report) {
  EmptySkinFolder(folder);
  if (!ExtractSkinArchive(archive, folder, ArchiveLimits(), report)) return E_FAIL;

  DeletePlaylistStyle(style);
  std::string text;
  if (ReadPlaylistText(std::string(folder) + "pledit.txt", &text)) {
    StyleFromColours(ParsePlaylistColours(text), style);
  } else if (!CreateDefaultPlaylistStyle(style)) {
    return E_FAIL;
  }
  setup.playlistStyle = style;
  return LoadSkin(folder, description, setup);
}

}  // namespace skin
