// "Zelvo.ini" through the real profile functions under Wine.
#include <gtest/gtest.h>

#include <string>

#include "player/ini_file.h"
#include "player/player_settings.h"
#include "player/tests/test_support.h"

using namespace test_support;

namespace {
const char kIni[] = "Zelvo.ini";

std::string Section(const std::string& body) { return "[Zelvo Player]\r\n" + body; }
}  // namespace

TEST(Settings, NoFileGivesDefaultsAndSavesACompleteFileInTableOrder) {
  ScratchFolder dir;
  CurrentDirectory cd(dir.path());
  PlayerSettings s;
  s.volume = -300;
  s.subtitles_font_name = "Courier";
  s.Load(kIni);
  EXPECT_EQ(1, s.volume);
  EXPECT_EQ("", s.subtitles_font_name);  // the read's default wins over the built-in "Tahoma"
  EXPECT_EQ(275, s.playlist_x);
  EXPECT_EQ(1, s.block_screen_saver);
  EXPECT_DOUBLE_EQ(2.35, s.custom_aspect_x);
  s.Save(kIni);
  EXPECT_EQ(FreshSettingsFile(), ReadLines(dir.File(kIni)));
}

TEST(Settings, HandWrittenFlagsAndIntegers) {
  ScratchFolder dir;
  CurrentDirectory cd(dir.path());
  WriteText(dir.File(kIni), Section("Repeat=no\r\nShuffle=Yes\r\nMuted=TRUE\r\nAuto close=off\r\n"
                                    "Scroll movie title=false\r\nShow active window=\r\n"
                                    "Block screen saver=0\r\nPlay window on top=7\r\n"
                                    "Volume=-5\r\nBalance=12abc\r\nContrast=abc\r\nBrightness=\r\n"
                                    "Rewind seconds=  30\r\n"));
  PlayerSettings s;
  s.Load(kIni);
  EXPECT_EQ(0, s.repeat);
  EXPECT_EQ(1, s.shuffle);
  EXPECT_EQ(1, s.muted);
  EXPECT_EQ(0, s.auto_close);
  EXPECT_EQ(0, s.scroll_movie_title);
  EXPECT_EQ(1, s.show_active_window);  // empty: the default
  EXPECT_EQ(0, s.block_screen_saver);
  EXPECT_EQ(1, s.play_window_on_top);
  EXPECT_EQ(-5, s.volume);
  EXPECT_EQ(12, s.balance);
  EXPECT_EQ(0, s.contrast);
  EXPECT_EQ(0, s.brightness);  // empty: the default
  EXPECT_EQ(30, s.rewind_seconds);
}

TEST(Settings, BoldAndItalicAreWrittenEachFromItsOwnFlag) {
  ScratchFolder dir;
  CurrentDirectory cd(dir.path());
  PlayerSettings s;
  s.Load(kIni);
  s.subtitles_italic = 1;
  s.Save(kIni);
  auto lines = ReadLines(dir.File(kIni));
  EXPECT_EQ("0", ValueOf(lines, "Is subtitles font bold"));
  EXPECT_EQ("1", ValueOf(lines, "Is subtitles font italic"));
  PlayerSettings t;
  t.Load(kIni);
  EXPECT_EQ(0, t.subtitles_bold);
  EXPECT_EQ(1, t.subtitles_italic);
}

TEST(Settings, LongStringsAreCutTo1024Characters) {
  ScratchFolder dir;
  CurrentDirectory cd(dir.path());
  std::string long_name(3000, 'a');
  long_name[1023] = 'Z';
  WriteText(dir.File(kIni), Section("Subtitles font name=" + long_name + "\r\nLast file name=C:\\x.avi\r\n"));
  PlayerSettings s;
  s.Load(kIni);
  ASSERT_EQ(1024u, s.subtitles_font_name.size());
  EXPECT_EQ('Z', s.subtitles_font_name.back());
  EXPECT_EQ(L"C:\\x.avi", s.current_file_name);

  // The reader itself grows its buffer until the whole value fits.
  IniFile ini;
  ini.SetPath(dir.File(kIni));
  EXPECT_EQ(long_name, ini.ReadString("Zelvo Player", "Subtitles font name", nullptr, 100000));
  EXPECT_EQ("dflt", ini.ReadString("Zelvo Player", "Missing", "dflt", 1024));
  EXPECT_EQ("", ini.ReadString("Zelvo Player", "Missing", nullptr, 1024));
}

TEST(Settings, IniFileRadixesRoundTrip) {
  ScratchFolder dir;
  IniFile ini;
  ini.SetPath(dir.File("radix.ini"));
  ini.WriteInteger("S", "hex", 255, 16);
  ini.WriteInteger("S", "oct", 8, 8);
  ini.WriteInteger("S", "bin", 5, 2);
  ini.WriteFlag("S", "flag", 42);
  ini.WriteString("S", "null", nullptr);
  auto lines = ReadLines(dir.File("radix.ini"));
  EXPECT_EQ("FF", ValueOf(lines, "hex"));
  EXPECT_EQ("10", ValueOf(lines, "oct"));
  EXPECT_EQ("101", ValueOf(lines, "bin"));
  EXPECT_EQ("1", ValueOf(lines, "flag"));
  EXPECT_EQ("", ValueOf(lines, "null"));
  EXPECT_EQ(255, ini.ReadInteger("S", "hex", 0, 16));
  EXPECT_EQ(8, ini.ReadInteger("S", "oct", 0, 8));
  EXPECT_EQ(5, ini.ReadInteger("S", "bin", 0, 2));
  EXPECT_EQ(1, ini.ReadFlag("S", "flag", 0));
  EXPECT_EQ(77, ini.ReadInteger("S", "missing", 77, 10));
}

TEST(Settings, NumbersAndFlagsLookAtTheirFirst64CharactersOnly) {
  ScratchFolder dir;
  IniFile ini;
  ini.SetPath(dir.File("long.ini"));
  // 62 zeros, then "123": only "...0012" lies within the first 64 characters.
  ini.WriteString("S", "number", (std::string(62, '0') + "123").c_str());
  // A flag whose only non-zero digit lies beyond them reads as 0.
  ini.WriteString("S", "flag", (std::string(64, '0') + "1").c_str());
  EXPECT_EQ(12, ini.ReadInteger("S", "number", 7, 10));
  EXPECT_EQ(0, ini.ReadFlag("S", "flag", 1));
}

TEST(Settings, TheFileFollowsTheCurrentDirectory) {
  ScratchFolder a, b;
  {
    CurrentDirectory cd(a.path());
    PlayerSettings s;
    s.Load(kIni);
    s.docking_interval = 3;
    s.Save(kIni);
  }
  {
    CurrentDirectory cd(b.path());
    PlayerSettings s;
    s.Load(kIni);
    EXPECT_EQ(12, s.docking_interval);
    s.docking_interval = 4;
    s.Save(kIni);
  }
  EXPECT_EQ("3", ValueOf(ReadLines(a.File(kIni)), "Docking interval"));
  EXPECT_EQ("4", ValueOf(ReadLines(b.File(kIni)), "Docking interval"));
}

TEST(Settings, RewindStepDoesNotOverflow) {
  PlayerSettings s;
  s.rewind_seconds = INT32_MAX;
  EXPECT_EQ(static_cast<int64_t>(INT32_MAX) * 10000000, s.RewindStep());
  s.rewind_seconds = 10;
  EXPECT_EQ(100000000, s.RewindStep());
}
