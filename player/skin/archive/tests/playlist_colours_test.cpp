// "pledit.txt": keys in any case, values in any case, the skipped "#".
#include <gtest/gtest.h>

#include "player/skin/archive/playlist_colours.h"

namespace {
constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }
}  // namespace

TEST(PlaylistColours, TheUsualFile) {
  PlaylistColours c = ParsePlaylistColours(
      "[Text]\r\nNormal=#00FF00\r\nCurrent=#FFFFFF\r\nNormalBG=#000000\r\nSelectedBG=#0000C6\r\nFont=Arial\r\n");
  EXPECT_EQ(Rgb(0x00, 0xFF, 0x00), c.normal);
  EXPECT_EQ(Rgb(0xFF, 0xFF, 0xFF), c.current);
  EXPECT_EQ(Rgb(0, 0, 0), c.normal_background);
  EXPECT_EQ(Rgb(0x00, 0x00, 0xC6), c.selected_background);
}

TEST(PlaylistColours, CaseOfKeysAndValuesDoesNotMatter) {
  PlaylistColours c = ParsePlaylistColours("normalbg=#0a0b0c\nNORMAL=#a1B2c3\n");
  EXPECT_EQ(Rgb(0x0A, 0x0B, 0x0C), c.normal_background);
  EXPECT_EQ(Rgb(0xA1, 0xB2, 0xC3), c.normal);
}

TEST(PlaylistColours, TheCharacterAfterTheEqualsSignIsSkipped) {
  // Without "#", the first digit is lost: FF0000 reads as F0000.
  EXPECT_EQ(Rgb(0x0F, 0x00, 0x00), ParsePlaylistColours("normal=FF0000\n").normal);
  // At most six digits; anything that is no hex digit counts as 0.
  EXPECT_EQ(Rgb(0x12, 0x34, 0x56), ParsePlaylistColours("current=#123456789\n").current);
  EXPECT_EQ(Rgb(0x10, 0x00, 0x01), ParsePlaylistColours("current=#1Z00x1\n").current);
  // A short value is a short number.
  EXPECT_EQ(Rgb(0x00, 0x0F, 0xFF), ParsePlaylistColours("current=#FFF").current);
  EXPECT_EQ(0u, ParsePlaylistColours("current=").current);
  EXPECT_EQ(0u, ParsePlaylistColours("current=#").current);
}

TEST(PlaylistColours, AbsentKeysAreBlackAndLaterLinesWin) {
  PlaylistColours c = ParsePlaylistColours("; nothing here\nFont=Arial\nnormal=#111111\nnormal=#222222\n");
  EXPECT_EQ(Rgb(0x22, 0x22, 0x22), c.normal);
  EXPECT_EQ(0u, c.current);
  EXPECT_EQ(0u, c.normal_background);
  EXPECT_EQ(0u, c.selected_background);
  // Spaces are part of the key.
  EXPECT_EQ(0u, ParsePlaylistColours("normal =#FFFFFF\n").normal);
}

TEST(PlaylistColours, LineEndsAndStrayBytes) {
  std::string text("\r\n\r\n\0\0normal=#0000FF\rcurrent=#00FF00\n\nselectedbg=#FF0000", 56);
  PlaylistColours c = ParsePlaylistColours(text);
  EXPECT_EQ(Rgb(0, 0, 0xFF), c.normal);
  EXPECT_EQ(Rgb(0, 0xFF, 0), c.current);
  EXPECT_EQ(Rgb(0xFF, 0, 0), c.selected_background);
  // A NUL inside a line ends what is read of it.
  EXPECT_EQ(Rgb(0, 0, 0xAB), ParsePlaylistColours(std::string("normal=#AB\0CDEF\n", 16)).normal);
  // Lines longer than 1024 characters are cut; what follows starts a new line.
  std::string long_line = std::string(1024, 'x') + "normal=#445566\n";
  EXPECT_EQ(Rgb(0x44, 0x55, 0x66), ParsePlaylistColours(long_line).normal);
}

TEST(PlaylistColours, DefaultsWithoutAFile) {
  PlaylistColours d = DefaultPlaylistColours();
  EXPECT_EQ(Rgb(0, 0, 0), d.normal);
  EXPECT_EQ(Rgb(0x00, 0x78, 0xC8), d.current);
  EXPECT_EQ(Rgb(0x78, 0x78, 0x78), d.normal_background);
  EXPECT_EQ(Rgb(0, 0, 0), d.selected_background);
}
