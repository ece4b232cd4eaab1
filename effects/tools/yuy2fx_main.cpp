// yuy2fx: runs the effects filter's pixel path over raw YUY2 frames.

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "effects/core/simd_level.h"
#include "effects/tools/yuy2fx_options.h"
#include "effects/tools/yuy2fx_run.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "yuy2fx: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  effects::Yuy2fxOptions options;
  std::string error;
  if (!effects::ParseYuy2fxOptions(args, &options, &error)) {
    std::fprintf(stderr, "yuy2fx: %s\n%s", error.c_str(), effects::Yuy2fxUsage());
    return 2;
  }
  if (options.plain) effects::SetSimdLevel(effects::SimdLevel::kPlain);

  const bool stdIn = options.input == "-";
  const bool stdOut = options.output == "-";
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!stdIn && !stdOut && fs::exists(options.output, ec) && fs::equivalent(options.input, options.output, ec))
    return Fail("input and output are the same file: " + options.input);

  const size_t frameBytes = static_cast<size_t>(options.width) * static_cast<size_t>(options.height) * 2;
  if (!stdIn) {
    // Refuse a bad input before the output is created or emptied.
    const auto size = fs::file_size(options.input, ec);
    if (ec) return Fail("cannot read " + options.input + ": " + ec.message());
    if (size % frameBytes != 0)
      return Fail("input is not a whole number of frames: " + options.input + " holds " + std::to_string(size) +
                  " bytes, frames are " + std::to_string(frameBytes) + " bytes");
  }

#ifdef _WIN32
  if (stdIn) _setmode(_fileno(stdin), _O_BINARY);
  if (stdOut) _setmode(_fileno(stdout), _O_BINARY);
#endif
  std::FILE* in = stdIn ? stdin : std::fopen(options.input.c_str(), "rb");
  if (in == nullptr) return Fail("cannot open " + options.input + " for reading");
  std::FILE* out = stdOut ? stdout : std::fopen(options.output.c_str(), "wb");
  if (out == nullptr) {
    if (!stdIn) std::fclose(in);
    return Fail("cannot open " + options.output + " for writing");
  }

  uint64_t frames = 0;
  const bool ok = effects::RunYuy2fx(options, in, out, &frames, &error);
  if (!stdIn) std::fclose(in);
  const bool closed = stdOut ? true : std::fclose(out) == 0;
  if (!ok) return Fail(error);
  if (!closed) return Fail("cannot finish writing " + options.output);
  return 0;
}
