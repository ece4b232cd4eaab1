#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "engine/core/subtitle_track.h"

namespace tessel::core {
namespace {

constexpr int64_t kSecond = 10000000;

SubtitleEntry Entry(int64_t startMs, int64_t endMs, std::vector<std::string> lines) {
  SubtitleEntry e;
  e.start = startMs * 10000;
  e.end = endMs * 10000;
  e.lines = std::move(lines);
  return e;
}

// Three entries with gaps between them: 1-2 s, 4-5 s, 7-8 s.
std::vector<SubtitleEntry> ThreeEntries() {
  return {Entry(1000, 2000, {"first"}), Entry(4000, 5000, {"second"}), Entry(7000, 8000, {"third"})};
}

std::string CurrentText(const SubtitleTrack& track) {
  const auto e = track.Current();
  return e ? e->lines.at(0) : "(none)";
}

class SubtitleTrackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(track.Load(ThreeEntries()));
    track.SetEnabled(1);
  }
  SubtitleTrack track;
};

TEST(SubtitleTrackLoadTest, StartsEmptyDisabledAndWhite) {
  SubtitleTrack track;
  EXPECT_EQ(track.EntryCount(), 0u);
  EXPECT_FALSE(track.Enabled());
  EXPECT_EQ(track.TextColour(), 0xFFFFFFu);
  EXPECT_EQ(track.Rect(), SubtitleRect{});
  EXPECT_TRUE(track.Font().faceName.empty());
  EXPECT_EQ(track.Due(kSecond), SubtitleDue::kNotDue);
  EXPECT_FALSE(track.Take());
}

TEST(SubtitleTrackLoadTest, OnlyACompleteReadWithEntriesCountsAsLoaded) {
  SubtitleTrack track;
  EXPECT_FALSE(track.Load({}));
  EXPECT_EQ(track.EntryCount(), 0u);
  EXPECT_TRUE(track.Load(ThreeEntries()));
  EXPECT_EQ(CurrentText(track), "first");
  // A read that failed part-way keeps what it read, with nothing current until a re-synchronisation.
  EXPECT_FALSE(track.Load({Entry(1000, 2000, {"partial"})}, false));
  EXPECT_EQ(track.EntryCount(), 1u);
  EXPECT_EQ(CurrentText(track), "(none)");
  track.Resync(0);
  EXPECT_EQ(CurrentText(track), "partial");
}

TEST_F(SubtitleTrackTest, ResyncFindsTheFirstEntryThatHasNotEnded) {
  const struct {
    int64_t position;
    const char* current;
  } cases[] = {
      {0, "first"},                     // before the first entry
      {kSecond + kSecond / 2, "first"},  // inside it
      {2 * kSecond, "first"},           // at its end
      {3 * kSecond, "second"},          // in a gap
      {8 * kSecond, "third"},
      {8 * kSecond + 1, "(none)"},  // after the last
  };
  for (const auto& c : cases) {
    track.Resync(c.position);
    EXPECT_EQ(CurrentText(track), c.current) << c.position;
  }
}

TEST_F(SubtitleTrackTest, DueOnlyInsideTheEntrysWindow) {
  EXPECT_EQ(track.Due(kSecond / 2), SubtitleDue::kNotDue);
  EXPECT_EQ(track.Due(kSecond), SubtitleDue::kNotDue);  // the start itself is not inside
  EXPECT_EQ(track.Due(kSecond + 1), SubtitleDue::kDue);
  EXPECT_EQ(track.Due(2 * kSecond), SubtitleDue::kDue);
  track.SetEnabled(0);
  EXPECT_EQ(track.Due(2 * kSecond), SubtitleDue::kDisabled);
}

TEST_F(SubtitleTrackTest, EntriesThatEndedArePassedOver) {
  EXPECT_EQ(track.Due(4 * kSecond + kSecond / 2), SubtitleDue::kDue);
  EXPECT_EQ(CurrentText(track), "second");
  EXPECT_EQ(track.Due(6 * kSecond), SubtitleDue::kNotDue);
  EXPECT_EQ(CurrentText(track), "third");
  EXPECT_EQ(track.Due(9 * kSecond), SubtitleDue::kNotDue);
  EXPECT_EQ(CurrentText(track), "(none)");
}

TEST_F(SubtitleTrackTest, TakeHandsOutACopyAndMovesOn) {
  auto taken = track.Take();
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->lines.at(0), "first");
  EXPECT_EQ(CurrentText(track), "second");
  track.Load({Entry(0, 1, {"other"})});  // the copy outlives the entries it came from
  EXPECT_EQ(taken->lines.at(0), "first");
  EXPECT_EQ(taken->end, 2 * kSecond);
  ASSERT_TRUE(track.Take());
  EXPECT_FALSE(track.Take());  // after the last entry nothing is current
}

TEST_F(SubtitleTrackTest, EachEntryIsTakenOnceWhileTimeRuns) {
  const SubtitleRect rect{10, 20, 300, 40};
  track.SetRect(rect);
  track.SetTextColour(0x00FF00);
  std::vector<std::string> shown;
  for (int64_t t = 0; t <= 9 * kSecond; t += kSecond / 10)
    if (const auto cue = track.TakeIfDue(t)) {
      shown.push_back(cue->entry.lines.at(0));
      EXPECT_EQ(cue->rect, rect);
      EXPECT_EQ(cue->colour, 0x00FF00u);
    }
  EXPECT_EQ(shown, (std::vector<std::string>{"first", "second", "third"}));
}

TEST_F(SubtitleTrackTest, SeekingBackShowsEntriesAgain) {
  for (int64_t t = 0; t <= 9 * kSecond; t += kSecond / 10) track.TakeIfDue(t);
  ASSERT_EQ(CurrentText(track), "(none)");
  // A rewind to 0 without an explicit Resync, as after a repeat.
  EXPECT_FALSE(track.TakeIfDue(0));
  EXPECT_EQ(CurrentText(track), "first");
  auto cue = track.TakeIfDue(kSecond + kSecond / 2);
  ASSERT_TRUE(cue);
  EXPECT_EQ(cue->entry.lines.at(0), "first");
  // Back into the middle of the entry just shown: it shows again.
  cue = track.TakeIfDue(kSecond + kSecond / 4);
  ASSERT_TRUE(cue);
  EXPECT_EQ(cue->entry.lines.at(0), "first");
  // An explicit seek into the third entry shows it at the next poll.
  track.Resync(7 * kSecond + kSecond / 2);
  cue = track.TakeIfDue(7 * kSecond + kSecond / 2 + 1);
  ASSERT_TRUE(cue);
  EXPECT_EQ(cue->entry.lines.at(0), "third");
}

TEST_F(SubtitleTrackTest, LoadingWhilePollingIsSafe) {
  std::atomic<bool> stop{false};
  std::thread poller([&] {
    int64_t t = 0;
    while (!stop) {
      if (const auto cue = track.TakeIfDue(t)) {
        EXPECT_FALSE(cue->entry.lines.empty());
      }
      t = (t + kSecond / 3) % (9 * kSecond);
    }
  });
  for (int i = 0; i < 2000; ++i) {
    std::vector<SubtitleEntry> entries = ThreeEntries();
    entries.resize(1 + i % 3);
    track.Load(std::move(entries));
  }
  stop = true;
  poller.join();
  EXPECT_EQ(track.EntryCount(), 1 + 1999u % 3);
}

TEST(SubtitleTextTest, LinesAreJoinedEachFollowedByABlank) {
  char buffer[kSubtitleTextBuffer];
  EXPECT_EQ(JoinSubtitleLines(Entry(0, 1, {"A", "B"}), buffer, sizeof buffer), 4u);
  EXPECT_STREQ(buffer, "A B ");
  EXPECT_EQ(JoinSubtitleLines(Entry(0, 1, {}), buffer, sizeof buffer), 0u);
  EXPECT_STREQ(buffer, "");
}

TEST(SubtitleTextTest, TextBeyondTheBufferIsCut) {
  std::vector<std::string> lines(100, std::string(kMaxSubtitleLine, 'x'));  // 10,000 bytes joined
  std::vector<char> buffer(kSubtitleTextBuffer + 8, '#');
  EXPECT_EQ(JoinSubtitleLines(Entry(0, 1, lines), buffer.data(), kSubtitleTextBuffer), kSubtitleTextBuffer - 1);
  EXPECT_EQ(buffer[kSubtitleTextBuffer - 1], '\0');
  EXPECT_EQ(buffer[kSubtitleTextBuffer], '#');
  char small[4];
  EXPECT_EQ(JoinSubtitleLines(Entry(0, 1, {"AB", "C"}), small, sizeof small), 3u);
  EXPECT_STREQ(small, "AB ");
  EXPECT_EQ(JoinSubtitleLines(Entry(0, 1, {"AB"}), small, 1), 0u);
  EXPECT_EQ(small[0], '\0');
}

TEST(SubtitleFontTest, NamesAreCutToFitAFaceName) {
  SubtitleTrack track;
  track.SetFontName(std::string(40, 'F'));
  EXPECT_EQ(track.Font().faceName, std::string(kMaxFaceName, 'F'));
  track.SetFontName(std::string("Tahoma\0junk", 11));
  EXPECT_EQ(track.Font().faceName, "Tahoma");
}

TEST(SubtitleFontTest, RequestCarriesWeightAndTheItalicLowByte) {
  SubtitleTrack track;
  track.SetFontName("Arial");
  track.SetFontSize(-24);
  track.SetFontBold(-1);
  track.SetFontItalic(-1);  // VARIANT_TRUE
  FontRequest r = MakeFontRequest(track.Font());
  EXPECT_EQ(r.height, -24);
  EXPECT_EQ(r.weight, 700);
  EXPECT_EQ(r.italic, 0xFF);
  EXPECT_EQ(r.faceName, "Arial");
  EXPECT_EQ(r.charSet, 1);
  EXPECT_EQ(r.quality, 4);
  track.SetFontBold(0);
  track.SetFontItalic(0x100);
  r = MakeFontRequest(track.Font());
  EXPECT_EQ(r.weight, 400);
  EXPECT_EQ(r.italic, 0);
}

}  // namespace
}  // namespace tessel::core
