#pragma once
// Writes small zip archives for the tests: stored or deflated members with
// any stored name, and a way to break them.
#include <string>
#include <vector>

struct ZipMember {
  std::string name;
  std::string data;
  bool deflate = false;
  bool bad_crc = false;
};

// The archive's bytes.
std::string MakeZip(const std::vector<ZipMember>& members);
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
