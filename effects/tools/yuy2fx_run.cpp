#include "effects/tools/yuy2fx_run.h"

#include <memory>
#include <new>
#include <vector>

#include "effects/core/effect_tables.h"
#include "effects/core/frame_converter.h"

namespace effects {

namespace {

// Reads up to `size` bytes; fewer only at the end of the input or on error.
size_t ReadFully(std::FILE* in, uint8_t* buffer, size_t size) {
  size_t got = 0;
  while (got < size) {
    const size_t n = std::fread(buffer + got, 1, size - got, in);
    if (n == 0) break;
    got += n;
  }
  return got;
}

}  // namespace

bool RunYuy2fx(const Yuy2fxOptions& options, std::FILE* in, std::FILE* out, uint64_t* frames, std::string* error) {
  *frames = 0;
  const size_t width = static_cast<size_t>(options.width);
  const size_t height = static_cast<size_t>(options.height);
  const int32_t bpp = BytesPerPixel(options.conversionKind);
  if (options.width < 1 || options.height < 1 || bpp == 0) {
    *error = "bad frame geometry or output kind";
    return false;
  }
  const size_t inBytes = width * height * 2;
  const size_t rowBytes = width * static_cast<size_t>(bpp);
  const size_t outBytes = rowBytes * height;

  auto tables = std::unique_ptr<EffectTables>(new (std::nothrow) EffectTables());
  std::vector<uint8_t> frame, converted;
  try {
    frame.resize(inBytes);
    converted.resize(outBytes);
  } catch (const std::bad_alloc&) {
    tables.reset();
  }
  if (!tables || frame.size() != inBytes || converted.size() != outBytes) {
    *error = "not enough memory for frames of " + std::to_string(options.width) + " x " +
             std::to_string(options.height) + " pixels";
    return false;
  }

  // A fresh filter's chain, then the options.
  tables->SetFilterDefaults();
  tables->SetBrightnessEnabled(options.brightnessEnabled ? 1 : 0);
  tables->SetContrastEnabled(options.contrastEnabled ? 1 : 0);
  tables->SetSaturationEnabled(options.saturationEnabled ? 1 : 0);
  tables->SetHueEnabled(options.hueEnabled ? 1 : 0);
  tables->SetBrightness(options.brightness);
  tables->SetContrast(options.contrast);
  tables->SetSaturation(options.saturation);
  tables->SetHue(options.hue);
  tables->SetPixelCount(static_cast<int64_t>(width * height));

  // RGB rows go upward for a bottom-up output, as a negative stride says;
  // YUY2 output is always top-down.
  const bool upward = options.bottomUp && options.conversionKind != kConvertYuy2;
  const int64_t stride = upward ? -static_cast<int64_t>(rowBytes) : static_cast<int64_t>(rowBytes);
  if (stride > INT32_MAX || stride < -INT32_MAX) {
    *error = "rows of " + std::to_string(rowBytes) + " bytes are too long";
    return false;
  }
  FrameConverter converter;
  converter.Initialise(static_cast<int32_t>(stride), options.width, options.height, options.conversionKind,
                       upward ? 0 : 1);

  for (;;) {
    const size_t got = ReadFully(in, frame.data(), inBytes);
    if (got == 0 && !std::ferror(in)) break;
    if (std::ferror(in)) {
      *error = "cannot read the input after " + std::to_string(*frames) + " frame(s)";
      return false;
    }
    if (got < inBytes) {
      *error = "input is not a whole number of frames: " + std::to_string(got) + " byte(s) left after " +
               std::to_string(*frames) + " frame(s) of " + std::to_string(inBytes) + " bytes";
      return false;
    }
    // One pass: the effects go into the conversion, the frame is read once.
    if (!tables->ApplyAndConvert(converter, frame.data(), frame.size(), converted.data(), converted.size())) {
      *error = "internal error: output buffer too small";
      return false;
    }
    if (std::fwrite(converted.data(), 1, outBytes, out) != outBytes) {
      *error = "cannot write the output after " + std::to_string(*frames) + " frame(s)";
      return false;
    }
    ++*frames;
  }
  if (std::fflush(out) != 0 || std::ferror(out)) {
    *error = "cannot write the output";
    return false;
  }
  return true;
}

}  // namespace effects
