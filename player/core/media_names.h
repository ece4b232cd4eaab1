#pragma once
// Rules on the names of media files the player is asked to open.
#include <string>

constexpr const char* kAsxRefused =
    "ASX Playlists are not supported by this application.\n\nPlease select a valid media file.";
constexpr const char* kWindowsMediaRefused =
    "Windows Media files (ASF,WMV,WMA) are not supported by this application.\n\n"
    "To play Windows Media files, use the PlayWndASF or Jukebox samples.";

// Why a chosen media file is refused, or nullptr when it may be played: an
// ".asx" anywhere in the name is a playlist; ".asf", ".wma" or ".wmv" in the
// first 259 characters is Windows Media. Case does not matter.
const char* RefusedMediaName(const std::wstring& name);

// The name in lower case (for comparing names, never for opening them).
std::wstring LoweredName(const std::wstring& name);

// The command line's file name without the one pair of quotes a shell puts
// around a name with spaces.
std::wstring UnquotedFileName(std::wstring name);

// The last part of a path: the file's own name.
std::wstring FileNamePart(const std::wstring& path);
