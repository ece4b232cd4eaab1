#include "player/ini_file.h"

#include <windows.h>

#include <vector>

#include "player/core/profile_values.h"

namespace {
constexpr DWORD kFirstBuffer = 513;
constexpr DWORD kBufferStep = 512;
constexpr size_t kNumberCharacters = 64;
}  // namespace

std::string IniFile::ReadString(const char* section, const char* key, const char* default_value,
                                size_t capacity) const {
  std::vector<char> buffer(kFirstBuffer);
  DWORD length;
  for (;;) {
    length = GetPrivateProfileStringA(section, key, default_value ? default_value : "", buffer.data(),
                                      static_cast<DWORD>(buffer.size()), path_.c_str());
    if (length + 1 < buffer.size()) break;
    buffer.resize(buffer.size() + kBufferStep);
  }
  return std::string(buffer.data(), length < capacity ? length : capacity);
}

int32_t IniFile::ReadInteger(const char* section, const char* key, int32_t default_value, int radix) const {
  return ParseProfileInteger(ReadString(section, key, "", kNumberCharacters), radix, default_value);
}

int32_t IniFile::ReadFlag(const char* section, const char* key, int32_t default_value) const {
  return ParseProfileFlag(ReadString(section, key, "", kNumberCharacters), default_value);
}

void IniFile::WriteString(const char* section, const char* key, const char* value) const {
  WritePrivateProfileStringA(section, key, value ? value : "", path_.c_str());
}

void IniFile::WriteInteger(const char* section, const char* key, int32_t value, int radix) const {
  WriteString(section, key, FormatProfileInteger(value, radix).c_str());
}

void IniFile::WriteFlag(const char* section, const char* key, int32_t value) const {
  WriteInteger(section, key, value ? 1 : 0, 10);
}
