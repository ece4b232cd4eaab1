#pragma once
// Text <-> value rules of the player's settings file. The same rules apply
// whether a value was written by the player or typed in by hand.
#include <cstdint>
#include <string>

// Unsigned parse in radix 2, 8 or 16 (anything else means 10), the 32 bits
// taken as signed: "-5" gives -5, text without digits gives 0 and trailing
// characters are ignored. An empty text gives the default.
int32_t ParseProfileInteger(const std::string& text, int radix, int32_t default_value);

// "true" or "yes" (whole text, any case) give 1; otherwise the decimal value's
// truth. An empty text gives the default.
int32_t ParseProfileFlag(const std::string& text, int32_t default_value);

// "%d" for radix 10, "%o" for 8, "%X" for 16, binary digits for 2.
std::string FormatProfileInteger(int32_t value, int radix);
