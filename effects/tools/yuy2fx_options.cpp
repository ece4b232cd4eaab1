#include "effects/tools/yuy2fx_options.h"

#include <cerrno>
#include <cstdlib>

#include "effects/core/frame_converter.h"

namespace effects {

namespace {

// Whole decimal number with an optional sign, within 32 bits.
bool ParseInt32(const std::string& text, int32_t* value) {
  if (text.empty() || text.size() > 12) return false;
  size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (i == text.size()) return false;
  for (size_t k = i; k < text.size(); ++k)
    if (text[k] < '0' || text[k] > '9') return false;
  const long long v = std::strtoll(text.c_str(), nullptr, 10);
  if (v < INT32_MIN || v > INT32_MAX) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

bool ParseKind(const std::string& text, int32_t* kind) {
  static const char* const kNames[] = {"yuy2", "rgb32", "rgb24", "rgb565", "rgb555"};
  for (int32_t k = 0; k < 5; ++k) {
    if (text == kNames[k]) {
      *kind = k;
      return true;
    }
  }
  return false;
}

}  // namespace

const char* Yuy2fxUsage() {
  return "usage: yuy2fx --width W --height H [--brightness N] [--contrast N] [--saturation N] [--hue N]\n"
         "              [--no-brightness] [--no-contrast] [--no-saturation] [--no-hue]\n"
         "              [--output yuy2|rgb32|rgb24|rgb565|rgb555] [--bottom-up] [--plain] IN OUT\n"
         "Reads raw top-down YUY2 frames of W x H pixels from IN, applies brightness, contrast,\n"
         "saturation and hue (all enabled at 0 unless told otherwise), converts each frame and\n"
         "writes the raw frames to OUT with no row padding. '-' is standard input or output.\n"
         "--bottom-up writes RGB rows last row first; --plain uses the plain (non-SIMD) paths.\n";
}

bool ParseYuy2fxOptions(const std::vector<std::string>& args, Yuy2fxOptions* options, std::string* error) {
  Yuy2fxOptions o;
  std::vector<std::string> files;
  // Each value option may appear once.
  std::vector<std::string> seen;
  auto once = [&](const std::string& name) {
    for (const std::string& s : seen)
      if (s == name) return false;
    seen.push_back(name);
    return true;
  };
  bool haveWidth = false, haveHeight = false;

  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.empty()) {
      *error = "empty file name";
      return false;
    }
    if (a.size() < 2 || a[0] != '-') {  // file names, and "-" for a standard stream
      files.push_back(a);
      continue;
    }
    if (a == "--no-brightness") { o.brightnessEnabled = false; continue; }
    if (a == "--no-contrast") { o.contrastEnabled = false; continue; }
    if (a == "--no-saturation") { o.saturationEnabled = false; continue; }
    if (a == "--no-hue") { o.hueEnabled = false; continue; }
    if (a == "--bottom-up") { o.bottomUp = true; continue; }
    if (a == "--plain") { o.plain = true; continue; }

    int32_t* target = nullptr;
    if (a == "--width") target = &o.width;
    else if (a == "--height") target = &o.height;
    else if (a == "--brightness") target = &o.brightness;
    else if (a == "--contrast") target = &o.contrast;
    else if (a == "--saturation") target = &o.saturation;
    else if (a == "--hue") target = &o.hue;
    else if (a != "--output") {
      *error = "unknown option '" + a + "'";
      return false;
    }
    if (i + 1 >= args.size()) {
      *error = "option '" + a + "' needs a value";
      return false;
    }
    if (!once(a)) {
      *error = "option '" + a + "' given more than once";
      return false;
    }
    const std::string& value = args[++i];
    if (target == nullptr) {
      if (!ParseKind(value, &o.conversionKind)) {
        *error = "--output must be yuy2, rgb32, rgb24, rgb565 or rgb555, not '" + value + "'";
        return false;
      }
      continue;
    }
    if (!ParseInt32(value, target)) {
      *error = "option '" + a + "' needs a whole number, not '" + value + "'";
      return false;
    }
    if (target == &o.width) haveWidth = true;
    if (target == &o.height) haveHeight = true;
  }

  if (!haveWidth || !haveHeight) {
    *error = "--width and --height are required";
    return false;
  }
  if (o.width < 1 || o.height < 1) {
    *error = "width and height must be at least 1";
    return false;
  }
  if (static_cast<int64_t>(o.width) * o.height > kYuy2fxMaxPixels) {
    *error = "frame of " + std::to_string(o.width) + " x " + std::to_string(o.height) +
             " pixels is larger than the tool handles (268435456 pixels)";
    return false;
  }
  if (files.size() != 2) {
    *error = "expected an input and an output (IN OUT), got " + std::to_string(files.size()) + " file name(s)";
    return false;
  }
  o.input = files[0];
  o.output = files[1];
  *options = o;
  return true;
}

}  // namespace effects
