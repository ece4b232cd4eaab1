#pragma once
// One INI file, read and written through the system's profile functions.
#include <cstdint>
#include <string>

class IniFile {
 public:
  void SetPath(const std::string& path) { path_ = path; }
  const std::string& path() const { return path_; }

  // Reads into a buffer that grows until the value fits, then keeps at most
  // `capacity` characters. A null default means "".
  std::string ReadString(const char* section, const char* key, const char* default_value,
                         size_t capacity) const;
  int32_t ReadInteger(const char* section, const char* key, int32_t default_value, int radix) const;
  int32_t ReadFlag(const char* section, const char* key, int32_t default_value) const;

  // Failed writes are not reported: the profile functions are best effort.
  void WriteString(const char* section, const char* key, const char* value) const;
  void WriteInteger(const char* section, const char* key, int32_t value, int radix) const;
  void WriteFlag(const char* section, const char* key, int32_t value) const;

 private:
  std::string path_;
};
