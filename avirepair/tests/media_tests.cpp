// Encoder-made files (ffmpeg: MPEG-4 Part 2 + MP3, MJPEG + PCM), damaged in
// several ways, repaired, and decoded by ffmpeg without a single error; the
// headers give ffprobe the frame count that the repaired file holds.
#include <gtest/gtest.h>

#include <cstdlib>

#include "avirepair/files/system_files.h"
#include "avirepair/tests/media_variants.h"
#include "avirepair/tests/repair_test_util.h"

namespace avirepair::test {
namespace {

std::string g_media;

std::string DecodeErrors(const std::string& path) {
  std::string log = path + ".decode.txt";
  std::string cmd = "ffmpeg -nostdin -v error -i '" + path + "' -f null - >'" + log + "' 2>&1";
  int rc = std::system(cmd.c_str());
  Bytes text = ReadWhole(log);
  std::string out(text.begin(), text.end());
  if (rc != 0) out += "(ffmpeg exit status " + std::to_string(rc) + ")";
  return out;
}

// The frame count that ffprobe reads from the video stream's header.
std::string ProbedFrames(const std::string& path) {
  std::string out = path + ".frames.txt";
  std::string cmd = "ffprobe -v error -select_streams v:0 -show_entries stream=nb_frames -of csv=p=0 '" + path +
                    "' >'" + out + "' 2>&1";
  if (std::system(cmd.c_str()) != 0) return "(ffprobe failed)";
  Bytes text = ReadWhole(out);
  std::string frames(text.begin(), text.end());
  while (!frames.empty() && (frames.back() == '\n' || frames.back() == '\r')) frames.pop_back();
  return frames;
}

class EncodedMedia : public ::testing::TestWithParam<const char*> {};

TEST_P(EncodedMedia, RepairedCopiesDecodeWithoutErrors) {
  std::string base = g_media + "/" + GetParam();
  Bytes input = ReadWhole(base + ".avi");
  ASSERT_GT(input.size(), 10000u) << "run make-media.sh first";
  ASSERT_EQ(DecodeErrors(base + ".avi"), "");
  for (const MediaVariant& v : MediaVariants(input)) {
    std::string in = base + "-" + v.name + ".avi";
    std::string out = base + "-" + v.name + "-repaired.avi";
    ASSERT_TRUE(WriteWhole(in, v.data));
    RepairReport report;
    RepairResult r = RunRepair(SystemFiles(), in, out, nullptr, &report);
    ASSERT_TRUE(r.Succeeded()) << v.name << ": " << r.reason;
    ParsedAvi avi = ParseAvi(ReadWhole(out));
    EXPECT_EQ(CheckRepaired(avi), "") << v.name;
    EXPECT_EQ(CheckHeaderCounts(avi), "") << v.name;
    EXPECT_EQ(ProbedFrames(out), std::to_string(report.videoFramesKept)) << v.name;
    EXPECT_GT(report.videoFramesKept, 40u) << v.name;
    EXPECT_EQ(DecodeErrors(out), "") << v.name;
    if (v.name == "damaged") {
      EXPECT_EQ(report.damagedStretches, 1u);
    }
    if (v.name == "cut") {
      EXPECT_TRUE(report.cutOffChunkDropped);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Ffmpeg, EncodedMedia, ::testing::Values("mpeg4_mp3", "mjpeg_pcm"));

}  // namespace
}  // namespace avirepair::test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc > 1) avirepair::test::g_media = argv[1];
  return RUN_ALL_TESTS();
}
