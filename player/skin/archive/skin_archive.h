#pragma once
// Unpacking a skin archive (".wsz", a zip of bitmaps) into the skin
// extraction folder. Member names come from whoever made the archive, so
// each is reduced to a plain file name inside the folder, and sizes are
// bounded so that a hostile archive cannot fill the disk.
#include <cstdint>
#include <string>

struct ArchiveLimits {
  uint64_t max_member_bytes = 32ull << 20;  // one member
  uint64_t max_total_bytes = 128ull << 20;  // everything written
  uint32_t max_members = 4096;              // members looked at
};

struct ExtractReport {
  int written = 0;          // files created
  int unsafe_names = 0;     // members whose name left nothing usable
  int too_large = 0;        // members over the per-member or total bound
  int unreadable = 0;       // members whose data could not be read or written
  bool member_limit = false;  // the walk stopped at max_members
};

// The file name a stored member name is written as: its last path component
// (after "/" or "\"). Empty when the member must be skipped: nothing left,
// "." or "..", characters no file name may hold, a drive reference, or a
// reserved device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without
// an extension).
std::string SafeMemberName(const std::string& stored_name);

// Writes every acceptable member of `archive` into `folder` (which ends in a
// path separator). Returns false only when the archive cannot be opened as a
// zip file; members that cannot be written are skipped and counted.
bool ExtractSkinArchive(const std::string& archive, const std::string& folder, const ArchiveLimits& limits,
                        ExtractReport* report);
