#pragma once
// Windows path names as plain text: "\" and "/" both separate, "C:\x",
// "\\server\x" and "\x" are absolute. Nothing here asks the file system.
#include <string>

bool IsPathSeparator(wchar_t c);
// Absolute: a drive letter and a colon ("C:\x", and the drive-relative
// "C:x", which no folder can be put in front of), a leading separator
// ("\x", "\\server\x", "/x"), or an address with a scheme ("http://x").
bool IsAbsolutePath(const std::wstring& name);
bool IsAbsolutePath(const std::string& name);

// The folder part of a path, without its last separator unless that is
// the root ("C:\a\list.m3u" -> "C:\a", "C:\list.m3u" -> "C:\", "list.m3u" -> "").
std::wstring FolderOf(const std::wstring& path);
std::string FolderOf(const std::string& path);

// `name` taken inside `folder`: an absolute name or an empty folder leaves
// the name as it is; otherwise one "\" joins them (none added when the
// folder already ends with a separator or is a bare drive "C:").
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);
std::string JoinPath(const std::string& folder, const std::string& name);
