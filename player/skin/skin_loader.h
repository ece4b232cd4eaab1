#pragma once
// Loading the player's skin: the description, its bitmaps, and the main and
// playlist forms placed where the player keeps them.
//
// Start-up calls LoadSkin once the command window, the status brush and
// font and the playlist style exist; shut-down (and a skin change) calls
// UnloadSkin before deleting the status and playlist styles.

#include <windows.h>

#include "player/skin/skin_controls.h"
#include "player/skin/skin_document.h"
#include "player/skin/skin_element.h"

namespace skin {

// What the loader needs from the player.
struct SkinSetup {
  HINSTANCE instance = nullptr;
  HWND commandWindow = nullptr;  // owns the tooltip window and the playlist window
  CommandCallback commandHandler = nullptr;         // every command of every element
  CommandCallback mainWindowHandler = nullptr;      // "MainSkin" / "MainSkinMinimized"
  CommandCallback playlistWindowHandler = nullptr;  // "PlayList"
  CommandCallback buttonsBarHandler = nullptr;      // "LoadPlaylistFileBar"
  // Saved window places.
  int mainX = 0;
  int mainY = 0;
  int playlistX = 275;
  int playlistY = 0;
  int playlistWidth = 300;
  int playlistHeight = 200;
  // The status style of the three text lines (the player owns the handles).
  HBRUSH statusBrush = nullptr;
  HFONT statusFont = nullptr;
  COLORREF statusTextColour = RGB(0, 0, 0);
  // Read live by the playlist view and "FileListZone" elements.
  const PlaylistStyle* playlistStyle = nullptr;
  const PlaylistEntries* playlist = nullptr;
};

// The current skin. Every pointer is null when no skin is loaded; the
// elements other than the two forms live inside them.
struct LoadedSkin {
  SkinDocument* document = nullptr;
  SkinElement* mainForm = nullptr;
  SkinElement* playlistForm = nullptr;
  SkinElement* buttonsBar = nullptr;     // "LoadPlaylistFileBar"
  SkinList* fileList = nullptr;          // "FileList", may be null
  SkinText* statusText = nullptr;        // "ZelvoStatusText", may be null
  SkinText* videoInfoText = nullptr;     // "ZelvoVideoInfoText", may be null
  SkinText* durationText = nullptr;      // "ZelvoVideoDurationText", may be null
  SkinSetup host;
};

// Loads the description at `description` with its bitmaps from `folder`
// (the path is folder + the bitmap's "Name", so the folder ends in a
// backslash). On success the new skin is current (a previous current skin is
// unloaded first) and S_OK is returned; on failure the user has been told
// what the loader could tell, nothing is left behind, and the result is
// negative: the parser's error or E_FAIL for the description, E_FAIL for
// the bitmaps, E_POINTER when "MainSkin", "PlayList" or
// "LoadPlaylistFileBar" is missing.
HRESULT LoadSkin(const char* folder, const char* description, const SkinSetup& host);

LoadedSkin& CurrentSkin();

// Deletes the playlist form, then the main form, then the document.
void UnloadSkin();

// Switching the main form ("MainSkin" <-> "MainSkinMinimized"): delete the
// current one (its window's destruction reaches the main-window handler
// first), then build the other at the saved main-window place. The text
// lines are looked up again in the new form. Returns null (and leaves no
// main form) when the skin has no such form.
void DeleteMainForm();
SkinElement* BuildMainForm(const char* formName, int x, int y);

}  // namespace skin
