#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "effects/core/effect_tables.h"
#include "effects/core/frame_converter.h"
#include "effects/tests/core_test_support.h"
#include "effects/tools/yuy2fx_options.h"
#include "effects/tools/yuy2fx_run.h"

namespace effects {
namespace {

bool Parse(const std::vector<std::string>& args, Yuy2fxOptions* o, std::string* error) {
  return ParseYuy2fxOptions(args, o, error);
}

std::string ErrorOf(const std::vector<std::string>& args) {
  Yuy2fxOptions o;
  std::string error;
  EXPECT_FALSE(Parse(args, &o, &error));
  return error;
}

TEST(Yuy2fxOptionsTest, ReadsTheWholeCommandLine) {
  Yuy2fxOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"--width", "720", "--height", "576", "--brightness", "-20", "--contrast", "+50", "--saturation",
                     "256", "--hue", "-180", "--no-brightness", "--no-contrast", "--no-saturation", "--no-hue",
                     "--output", "rgb565", "--bottom-up", "--plain", "in.yuv", "-"},
                    &o, &error))
      << error;
  EXPECT_EQ(o.width, 720);
  EXPECT_EQ(o.height, 576);
  EXPECT_EQ(o.brightness, -20);
  EXPECT_EQ(o.contrast, 50);
  EXPECT_EQ(o.saturation, 256);
  EXPECT_EQ(o.hue, -180);
  EXPECT_FALSE(o.brightnessEnabled || o.contrastEnabled || o.saturationEnabled || o.hueEnabled);
  EXPECT_EQ(o.conversionKind, kConvertRgb565);
  EXPECT_TRUE(o.bottomUp && o.plain);
  EXPECT_EQ(o.input, "in.yuv");
  EXPECT_EQ(o.output, "-");
}

TEST(Yuy2fxOptionsTest, DefaultsAreAFreshFilterWithYuy2Output) {
  Yuy2fxOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"-", "out", "--height", "1", "--width", "1"}, &o, &error)) << error;
  EXPECT_TRUE(o.brightnessEnabled && o.contrastEnabled && o.saturationEnabled && o.hueEnabled);
  EXPECT_EQ(o.brightness | o.contrast | o.saturation | o.hue, 0);
  EXPECT_EQ(o.conversionKind, kConvertYuy2);
  EXPECT_FALSE(o.bottomUp || o.plain);
}

TEST(Yuy2fxOptionsTest, RejectsBadCommandLinesWithAClearMessage) {
  EXPECT_EQ(ErrorOf({"--height", "2", "a", "b"}), "--width and --height are required");
  EXPECT_EQ(ErrorOf({"--width", "0", "--height", "2", "a", "b"}), "width and height must be at least 1");
  EXPECT_EQ(ErrorOf({"--width", "4", "--height", "-1", "a", "b"}), "width and height must be at least 1");
  EXPECT_EQ(ErrorOf({"--width", "4x", "--height", "2", "a", "b"}), "option '--width' needs a whole number, not '4x'");
  EXPECT_EQ(ErrorOf({"--width", "4", "--height", "2", "--hue", "99999999999", "a", "b"}),
            "option '--hue' needs a whole number, not '99999999999'");
  EXPECT_EQ(ErrorOf({"--width", "4", "--height", "2", "--hue", "", "a", "b"}),
            "option '--hue' needs a whole number, not ''");
  EXPECT_EQ(ErrorOf({"--width", "4", "--height", "2", "--gamma", "3", "a", "b"}), "unknown option '--gamma'");
  EXPECT_EQ(ErrorOf({"--width", "4", "--height", "2", "a", "b", "--contrast"}), "option '--contrast' needs a value");
  EXPECT_EQ(ErrorOf({"--width", "4", "--width", "4", "--height", "2", "a", "b"}),
            "option '--width' given more than once");
  EXPECT_EQ(ErrorOf({"--width", "4", "--height", "2", "--output", "rgb16", "a", "b"}),
            "--output must be yuy2, rgb32, rgb24, rgb565 or rgb555, not 'rgb16'");
  EXPECT_EQ(ErrorOf({"--width", "4", "--height", "2", "a"}),
            "expected an input and an output (IN OUT), got 1 file name(s)");
  EXPECT_EQ(ErrorOf({"--width", "4", "--height", "2", "a", "b", "c"}),
            "expected an input and an output (IN OUT), got 3 file name(s)");
  EXPECT_EQ(ErrorOf({"--width", "4", "--height", "2", "a", ""}), "empty file name");
  EXPECT_NE(ErrorOf({"--width", "65536", "--height", "65536", "a", "b"}).find("larger than the tool handles"),
            std::string::npos);
}

// A scratch file in the temporary folder, removed again at the end.
struct TempFile {
  std::string path;
  std::FILE* f = nullptr;
  TempFile() {
    static int serial = 0;
    path = (std::filesystem::temp_directory_path() /
            ("yuy2fx_test_" + std::to_string(reinterpret_cast<uintptr_t>(this)) + "_" + std::to_string(++serial)))
               .string();
    f = std::fopen(path.c_str(), "w+b");
  }
  ~TempFile() {
    if (f) std::fclose(f);
    std::remove(path.c_str());
  }
  std::vector<uint8_t> Contents() {
    std::vector<uint8_t> out;
    std::rewind(f);
    int c;
    while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<uint8_t>(c));
    return out;
  }
};

TEST(Yuy2fxRunTest, ProcessesEveryFrameLikeTheFilter) {
  Yuy2fxOptions o;
  o.width = 10;
  o.height = 3;
  o.hue = 45;
  o.contrast = 30;
  o.conversionKind = kConvertRgb24;
  o.bottomUp = true;
  const size_t frameBytes = 10 * 3 * 2;
  const std::vector<uint8_t> input = test::RandomBytes(frameBytes * 3, 5);
  TempFile in, out;
  ASSERT_TRUE(in.f && out.f);
  std::fwrite(input.data(), 1, input.size(), in.f);
  std::rewind(in.f);
  uint64_t frames = 0;
  std::string error;
  ASSERT_TRUE(RunYuy2fx(o, in.f, out.f, &frames, &error)) << error;
  EXPECT_EQ(frames, 3u);

  auto tables = std::make_unique<EffectTables>();
  tables->SetFilterDefaults();
  tables->SetHue(45);
  tables->SetContrast(30);
  tables->SetPixelCount(30);
  FrameConverter c;
  c.Initialise(-30, 10, 3, kConvertRgb24, 0);
  std::vector<uint8_t> expected;
  for (size_t f = 0; f < 3; ++f) {
    std::vector<uint8_t> frame(input.begin() + f * frameBytes, input.begin() + (f + 1) * frameBytes);
    tables->Apply(frame.data());
    std::vector<uint8_t> rgb(90);
    c.Convert(frame.data(), rgb.data());
    expected.insert(expected.end(), rgb.begin(), rgb.end());
  }
  EXPECT_EQ(out.Contents(), expected);
}

TEST(Yuy2fxRunTest, YuyvOutputStaysTopDownAndDisabledEffectsCopy) {
  Yuy2fxOptions o;
  o.width = 3;
  o.height = 2;
  o.brightness = 90;
  o.brightnessEnabled = o.contrastEnabled = o.saturationEnabled = o.hueEnabled = false;
  o.bottomUp = true;  // has no meaning for YUY2
  const std::vector<uint8_t> input = test::RandomBytes(12, 8);
  TempFile in, out;
  std::fwrite(input.data(), 1, input.size(), in.f);
  std::rewind(in.f);
  uint64_t frames = 0;
  std::string error;
  ASSERT_TRUE(RunYuy2fx(o, in.f, out.f, &frames, &error)) << error;
  EXPECT_EQ(out.Contents(), input);
}

TEST(Yuy2fxRunTest, EmptyInputIsZeroFramesAndAPartialFrameIsAnError) {
  Yuy2fxOptions o;
  o.width = 4;
  o.height = 2;
  TempFile empty, out;
  uint64_t frames = 7;
  std::string error;
  EXPECT_TRUE(RunYuy2fx(o, empty.f, out.f, &frames, &error)) << error;
  EXPECT_EQ(frames, 0u);

  TempFile partial, out2;
  const std::vector<uint8_t> input(16 + 5, 100);
  std::fwrite(input.data(), 1, input.size(), partial.f);
  std::rewind(partial.f);
  EXPECT_FALSE(RunYuy2fx(o, partial.f, out2.f, &frames, &error));
  EXPECT_EQ(frames, 1u);
  EXPECT_EQ(error, "input is not a whole number of frames: 5 byte(s) left after 1 frame(s) of 16 bytes");
}

}  // namespace
}  // namespace effects
