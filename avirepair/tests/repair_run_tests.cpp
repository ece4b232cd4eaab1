// The repair run on files built in memory: what is kept, what is dropped,
// and that the rebuilt index describes the output.
#include <gtest/gtest.h>

#include <cstring>

#include "avirepair/tests/repair_test_util.h"

namespace avirepair::test {
namespace {

std::vector<uint32_t> Range(uint32_t from, uint32_t to) {
  std::vector<uint32_t> v;
  for (uint32_t i = from; i < to; ++i) v.push_back(i);
  return v;
}

std::vector<uint32_t> Concat(std::vector<uint32_t> a, const std::vector<uint32_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(RepairRun, IntactFileKeepsEveryChunkWithItsIndex) {
  Bytes input = Movie(60, 10).Build();
  Outcome o = RepairInMemory(input);
  ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
  EXPECT_EQ(CheckRepaired(o.avi), "");
  ParsedAvi in = ParseAvi(input);
  ASSERT_EQ(o.avi.chunks.size(), in.chunks.size());
  for (size_t i = 0; i < in.chunks.size(); ++i) {
    EXPECT_EQ(o.avi.chunks[i].id, in.chunks[i].id);
    EXPECT_EQ(o.avi.chunks[i].data, in.chunks[i].data);
    EXPECT_EQ(o.avi.index[i].flags, in.index[i].flags) << "entry " << i;
  }
  EXPECT_EQ(o.output, input);  // nothing to mend: the same bytes
  EXPECT_TRUE(o.report.inputHadIndex);
  EXPECT_EQ(o.report.chunksKept, 120u);
  EXPECT_EQ(o.report.videoFramesKept, 60u);
  EXPECT_EQ(o.report.keyFramesKept, 6u);
  EXPECT_EQ(o.report.chunksDropped, 0u);
  EXPECT_EQ(o.scratchCreated, 1);
  EXPECT_EQ(o.scratchLeftOpen, 0);
}

TEST(RepairRun, InputWithoutIndexGetsOneListingEveryChunkFromOffset4) {
  Outcome o = RepairInMemory(Movie(30, 10).WithIndex(false).Build());
  ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
  EXPECT_EQ(CheckRepaired(o.avi), "");
  ASSERT_EQ(o.avi.index.size(), 60u);
  EXPECT_EQ(o.avi.index[0].offset, 4u);
  EXPECT_EQ(o.avi.index[0].flags, 0x10u);
  EXPECT_EQ(o.avi.index[2].flags, 0u);
  EXPECT_EQ(VideoFrames(o.avi), Range(0, 30));
  EXPECT_FALSE(o.report.inputHadIndex);
  EXPECT_TRUE(o.report.indexWritten);
}

TEST(RepairRun, JunkInsideMovieDataIsDroppedAndLaterOffsetsFollowTheOutput) {
  AviBuilder b = Movie(5, 5);
  b.Raw(Chunk("JUNK", Bytes(77, 0)));
  for (uint32_t i = 5; i < 10; ++i) b.Add("00dc", Mpeg4Frame(i, i == 5));
  Outcome o = RepairInMemory(b.Build());
  ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
  EXPECT_EQ(CheckRepaired(o.avi), "");
  for (const ParsedChunk& c : o.avi.chunks) EXPECT_NE(c.id, "JUNK");
  EXPECT_EQ(VideoFrames(o.avi), Range(0, 10));
  EXPECT_EQ(o.report.junkChunksSkipped, 1u);
}

TEST(RepairRun, RecordListsAreEnteredAndTheirChunksKept) {
  AviBuilder b;
  for (uint32_t i = 0; i < 6; ++i) {
    Bytes v = Chunk("00dc", Mpeg4Frame(i, i == 0));
    Bytes a = Chunk("01wb", AudioData(i));
    b.Raw(ListHeader("rec ", uint32_t(4 + v.size() + a.size()))).Raw(v).Raw(a);
  }
  Outcome o = RepairInMemory(b.WithIndex(false).Build());
  ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
  EXPECT_EQ(CheckRepaired(o.avi), "");
  EXPECT_EQ(VideoFrames(o.avi), Range(0, 6));
  EXPECT_EQ(o.avi.chunks.size(), 12u);
}

TEST(RepairRun, IndexChunksAreNotCopiedAndTheHeaderIndexIsRetired) {
  AviBuilder b = Movie(8, 4);
  Bytes ix = {2, 0, 0, 1, 8, 0, 0, 0, '0', '0', 'd', 'c'};
  ix.resize(24 + 8 * 8, 0);
  b.Raw(Chunk("ix00", ix)).WithOpenDmlIndex(true);
  Bytes input = b.Build();
  ASSERT_NE(std::find(ParseAvi(input).headerIds.begin(), ParseAvi(input).headerIds.end(), "indx"),
            ParseAvi(input).headerIds.end());
  Outcome o = RepairInMemory(input);
  ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
  EXPECT_EQ(CheckRepaired(o.avi), "");
  for (const ParsedChunk& c : o.avi.chunks) EXPECT_NE(c.id, "ix00");
  EXPECT_EQ(VideoFrames(o.avi), Range(0, 8));
  const auto& ids = o.avi.headerIds;
  EXPECT_EQ(std::find(ids.begin(), ids.end(), "indx"), ids.end());
  EXPECT_NE(std::find(ids.begin(), ids.end(), "JUNK"), ids.end());
  EXPECT_EQ(o.report.indexChunksSkipped, 1u);
}

// An OpenDML file past 1 GiB: the first part's movie list and "idx1", then
// "RIFF" "AVIX" parts with movie lists of their own (and "ix##" chunks).
TEST(RepairRun, OpenDmlExtensionPartsAreKeptBeyondTheFirstPartsIndex) {
  Bytes input = Movie(30, 10).WithOpenDmlIndex(true).Build();
  for (uint32_t part = 0; part < 2; ++part) {
    Bytes movie;
    for (uint32_t i = 30 + part * 20; i < 50 + part * 20; ++i) {
      for (const Bytes& c : {Chunk("00dc", Mpeg4Frame(i, i % 10 == 0, 300)), Chunk("01wb", AudioData(i, 101))})
        movie.insert(movie.end(), c.begin(), c.end());
    }
    Bytes ix = Chunk("ix00", Bytes(24 + 8 * 20, 0));
    movie.insert(movie.end(), ix.begin(), ix.end());
    Bytes riff = ListHeader("AVIX", uint32_t(movie.size() + 16));
    std::memcpy(riff.data(), "RIFF", 4);
    Bytes list = ListHeader("movi", uint32_t(movie.size() + 4));
    for (const Bytes* b : {&riff, &list, &movie}) input.insert(input.end(), b->begin(), b->end());
  }
  for (bool movieSizeRight : {true, false}) {
    Bytes in = input;
    if (!movieSizeRight) std::memset(&in[ParseAvi(input).moviStart - 4], 0, 4);  // the index found from the end
    Outcome o = RepairInMemory(in);
    ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
    EXPECT_EQ(CheckRepaired(o.avi), "");
    EXPECT_EQ(CheckHeaderCounts(o.avi), "");
    EXPECT_EQ(VideoFrames(o.avi), Range(0, 70));
    EXPECT_EQ(o.avi.totalFrames, 70u);
    EXPECT_EQ(o.report.indexChunksSkipped, 3u);  // the first part's "idx1" and the two "ix00"
    EXPECT_TRUE(o.report.inputHadIndex);
  }
}

TEST(RepairRun, CutOffLastChunkIsDroppedAndTheFileEndsWithThePreviousOne) {
  Bytes input = Movie(20, 5, false).WithIndex(false).Build();
  input.resize(input.size() - 100);  // inside the last frame
  Outcome o = RepairInMemory(input);
  ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
  EXPECT_EQ(CheckRepaired(o.avi), "");
  EXPECT_EQ(VideoFrames(o.avi), Range(0, 19));
  EXPECT_TRUE(o.report.cutOffChunkDropped);
  EXPECT_EQ(o.report.chunksDropped, 1u);
  EXPECT_EQ(o.report.damagedStretches, 0u);
}

TEST(RepairRun, CutOffChunkHeaderIsDropped) {
  Bytes input = Movie(20, 5, false).WithIndex(false).Build();
  Bytes frame20 = Chunk("00dc", Mpeg4Frame(20, false));
  input.insert(input.end(), frame20.begin(), frame20.begin() + 6);
  Outcome o = RepairInMemory(input);
  ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
  EXPECT_EQ(CheckRepaired(o.avi), "");
  EXPECT_EQ(VideoFrames(o.avi), Range(0, 20));
}

// Frames 0..199 with key frames every 50; damage right after frame 120.
AviBuilder DamagedAfter120(const Bytes& damage) {
  AviBuilder b;
  for (uint32_t i = 0; i < 200; ++i) {
    b.Add("00dc", Mpeg4Frame(i, i % 50 == 0));
    b.Add("01wb", AudioData(i));
    if (i == 120) b.Raw(damage);
  }
  return b;
}

TEST(RepairRun, DamagedStretchDropsBackToTheKeyFrameAndResumesAtTheNextOne) {
  for (bool index : {true, false}) {
    Outcome o = RepairInMemory(DamagedAfter120(RandomBytes(3001, 7)).WithIndex(index).Build());
    ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
    EXPECT_EQ(CheckRepaired(o.avi), "");
    EXPECT_EQ(VideoFrames(o.avi), Concat(Range(0, 100), Range(150, 200)));
    ASSERT_EQ(o.avi.chunks.size(), 300u);  // audio went with its frames
    EXPECT_EQ(o.avi.chunks[200].offset, o.avi.chunks[199].offset + 8 + o.avi.chunks[199].size);  // 150 follows 99
    EXPECT_EQ(o.report.damagedStretches, 1u);
    EXPECT_EQ(o.report.videoFramesDropped, 21u);  // 100..120 were copied, then thrown away
    EXPECT_GT(o.report.damagedBytes, 3001u);      // the damage and frames 121..149
  }
}

// Damage of about 32 KiB or 1 MiB puts the next key frame's header across
// the end of the window the search reads (as the buffer size goes): it must
// be found wherever it falls.
void ExpectFoundAfterDamage(size_t garbage, size_t frameSize, const Bytes& noise) {
  AviBuilder b;
  for (uint32_t i = 0; i < 8; ++i) {
    if (i == 4) b.Raw(Bytes(noise.begin(), noise.begin() + garbage));
    b.Add("00dc", Mpeg4Frame(i, i % 2 == 0, frameSize));
    b.Add("01wb", AudioData(i, 101));
  }
  Outcome o = RepairInMemory(b.WithIndex(garbage % 2 == 0).Build());
  ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
  EXPECT_EQ(CheckRepaired(o.avi), "") << garbage;
  EXPECT_EQ(VideoFrames(o.avi), Concat(Range(0, 2), Range(4, 8)))
      << "frames of " << frameSize << ", garbage " << garbage;
  EXPECT_EQ(o.report.damagedStretches, 1u) << garbage;
  EXPECT_EQ(o.report.damagedBytes, garbage) << garbage;
}

TEST(RepairRun, KeyFrameAfterAboutOneWindowOfDamageIsFound) {
  const Bytes noise = RandomBytes((size_t(1) << 20) + 16, 5);
  for (size_t frameSize : {size_t(300), size_t(70001)})  // small chunks read whole windows, large ones headers only
    for (size_t garbage = 32740; garbage <= 32780; ++garbage) ExpectFoundAfterDamage(garbage, frameSize, noise);
  for (size_t garbage = (size_t(1) << 20) - 12; garbage <= (size_t(1) << 20) + 1; ++garbage)
    ExpectFoundAfterDamage(garbage, 300, noise);
}

// Runs of kept chunks longer than what one copy takes go out in several
// pieces; after a discarded group the output no longer lines up with the
// input. Every byte must still land where its chunk is.
TEST(RepairRun, LongRunsOfChunksArriveWholeAndInPlace) {
  AviBuilder b;
  auto size = [](uint32_t i) { return size_t(300001 + 977 * (i % 3)); };  // odd sizes: pad bytes, no aligned ends
  for (uint32_t i = 0; i < 40; ++i) {
    if (i == 16) b.Raw(RandomBytes(5000, 3));
    b.Add("00dc", Mpeg4Frame(i, i % 10 == 0, size(i)));
    b.Add("01wb", AudioData(i, 7057));
  }
  for (bool index : {true, false}) {
    Outcome o = RepairInMemory(b.WithIndex(index).Build());
    ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
    EXPECT_EQ(CheckRepaired(o.avi), "");
    std::vector<uint32_t> frames = Concat(Range(0, 10), Range(20, 40));
    ASSERT_EQ(VideoFrames(o.avi), frames);
    ASSERT_EQ(o.avi.chunks.size(), 2 * frames.size());
    for (size_t k = 0; k < frames.size(); ++k) {
      uint32_t i = frames[k];
      EXPECT_TRUE(o.avi.chunks[2 * k].data == Mpeg4Frame(i, i % 10 == 0, size(i))) << "video " << i;
      EXPECT_TRUE(o.avi.chunks[2 * k + 1].data == AudioData(i, 7057)) << "audio " << i;
    }
  }
}

TEST(RepairRun, DiscardedChunksAreNeverWrittenToTheOutput) {
  Outcome o = RepairInMemory(DamagedAfter120(RandomBytes(3001, 7)).WithIndex(false).Build());
  ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
  // Frames 100 to 120 wait to be copied when the damage is found: they go
  // without being written. Only a few header fields are written twice.
  EXPECT_LT(o.outputBytesWritten, o.output.size() + 64);
}

TEST(RepairRun, HeaderCountsFollowWhatTheRepairedFileHolds) {
  for (uint32_t sampleSize : {0u, 4u}) {
    Bytes input = DamagedAfter120(RandomBytes(3001, 7)).WithAudioSampleSize(sampleSize).WithOpenDmlIndex(true).Build();
    ParsedAvi in = ParseAvi(input);
    ASSERT_EQ(in.totalFrames, 200u);
    ASSERT_EQ(in.grandFrames, 200u);
    Outcome o = RepairInMemory(input);
    ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
    EXPECT_EQ(CheckRepaired(o.avi), "");
    EXPECT_EQ(CheckHeaderCounts(o.avi), "") << "sample size " << sampleSize;
    EXPECT_EQ(o.avi.totalFrames, 150u);  // 0..99 and 150..199
    EXPECT_EQ(o.avi.grandFrames, 150u);
    ASSERT_EQ(o.avi.streams.size(), 2u);
    EXPECT_EQ(o.avi.streams[0].length, 150u);
    EXPECT_EQ(o.avi.streams[1].length, sampleSize ? 150u * 200 / 4 : 150u);  // 200-byte audio chunks
  }
  // A cut-off file whose recorder never wrote the counts, nor the index flag.
  Bytes cut = Movie(20, 5).WithIndex(false).Build();
  ParsedAvi in = ParseAvi(cut);
  for (size_t i = 0; i + 8 <= in.moviStart; ++i)
    if (std::memcmp(&cut[i], "avih", 4) == 0 || std::memcmp(&cut[i], "strh", 4) == 0)
      std::memset(&cut[i + 8 + (cut[i] == 'a' ? 12 : 32)], 0, cut[i] == 'a' ? 8 : 4);
  cut.resize(cut.size() - 50);
  Outcome o = RepairInMemory(cut);
  ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
  EXPECT_EQ(CheckHeaderCounts(o.avi), "");
  EXPECT_EQ(o.avi.totalFrames, 20u);
  EXPECT_EQ(o.avi.streams[1].length, 19u);
  EXPECT_EQ(o.avi.mainFlags & 0x10u, 0x10u);
}

Bytes WithFrameSize(Bytes input, uint32_t frame, uint32_t size) {
  ParsedAvi avi = ParseAvi(input);
  for (const ParsedChunk& c : avi.chunks) {
    if (c.id == "00dc" && FrameNumber(c.data) == frame) {
      uint64_t at = avi.moviStart + c.offset + 4;
      std::memcpy(&input[at], &size, 4);
      return input;
    }
  }
  ADD_FAILURE() << "no frame " << frame;
  return input;
}

TEST(RepairRun, DamagedSizeFieldsLoseOnlyTheirKeyFrameGroup) {
  Bytes good = DamagedAfter120({}).WithIndex(false).Build();
  // Negative, past the end of the file, and too small to reach the next chunk.
  for (uint32_t size : {0xFFFFFF00u, 0x70000000u, 0x01000000u, 10u}) {
    Outcome o = RepairInMemory(WithFrameSize(good, 130, size));
    ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
    EXPECT_EQ(CheckRepaired(o.avi), "") << std::hex << size;
    EXPECT_EQ(VideoFrames(o.avi), Concat(Range(0, 100), Range(150, 200))) << std::hex << size;
    EXPECT_FALSE(o.report.cutOffChunkDropped);
  }
}

TEST(RepairRun, DamageBeforeTheFirstKeyFrameIsSkippedToIt) {
  AviBuilder b;
  b.Raw(RandomBytes(51, 3));
  for (uint32_t i = 0; i < 10; ++i) b.Add("00dc", Mpeg4Frame(i, i % 5 == 0));
  Outcome o = RepairInMemory(b.Build());
  ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
  EXPECT_EQ(CheckRepaired(o.avi), "");
  EXPECT_EQ(VideoFrames(o.avi), Range(0, 10));
  EXPECT_EQ(o.avi.chunks[0].offset, 4u);
  EXPECT_EQ(o.report.damagedBytes, 51u);
}

TEST(RepairRun, DamageWithoutAnyKeyFrameBeforeItDropsEverythingBefore) {
  AviBuilder b;
  for (uint32_t i = 0; i < 4; ++i) b.Add("01wb", AudioData(i));
  b.Raw(RandomBytes(40, 5));
  for (uint32_t i = 0; i < 5; ++i) b.Add("00dc", Mpeg4Frame(i, i == 0));
  Outcome o = RepairInMemory(b.Build());
  ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
  EXPECT_EQ(CheckRepaired(o.avi), "");
  ASSERT_EQ(o.avi.chunks.size(), 5u);  // index and data dropped together
  EXPECT_EQ(o.avi.chunks[0].offset, 4u);
}

TEST(RepairRun, DamageRunningToTheEndFinishesAtTheLastKeyFrame) {
  AviBuilder b = Movie(12, 5);
  b.Raw(RandomBytes(500, 11));
  Outcome o = RepairInMemory(b.WithIndex(false).Build());
  ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
  EXPECT_EQ(CheckRepaired(o.avi), "");
  EXPECT_EQ(VideoFrames(o.avi), Range(0, 10));
}

struct MethodCase {
  const char* name;
  int method;
  Bytes (*frame)(uint32_t, bool);
};

TEST(RepairRun, KeyFramesAreFoundByEachMethod) {
  const MethodCase cases[] = {
      {"mpeg4", 2, [](uint32_t i, bool k) { return Mpeg4Frame(i, k); }},
      {"flag bit", 3, [](uint32_t i, bool k) { return FlagBitFrame(i, k); }},
      {"key word", 1, [](uint32_t i, bool k) { return WordFrame(i, k); }},
  };
  for (const MethodCase& c : cases) {
    AviBuilder b;
    if (c.method == 1) b.Add("00dc", WordMarker());
    for (uint32_t i = 0; i < 12; ++i) b.Add("00dc", c.frame(i, i % 4 == 0));
    b.Raw(RandomBytes(64, 9));  // damage after frame 11: back to 8
    for (uint32_t i = 12; i < 20; ++i) b.Add("00dc", c.frame(i, i % 4 == 0));
    Outcome o = RepairInMemory(b.Build());
    ASSERT_TRUE(o.result.Succeeded()) << c.name << ": " << o.result.reason;
    EXPECT_EQ(CheckRepaired(o.avi), "") << c.name;
    EXPECT_EQ(o.report.keyFrameMethod, c.method) << c.name;
    std::vector<uint32_t> frames = VideoFrames(o.avi);
    if (c.method == 1) frames.erase(frames.begin());
    EXPECT_EQ(frames, Concat(Range(0, 8), Range(12, 20))) << c.name;
    for (size_t i = 0; i < o.avi.chunks.size(); ++i) {
      uint32_t n = FrameNumber(o.avi.chunks[i].data);
      bool key = n != 0xFFFFFFFF && n % 4 == 0;
      EXPECT_EQ(o.avi.index[i].flags, key ? 0x10u : 0u) << c.name << " frame " << n;
    }
  }
}

TEST(RepairRun, JpegAndUncompressedFramesAreAllKeyFrames) {
  AviBuilder jpeg;
  for (uint32_t i = 0; i < 6; ++i) jpeg.Add("00dc", JpegFrame(i));
  jpeg.Raw(RandomBytes(64, 9));
  for (uint32_t i = 6; i < 9; ++i) jpeg.Add("00dc", JpegFrame(i));
  Outcome o = RepairInMemory(jpeg.Build());
  ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
  EXPECT_EQ(o.report.keyFrameMethod, 4);
  EXPECT_EQ(VideoFrames(o.avi), Concat(Range(0, 5), Range(6, 9)));  // only frame 5 went with the damage
  for (const IndexEntry& e : o.avi.index) EXPECT_EQ(e.flags, 0x10u);

  AviBuilder raw;
  for (uint32_t i = 0; i < 4; ++i) raw.Add("00db", FlagBitFrame(i, false));
  o = RepairInMemory(raw.Build());
  ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
  for (const IndexEntry& e : o.avi.index) EXPECT_EQ(e.flags, 0x10u);
}

TEST(RepairRun, AudioIsAlwaysKeyAndEmptyVideoNeverIs) {
  AviBuilder b;
  b.Add("00dc", {}).Add("01wb", AudioData(0)).Add("00dc", FlagBitFrame(1, true)).Add("01wb", {});
  Outcome o = RepairInMemory(b.WithIndex(false).Build());
  ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
  EXPECT_EQ(CheckRepaired(o.avi), "");
  ASSERT_EQ(o.avi.index.size(), 4u);
  EXPECT_EQ(o.avi.index[0].flags, 0u);
  EXPECT_EQ(o.avi.index[1].flags, 0x10u);
  EXPECT_EQ(o.avi.index[2].flags, 0x10u);
  EXPECT_EQ(o.avi.index[3].flags, 0x10u);
  EXPECT_EQ(o.report.keyFrameMethod, 3);  // chosen from an empty chunk
}

TEST(RepairRun, OddSizedChunksKeepTheirPadByte) {
  AviBuilder b;
  for (uint32_t i = 0; i < 6; ++i) b.Add("00dc", Mpeg4Frame(i, i % 3 == 0, 301)).Add("01wb", AudioData(i, 33));
  Outcome o = RepairInMemory(b.WithIndex(false).Build());
  ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
  EXPECT_EQ(CheckRepaired(o.avi), "");
  EXPECT_EQ(o.avi.chunks[1].offset, 4u + 8 + 302);
}

TEST(RepairRun, EmptyMovieListGivesAnEmptyIndex) {
  for (bool index : {true, false}) {
    Outcome o = RepairInMemory(AviBuilder().WithIndex(index).Build());
    ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
    EXPECT_EQ(CheckRepaired(o.avi), "");
    EXPECT_TRUE(o.avi.chunks.empty());
    EXPECT_EQ(o.avi.moviSize, 4u);
  }
}

TEST(RepairRun, DamagedMovieListSizeStillStopsAtTheIndex) {
  Bytes input = Movie(2000, 25).Build();  // the index alone is larger than one buffer
  ParsedAvi in = ParseAvi(input);
  std::memset(&input[in.moviStart - 4], 0, 4);
  Outcome o = RepairInMemory(input);
  ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
  EXPECT_TRUE(o.report.inputHadIndex);
  EXPECT_EQ(CheckRepaired(o.avi), "");
  EXPECT_EQ(o.avi.chunks.size(), 4000u);
}

TEST(RepairRun, HeaderJunkBeforeTheMovieListIsKept) {
  Outcome o = RepairInMemory(Movie(5, 5).WithHeaderJunk(2001).Build());
  ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
  EXPECT_EQ(CheckRepaired(o.avi), "");
  EXPECT_EQ(VideoFrames(o.avi), Range(0, 5));
}

TEST(RepairRun, NotAnAviFileFailsWithoutWritingAnything) {
  std::string text = "This is a plain text file, not a movie at all.\n";
  Outcome o = RepairInMemory(Bytes(text.begin(), text.end()));
  EXPECT_EQ(o.result.code, kResultUnexpected);
  EXPECT_NE(o.result.reason.find("not an AVI"), std::string::npos);
  EXPECT_FALSE(o.outputExists);
  EXPECT_EQ(o.scratchCreated, 0);
}

TEST(RepairRun, HeaderWalkWithZeroOrGarbageSizesEnds) {
  Bytes good = Movie(3, 3).Build();
  for (uint32_t size : {0u, 1u, 0xFFFFFFF0u, 0xFFFFFFFFu, 0x7FFFFFFFu}) {
    Bytes input = good;
    std::memcpy(&input[16], &size, 4);  // the header list's size
    Outcome o = RepairInMemory(input);
    if (!o.result.Succeeded()) {
      EXPECT_EQ(o.result.code, kResultBadFormat) << size;
      EXPECT_FALSE(o.outputExists) << size;
    } else {
      EXPECT_EQ(CheckRepaired(o.avi), "") << size;
    }
  }
}

TEST(RepairRun, InputEndingBeforeItsMeasuredSizeFailsClearly) {
  // The input shrinks while the run copies it: the last frame's header is
  // there, its data no longer.
  Bytes input = Movie(20, 5, false).WithIndex(false).Build();
  uint64_t size = input.size();
  input.resize(size - 200);
  Outcome o = RepairInMemory(input, nullptr, ~uint64_t(0), size);
  EXPECT_EQ(o.result.code, kResultFail);
  EXPECT_NE(o.result.reason.find("ended early"), std::string::npos) << o.result.reason;
  EXPECT_FALSE(o.avi.hasIndex);
}

TEST(RepairRun, WriteFailureEndsTheRunWithTheSystemsError) {
  Outcome o = RepairInMemory(Movie(100, 10).Build(), nullptr, 6000);
  EXPECT_EQ(o.result.code, 0x80070070u);
  EXPECT_NE(o.result.reason.find("output"), std::string::npos);
  EXPECT_EQ(o.scratchLeftOpen, 0);
}

class Recorder : public RepairObserver {
 public:
  explicit Recorder(int cancelAt = 1000) : cancelAt_(cancelAt) {}
  void OnProgress(int percent) override { seen.push_back(percent); }
  bool CancelRequested() override { return seen.size() >= size_t(cancelAt_); }
  std::vector<int> seen;

 private:
  int cancelAt_;
};

TEST(RepairRun, ProgressRisesTo100) {
  Recorder r;
  Outcome o = RepairInMemory(Movie(300, 10).Build(), &r);
  ASSERT_TRUE(o.result.Succeeded());
  ASSERT_FALSE(r.seen.empty());
  EXPECT_EQ(r.seen.front(), 0);
  EXPECT_EQ(r.seen.back(), 100);
  EXPECT_TRUE(std::is_sorted(r.seen.begin(), r.seen.end()));
}

TEST(RepairRun, CancelStopsTheRunAndLeavesTheOutputWithoutIndex) {
  Recorder r(5);
  Outcome o = RepairInMemory(Movie(300, 10).Build(), &r);
  EXPECT_EQ(o.result.code, kResultUnexpected);
  EXPECT_NE(o.result.reason.find("cancel"), std::string::npos);
  EXPECT_TRUE(o.outputExists);
  EXPECT_FALSE(o.avi.hasIndex);
  EXPECT_EQ(o.scratchLeftOpen, 0);
}

// Where the file system copies between the files by itself, the run hands
// runs of kept chunks to a copy queue (on a thread of its own) and reads
// little more than the chunk headers. What it writes must not change.
struct CopyCase {
  std::string name;
  Bytes input;
};

std::vector<CopyCase> CopyCases() {
  std::vector<CopyCase> cases;
  cases.push_back({"intact", Movie(60, 10).Build()});
  Bytes cut = Movie(50, 10).WithIndex(false).Build();
  cut.resize(cut.size() - 37);
  cases.push_back({"cut off", cut});
  cases.push_back({"damaged, small chunks", DamagedAfter120(RandomBytes(3001, 7)).Build()});
  cases.push_back(
      {"damaged size field", WithFrameSize(DamagedAfter120({}).WithIndex(false).Build(), 130, 0x01000000u)});
  // 11 MB of 50 KB frames: runs of 4 MiB go to the queue and fill it, and the
  // group damaged at frame 150 has gone to the queue in pieces when it is dropped.
  cases.push_back({"large chunks", LargeChunkMovie(true)});
  cases.push_back({"large chunks, no index", LargeChunkMovie(false)});
  AviBuilder lists;
  for (uint32_t i = 0; i < 40; ++i) {
    Bytes v = Chunk("00dc", Mpeg4Frame(i, i % 10 == 0, 9000 + i));
    Bytes au = Chunk("01wb", AudioData(i, 33));
    lists.Raw(ListHeader("rec ", uint32_t(4 + v.size() + au.size()))).Raw(v).Raw(au);
  }
  cases.push_back({"record lists", lists.WithIndex(false).Build()});
  cases.push_back({"header junk", Movie(30, 5).WithHeaderJunk(2001).WithOpenDmlIndex(true).Build()});
  return cases;
}

MemoryFileSystem DirectCopies() {
  MemoryFileSystem fs;
  fs.copiesWithoutBuffer = true;
  return fs;
}

void ExpectSameReport(const RepairReport& a, const RepairReport& b, const std::string& name) {
  EXPECT_EQ(a.chunksKept, b.chunksKept) << name;
  EXPECT_EQ(a.bytesKept, b.bytesKept) << name;
  EXPECT_EQ(a.chunksDropped, b.chunksDropped) << name;
  EXPECT_EQ(a.bytesDropped, b.bytesDropped) << name;
  EXPECT_EQ(a.damagedStretches, b.damagedStretches) << name;
  EXPECT_EQ(a.damagedBytes, b.damagedBytes) << name;
  EXPECT_EQ(a.junkChunksSkipped, b.junkChunksSkipped) << name;
  EXPECT_EQ(a.indexChunksSkipped, b.indexChunksSkipped) << name;
  EXPECT_EQ(a.cutOffChunkDropped, b.cutOffChunkDropped) << name;
  EXPECT_EQ(a.outputSize, b.outputSize) << name;
}

TEST(RepairRunCopyQueue, WritesTheSameBytesAsCopiesThroughTheBuffer) {
  for (const CopyCase& c : CopyCases()) {
    Outcome plain = RepairInMemory(c.input);
    MemoryFileSystem fs = DirectCopies();
    Outcome direct = RepairIn(fs, c.input);
    ASSERT_TRUE(plain.result.Succeeded()) << c.name << ": " << plain.result.reason;
    ASSERT_TRUE(direct.result.Succeeded()) << c.name << ": " << direct.result.reason;
    EXPECT_EQ(CheckRepaired(direct.avi), "") << c.name;
    EXPECT_TRUE(direct.output == plain.output) << c.name;
    ExpectSameReport(direct.report, plain.report, c.name);
    EXPECT_EQ(direct.scratchLeftOpen, 0) << c.name;
  }
}

TEST(RepairRunCopyQueue, ReadsLittleMoreThanTheChunkHeaders) {
  // 23 MB in 800 chunks: beside the first MiB (the file's headers) and the
  // last (where the index is looked for) only a little at each chunk is read.
  AviBuilder b;
  for (uint32_t i = 0; i < 400; ++i) b.Add("00dc", Mpeg4Frame(i, i % 25 == 0, 50001)).Add("01wb", AudioData(i, 7057));
  Bytes input = b.Build();
  MemoryFileSystem fs = DirectCopies();
  Outcome direct = RepairIn(fs, input);
  ASSERT_TRUE(direct.result.Succeeded()) << direct.result.reason;
  EXPECT_TRUE(direct.output == input);
  EXPECT_LT(direct.inputBytesRead, (2u << 20) + 800 * 512);
  Outcome plain = RepairInMemory(input);
  EXPECT_GE(plain.inputBytesRead, input.size());  // through the buffer, all of it
  // Chunks of a dropped group that still waited are not copied at all.
  MemoryFileSystem small = DirectCopies();
  Outcome o = RepairIn(small, DamagedAfter120(RandomBytes(3001, 7)).WithIndex(false).Build());
  ASSERT_TRUE(o.result.Succeeded()) << o.result.reason;
  EXPECT_LT(o.outputBytesWritten, o.output.size() + 64);
}

TEST(RepairRunCopyQueue, FailuresOfQueuedCopiesEndTheRunClearly) {
  Bytes input = CopyCases()[5].input;  // large chunks, no index
  ParsedAvi in = ParseAvi(input);
  // A read error in the middle of a run being copied, near the start and
  // near the end (the queue is full, then nearly empty).
  for (uint64_t at : {uint64_t(1) << 20, uint64_t(input.size() - 5000)}) {
    MemoryFileSystem fs = DirectCopies();
    fs.failCopiesFrom = at;
    Outcome o = RepairIn(fs, input);
    EXPECT_EQ(o.result.code, MemoryFileSystem::kDataError) << at;
    EXPECT_NE(o.result.reason.find("cannot copy"), std::string::npos) << o.result.reason;
    EXPECT_NE(o.result.reason.find("data error"), std::string::npos) << o.result.reason;
    EXPECT_FALSE(o.avi.hasIndex) << at;
    EXPECT_LE(o.output.size(), at) << "nothing after the failed copy went out";
    EXPECT_EQ(o.scratchLeftOpen, 0);
  }
  // The input ends before its measured size: the copy of the last chunk runs short.
  {
    MemoryFileSystem fs = DirectCopies();
    fs.claimedInputSize = input.size();
    Bytes shrunk(input.begin(), input.end() - 200);
    Outcome o = RepairIn(fs, shrunk);
    EXPECT_EQ(o.result.code, kResultFail);
    EXPECT_NE(o.result.reason.find("ended early"), std::string::npos) << o.result.reason;
    EXPECT_FALSE(o.avi.hasIndex);
  }
  // The disk fills up in the middle of the movie data.
  {
    MemoryFileSystem fs = DirectCopies();
    fs.outputLimit = in.moviStart + (6u << 20);
    Outcome o = RepairIn(fs, input);
    EXPECT_EQ(o.result.code, 0x80070070u);
    EXPECT_NE(o.result.reason.find("output"), std::string::npos) << o.result.reason;
    EXPECT_EQ(o.scratchLeftOpen, 0);
  }
}

TEST(RepairRunCopyQueue, CancelWaitsForTheQueueAndLeavesNoIndex) {
  Recorder r(20);
  MemoryFileSystem fs = DirectCopies();
  Outcome o = RepairIn(fs, CopyCases()[4].input, &r);
  EXPECT_EQ(o.result.code, kResultUnexpected);
  EXPECT_TRUE(o.outputExists);
  EXPECT_FALSE(o.avi.hasIndex);
  EXPECT_EQ(o.scratchLeftOpen, 0);
}

// A file whose copies are logged, and fail from a given call on.
class LoggedCopies final : public RepairFile {
 public:
  explicit LoggedCopies(int failAt = -1) : failAt_(failAt) {}
  bool Read(uint64_t, void*, size_t, size_t* got, FileError*) override { return *got = 0, true; }
  bool Write(uint64_t, const void*, size_t, FileError*) override { return true; }
  bool Size(uint64_t* size, FileError*) override { return *size = 0, true; }
  bool Truncate(uint64_t, FileError*) override { return true; }
  bool CopyTo(RepairFile& out, uint64_t pos, uint64_t at, uint64_t len, uint8_t*, size_t, FileError* error) override {
    if (int(log.size()) == failAt_) {
      error->code = 0x80070017u;
      error->text = "copy " + std::to_string(failAt_) + " failed";
      return false;
    }
    log.push_back(pos);
    auto& target = static_cast<LoggedCopies&>(out);
    if (target.bytes.size() < at + len) target.bytes.resize(size_t(at + len));
    for (uint64_t i = 0; i < len; ++i) target.bytes[size_t(at + i)] = uint8_t(pos + i);
    return true;
  }
  std::vector<uint64_t> log;
  Bytes bytes;

 private:
  int failAt_;
};

TEST(CopyQueue, CopiesInTheOrderGivenSoThatLaterCopiesWin) {
  LoggedCopies from, to;
  Bytes want;
  {
    CopyQueue queue(from, to);
    FileError error;
    // Each copy overlaps the one before: only the given order gives want.
    for (uint64_t k = 0; k < 200; ++k) {
      uint64_t pos = 1000 * k, at = 7 * k, len = 50;
      ASSERT_TRUE(queue.Add(pos, at, len, &error)) << error.text;
      if (want.size() < at + len) want.resize(size_t(at + len));
      for (uint64_t i = 0; i < len; ++i) want[size_t(at + i)] = uint8_t(pos + i);
    }
    ASSERT_TRUE(queue.Wait(&error)) << error.text;
    EXPECT_EQ(from.log.size(), 200u);
    EXPECT_TRUE(to.bytes == want);
    ASSERT_TRUE(queue.Add(5, 0, 3, &error));  // still taken after a wait; copied before the queue ends
  }
  EXPECT_EQ(from.log.size(), 201u);
  EXPECT_EQ(to.bytes[0], 5);
}

TEST(CopyQueue, NothingIsCopiedAfterAFailureAndItIsReportedFromThenOn) {
  LoggedCopies from(3), to;
  CopyQueue queue(from, to);
  FileError error;
  bool refused = false;
  for (uint64_t k = 0; k < 50 && !refused; ++k) refused = !queue.Add(k, 10 * k, 10, &error);
  if (!refused) {
    EXPECT_FALSE(queue.Wait(&error));
  }
  EXPECT_EQ(error.code, 0x80070017u);
  EXPECT_EQ(error.text, "copy 3 failed");
  EXPECT_EQ(from.log, (std::vector<uint64_t>{0, 1, 2}));
  FileError again;
  EXPECT_FALSE(queue.Add(99, 0, 1, &again));
  EXPECT_EQ(again.text, "copy 3 failed");
  EXPECT_FALSE(queue.Wait(&again));
  EXPECT_EQ(from.log.size(), 3u);
}

}  // namespace
}  // namespace avirepair::test
