#include "player/skin/archive/skin_archive.h"

#include <cctype>
#include <cstdio>
#include <vector>

#include "unzip.h"

namespace {

bool IsReservedDeviceName(std::string name) {
  // Windows resolves "con.bmp" to the console as well: compare the part
  // before the first dot, trailing spaces ignored.
  size_t dot = name.find('.');
  if (dot != std::string::npos) name.resize(dot);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  for (auto& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static const char* const kPlain[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : kPlain) {
    if (name == device) return true;
  }
  if (name.size() == 4 && (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "LPT") == 0) &&
      name[3] >= '0' && name[3] <= '9') {
    return true;
  }
  return false;
}

// Removes a partly written member.
void Discard(std::FILE* out, const std::string& path) {
  std::fclose(out);
  std::remove(path.c_str());
}

}  // namespace

std::string SafeMemberName(const std::string& stored_name) {
  size_t slash = stored_name.find_last_of("/\\");
  std::string name = slash == std::string::npos ? stored_name : stored_name.substr(slash + 1);
  bool only_dots_and_spaces = true;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) return std::string();
    if (std::string("<>:\"|?*").find(static_cast<char>(c)) != std::string::npos) return std::string();
    if (c != '.' && c != ' ') only_dots_and_spaces = false;
  }
  // Empty, ".", "..", and names Windows would trim to nothing.
  if (only_dots_and_spaces) return std::string();
  if (IsReservedDeviceName(name)) return std::string();
  return name;
}

bool ExtractSkinArchive(const std::string& archive, const std::string& folder, const ArchiveLimits& limits,
                        ExtractReport* report) {
  ExtractReport local;
  ExtractReport& r = report ? *report : local;
  r = ExtractReport();
  unzFile zip = unzOpen64(archive.c_str());
  if (!zip) return false;

  std::vector<char> buffer(32768);
  uint64_t total = 0;
  uint32_t looked_at = 0;
  for (int step = unzGoToFirstFile(zip); step == UNZ_OK; step = unzGoToNextFile(zip)) {
    if (looked_at++ >= limits.max_members) {
      r.member_limit = true;
      break;
    }
    char stored[1024];
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(zip, &info, stored, sizeof stored, nullptr, 0, nullptr, 0) != UNZ_OK) {
      ++r.unreadable;
      continue;
    }
    std::string name = SafeMemberName(stored);
    if (name.empty()) {
      // Folder entries end in a separator and leave nothing: not a fault.
      std::string s(stored);
      if (s.empty() || (s.back() != '/' && s.back() != '\\')) ++r.unsafe_names;
      continue;
    }
    if (info.uncompressed_size > limits.max_member_bytes ||
        total + info.uncompressed_size > limits.max_total_bytes) {
      ++r.too_large;
      continue;
    }
    const std::string path = folder + name;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
      ++r.unreadable;
      continue;
    }
    if (unzOpenCurrentFile(zip) != UNZ_OK) {
      Discard(out, path);
      ++r.unreadable;
      continue;
    }
    // The stored size may lie: the bounds hold for the bytes really inflated.
    uint64_t member = 0;
    bool ok = true, over = false;
    for (;;) {
      int got = unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size()));
      if (got == 0) break;
      if (got < 0) {
        ok = false;
        break;
      }
      member += static_cast<unsigned>(got);
      if (member > limits.max_member_bytes || total + member > limits.max_total_bytes) {
        over = true;
        break;
      }
      if (std::fwrite(buffer.data(), 1, static_cast<size_t>(got), out) != static_cast<size_t>(got)) {
        ok = false;
        break;
      }
    }
    // A member whose data fails its checksum reports it on close.
    if (unzCloseCurrentFile(zip) != UNZ_OK && !over) ok = false;
    if (over || !ok) {
      Discard(out, path);
      ++(over ? r.too_large : r.unreadable);
      continue;
    }
    if (std::fclose(out) != 0) {
      std::remove(path.c_str());
      ++r.unreadable;
      continue;
    }
    total += member;
    ++r.written;
  }
  unzClose(zip);
  return true;
}
