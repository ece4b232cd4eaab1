#include "player/core/path_names.h"

namespace {

template <class Char>
bool IsSeparator(Char c) {
  return c == Char('\\') || c == Char('/');
}

template <class Char>
bool IsAsciiLetter(Char c) {
  return (c >= Char('a') && c <= Char('z')) || (c >= Char('A') && c <= Char('Z'));
}

template <class Char>
bool IsSchemeChar(Char c) {
  return IsAsciiLetter(c) || (c >= Char('0') && c <= Char('9')) || c == Char('+') || c == Char('.') || c == Char('-');
}

template <class Char>
bool HasScheme(const std::basic_string<Char>& name) {
  // "x://" with a scheme of two characters or more; one letter is a drive.
  if (name.empty() || !IsAsciiLetter(name[0])) return false;
  size_t i = 1;
  while (i < name.size() && IsSchemeChar(name[i])) ++i;
  return i >= 2 && name.compare(i, 3, std::basic_string<Char>{Char(':'), Char('/'), Char('/')}) == 0;
}

template <class Char>
bool IsAbsolute(const std::basic_string<Char>& name) {
  if (name.empty()) return false;
  if (IsSeparator(name[0])) return true;
  if (name.size() >= 2 && IsAsciiLetter(name[0]) && name[1] == Char(':')) return true;
  return HasScheme(name);
}

template <class Char>
std::basic_string<Char> Folder(const std::basic_string<Char>& path) {
  size_t end = path.size();
  while (end > 0 && !IsSeparator(path[end - 1])) --end;
  if (end == 0) {
    // "C:list.m3u": the folder is the drive's current one.
    if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == Char(':')) return path.substr(0, 2);
    return std::basic_string<Char>();
  }
  // end - 1 is the last separator. Keep it when it makes the root: "\",
  // "C:\", or the separators of "\\" alone.
  size_t cut = end - 1;
  while (cut > 0 && IsSeparator(path[cut - 1])) --cut;  // "a\\b" -> "a"
  if (cut == 0) return path.substr(0, end);
  if (cut == 2 && path[1] == Char(':') && IsAsciiLetter(path[0])) return path.substr(0, 3);
  return path.substr(0, cut);
}

template <class Char>
std::basic_string<Char> Join(const std::basic_string<Char>& folder, const std::basic_string<Char>& name) {
  if (folder.empty() || IsAbsolute(name)) return name;
  const Char last = folder.back();
  if (IsSeparator(last) || (folder.size() == 2 && last == Char(':'))) return folder + name;
  return folder + Char('\\') + name;
}

}  // namespace

bool IsPathSeparator(wchar_t c) { return IsSeparator(c); }

bool IsAbsolutePath(const std::wstring& name) { return IsAbsolute(name); }
bool IsAbsolutePath(const std::string& name) { return IsAbsolute(name); }

std::wstring FolderOf(const std::wstring& path) { return Folder(path); }
std::string FolderOf(const std::string& path) { return Folder(path); }

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) { return Join(folder, name); }
std::string JoinPath(const std::string& folder, const std::string& name) { return Join(folder, name); }
