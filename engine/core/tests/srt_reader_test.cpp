#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/core/srt_reader.h"

namespace tessel::core {
namespace {

using Lines = std::vector<std::string>;

std::vector<SubtitleEntry> Parse(const std::string& text) { return ParseSrt(text.data(), text.size()); }

// 100-ns units of a clock time.
int64_t At(int64_t h, int64_t m, int64_t s, int64_t ms) { return (((h * 60 + m) * 60 + s) * 1000 + ms) * 10000; }

TEST(SrtBlockTest, OneBlockGivesTimesInHundredNanosecondsAndItsLine) {
  const auto entries = Parse("1\r\n00:00:01,500 --> 00:00:03,250\r\nHello\r\n\r\n");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].start, 15000000);
  EXPECT_EQ(entries[0].end, 32500000);
  EXPECT_EQ(entries[0].lines, Lines{"Hello"});
  EXPECT_FALSE(entries[0].italic);
}

TEST(SrtBlockTest, EveryFieldOfTheTimingLineCounts) {
  const auto entries = Parse(
      "7\r\n01:02:03,004 --> 10:20:30,400\r\nA\r\nB\r\n\r\n"
      "2\r\n99:59:59,999 --> 00:00:00,001\r\nC\r\n\r\n");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].start, At(1, 2, 3, 4));
  EXPECT_EQ(entries[0].end, At(10, 20, 30, 400));
  EXPECT_EQ(entries[0].lines, (Lines{"A", "B"}));
  EXPECT_EQ(entries[1].start, At(99, 59, 59, 999));
  EXPECT_EQ(entries[1].end, At(0, 0, 0, 1));
}

TEST(SrtBlockTest, FieldsConvertAsStrToIntIntoTheirUnsignedSizes) {
  // A leading "-" wraps in the 8- and 16-bit values; other leading non-digits give 0.
  const std::string line = "-1:x5:07,-12 --> 2a:00:00,5z0";
  const SubtitleTimes t = ParseTimingLine(line.data(), line.size());
  EXPECT_EQ(t.start, At(255, 0, 7, 65536 - 12));
  EXPECT_EQ(t.end, At(2, 0, 0, 5));
}

TEST(SrtItalicsTest, MarksAreDroppedAndTheClosingMarkSetsTheFlag) {
  const auto entries = Parse("1\r\n00:00:01,000 --> 00:00:02,000\r\n<i>Hi</i>\r\n\r\n");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].lines, Lines{"Hi"});
  EXPECT_TRUE(entries[0].italic);
}

TEST(SrtItalicsTest, TheFlagIsThatOfTheLastLine) {
  const auto first = Parse("1\n00:00:01,000 --> 00:00:02,000\n<i>A</i>\nB\n");
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].lines, (Lines{"A", "B"}));
  EXPECT_FALSE(first[0].italic);
  const auto last = Parse("1\n00:00:01,000 --> 00:00:02,000\nA\n<i>B\n");
  ASSERT_EQ(last.size(), 1u);
  EXPECT_EQ(last[0].lines, (Lines{"A", "B"}));
  EXPECT_FALSE(last[0].italic);  // an opening mark alone does not set it
}

TEST(SrtItalicsTest, PartialOrOtherMarksStayAsText) {
  const auto entries = Parse("1\n00:00:01,000 --> 00:00:02,000\n<<i>b> </ i> <I>x</i\n");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].lines, Lines{"<b> </ i> <I>x</i"});
  EXPECT_FALSE(entries[0].italic);
}

TEST(SrtLineEndsTest, LfCrLfAndMixedFilesReadAlike) {
  const std::string crlf =
      "1\r\n00:00:01,500 --> 00:00:03,250\r\nHello\r\nthere\r\n\r\n"
      "2\r\n00:00:04,000 --> 00:00:05,000\r\nBye\r\n\r\n";
  std::string lf, mixed;
  for (char c : crlf)
    if (c != '\r') lf += c;
  for (size_t i = 0; i < crlf.size(); ++i)
    if (crlf[i] != '\r' || i % 3) mixed += crlf[i];
  const auto expected = Parse(crlf);
  ASSERT_EQ(expected.size(), 2u);
  EXPECT_EQ(expected[0].lines, (Lines{"Hello", "there"}));
  EXPECT_EQ(Parse(lf), expected);
  EXPECT_EQ(Parse(mixed), expected);
}

TEST(SrtLineEndsTest, TheLastBlockNeedsNoEmptyLineAfterIt) {
  for (const std::string tail : {"Bye\r\n", "Bye"}) {
    const auto entries =
        Parse("1\r\n00:00:01,000 --> 00:00:02,000\r\nHi\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\n" + tail);
    ASSERT_EQ(entries.size(), 2u) << tail;
    EXPECT_EQ(entries[1].lines, Lines{"Bye"});
    EXPECT_EQ(entries[1].start, At(0, 0, 3, 0));
  }
}

TEST(SrtLineEndsTest, SeveralOrBlankSeparatorLinesAreOneSeparator) {
  const auto entries = Parse(
      "\r\n\r\n1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n \t\r\n\r\n\r\n"
      "2\r\n00:00:03,000 --> 00:00:04,000\r\nB\r\n\r\n\r\n");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].lines, Lines{"A"});
  EXPECT_EQ(entries[1].lines, Lines{"B"});
  EXPECT_EQ(entries[1].start, At(0, 0, 3, 0));
}

TEST(SrtBoundsTest, LongLinesAreCutAfterTheirMarksAreDropped) {
  const std::string exact(kMaxSubtitleLine, 'x');
  const std::string longer = std::string(150, 'y');
  const auto entries = Parse("1\n00:00:01,000 --> 00:00:02,000\n" + exact + "\n<i>" + longer + "</i>\n");
  ASSERT_EQ(entries.size(), 1u);
  ASSERT_EQ(entries[0].lines.size(), 2u);
  EXPECT_EQ(entries[0].lines[0], exact);
  EXPECT_EQ(entries[0].lines[1], std::string(kMaxSubtitleLine, 'y'));
  EXPECT_TRUE(entries[0].italic);  // a mark past the cut still counts
}

TEST(SrtBoundsTest, AnEntryKeepsAtMostItsLineLimit) {
  std::string text = "1\n00:00:01,000 --> 00:00:02,000\n";
  for (size_t i = 0; i < kMaxSubtitleLines + 10; ++i) text += "l\n";
  const auto entries = Parse(text);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].lines.size(), kMaxSubtitleLines);
}

TEST(SrtBoundsTest, ShortAndMalformedBlocksAreReadInsideTheirBounds) {
  // A long timing line: columns past 29 are not text. A short one: the
  // missing columns are 0. A lone number: an entry with no lines.
  const auto entries = Parse(
      "1\n00:00:01,000 --> 00:00:02,000 X1:10 X2:20\nA\n\n"
      "2\n00:00:07\nB\n\n"
      "3\n\n"
      "4");
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].end, At(0, 0, 2, 0));
  EXPECT_EQ(entries[0].lines, Lines{"A"});
  EXPECT_EQ(entries[1].start, At(0, 0, 7, 0));
  EXPECT_EQ(entries[1].end, 0);
  EXPECT_EQ(entries[1].lines, Lines{"B"});
  for (size_t i : {2u, 3u}) {
    EXPECT_EQ(entries[i].start, 0);
    EXPECT_TRUE(entries[i].lines.empty());
  }
}

TEST(SrtBoundsTest, NothingToReadGivesNoEntries) {
  EXPECT_TRUE(Parse("").empty());
  EXPECT_TRUE(Parse("\r\n\r\n \r\n\n").empty());
}

TEST(SrtChunkTest, PiecesOfAnySizeReadAsTheWholeFile) {
  const std::string text =
      "1\r\n00:00:01,500 --> 00:00:03,250\r\n<i>Hello</i>\r\n\r\n"
      "2\r\n00:01:00,000 --> 00:01:02,000\r\nA </i\r\n<i>B</i>";
  const auto whole = Parse(text);
  ASSERT_EQ(whole.size(), 2u);
  for (size_t piece = 1; piece <= 7; ++piece) {
    SrtReader reader;
    for (size_t i = 0; i < text.size(); i += piece) reader.Feed(text.data() + i, std::min(piece, text.size() - i));
    EXPECT_EQ(reader.Finish(), whole) << "pieces of " << piece;
  }
  SrtReader reused;
  reused.Feed(text.data(), 10);  // an unfinished block is not carried into the next file
  reused.Finish();
  reused.Feed(text.data(), text.size());
  EXPECT_EQ(reused.Finish(), whole);
}

TEST(SrtNameTest, OnlyTheSrtExtensionInAnyCaseIsAccepted) {
  for (const char* name : {"a.srt", "C:\\films\\movie.SRT", "x.Srt", ".srt", "dir.v1\\b.srt"}) {
    EXPECT_TRUE(HasSrtExtension(std::string(name))) << name;
    EXPECT_TRUE(HasSrtExtension(std::wstring(name, name + std::string(name).size()))) << name;
  }
  for (const char* name : {"a.sub", "srt", "a.srtx", "a.sr", "a.srt\\b", "a.srt.txt", ""}) {
    EXPECT_FALSE(HasSrtExtension(std::string(name))) << name;
    EXPECT_FALSE(HasSrtExtension(std::wstring(name, name + std::string(name).size()))) << name;
  }
  EXPECT_FALSE(HasSrtExtension(std::wstring(L"a.\u0153rt")));  // no folding outside ASCII
}

}  // namespace
}  // namespace tessel::core
