// Settings text rules, the command line and the level conversions: the
// platform-free rules behind "Zelvo.ini" and the player's switches.
#include <gtest/gtest.h>

#include "player/core/command_line.h"
#include "player/core/levels.h"
#include "player/core/profile_values.h"

TEST(ProfileInteger, HandWrittenValues) {
  EXPECT_EQ(12, ParseProfileInteger("12abc", 10, 7));
  EXPECT_EQ(0, ParseProfileInteger("abc", 10, 7));
  EXPECT_EQ(-5, ParseProfileInteger("-5", 10, 7));
  EXPECT_EQ(7, ParseProfileInteger("", 10, 7));
  EXPECT_EQ(42, ParseProfileInteger("  +42", 10, 7));
  EXPECT_EQ(0, ParseProfileInteger(" ", 10, 7));  // present but without digits
}

TEST(ProfileInteger, RadixAndThirtyTwoBits) {
  EXPECT_EQ(255, ParseProfileInteger("ff", 16, 0));
  EXPECT_EQ(255, ParseProfileInteger("0xFF", 16, 0));
  EXPECT_EQ(8, ParseProfileInteger("10", 8, 0));
  EXPECT_EQ(5, ParseProfileInteger("101", 2, 0));
  EXPECT_EQ(10, ParseProfileInteger("10", 7, 0));  // any other radix means 10
  EXPECT_EQ(1, ParseProfileInteger("19", 8, 0));   // stops at the first digit out of radix
  // Unsigned bits read as signed.
  EXPECT_EQ(-1, ParseProfileInteger("4294967295", 10, 0));
  EXPECT_EQ(INT32_MIN, ParseProfileInteger("2147483648", 10, 0));
  // Overflow saturates the unsigned parse, whatever the sign.
  EXPECT_EQ(-1, ParseProfileInteger("99999999999999999999", 10, 0));
  EXPECT_EQ(-1, ParseProfileInteger("-99999999999", 10, 0));
  EXPECT_EQ(-1, ParseProfileInteger("-4294967296", 10, 0));
  EXPECT_EQ(1, ParseProfileInteger("-4294967295", 10, 0));
}

TEST(ProfileFlag, WordsAndNumbers) {
  EXPECT_EQ(1, ParseProfileFlag("Yes", 0));
  EXPECT_EQ(1, ParseProfileFlag("TRUE", 0));
  EXPECT_EQ(1, ParseProfileFlag("true", 0));
  EXPECT_EQ(0, ParseProfileFlag("no", 1));
  EXPECT_EQ(0, ParseProfileFlag("false", 1));
  EXPECT_EQ(0, ParseProfileFlag("off", 1));
  EXPECT_EQ(1, ParseProfileFlag("2", 0));
  EXPECT_EQ(1, ParseProfileFlag("-1", 0));
  EXPECT_EQ(0, ParseProfileFlag("0", 1));
  EXPECT_EQ(1, ParseProfileFlag("", 1));
  EXPECT_EQ(0, ParseProfileFlag("", 0));
  EXPECT_EQ(0, ParseProfileFlag("yes please", 1));  // whole text only
  for (const char* start : {"t", "tr", "tru", "y", "ye", "truer", "yess"}) {
    EXPECT_EQ(0, ParseProfileFlag(start, 1)) << start;
  }
}

TEST(ProfileInteger, FormatsAndReadsBack) {
  EXPECT_EQ("-5", FormatProfileInteger(-5, 10));
  EXPECT_EQ("17", FormatProfileInteger(15, 8));
  EXPECT_EQ("FF", FormatProfileInteger(255, 16));
  EXPECT_EQ("101", FormatProfileInteger(5, 2));
  EXPECT_EQ("0", FormatProfileInteger(0, 2));
  for (int radix : {2, 8, 10, 16}) {
    for (int32_t v : {0, 1, -1, 12345, INT32_MIN, INT32_MAX}) {
      EXPECT_EQ(v, ParseProfileInteger(FormatProfileInteger(v, radix), radix, 99)) << radix << " " << v;
    }
  }
}

TEST(CommandLine, SwitchesThenFile) {
  CommandLineOptions o = ParseCommandLine("-tray -autoplay C:\\video.avi");
  EXPECT_TRUE(o.tray);
  EXPECT_TRUE(o.autoplay);
  EXPECT_FALSE(o.fullscreen);
  EXPECT_FALSE(o.autoclose);
  EXPECT_EQ("C:\\video.avi", o.file_name);

  o = ParseCommandLine("/foo /fullscreen   /autoclose file name.avi");
  EXPECT_TRUE(o.fullscreen);
  EXPECT_TRUE(o.autoclose);
  EXPECT_EQ("file name.avi", o.file_name);
}

TEST(CommandLine, FileNameIsTheWholeRest) {
  CommandLineOptions o = ParseCommandLine("file.avi -fullscreen");
  EXPECT_FALSE(o.fullscreen);
  EXPECT_EQ("file.avi -fullscreen", o.file_name);

  o = ParseCommandLine("\"C:\\My Videos\\a.avi\"");
  EXPECT_EQ("\"C:\\My Videos\\a.avi\"", o.file_name);  // quotes are the engine's to strip
}

TEST(CommandLine, SwitchWordsAreExact) {
  CommandLineOptions o = ParseCommandLine("-Tray -trayx -auto -full -autoclos -autoplayer -fullscreenx -");
  EXPECT_FALSE(o.tray);
  EXPECT_FALSE(o.autoplay);
  EXPECT_FALSE(o.autoclose);
  EXPECT_FALSE(o.fullscreen);
  EXPECT_EQ("", o.file_name);
  EXPECT_EQ("", ParseCommandLine("").file_name);
  EXPECT_EQ("", ParseCommandLine(nullptr).file_name);
  EXPECT_EQ("", ParseCommandLine("   ").file_name);
}

TEST(Levels, VolumeEnds) {
  EXPECT_EQ(-1, SliderToVolume(1000000));
  EXPECT_EQ(-10000, SliderToVolume(0));
  EXPECT_EQ(1000000, VolumeToSlider(-1));
  EXPECT_EQ(0, VolumeToSlider(-10000));
  EXPECT_EQ(750000, VolumeToSlider(-10));
  // Outside the mapping: the stored default 1 and 0 play at full volume.
  EXPECT_EQ(1000000, VolumeToSlider(1));
  EXPECT_EQ(1000000, VolumeToSlider(0));
  EXPECT_EQ(0, VolumeToSlider(-50000));
  EXPECT_EQ(-10000, SliderToVolume(-5));
  EXPECT_EQ(-1, SliderToVolume(2000000000));
}

TEST(Levels, Balance) {
  EXPECT_EQ(-5000, SliderToBalance(0));
  EXPECT_EQ(0, SliderToBalance(500000));
  EXPECT_EQ(5000, SliderToBalance(1000000));
  EXPECT_EQ(500000, BalanceToSlider(0));
  EXPECT_EQ(0, BalanceToSlider(-5000));
  EXPECT_EQ(1000000, BalanceToSlider(5000));
  EXPECT_EQ(1000000, BalanceToSlider(INT32_MAX));  // a hand-edited file cannot overflow it
}
