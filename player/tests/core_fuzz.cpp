// The command line and settings values come from users' hands: any bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "player/core/command_line.h"
#include "player/core/profile_values.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string line(text.c_str());  // the command line ends at its first NUL
  CommandLineOptions o = ParseCommandLine(line.c_str());
  if (o.file_name.size() > line.size()) __builtin_trap();
  for (int radix : {2, 8, 10, 16, 0}) {
    int32_t v = ParseProfileInteger(text, radix, 5);
    if (ParseProfileInteger(FormatProfileInteger(v, radix == 0 ? 10 : radix), radix, 5) != v) __builtin_trap();
  }
  ParseProfileFlag(text, 0);
  return 0;
}
