#pragma once
// Command line of the yuy2fx pixel tool:
//   yuy2fx --width W --height H [--brightness N] [--contrast N] [--saturation N]
//          [--hue N] [--no-brightness] [--no-contrast] [--no-saturation] [--no-hue]
//          [--output yuy2|rgb32|rgb24|rgb565|rgb555] [--bottom-up] [--plain] IN OUT

#include <cstdint>
#include <string>
#include <vector>

namespace effects {

struct Yuy2fxOptions {
  int32_t width = 0;
  int32_t height = 0;
  int32_t brightness = 0;
  int32_t contrast = 0;
  int32_t saturation = 0;
  int32_t hue = 0;
  bool brightnessEnabled = true;
  bool contrastEnabled = true;
  bool saturationEnabled = true;
  bool hueEnabled = true;
  int32_t conversionKind = 0;  // ConversionKind
  bool bottomUp = false;
  bool plain = false;
  std::string input;   // "-" = standard input
  std::string output;  // "-" = standard output
};

// Largest frame the tool accepts, in pixels (16384 x 16384).
constexpr int64_t kYuy2fxMaxPixels = int64_t{1} << 28;

// Parses the arguments after the program name. On failure returns false and
// sets *error to a one-line message naming the offending argument.
bool ParseYuy2fxOptions(const std::vector<std::string>& args, Yuy2fxOptions* options, std::string* error);

// The usage text printed with an error.
const char* Yuy2fxUsage();

}  // namespace effects
