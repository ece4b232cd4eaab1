// The skin engine's arithmetic and command names, without windows.
#include <gtest/gtest.h>

#include <climits>

#include "player/skin/command_names.h"
#include "player/skin/skin_geometry.h"

using namespace skin;

TEST(CommandNames, EveryNameHasItsId) {
  EXPECT_EQ(LookupCommandName("IDM_ABOUT"), 104);
  EXPECT_EQ(LookupCommandName("IDM_EXIT"), 105);
  EXPECT_EQ(LookupCommandName("IDM_FILE_OPEN"), 129);
  EXPECT_EQ(LookupCommandName("IDM_FILE_CLOSE"), 132);
  EXPECT_EQ(LookupCommandName("IDM_STOP"), 132);  // two names, one id
  EXPECT_EQ(LookupCommandName("IDM_SET_POSITION"), 158);
  EXPECT_EQ(LookupCommandName("IDM_PLAYLIST_SETSTARTITEM"), 174);
  EXPECT_EQ(LookupCommandName("IDM_PLAYLIST_DBLCLICK"), 179);
  EXPECT_EQ(LookupCommandName("IDM_PLAYLISTBUTTONSBAR"), 186);
  EXPECT_EQ(LookupCommandName("IDM_HIDEBUTTONSBAR"), 191);
  EXPECT_EQ(LookupCommandName("IDM_TOPMOST_OFF"), 224);
  EXPECT_EQ(LookupCommandName("IDM_HOLD_OFF"), 230);
  EXPECT_EQ(LookupCommandName("IDM_SET_POSITION_REFRESHCURSOR"), 3000);
  EXPECT_EQ(LookupCommandName("IDM_HOVER_NEXT"), 600);
  EXPECT_EQ(LookupCommandName("IDM_HOVER_TOPMOST"), 613);
}

TEST(CommandNames, SkinMessagesAreNumberedFrom500) {
  EXPECT_EQ(LookupCommandName("IDM_SKIN_MESSAGE_0"), 500);
  EXPECT_EQ(LookupCommandName("IDM_SKIN_MESSAGE_7"), 507);
  EXPECT_EQ(LookupCommandName("IDM_SKIN_MESSAGE_20"), 520);
  EXPECT_EQ(LookupCommandName("IDM_SKIN_MESSAGE_21"), 0);
  EXPECT_EQ(LookupCommandName("IDM_SKIN_MESSAGE_05"), 0);
  EXPECT_EQ(LookupCommandName("IDM_SKIN_MESSAGE_"), 0);
  EXPECT_EQ(LookupCommandName("IDM_SKIN_MESSAGE_-1"), 0);
}

TEST(CommandNames, LookupIsExactAndCaseSensitive) {
  EXPECT_EQ(LookupCommandName("idm_exit"), 0);
  EXPECT_EQ(LookupCommandName("IDM_EXIT "), 0);
  EXPECT_EQ(LookupCommandName(""), 0);
  EXPECT_EQ(LookupCommandName(nullptr), 0);
  EXPECT_EQ(LookupCommandName("IDM_SET_LSECONDS"), 164);
  EXPECT_EQ(LookupCommandName("IDM_SET_HHMINUTES"), 168);
}

TEST(SizeGrid, WidthSnapsDownToTheStepAboveTheMinimum) {
  EXPECT_EQ(SnapWidth(260, 200, 25), 250);
  EXPECT_EQ(SnapWidth(150, 200, 25), 200);
  EXPECT_EQ(SnapWidth(200, 200, 25), 200);
  EXPECT_EQ(SnapWidth(224, 200, 25), 200);
  EXPECT_EQ(SnapWidth(225, 200, 25), 225);
}

TEST(SizeGrid, HeightIsRaisedToTheMinimumFirst) {
  EXPECT_EQ(SnapHeight(90, 100, 7), 100);
  EXPECT_EQ(SnapHeight(115, 100, 7), 114);
}

TEST(SizeGrid, StepsBelowOneAndExtremeSizesAreSafe) {
  EXPECT_EQ(SnapWidth(123, 0, 0), 123);
  EXPECT_EQ(SnapHeight(123, 0, -5), 123);
  EXPECT_EQ(SnapWidth(INT_MAX, INT_MIN, 1), INT_MAX);
  EXPECT_EQ(SnapWidth(INT_MIN, 0, 3), 0);
  EXPECT_EQ(SnapHeight(INT_MIN, INT_MIN, INT_MAX), INT_MIN);
}

TEST(Millionths, PositionsAreTruncatedAndOverflowFree) {
  EXPECT_EQ(MillionthsOf(50, 100), 500000);
  EXPECT_EQ(MillionthsOf(1, 3), 333333);
  EXPECT_EQ(MillionthsOf(5, 0), 5000000);  // an empty range divides by 1
  // Wider than 2,147 pixels: a 32-bit product would overflow.
  EXPECT_EQ(MillionthsOf(3000, 4000), 750000);
  EXPECT_EQ(OffsetOfMillionths(750000, 4000), 3000);
  EXPECT_EQ(OffsetOfMillionths(1000000, INT_MAX), INT_MAX);
}

TEST(Millionths, ValuesAreLimitedToTheirRange) {
  EXPECT_EQ(ClampMillionths(-5), 0);
  EXPECT_EQ(ClampMillionths(999999), 999999);
  EXPECT_EQ(ClampMillionths(1000000), 1000000);
  EXPECT_EQ(ClampMillionths(INT64_MAX), 1000000);
}

TEST(Millionths, StatesOfAPositionBar) {
  EXPECT_EQ(StateOfMillionths(1000000, 10), 9);
  EXPECT_EQ(StateOfMillionths(0, 10), 0);
  EXPECT_EQ(StateOfMillionths(-5, 10), 0);
  EXPECT_EQ(StateOfMillionths(500000, 10), 5);
  EXPECT_EQ(StateOfMillionths(999999, 10), 9);
  EXPECT_EQ(StateOfMillionths(1000000, 0), 0);
}

TEST(Tiles, CountRoundsUpAndRefusesEmptyTiles) {
  EXPECT_EQ(TileCount(100, 30), 4);
  EXPECT_EQ(TileCount(90, 30), 3);
  EXPECT_EQ(TileCount(100, 0), 0);
  EXPECT_EQ(TileCount(-1, 5), 0);
}

TEST(ListScroll, ScrollsDownOneAtATimeToKeepTheIndexVisible) {
  ListScroll scroll;
  EXPECT_TRUE(EnsureVisible(scroll, 7, 20, 5));
  EXPECT_EQ(scroll.top, 3);
  EXPECT_EQ(scroll.selected, 4);
  EXPECT_TRUE(EnsureVisible(scroll, 1, 20, 5));
  EXPECT_EQ(scroll.top, 1);
  EXPECT_EQ(scroll.selected, 0);
  EXPECT_FALSE(EnsureVisible(scroll, 1, 20, 5));
}

TEST(ListScroll, TheEndOfTheListStaysAtTheBottom) {
  ListScroll scroll;
  EXPECT_TRUE(EnsureVisible(scroll, 19, 20, 5));
  EXPECT_EQ(scroll.top, 15);
  EXPECT_EQ(scroll.selected, 4);
  // The index one past the end scrolls but selects nothing new.
  scroll = ListScroll{};
  EXPECT_TRUE(EnsureVisible(scroll, 20, 20, 5));
  EXPECT_EQ(scroll.top, 15);
  EXPECT_EQ(scroll.selected, 0);
}

TEST(ListScroll, OutOfRangeIndexesChangeNothing) {
  ListScroll scroll{2, 1};
  EXPECT_FALSE(EnsureVisible(scroll, -1, 10, 5));
  EXPECT_FALSE(EnsureVisible(scroll, 11, 10, 5));
  EXPECT_EQ(scroll.top, 2);
  EXPECT_EQ(scroll.selected, 1);
}

TEST(ListScroll, AnEmptyListResets) {
  ListScroll scroll{2, 1};
  EXPECT_TRUE(EnsureVisible(scroll, 0, 0, 5));
  EXPECT_EQ(scroll.top, 0);
  EXPECT_EQ(scroll.selected, 0);
  EXPECT_FALSE(EnsureVisible(scroll, 4, 0, 5));
}

TEST(ListScroll, FewerEntriesThanRowsNeverScroll) {
  ListScroll scroll;
  EXPECT_TRUE(EnsureVisible(scroll, 2, 3, 5));
  EXPECT_EQ(scroll.top, 0);
  EXPECT_EQ(scroll.selected, 2);
  EXPECT_EQ(EntryOfMillionths(1000000, 3), 3);
  EXPECT_EQ(EntryOfMillionths(500000, 3), 1);
}

TEST(ListScroll, TheRowJustBelowOrAboveTheViewScrollsByOne) {
  ListScroll scroll;
  ASSERT_TRUE(EnsureVisible(scroll, 7, 20, 5));  // rows 3..7 in view
  EXPECT_FALSE(EnsureVisible(scroll, 7, 20, 5));
  EXPECT_TRUE(EnsureVisible(scroll, 8, 20, 5));
  EXPECT_EQ(scroll.top, 4);
  EXPECT_EQ(scroll.selected, 4);
  EXPECT_TRUE(EnsureVisible(scroll, 4, 20, 5));  // the top row: only the selection moves
  EXPECT_EQ(scroll.top, 4);
  EXPECT_EQ(scroll.selected, 0);
  EXPECT_TRUE(EnsureVisible(scroll, 3, 20, 5));
  EXPECT_EQ(scroll.top, 3);
  EXPECT_EQ(scroll.selected, 0);
}

TEST(ListScroll, ScrollPositionsPastTheEndsPointAtTheEnds) {
  EXPECT_EQ(EntryOfMillionths(5000000000LL, 3), 3);
  EXPECT_EQ(EntryOfMillionths(1000001, 3), 3);
  EXPECT_EQ(EntryOfMillionths(-5, 3), 0);
  EXPECT_EQ(EntryOfMillionths(INT64_MAX, INT_MAX), INT_MAX);
  EXPECT_EQ(EntryOfMillionths(INT64_MIN, INT_MAX), 0);
}

TEST(ListScroll, HugeListsScrollWithoutStepping) {
  ListScroll scroll;
  EXPECT_TRUE(EnsureVisible(scroll, INT_MAX - 1, INT_MAX, 10));
  EXPECT_EQ(scroll.top, INT_MAX - 10);
  EXPECT_EQ(scroll.selected, 9);
}
