// The arithmetic behind the player's commands: the time display, the seek
// commands, the level steps, the status text and window docking.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "player/core/docking.h"
#include "player/core/level_steps.h"
#include "player/core/levels.h"
#include "player/core/media_names.h"
#include "player/core/subtitle_rect.h"
#include "player/core/media_time.h"
#include "player/core/seeking.h"
#include "player/core/status_text.h"
#include "player/core/time_display.h"

namespace {

constexpr int64_t kSecond = 10000000;
constexpr int64_t kMax64 = std::numeric_limits<int64_t>::max();

int64_t Clock(int64_t hours, int64_t minutes, int64_t seconds) { return ((hours * 60 + minutes) * 60 + seconds) * kSecond; }

std::vector<int32_t> DigitValues(const TimeDisplayUpdate& u) {
  std::vector<int32_t> v;
  for (const DisplayCommand& c : u.digits) v.push_back(c.value);
  return v;
}

std::vector<int32_t> DigitIds(const TimeDisplayUpdate& u) {
  std::vector<int32_t> v;
  for (const DisplayCommand& c : u.digits) v.push_back(c.id);
  return v;
}

}  // namespace

// --- Time digits and text -------------------------------------------------

TEST(TimeDigits, OneHourTwoMinutesThreeSeconds) {
  const TimeDigits d = TimeDigitsAt(Clock(1, 2, 3));
  EXPECT_EQ(0, d.hhminutes);  // 62 minutes: hundreds, tens, units
  EXPECT_EQ(6, d.hminutes);
  EXPECT_EQ(2, d.lminutes);
  EXPECT_EQ(0, d.hseconds);
  EXPECT_EQ(3, d.lseconds);
  EXPECT_EQ(L"1:02:03", ClockText(Clock(1, 2, 3)));
}

TEST(TimeDigits, ZeroFiftyNineAndHundredHours) {
  const TimeDigits zero = TimeDigitsAt(0);
  EXPECT_EQ(0, zero.lseconds + zero.hseconds + zero.lminutes + zero.hminutes + zero.hhminutes);
  EXPECT_EQ(L"0:00:00", ClockText(0));

  const TimeDigits s59 = TimeDigitsAt(Clock(0, 0, 59) + kSecond - 1);  // the fraction is dropped
  EXPECT_EQ(9, s59.lseconds);
  EXPECT_EQ(5, s59.hseconds);
  EXPECT_EQ(0, s59.lminutes);
  EXPECT_EQ(L"0:00:59", ClockText(Clock(0, 0, 59) + kSecond - 1));

  // 6000 minutes: the hundreds digit wraps, the text's hours do not.
  const TimeDigits h100 = TimeDigitsAt(Clock(100, 0, 0));
  EXPECT_EQ(0, h100.hhminutes);
  EXPECT_EQ(0, h100.hminutes);
  EXPECT_EQ(0, h100.lminutes);
  EXPECT_EQ(L"100:00:00", ClockText(Clock(100, 0, 0)));
  EXPECT_EQ(9, TimeDigitsAt(Clock(16, 39, 0)).hhminutes);  // 999 minutes
}

TEST(TimeDigits, NegativeAndHugePositions) {
  EXPECT_EQ(L"0:00:00", ClockText(-5 * kSecond));
  EXPECT_EQ(0, TimeDigitsAt(std::numeric_limits<int64_t>::min()).lseconds);
  // The largest media time still formats: 922337203685 s.
  EXPECT_EQ(L"256204778:48:05", ClockText(kMax64));
  EXPECT_EQ(L"0:00:50 / 0:01:40", TimeText(50 * kSecond, 100 * kSecond));
}

// --- Time display refresh -------------------------------------------------

TEST(TimeDisplayRefresh, FirstRefreshSendsEverythingThenOnlyChanges) {
  TimeDisplay display;
  display.SetDuration(100 * kSecond);

  TimeDisplayUpdate u = display.Refresh(Clock(0, 1, 9), false, true);
  EXPECT_EQ((std::vector<int32_t>{164, 165, 166, 167, 168}), DigitIds(u));
  EXPECT_EQ((std::vector<int32_t>{9, 0, 1, 0, 0}), DigitValues(u));
  ASSERT_TRUE(u.text.has_value());
  EXPECT_EQ(L"0:01:09 / 0:01:40", *u.text);
  ASSERT_TRUE(u.bar.has_value());
  EXPECT_EQ(3000, u.bar->id);
  EXPECT_EQ(690000, u.bar->value);

  // The same second again: nothing at all.
  u = display.Refresh(Clock(0, 1, 9) + 1, false, true);
  EXPECT_TRUE(u.digits.empty());
  EXPECT_FALSE(u.text.has_value());
  EXPECT_FALSE(u.bar.has_value());

  // 1:09 -> 1:10: the two seconds digits, the text and the bar change.
  u = display.Refresh(Clock(0, 1, 10), false, true);
  EXPECT_EQ((std::vector<int32_t>{164, 165}), DigitIds(u));
  EXPECT_EQ((std::vector<int32_t>{0, 1}), DigitValues(u));
  ASSERT_TRUE(u.text.has_value());
  EXPECT_EQ(L"0:01:10 / 0:01:40", *u.text);
  ASSERT_TRUE(u.bar.has_value());
  EXPECT_EQ(700000, u.bar->value);
}

TEST(TimeDisplayRefresh, ForcedSendsAgain) {
  TimeDisplay display;
  display.SetDuration(100 * kSecond);
  display.Refresh(Clock(0, 0, 50), false, true);

  const TimeDisplayUpdate u = display.Refresh(Clock(0, 0, 50), true, true);
  EXPECT_EQ((std::vector<int32_t>{0, 5, 0, 0, 0}), DigitValues(u));
  ASSERT_TRUE(u.text.has_value());  // a new skin's empty text gets filled
  EXPECT_EQ(L"0:00:50 / 0:01:40", *u.text);
  ASSERT_TRUE(u.bar.has_value());
  EXPECT_EQ(500000, u.bar->value);
}

TEST(TimeDisplayRefresh, BarMovesWithinASecond) {
  TimeDisplay display;
  display.SetDuration(2 * kSecond);
  display.Refresh(0, false, true);
  const TimeDisplayUpdate u = display.Refresh(kSecond / 2, false, true);
  EXPECT_TRUE(u.digits.empty());
  EXPECT_FALSE(u.text.has_value());
  ASSERT_TRUE(u.bar.has_value());
  EXPECT_EQ(250000, u.bar->value);
}

TEST(TimeDisplayRefresh, TextFollowsTheDurationAndTheElement) {
  TimeDisplay display;
  display.SetDuration(10 * kSecond);
  EXPECT_FALSE(display.Refresh(0, true, false).text.has_value());  // no text element
  // The element appears (a new skin): the next refresh fills it.
  ASSERT_TRUE(display.Refresh(0, false, true).text.has_value());

  // Stop-and-close: duration 0 with position 0 changes the text and the bar.
  display.SetDuration(0);
  const TimeDisplayUpdate u = display.Refresh(0, false, true);
  EXPECT_TRUE(u.digits.empty());
  ASSERT_TRUE(u.text.has_value());
  EXPECT_EQ(L"0:00:00 / 0:00:00", *u.text);
  EXPECT_FALSE(u.bar.has_value());  // still 0

  display.Forget();
  EXPECT_EQ(5u, display.Refresh(0, false, true).digits.size());
  display.SetDuration(-7);
  EXPECT_EQ(0, display.Duration());
}

// --- Position bar and millionths ------------------------------------------

TEST(PositionBar, DurationZeroPastTheEndAndNegative) {
  EXPECT_EQ(0, PositionToMillionths(50 * kSecond, 0));
  EXPECT_EQ(0, PositionToMillionths(50 * kSecond, -kSecond));
  EXPECT_EQ(1000000, PositionToMillionths(150 * kSecond, 100 * kSecond));
  EXPECT_EQ(0, PositionToMillionths(-kSecond, 100 * kSecond));
  EXPECT_EQ(333333, PositionToMillionths(1, 3));
  EXPECT_EQ(999999, PositionToMillionths(100 * kSecond - 1, 100 * kSecond));
}

TEST(PositionBar, NoOverflowForHugeTimes) {
  // position x 1,000,000 would leave 64 bits here.
  EXPECT_EQ(500000, PositionToMillionths(kMax64 / 2, kMax64 - 1));
  EXPECT_EQ(999999, PositionToMillionths(kMax64 - 1, kMax64));
  EXPECT_EQ(1000000, PositionToMillionths(kMax64, kMax64));
}

TEST(PositionBar, MillionthsToMediaTime) {
  EXPECT_EQ(50 * kSecond, MillionthsToPosition(500000, 100 * kSecond));
  EXPECT_EQ(100 * kSecond, MillionthsToPosition(1000000, 100 * kSecond));
  EXPECT_EQ(0, MillionthsToPosition(0, 100 * kSecond));
  EXPECT_EQ(0, MillionthsToPosition(500000, 0));
  EXPECT_EQ(100 * kSecond, MillionthsToPosition(2000000000, 100 * kSecond));
  EXPECT_EQ(0, MillionthsToPosition(-5, 100 * kSecond));
  EXPECT_EQ(1, MillionthsToPosition(999999, 2));  // 1.999998, truncated
  // Near the int64 limit the product still fits: ends exactly at the duration.
  EXPECT_EQ(kMax64, MillionthsToPosition(1000000, kMax64));
  EXPECT_EQ(kMax64 / 2, MillionthsToPosition(500000, kMax64 - 1));
  // Back and forth: a bar value maps to a time that shows the same value.
  for (int32_t m : {1, 250000, 333333, 999999}) {
    EXPECT_EQ(m, PositionToMillionths(MillionthsToPosition(m, 7 * kSecond), 7 * kSecond)) << m;
  }
}

// --- Seek commands ---------------------------------------------------------

TEST(SeekCommands, ClampAtZeroAndAtTheDuration) {
  const int64_t duration = 100 * kSecond;
  EXPECT_EQ(0, SeekBackwardTarget(3 * kSecond, 10 * kSecond, duration));
  EXPECT_EQ(duration, SeekForwardTarget(95 * kSecond, 10 * kSecond, duration));
  EXPECT_EQ(60 * kSecond, SeekForwardTarget(50 * kSecond, 10 * kSecond, duration));
  EXPECT_EQ(0, SeekForwardTarget(2 * kSecond, -5 * kSecond, duration));      // a negative step
  EXPECT_EQ(duration, SeekBackwardTarget(98 * kSecond, -5 * kSecond, duration));
  EXPECT_EQ(duration, SeekForwardTarget(kMax64 - 1, kMax64, duration));     // saturates
  EXPECT_EQ(0, SeekBackwardTarget(-kMax64, std::numeric_limits<int64_t>::min(), 0));
}

TEST(SeekCommands, EachIdAndItsStep) {
  const int64_t d = 100 * kSecond;
  const int64_t p = 50 * kSecond;
  auto target = [&](int32_t id, int32_t lparam, int32_t rewind) { return SeekCommandTarget(id, lparam, p, d, rewind); };
  EXPECT_EQ(50 * kSecond, target(158, 500000, 10));
  EXPECT_EQ(p + 1234567, target(203, 1234567, 10));
  EXPECT_EQ(p - 1234567, target(204, -1234567, 10));
  EXPECT_EQ(p + 5000000, target(208, 0, 10));
  EXPECT_EQ(p - 10 * kSecond, target(209, 0, 10));
  EXPECT_EQ(p - 5000000, target(210, 0, 10));
  EXPECT_EQ(90 * kSecond, target(217, 90000, 10));
  EXPECT_EQ(p + 10 * kSecond, target(221, 0, 10));
  EXPECT_FALSE(target(159, 0, 10).has_value());
  EXPECT_FALSE(target(3000, 0, 10).has_value());
  // Without a duration every target is 0.
  EXPECT_EQ(0, SeekCommandTarget(221, 0, p, 0, 10));
}

TEST(SeekCommands, RewindSecondsSetting) {
  EXPECT_EQ(1000 * kSecond, RewindStep(1000));
  EXPECT_EQ(1000 * kSecond, RewindStep(5000));  // the Playback page's limit
  EXPECT_EQ(0, RewindStep(-5));                 // never turns forward into backward
  EXPECT_EQ(215 * kSecond, RewindStep(215));    // beyond 32 bits of 100-ns units
  const int64_t d = 3600 * kSecond;
  EXPECT_EQ(1015 * kSecond, SeekCommandTarget(221, 0, 15 * kSecond, d, 1000));
  EXPECT_EQ(15 * kSecond, SeekCommandTarget(221, 0, 15 * kSecond, d, -5));
  EXPECT_EQ(15 * kSecond, SeekCommandTarget(209, 0, 15 * kSecond, d, -5));
  EXPECT_EQ(0, SeekCommandTarget(209, 0, 15 * kSecond, d, 1000));
  EXPECT_EQ(1015 * kSecond, SeekCommandTarget(221, 0, 15 * kSecond, d, INT32_MAX));
}

TEST(SeekCommands, MillisecondsClamp) {
  EXPECT_EQ(90 * kSecond, SeekToMillisecondsTarget(90000, 100 * kSecond));
  EXPECT_EQ(100 * kSecond, SeekToMillisecondsTarget(INT32_MAX, 100 * kSecond));
  EXPECT_EQ(0, SeekToMillisecondsTarget(-1, 100 * kSecond));
  EXPECT_EQ(kMax64 / 10000 * 10000, SeekToMillisecondsTarget(kMax64, kMax64));
  EXPECT_EQ(0, SeekToMillisecondsTarget(std::numeric_limits<int64_t>::min(), kMax64));
}

TEST(GoToPosition, AcceptsWholeNonNegativeSeconds) {
  EXPECT_EQ(90000, ParseGoToPosition("90"));
  EXPECT_EQ(0, ParseGoToPosition("0"));
  EXPECT_EQ(0, ParseGoToPosition("-0"));
  EXPECT_EQ(7000, ParseGoToPosition("  +7"));
  EXPECT_EQ(2147483000, ParseGoToPosition("2147483"));
  // Past 2^31 ms (24 days) the command's argument saturates; the seek then
  // stops at the end of the file.
  EXPECT_EQ(INT32_MAX, ParseGoToPosition("2147484"));
  EXPECT_EQ(INT32_MAX, ParseGoToPosition("9999999999"));
  EXPECT_EQ(INT32_MAX, ParseGoToPosition(std::string(400, '9')));
}

TEST(GoToPosition, RejectsWhatIsNotANumber) {
  for (const char* text : {"", "   ", "abc", "9x", "-5", "5 ", "+", "-", "1.5", "0x10", "9\n"}) {
    EXPECT_FALSE(ParseGoToPosition(text).has_value()) << '"' << text << '"';
  }
  EXPECT_FALSE(ParseGoToPosition(std::string("5\0", 2)).has_value());
}

// --- Level steps -----------------------------------------------------------

TEST(LevelSteps, VolumeUpAndDown) {
  EXPECT_EQ(1000000, VolumeUpSlider(950000));
  EXPECT_EQ(0, VolumeDownSlider(50000));
  EXPECT_EQ(600000, VolumeUpSlider(500000));
  EXPECT_EQ(400000, VolumeDownSlider(500000));
  EXPECT_EQ(1000000, VolumeUpSlider(INT32_MAX));
  EXPECT_EQ(0, VolumeDownSlider(INT32_MIN));
  EXPECT_EQ(100000, VolumeUpSlider(-300));
}

TEST(LevelSteps, BalanceElevenStepsAcross) {
  EXPECT_EQ(0, BalanceLeftSlider(-5000));
  EXPECT_EQ(1000000, BalanceRightSlider(5000));
  EXPECT_EQ(409091, BalanceLeftSlider(0));
  EXPECT_EQ(590909, BalanceRightSlider(0));
  // From the far left, eleven steps right reach the far right.
  int32_t balance = -5000;
  int steps = 0;
  while (SliderToBalance(BalanceRightSlider(balance)) != balance && steps < 20) {
    balance = SliderToBalance(BalanceRightSlider(balance));
    ++steps;
  }
  EXPECT_EQ(5000, balance);
  EXPECT_EQ(11, steps);
}

TEST(LevelSteps, MutedVolumeIsSilent) {
  EXPECT_EQ(-10000, EngineVolume(1000000, true));
  EXPECT_EQ(-1, EngineVolume(1000000, false));
  EXPECT_EQ(SliderToVolume(VolumeUpSlider(500000)), EngineVolume(VolumeUpSlider(500000), false));
}

TEST(LevelSteps, VolumeRoundTripKeepsEveryStoredVolume) {
  // Mute on and off send volume-to-slider of the stored volume back through
  // slider-to-volume: the stored volume must not creep.
  for (int32_t v = -10000; v <= -1; ++v) {
    ASSERT_EQ(v, SliderToVolume(VolumeToSlider(v))) << v;
  }
}

TEST(LevelSteps, PictureLevelsStayInRange) {
  EXPECT_EQ(100, PictureLevelUp(100));
  EXPECT_EQ(-100, PictureLevelDown(-100));
  EXPECT_EQ(100, PictureLevelUp(99));
  EXPECT_EQ(-99, PictureLevelDown(-98));
  EXPECT_EQ(1, PictureLevelUp(0));
  EXPECT_EQ(-1, PictureLevelDown(0));
  EXPECT_EQ(100, PictureLevelUp(150));
  EXPECT_EQ(99, PictureLevelDown(150));
  EXPECT_EQ(-100, PictureLevelDown(INT32_MIN));
  EXPECT_EQ(100, PictureLevelUp(INT32_MAX));
}

TEST(WheelSteps, WholeNotchesAndTouchpadDeltas) {
  WheelSteps wheel;
  EXPECT_EQ(1, wheel.Add(120));
  EXPECT_EQ(-2, wheel.Add(-240));
  EXPECT_EQ(0, wheel.Add(40));
  EXPECT_EQ(0, wheel.Add(40));
  EXPECT_EQ(1, wheel.Add(40));
  EXPECT_EQ(0, wheel.Add(100));
  EXPECT_EQ(-1, wheel.Add(-120));  // turning back starts afresh
  EXPECT_EQ(1, wheel.Add(130));
  EXPECT_EQ(1, wheel.Add(110));    // 10 left over from before
  wheel.Reset();
  EXPECT_EQ(0, wheel.Add(119));
  EXPECT_EQ(INT32_MAX / 120, WheelSteps().Add(INT32_MAX));
  EXPECT_EQ(INT32_MIN / 120, WheelSteps().Add(INT32_MIN));
}

// --- Status text -----------------------------------------------------------

TEST(StatusText, MessageGivesWayToTheTitle) {
  StatusScroll status;
  status.Show(kStatusMessageTicks, 10, 100);
  int ticks = 0;
  while (!status.CountDown()) {
    ASSERT_LT(++ticks, 100);
  }
  EXPECT_EQ(4, ticks);  // the fifth tick brings the title back
  status.Show(0, 10, 100);
  for (int i = 0; i < 20; ++i) EXPECT_FALSE(status.CountDown());

  status.Show(1, 10, 100);  // a one-tick message also ends
  EXPECT_TRUE(status.CountDown());
  EXPECT_FALSE(status.CountDown());
}

TEST(StatusText, TitleAndHints) {
  EXPECT_EQ(L"Playing C:\\a.avi", StatusTitle(true, L"C:\\a.avi"));
  EXPECT_EQ(L"Zelvo Vantor Player", StatusTitle(false, L"C:\\a.avi"));
  EXPECT_STREQ(L"Seek forward", HoverHint(600));
  EXPECT_STREQ(L"Stop backward", HoverHint(602));
  EXPECT_STREQ(L"Open media for playback", HoverHint(611));
  EXPECT_STREQ(L"Toggle ontop On/Off", HoverHint(613));
  EXPECT_EQ(nullptr, HoverHint(599));
  EXPECT_EQ(nullptr, HoverHint(614));
}

TEST(StatusText, ScrollsOnlyWhenWiderThanTheElement) {
  StatusScroll status;
  status.Show(0, 100, 100);
  EXPECT_FALSE(status.ScrollStep(true).has_value());
  status.Show(0, 101, 100);
  EXPECT_FALSE(status.ScrollStep(false).has_value());
  EXPECT_EQ(0, status.ScrollStep(true));
  EXPECT_EQ(2, status.ScrollStep(true));
  EXPECT_EQ(4, status.ScrollStep(true));
  status.Show(0, 101, 100);  // a new text starts at 0 again
  EXPECT_EQ(0, status.ScrollStep(true));
}

TEST(StatusText, ScrollReEntersFromTheRightAtOddAndEvenWidths) {
  for (int32_t text_width : {100, 101}) {
    for (int32_t element_width : {50, 51}) {
      StatusScroll status;
      status.Show(0, text_width, element_width);
      int32_t largest = INT32_MIN;
      int resets = 0;
      int32_t previous = -1;
      for (int i = 0; i < 1000; ++i) {
        const int32_t offset = status.ScrollStep(true).value();
        largest = std::max(largest, offset);
        if (offset < previous) {
          ++resets;
          EXPECT_EQ(-element_width, offset);
        } else if (i > 0) {
          EXPECT_EQ(previous + 2, offset);
        }
        previous = offset;
      }
      EXPECT_LT(largest, text_width + kStatusScrollGap) << text_width << " " << element_width;
      EXPECT_GE(largest, text_width + kStatusScrollGap - 2);
      EXPECT_GT(resets, 5) << text_width << " " << element_width;
    }
  }
}

// --- Docking ---------------------------------------------------------------

namespace {
DockRect Rect(int32_t left, int32_t top, int32_t width, int32_t height) {
  return DockRect{left, top, left + width, top + height};
}
}  // namespace

TEST(Docking, SnapsEdgeToEdgeWithinTheInterval) {
  const DockRect playlist = Rect(0, 100, 275, 200);
  DockedFlags flags;
  DockPull pull;
  DockRect main = Rect(10, -5, 275, 100);  // bottom 95: 5 above the playlist
  DockMovingWindow(main, playlist, 12, flags, pull);
  EXPECT_EQ(Rect(10, 0, 275, 100), main);
  EXPECT_TRUE(flags.vertical);
  EXPECT_FALSE(flags.horizontal);
  EXPECT_EQ(-5, pull.dy);

  // Below the playlist, 12 away: still within.
  flags = {};
  pull = {};
  main = Rect(0, 312, 275, 100);
  DockMovingWindow(main, playlist, 12, flags, pull);
  EXPECT_EQ(Rect(0, 300, 275, 100), main);
  EXPECT_TRUE(flags.vertical);

  // To the right, left edge 8 from the playlist's right edge.
  flags = {};
  pull = {};
  main = Rect(283, 150, 100, 50);
  DockMovingWindow(main, playlist, 12, flags, pull);
  EXPECT_EQ(Rect(275, 150, 100, 50), main);
  EXPECT_TRUE(flags.horizontal);
  EXPECT_EQ(8, pull.dx);
}

TEST(Docking, FarOrBesideDoesNotSnap) {
  const DockRect playlist = Rect(0, 100, 275, 200);
  DockedFlags flags{true, true};
  DockPull pull{3, 4};
  DockRect main = Rect(500, -200, 275, 100);
  const DockRect before = main;
  DockMovingWindow(main, playlist, 12, flags, pull);
  EXPECT_EQ(before, main);
  EXPECT_FALSE(flags.Any());
  EXPECT_EQ(0, pull.dx);
  EXPECT_EQ(0, pull.dy);

  // Near vertically but with no horizontal overlap: no snap.
  main = Rect(290, -5, 100, 100);
  DockMovingWindow(main, playlist, 12, flags, pull);
  EXPECT_EQ(Rect(290, -5, 100, 100), main);
  EXPECT_FALSE(flags.vertical);
}

TEST(Docking, TouchingEdgesCountAsDocked) {
  const DockRect playlist = Rect(0, 100, 275, 200);
  DockedFlags flags;
  DockPull pull;
  DockRect main = Rect(0, 0, 275, 100);
  DockMovingWindow(main, playlist, 12, flags, pull);
  EXPECT_EQ(Rect(0, 0, 275, 100), main);
  EXPECT_TRUE(flags.vertical);
  EXPECT_EQ(0, pull.dy);

  // Interval 0 still keeps touching windows docked.
  flags = {};
  DockMovingWindow(main, playlist, 0, flags, pull);
  EXPECT_TRUE(flags.vertical);
}

TEST(Docking, BreaksFreeOnceThePullExceedsTheInterval) {
  const DockRect playlist = Rect(0, 100, 275, 200);
  DockedFlags flags;
  DockPull pull;
  // The user drags a docked window upwards, away from the playlist: each
  // proposal is the window's last place moved up by 4 pixels.
  DockRect main = Rect(0, 0, 275, 100);
  std::vector<int32_t> tops;
  for (int i = 0; i < 5; ++i) {
    main.top -= 4;
    main.bottom -= 4;
    DockMovingWindow(main, playlist, 12, flags, pull);
    tops.push_back(main.top);
  }
  // Pulls of -4, -8, -12 hold it at the edge; -16 exceeds 12 and lets go.
  EXPECT_EQ(0, tops[0]);
  EXPECT_EQ(0, tops[1]);
  EXPECT_EQ(0, tops[2]);
  EXPECT_EQ(-16, tops[3]);
  EXPECT_EQ(-20, tops[4]);  // free now, 20 away
  EXPECT_FALSE(flags.vertical);
  EXPECT_EQ(0, pull.dy);
}

TEST(Docking, HostileValuesStayInRange) {
  DockedFlags flags;
  DockPull pull{INT32_MAX, INT32_MIN};
  DockRect a{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  const DockRect b{INT32_MAX - 1, INT32_MAX - 1, INT32_MAX, INT32_MAX};
  DockMovingWindow(a, b, INT32_MAX, flags, pull);
  DockMovingWindow(a, b, -5, flags, pull);  // a negative interval is 0
  EXPECT_LE(a.left, a.right);
  EXPECT_LE(a.top, a.bottom);
}

TEST(MediaNames, PlaylistsAndWindowsMediaAreRefusedWhateverTheirCase) {
  EXPECT_STREQ(kAsxRefused, RefusedMediaName(L"C:\\Clips\\list.ASX"));
  EXPECT_STREQ(kAsxRefused, RefusedMediaName(L"C:\\a.asx.avi"));  // even before another extension
  EXPECT_STREQ(kWindowsMediaRefused, RefusedMediaName(L"C:\\song.WMA"));
  EXPECT_STREQ(kWindowsMediaRefused, RefusedMediaName(L"C:\\x.wmv.avi"));
  EXPECT_STREQ(nullptr, RefusedMediaName(L"C:\\Clips\\Movie.avi"));
  // Windows Media names count only in the first 259 characters.
  std::wstring deep = L"C:\\" + std::wstring(300, L'a') + L".wmv";
  EXPECT_STREQ(nullptr, RefusedMediaName(deep));
  EXPECT_STREQ(kAsxRefused, RefusedMediaName(deep + L".asx"));
  EXPECT_EQ(L"c:\\movie.avi", LoweredName(L"C:\\Movie.AVI"));
  EXPECT_EQ(L"a b.avi", UnquotedFileName(L"\"a b.avi\""));
  EXPECT_EQ(L"", UnquotedFileName(L"\""));
}

TEST(SubtitleRect, BottomQuarterInsideTheMiddleTwoThirds) {
  const SubtitleRect vga = SubtitleRectFor(640, 480);
  EXPECT_EQ((std::vector<int32_t>{106, 360, 427, 120}), (std::vector<int32_t>{vga.left, vga.top, vga.width, vga.height}));
  // Integer arithmetic throughout: odd sizes round each term down.
  const SubtitleRect odd = SubtitleRectFor(161, 121);
  EXPECT_EQ((std::vector<int32_t>{26, 90, 108, 31}), (std::vector<int32_t>{odd.left, odd.top, odd.width, odd.height}));
}
