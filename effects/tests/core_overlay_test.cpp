#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "effects/core/overlay_image.h"

namespace effects {
namespace {

struct Bgr {
  uint8_t b, g, r;
};

// A top-down 32-bit pixel array (B, G, R, X per pixel).
std::vector<uint8_t> Pixels(const std::vector<Bgr>& px, uint8_t x = 0) {
  std::vector<uint8_t> out;
  for (const Bgr& p : px) out.insert(out.end(), {p.b, p.g, p.r, x});
  return out;
}

std::vector<uint8_t> Solid(int w, int h, Bgr c) { return Pixels(std::vector<Bgr>(w * h, c)); }

const Bgr kWhite{255, 255, 255}, kBlack{0, 0, 0}, kKey{15, 0, 15};

// A frame of w x h YUY2 pixels all (Y 16, chroma 128), with the word of
// each pixel readable as 16 bits.
struct Frame {
  int w, h;
  std::vector<uint8_t> bytes;
  Frame(int w_, int h_) : w(w_), h(h_), bytes(static_cast<size_t>(w_) * h_ * 2) {
    for (size_t i = 0; i < bytes.size(); i += 2) {
      bytes[i] = 16;
      bytes[i + 1] = 128;
    }
  }
  bool Touched(int x, int y) const { return bytes[(y * w + x) * 2] != 16 || bytes[(y * w + x) * 2 + 1] != 128; }
  int Count() const {
    int n = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) n += Touched(x, y);
    return n;
  }
};

TEST(OverlayImageTest, WhiteAndBlackConvertToStudioExtremesOfTheFormula) {
  OverlayImage img;
  ASSERT_TRUE(img.Prepare(Pixels({kWhite, kWhite, kBlack, kBlack}).data(), 4, 1, kDefaultKeyColour, 32));
  const uint8_t* w = img.ImageBytes();
  EXPECT_EQ(std::vector<uint8_t>(w, w + 8), (std::vector<uint8_t>{254, 128, 254, 128, 0, 128, 0, 128}));
}

TEST(OverlayImageTest, PairsCarryAveragedVThenU) {
  // Pure red and pure blue: V(red) = 255 (clamped), V(blue) = 107; U(red) = 84, U(blue) = 255.
  OverlayImage img;
  ASSERT_TRUE(img.Prepare(Pixels({{0, 0, 255}, {255, 0, 0}}).data(), 2, 1, kDefaultKeyColour, 32));
  const uint8_t* w = img.ImageBytes();
  EXPECT_EQ(w[0], (19529 * 255) >> 16);           // Y red = 75
  EXPECT_EQ(w[1], (255 + 107) >> 1);              // V average
  EXPECT_EQ(w[2], (7602 * 255) >> 16);            // Y blue = 29
  EXPECT_EQ(w[3], (84 + 255) >> 1);               // U average
}

TEST(OverlayImageTest, OddWidthEndsEachRowWithYAndV) {
  OverlayImage img;
  ASSERT_TRUE(img.Prepare(Pixels({kBlack, kBlack, {0, 0, 255}, kBlack, kBlack, kWhite}).data(), 3, 2,
                          kDefaultKeyColour, 32));
  const uint8_t* w = img.ImageBytes();
  EXPECT_EQ(w[4], 75);   // Y of the lone red pixel
  EXPECT_EQ(w[5], 255);  // its own V
  EXPECT_EQ(w[10], 254);
  EXPECT_EQ(w[11], 128);
}

TEST(OverlayImageTest, MaskHoldsColourWithRedAndBlueExchangedKey) {
  OverlayImage img;
  ASSERT_TRUE(img.Prepare(Pixels({{1, 2, 3}}, 0xFF).data(), 1, 1, 0x00332211u, 32));
  EXPECT_EQ(img.Mask()[0], 0x00030201u);  // the fourth byte is not colour
  EXPECT_EQ(img.KeyColour(), 0x00332211u);
  EXPECT_EQ(img.TransparentValue(), 0x00112233u);
}

TEST(OverlayImageTest, SixteenBitSourcesMaskTheKey) {
  EXPECT_EQ(KeyColourForDepth(kDefaultKeyColour, 16), 0x00080008u);
  EXPECT_EQ(KeyColourForDepth(kDefaultKeyColour, 32), kDefaultKeyColour);
  OverlayImage img;
  ASSERT_TRUE(img.Prepare(Pixels({{8, 0, 8}, kWhite}).data(), 2, 1, kDefaultKeyColour, 16));
  EXPECT_EQ(img.KeyColour(), 0x00080008u);
  Frame f(8, 1);
  EXPECT_EQ(StampOverlay(img, f.bytes.data(), f.w, f.h, 0, 0), 1u);  // only the white pixel
  EXPECT_FALSE(f.Touched(1, 0));
  EXPECT_TRUE(f.Touched(2, 0));
}

TEST(OverlayImageTest, BadGeometryLeavesNoImage) {
  OverlayImage img;
  const std::vector<uint8_t> px = Solid(2, 2, kWhite);
  ASSERT_TRUE(img.Prepare(px.data(), 2, 2, kDefaultKeyColour, 32));
  EXPECT_FALSE(img.Prepare(px.data(), 0, 2, kDefaultKeyColour, 32));
  EXPECT_TRUE(img.Empty());
  EXPECT_FALSE(img.Prepare(nullptr, 2, 2, kDefaultKeyColour, 32));
  EXPECT_FALSE(img.Prepare(px.data(), 1 << 20, 1 << 20, kDefaultKeyColour, 32));
  EXPECT_TRUE(img.Empty());
  Frame f(4, 4);
  EXPECT_EQ(StampOverlay(img, f.bytes.data(), f.w, f.h, 0, 0), 0u);
}

TEST(OverlayDrawTest, EvenAndOddLeftBothStartOnTheOddPixel) {
  OverlayImage img;
  ASSERT_TRUE(img.Prepare(Solid(2, 1, kWhite).data(), 2, 1, kDefaultKeyColour, 32));
  for (int left : {10, 11}) {
    Frame f(16, 2);
    StampOverlay(img, f.bytes.data(), f.w, f.h, left, 1);
    EXPECT_FALSE(f.Touched(10, 1)) << left;
    EXPECT_TRUE(f.Touched(11, 1)) << left;
    EXPECT_TRUE(f.Touched(12, 1)) << left;
    EXPECT_EQ(f.Count(), 2) << left;
    // (Y, V) lands on the pair's V slot, (Y, U) on the next pair's U slot.
    EXPECT_EQ(f.bytes[(16 + 11) * 2], 254);
    EXPECT_EQ(f.bytes[(16 + 12) * 2], 254);
  }
}

TEST(OverlayDrawTest, KeyColouredPixelsStayTransparent) {
  OverlayImage img;
  ASSERT_TRUE(img.Prepare(Pixels({kKey, kWhite, kWhite, kKey}).data(), 2, 2, kDefaultKeyColour, 32));
  Frame f(6, 3);
  EXPECT_EQ(StampOverlay(img, f.bytes.data(), f.w, f.h, 0, 0), 2u);
  EXPECT_FALSE(f.Touched(1, 0));
  EXPECT_TRUE(f.Touched(2, 0));
  EXPECT_TRUE(f.Touched(1, 1));
  EXPECT_FALSE(f.Touched(2, 1));
}

// An opaque 4 x 3 image placed across each edge writes exactly the part
// inside the frame; the exact-size frame lets the sanitizers see the rest.
TEST(OverlayDrawTest, DrawsAreClippedAtEveryEdge) {
  OverlayImage img;
  ASSERT_TRUE(img.Prepare(Solid(4, 3, kWhite).data(), 4, 3, kDefaultKeyColour, 32));
  const struct {
    int left, top, expected;
    const char* where;
  } cases[] = {
      {2, 1, 12, "inside"},        {5, 1, 9, "right edge"},    {2, 4, 8, "bottom edge"},
      {-2, 1, 9, "left edge"},     {-3, 1, 3, "left edge, odd"}, {2, -2, 4, "top edge"},
      {7, 5, 1, "bottom right corner"}, {-6, -3, 0, "far outside"}, {8, 0, 0, "past the right"},
      {INT_MIN, INT_MIN, 0, "extreme"}, {INT_MAX, INT_MAX, 0, "extreme"},
  };
  for (const auto& c : cases) {
    Frame f(8, 6);
    EXPECT_EQ(StampOverlay(img, f.bytes.data(), f.w, f.h, c.left, c.top), static_cast<size_t>(c.expected)) << c.where;
    EXPECT_EQ(f.Count(), c.expected) << c.where;
    if (c.left < -100 || c.left > 100) continue;
    const int x0 = 2 * (c.left >= 0 ? c.left / 2 : -((1 - c.left) / 2)) + 1;
    for (int y = 0; y < f.h; ++y)
      for (int x = 0; x < f.w; ++x) {
        const bool inside = x >= x0 && x < x0 + 4 && y >= c.top && y < c.top + 3;
        ASSERT_EQ(f.Touched(x, y), inside) << c.where << " " << x << "," << y;
      }
  }
  // An image larger than the frame covers it from its odd first pixel.
  OverlayImage big;
  ASSERT_TRUE(big.Prepare(Solid(20, 20, kWhite).data(), 20, 20, kDefaultKeyColour, 32));
  Frame f(8, 6);
  EXPECT_EQ(StampOverlay(big, f.bytes.data(), f.w, f.h, -4, -4), 48u);
}

TEST(OverlayDrawTest, TimeWindowIsInclusiveAndShiftedByTheOffset) {
  OverlayWindow w{10000000, 20000000, 0};
  EXPECT_FALSE(OverlayTimeInWindow(w, 9999999));
  EXPECT_TRUE(OverlayTimeInWindow(w, 10000000));
  EXPECT_TRUE(OverlayTimeInWindow(w, 20000000));
  EXPECT_FALSE(OverlayTimeInWindow(w, 20000001));
  OverlayWindow later{50001000, 50001000, 50000000};
  EXPECT_TRUE(OverlayTimeInWindow(later, 1000));
  EXPECT_FALSE(OverlayTimeInWindow(later, 1001));
  OverlayWindow edge{INT64_MIN, INT64_MAX, 1};
  EXPECT_FALSE(OverlayTimeInWindow(edge, INT64_MAX));  // the sum leaves the 64-bit range
  EXPECT_TRUE(OverlayTimeInWindow(edge, INT64_MAX - 1));

  OverlayImage img;
  ASSERT_TRUE(img.Prepare(Solid(2, 2, kWhite).data(), 2, 2, kDefaultKeyColour, 32));
  Frame f(8, 4);
  EXPECT_EQ(DrawOverlay(img, f.bytes.data(), f.w, f.h, 0, 0, 20000001, w), 0u);
  EXPECT_EQ(f.Count(), 0);
  EXPECT_EQ(DrawOverlay(img, f.bytes.data(), f.w, f.h, 0, 0, 20000000, w), 4u);
  EXPECT_EQ(DrawOverlay(OverlayImage(), f.bytes.data(), f.w, f.h, 0, 0, 15000000, w), 0u);
}

}  // namespace
}  // namespace effects
