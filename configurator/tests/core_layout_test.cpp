// The configurator's window arithmetic: the page area of a filter's pages,
// the main window's layout for a client size, and how the window grows.
#include <gtest/gtest.h>

#include "configurator/core/layout.h"

namespace configurator {
namespace {

TEST(ConfiguratorTitle, IsTheProductStringAndTheProgramsWord) {
  EXPECT_EQ("Ondra K4 4.5.1 Configurator", ConfiguratorTitle());
}

TEST(PageArea, GrowsByTheAllowanceOnlyWhenAPageIsTallerThanTheHeightSoFar) {
  // The recorded height includes the allowance, so a page 10 taller than
  // the first one does not set a new height, and 30 taller does.
  EXPECT_EQ(126, PageAreaSize({{200, 100}, {200, 110}}).cy);
  EXPECT_EQ(156, PageAreaSize({{200, 100}, {200, 130}}).cy);
  EXPECT_EQ(156, PageAreaSize({{200, 130}, {200, 100}}).cy);
  EXPECT_EQ(126, PageAreaSize({{200, 100}, {200, 126}}).cy);
  EXPECT_EQ(153, PageAreaSize({{200, 100}, {200, 127}}).cy);
  EXPECT_EQ(126, PageAreaSize({{10, 100}}).cy);
}

TEST(PageArea, TakesTheWidestPageAsItIs) {
  EXPECT_EQ(240, PageAreaSize({{220, 100}, {240, 130}, {180, 90}}).cx);
  EXPECT_EQ(240, PageAreaSize({{240, 100}, {220, 130}}).cx);
}

TEST(PageArea, IsEmptyWithoutPagesOrWithEmptyOnes) {
  EXPECT_EQ((PixelSize{0, 0}), PageAreaSize({}));
  EXPECT_EQ((PixelSize{0, 0}), PageAreaSize({{0, 0}}));
  EXPECT_EQ((PixelSize{0, 0}), PageAreaSize({{-5, -20}}));
}

TEST(PageArea, PanelAddsTheTabFrame) {
  EXPECT_EQ((PixelSize{248, 184}), PanelSize(PageAreaSize({{220, 100}, {240, 130}}), {8, 28}));
}

DialogMetrics Metrics() {
  DialogMetrics m;
  m.frameTop = 11;
  m.treeLeft = 9;
  m.treeTop = 11;
  m.separatorHeight = 2;
  m.ok = {75, 23};
  m.cancel = {76, 24};
  return m;
}

TEST(DialogLayout, PlacesEveryControlFromTheClientSize) {
  const DialogLayout layout = LayoutDialog(600, 400, Metrics(), true, {300, 200});
  EXPECT_TRUE(layout.Fits());
  EXPECT_EQ((PixelRect{164, 11, 596, 352}), layout.frame);
  EXPECT_EQ((PixelRect{164, 358, 596, 360}), layout.separator);
  EXPECT_EQ((PixelRect{9, 11, 158, 360}), layout.tree);
  EXPECT_EQ((PixelRect{514, 370, 590, 394}), layout.cancel);
  EXPECT_EQ((PixelRect{434, 370, 509, 393}), layout.ok);
}

TEST(DialogLayout, FollowsTheClientSizeWithFixedMargins) {
  const DialogLayout small = LayoutDialog(500, 300, Metrics(), false, {});
  const DialogLayout large = LayoutDialog(700, 450, Metrics(), false, {});
  EXPECT_EQ(200, large.frame.right - small.frame.right);
  EXPECT_EQ(150, large.frame.bottom - small.frame.bottom);
  EXPECT_EQ(small.frame.left, large.frame.left);
  EXPECT_EQ(small.tree.Width(), large.tree.Width());
  EXPECT_EQ(150, large.tree.Height() - small.tree.Height());
  EXPECT_EQ(200, large.ok.left - small.ok.left);
  EXPECT_EQ(150, large.cancel.top - small.cancel.top);
  EXPECT_EQ(small.separator.Height(), large.separator.Height());
}

TEST(DialogLayout, SaysHowMuchIsMissingForTheShownPanel) {
  // Area: 600 - 4 - 164 = 432 wide, 400 - 48 - 11 = 341 high.
  EXPECT_TRUE(LayoutDialog(600, 400, Metrics(), true, {432, 341}).Fits());
  const DialogLayout wide = LayoutDialog(600, 400, Metrics(), true, {440, 300});
  EXPECT_EQ((PixelSize{8, 0}), wide.missing);
  const DialogLayout both = LayoutDialog(600, 400, Metrics(), true, {500, 400});
  EXPECT_EQ((PixelSize{68, 59}), both.missing);
}

TEST(DialogLayout, WithoutAPanelNothingIsMissingEvenWhenTiny) {
  const DialogLayout layout = LayoutDialog(20, 10, Metrics(), false, {});
  EXPECT_TRUE(layout.Fits());
  // No rectangle turns inside out.
  for (const PixelRect& r : {layout.frame, layout.separator, layout.tree}) {
    EXPECT_GE(r.Width(), 0);
    EXPECT_GE(r.Height(), 0);
  }
  const DialogLayout tinyWithPanel = LayoutDialog(20, 10, Metrics(), true, {10, 10});
  EXPECT_EQ((PixelSize{10 + 148, 10 + 49}), tinyWithPanel.missing);
}

const PixelRect kWork = {0, 0, 1024, 768};

TEST(GrowWindow, GrowsByWhatIsMissing) {
  EXPECT_EQ((PixelRect{100, 50, 650, 480}), GrowWindow({100, 50, 600, 400}, {50, 80}, kWork));
}

TEST(GrowWindow, StopsAtTheWorkAreaAndMovesBackIntoIt) {
  const PixelRect grown = GrowWindow({300, 200, 800, 500}, {100, 5000}, kWork);
  EXPECT_EQ(768, grown.Height());
  EXPECT_EQ(0, grown.top);
  EXPECT_EQ(600, grown.Width());
  EXPECT_EQ(300, grown.left);
  const PixelRect pushed = GrowWindow({700, 0, 1000, 300}, {200, 0}, kWork);
  EXPECT_EQ((PixelRect{524, 0, 1024, 300}), pushed);
}

TEST(GrowWindow, NeverShrinksAWindowLargerThanTheWorkArea) {
  const PixelRect big = {-10, -10, 1100, 900};
  EXPECT_EQ(big, GrowWindow(big, {30, 30}, kWork));
  EXPECT_EQ(big, GrowWindow(big, {0, 0}, kWork));
}

TEST(GrowWindow, NothingMissingOrNegativeChangesNothing) {
  const PixelRect window = {10, 10, 300, 200};
  EXPECT_EQ(window, GrowWindow(window, {0, 0}, kWork));
  EXPECT_EQ(window, GrowWindow(window, {-40, -40}, kWork));
}

TEST(GrowWindow, AWorkAreaAwayFromTheOriginIsRespected) {
  const PixelRect work = {1024, 100, 2048, 868};
  const PixelRect grown = GrowWindow({1800, 600, 2000, 800}, {400, 400}, work);
  EXPECT_EQ((PixelRect{1448, 268, 2048, 868}), grown);
}

}  // namespace
}  // namespace configurator
