#pragma once
// The filters of the player's file dialogs.

inline constexpr wchar_t kMediaFilter[] =
    L"Video Files (*.avi; *.qt; *.mov; *.mpg; *.mpeg; *.m1v)\0*.avi; *.qt; *.mov; *.mpg; *.mpeg; *.m1v\0"
    L"Audio files (*.wav; *.mpa; *.mp2; *.mp3; *.au; *.aif; *.aiff; *.snd)\0"
    L"*.wav; *.mpa; *.mp2; *.mp3; *.au; *.aif; *.aiff; *.snd\0"
    L"All Files (*.*)\0*.*;\0";
inline constexpr wchar_t kPlaylistFilter[] = L"Playlist files (*.m3u)\0 *.m3u\0All Files (*.*)\0*.*\0";
inline constexpr wchar_t kAviFilter[] = L"Avi Files (*.avi)\0*.avi\0";
inline constexpr char kSkinFilter[] = "WinAMP Skin Files (*.wsz)\0*.wsz\0All Files (*.*)\0*.*\0";
