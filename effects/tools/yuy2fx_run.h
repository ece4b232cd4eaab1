#pragma once
// The yuy2fx frame loop, separate from main() so tests can drive it.

#include <cstdint>
#include <cstdio>
#include <string>

#include "effects/tools/yuy2fx_options.h"

namespace effects {

// Reads whole frames from `in` until its end, applies the effects of a fresh
// filter as the options say, converts each frame and writes it to `out`.
// Returns true on success; otherwise *error says what went wrong (an input
// ending inside a frame, a read or write failure, no memory). *frames counts
// the frames written.
bool RunYuy2fx(const Yuy2fxOptions& options, std::FILE* in, std::FILE* out, uint64_t* frames, std::string* error);

}  // namespace effects
