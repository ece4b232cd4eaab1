#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>

#include "engine/core/video_fit.h"

namespace tessel::core {

std::ostream& operator<<(std::ostream& out, const VideoRect& r) {
  return out << "(" << r.left << ", " << r.top << ", " << r.width << ", " << r.height << ")";
}

namespace {

AspectSettings Code(int32_t code, int32_t nativeWidth = 0, int32_t nativeHeight = 0) {
  AspectSettings a;
  a.code = code;
  a.nativeWidth = nativeWidth;
  a.nativeHeight = nativeHeight;
  return a;
}

AspectSettings Custom(double x, double y) {
  AspectSettings a = Code(kAspectCustom);
  a.customX = x;
  a.customY = y;
  return a;
}

TEST(VideoFitTest, TheFitTable) {
  const struct {
    VideoPlacement area;
    AspectSettings aspect;
    VideoRect expected;
  } cases[] = {
      {{0, 0, 640, 480}, Code(kAspect16x9), {0, 60, 640, 360}},          // too tall: bands above and below
      {{0, 0, 640, 480}, Code(kAspect4x3), {0, 0, 640, 480}},            // exact
      {{0, 0, 800, 400}, Code(kAspect4x3), {133, 0, 534, 400}},          // too wide: the odd pixel to the picture
      {{0, 0, 800, 600}, Code(kAspectCustom), {0, 130, 800, 340}},       // 2.35 by default: 800 / 2.35 = 340.4
      {{0, 0, 800, 400}, Custom(1, 1), {200, 0, 400, 400}},
      {{0, 0, 800, 400}, Code(kAspectNative, 320, 240), {133, 0, 534, 400}},
      {{0, 0, 800, 400}, Code(7, 320, 240), {133, 0, 534, 400}},         // unknown codes as native
      {{10, 20, 650, 500}, Code(kAspect16x9), {10, 80, 640, 360}},       // the area's origin carries over
      {{0, 0, 640, 480}, Code(kAspectFill), {0, 0, 640, 480}},
  };
  for (const auto& c : cases) EXPECT_EQ(FitVideo(c.area, c.aspect), c.expected) << c.expected;
}

TEST(VideoFitTest, AfterAFitThePlacementHoldsTheVideoEdges) {
  const VideoPlacement fitted = PlacementOf(FitVideo({0, 0, 640, 480}, Code(kAspect16x9)));
  EXPECT_EQ(fitted, (VideoPlacement{0, 60, 640, 420}));
}

TEST(VideoFitTest, RatiosThatCannotBeUsedFillTheArea) {
  const VideoPlacement area{5, 5, 805, 405};
  const VideoRect filled{5, 5, 800, 400};
  EXPECT_EQ(FitVideo(area, Code(kAspectNative, 640, 0)), filled);  // size not known yet
  EXPECT_EQ(FitVideo(area, Code(kAspectNative, 0, 0)), filled);
  EXPECT_EQ(FitVideo(area, Code(kAspectNative, -640, 480)), filled);
  EXPECT_EQ(FitVideo(area, Custom(2.35, 0)), filled);
  EXPECT_EQ(FitVideo(area, Custom(2.35, -1)), filled);
  EXPECT_EQ(FitVideo(area, Custom(0, 1)), filled);
  EXPECT_EQ(FitVideo(area, Custom(std::nan(""), 1)), filled);
  EXPECT_EQ(FitVideo(area, Custom(std::numeric_limits<double>::infinity(), 1)), filled);
  EXPECT_EQ(AspectRatioFor(Custom(2.35, 0)), 0.0);
  EXPECT_DOUBLE_EQ(AspectRatioFor(Code(kAspectCustom)), 2.35);
}

TEST(VideoFitTest, SizesAreNeverNegative) {
  for (int32_t code = 0; code <= 4; ++code) {
    const VideoRect inverted = FitVideo({100, 100, 50, 20}, Code(code, 4, 3));
    EXPECT_EQ(inverted.width, 0) << code;
    EXPECT_EQ(inverted.height, 0) << code;
    const VideoRect line = FitVideo({0, 0, 0, 300}, Code(code, 4, 3));
    EXPECT_GE(line.height, 0) << code;
    EXPECT_EQ(line.width, 0) << code;
  }
  // Extreme ratios and the widest 32-bit area stay inside the area.
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min(), kMax = std::numeric_limits<int32_t>::max();
  for (const AspectSettings& a : {Custom(1e-300, 1), Custom(1e300, 1), Code(kAspect16x9)}) {
    const VideoRect r = FitVideo({kMin, kMin, kMax, kMax}, a);
    EXPECT_GE(r.width, 0);
    EXPECT_GE(r.height, 0);
    const VideoPlacement edges = PlacementOf(r);
    EXPECT_GE(edges.left, kMin);
    EXPECT_LE(edges.right, kMax);
    EXPECT_LE(edges.bottom, kMax);
  }
}

TEST(FullscreenTest, StylesLoseTheirFramesAndBecomeTopmost) {
  constexpr uint32_t kOverlappedWindow = 0x00CF0000, kVisible = 0x10000000;
  EXPECT_EQ(FullscreenStyle(kOverlappedWindow | kVisible), kVisible | 0x000B0000u);  // system menu, min/max boxes
  constexpr uint32_t kEdges = 0x00000001 | 0x00000100 | 0x00000200 | 0x00020000, kAppWindow = 0x00040000;
  EXPECT_EQ(FullscreenExStyle(kEdges | kAppWindow), kAppWindow | 0x8u);
}

TEST(FullscreenTest, LeavingRestoresTheFirstSavedStateOnce) {
  FullscreenState state;
  EXPECT_FALSE(state.Leave());  // never entered: nothing to restore
  WindowedState first;
  first.placement = {0, 0, 640, 480};
  first.ownerRect = {100, 100, 740, 580};
  first.style = 0x16CF0000;
  first.exStyle = 0x00000100;
  EXPECT_TRUE(state.Enter(first));
  WindowedState second = first;
  second.style = FullscreenStyle(first.style);
  second.ownerRect = {0, 0, 1024, 768};
  EXPECT_FALSE(state.Enter(second));
  EXPECT_TRUE(state.IsFullscreen());
  const auto restored = state.Leave();
  ASSERT_TRUE(restored);
  EXPECT_EQ(restored->style, first.style);
  EXPECT_EQ(restored->exStyle, first.exStyle);
  EXPECT_EQ(restored->ownerRect.right, 740);
  EXPECT_EQ(restored->placement, first.placement);
  EXPECT_FALSE(state.IsFullscreen());
  EXPECT_FALSE(state.Leave());
}

}  // namespace
}  // namespace tessel::core
