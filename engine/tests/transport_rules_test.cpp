// The engine's plain decisions: clamps, the stop rules, backward steps,
// frame rates, filter data and names.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/core/transport_rules.h"

using namespace tessel::core;

TEST(Levels, VolumeAndBalanceAreClampedToTheirRanges) {
  EXPECT_EQ(ClampVolume(5), 0);
  EXPECT_EQ(ClampVolume(-20000), -10000);
  EXPECT_EQ(ClampVolume(-2500), -2500);
  EXPECT_EQ(ClampBalance(20000), 10000);
  EXPECT_EQ(ClampBalance(-10001), -10000);
  EXPECT_EQ(ClampBalance(-1), -1);
}

TEST(EngineState, GetStateAnswersMapToTheCachedCodes) {
  EXPECT_EQ(EngineStateFromQuery(0, 0), kStateStopped);
  EXPECT_EQ(EngineStateFromQuery(0, 1), kStatePaused);
  EXPECT_EQ(EngineStateFromQuery(0, 2), kStateRunning);
  EXPECT_EQ(EngineStateFromQuery(0x00040237, 1), kStateTransition);
  EXPECT_EQ(EngineStateFromQuery(0x00040268, 1), kStateError);  // VFW_S_CANT_CUE
  EXPECT_EQ(EngineStateFromQuery(long(0x80004005), 0), kStateError);
  EXPECT_EQ(EngineStateFromQuery(0, 7), kStateError);
}

TEST(StopRules, EndWithoutRewindStaysAtTheEnd) {
  StopDecision d = DecideStop(false, false, true);
  EXPECT_FALSE(d.rewind);
  EXPECT_EQ(d.next, FollowUp::kNone);
  EXPECT_TRUE(d.holdEndPosition);
  // Repeat alone does not rewind: the flags mean what they say.
  EXPECT_FALSE(DecideStop(false, true, true).rewind);
}

TEST(StopRules, EndWithRewindPlaysAgainOnlyWithRepeat) {
  StopDecision again = DecideStop(true, true, true);
  EXPECT_TRUE(again.rewind);
  EXPECT_EQ(again.next, FollowUp::kPlay);
  StopDecision pause = DecideStop(true, false, true);
  EXPECT_TRUE(pause.rewind);
  EXPECT_EQ(pause.next, FollowUp::kPause);
  EXPECT_FALSE(pause.holdEndPosition);
}

TEST(StopRules, AUserStopAlwaysRewindsAndPauses) {
  for (bool rewind : {false, true})
    for (bool repeat : {false, true}) {
      StopDecision d = DecideStop(rewind, repeat, false);
      EXPECT_TRUE(d.rewind);
      EXPECT_EQ(d.next, FollowUp::kPause);
      EXPECT_FALSE(d.holdEndPosition);
    }
}

TEST(BackwardPlay, StepsATenthOfASecondAndStopsAtZero) {
  bool atStart = true;
  EXPECT_EQ(BackwardTarget(30000000, &atStart), 29000000);
  EXPECT_FALSE(atStart);
  EXPECT_EQ(BackwardTarget(1000001, &atStart), 1);
  EXPECT_FALSE(atStart);
  EXPECT_EQ(BackwardTarget(1000000, &atStart), 0);
  EXPECT_TRUE(atStart);
  EXPECT_EQ(BackwardTarget(500000, &atStart), 0);
  EXPECT_TRUE(atStart);
  EXPECT_EQ(BackwardTarget(-5, &atStart), 0);
  EXPECT_EQ(BackwardTarget(std::numeric_limits<int64_t>::min(), &atStart), 0);
}

TEST(FrameRates, DivisionsNeverGoThroughZero) {
  EXPECT_DOUBLE_EQ(FramesPerSecond(400000), 25.0);
  EXPECT_DOUBLE_EQ(FramesPerSecond(0), 0.0);
  EXPECT_DOUBLE_EQ(FramesPerSecond(-1), 0.0);
  double rate = 7.0;
  EXPECT_TRUE(RateForFramesPerSecond(50.0, 25.0, &rate));
  EXPECT_DOUBLE_EQ(rate, 2.0);
  rate = 7.0;
  EXPECT_FALSE(RateForFramesPerSecond(50.0, 0.0, &rate));
  EXPECT_FALSE(RateForFramesPerSecond(0.0, 25.0, &rate));
  EXPECT_FALSE(RateForFramesPerSecond(-3.0, 25.0, &rate));
  EXPECT_FALSE(RateForFramesPerSecond(std::nan(""), 25.0, &rate));
  EXPECT_FALSE(RateForFramesPerSecond(1e308, 1e-308, &rate));
  EXPECT_DOUBLE_EQ(rate, 7.0);
  EXPECT_FALSE(IsUsableRate(0.0));
  EXPECT_FALSE(IsUsableRate(std::numeric_limits<double>::infinity()));
  EXPECT_TRUE(IsUsableRate(0.5));
}

TEST(Names, OnePairOfQuotesIsStripped) {
  EXPECT_EQ(StripQuotes(L"\"C:\\a b.avi\""), L"C:\\a b.avi");
  EXPECT_EQ(StripQuotes(L"\"\"x\"\""), L"\"x\"");
  EXPECT_EQ(StripQuotes(L"x\""), L"x");
  EXPECT_EQ(StripQuotes(L"\"x"), L"x");
  EXPECT_EQ(StripQuotes(L"\""), L"");
  EXPECT_EQ(StripQuotes(L""), L"");
}

TEST(FilterData, MeritIsTheSecondWordOrZero) {
  const unsigned char data[] = {2, 0, 0, 0, 0x01, 0x00, 0x60, 0x00, 9, 9};
  EXPECT_EQ(MeritFromFilterData(data, sizeof data), 0x00600001u);
  EXPECT_EQ(MeritFromFilterData(data, 8), 0x00600001u);
  EXPECT_EQ(MeritFromFilterData(data, 7), 0u);
  EXPECT_EQ(MeritFromFilterData(nullptr, 8), 0u);
}

TEST(FilterData, FriendlyNamesAreCutAt255) {
  std::wstring longName(300, L'n');
  EXPECT_EQ(ShortenFriendlyName(longName).size(), 255u);
  EXPECT_EQ(ShortenFriendlyName(L"AVI Splitter"), L"AVI Splitter");
}

TEST(RunningObjectTable, ItemNameIsLowercaseHexWithoutLeadingZeros) {
  EXPECT_EQ(GraphItemName(0x00ABCDEF, 0x1F), L"FilterGraph abcdef pid 1f");
  EXPECT_EQ(GraphItemName(0x10, 0x0), L"FilterGraph 10 pid 0");
}
