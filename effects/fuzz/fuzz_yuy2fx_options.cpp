// Feeds random argument lists (NUL-separated) to the yuy2fx option parser.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "effects/tools/yuy2fx_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) args.emplace_back();
    else args.back().push_back(static_cast<char>(data[i]));
  }
  effects::Yuy2fxOptions options;
  std::string error;
  if (effects::ParseYuy2fxOptions(args, &options, &error)) {
    // A successful parse always describes a usable frame and two files.
    if (options.width < 1 || options.height < 1 || options.input.empty() || options.output.empty() ||
        static_cast<int64_t>(options.width) * options.height > effects::kYuy2fxMaxPixels ||
        options.conversionKind < 0 || options.conversionKind > 4)
      __builtin_trap();
  } else if (error.empty()) {
    __builtin_trap();  // every refusal says why
  }
  return 0;
}
