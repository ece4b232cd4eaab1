#include "player/core/profile_values.h"

#include <cctype>
#include <cstdio>

namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

// The C library's strtoul on a 32-bit unsigned long: leading white space,
// an optional sign, an optional "0x" for radix 16; overflow saturates.
uint32_t ParseUnsigned32(const std::string& text, int radix) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (radix == 16 && i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
      DigitValue(text[i + 2]) < 16) {
    i += 2;
  }
  uint64_t value = 0;
  bool overflow = false;
  for (; i < text.size(); ++i) {
    int digit = DigitValue(text[i]);
    if (digit >= radix) break;
    value = value * static_cast<unsigned>(radix) + static_cast<unsigned>(digit);
    if (value > 0xFFFFFFFFull) {
      overflow = true;
      value = 0xFFFFFFFFull;
    }
  }
  if (overflow) return 0xFFFFFFFFu;
  uint32_t bits = static_cast<uint32_t>(value);
  return negative ? 0u - bits : bits;
}

bool EqualsNoCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return i == a.size() && b[i] == '\0';
}

}  // namespace

int32_t ParseProfileInteger(const std::string& text, int radix, int32_t default_value) {
  if (text.empty()) return default_value;
  if (radix != 2 && radix != 8 && radix != 16) radix = 10;
  return static_cast<int32_t>(ParseUnsigned32(text, radix));
}

int32_t ParseProfileFlag(const std::string& text, int32_t default_value) {
  if (text.empty()) return default_value;
  if (EqualsNoCase(text, "true") || EqualsNoCase(text, "yes")) return 1;
  return ParseUnsigned32(text, 10) != 0 ? 1 : 0;
}

std::string FormatProfileInteger(int32_t value, int radix) {
  char text[40];
  uint32_t bits = static_cast<uint32_t>(value);
  switch (radix) {
    case 8:
      std::snprintf(text, sizeof text, "%o", static_cast<unsigned>(bits));
      return text;
    case 16:
      std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(bits));
      return text;
    case 2: {
      std::string digits;
      do {
        digits.insert(digits.begin(), static_cast<char>('0' + (bits & 1u)));
        bits >>= 1;
      } while (bits);
      return digits;
    }
    default:
      std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
      return text;
  }
}
