#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "effects/core/frame_converter.h"
#include "effects/tests/core_test_support.h"

namespace effects {
namespace {

struct Rgb {
  int r, g, b;
};

// The BT.601 formula written out once more, independently of the kernels.
Rgb Reference(int y, int u, int v) {
  auto clamp = [](int x) { return x < 0 ? 0 : (x > 255 ? 255 : x); };
  const int c = y - 16, d = u - 128, e = v - 128;
  return {clamp((298 * c + 409 * e + 128) >> 8), clamp((298 * c - 208 * e - 100 * d + 128) >> 8),
          clamp((298 * c + 516 * d + 128) >> 8)};
}

// Decodes one output pixel back to its colour (RGB565/555 keep their top bits).
Rgb Decode(int kind, const uint8_t* p) {
  const unsigned w = p[0] | (p[1] << 8);
  switch (kind) {
    case kConvertRgb32:
    case kConvertRgb24:
      return {p[2], p[1], p[0]};
    case kConvertRgb565:
      return {static_cast<int>((w >> 11) << 3), static_cast<int>(((w >> 5) & 63) << 2),
              static_cast<int>((w & 31) << 3)};
    default:
      return {static_cast<int>(((w >> 10) & 31) << 3), static_cast<int>(((w >> 5) & 31) << 3),
              static_cast<int>((w & 31) << 3)};
  }
}

Rgb Truncate(int kind, Rgb c) {
  if (kind == kConvertRgb565) return {c.r & 0xF8, c.g & 0xFC, c.b & 0xF8};
  if (kind == kConvertRgb555) return {c.r & 0xF8, c.g & 0xF8, c.b & 0xF8};
  return c;
}

std::vector<uint8_t> Convert(int kind, int width, int height, const std::vector<uint8_t>& src, bool bottomUp,
                             int pad = 0, uint8_t fill = 0xAB) {
  const int row = width * BytesPerPixel(kind) + pad;
  FrameConverter c;
  c.Initialise(bottomUp ? -row : row, width, height, kind, bottomUp ? 0 : 1);
  std::vector<uint8_t> dst(static_cast<size_t>(row) * height - pad, fill);
  EXPECT_EQ(c.DestinationBytes(), dst.size());
  EXPECT_TRUE(c.Convert(src.data(), src.size(), dst.data(), dst.size()));
  return dst;
}

TEST(FrameConverterTest, StudioRangeBlackWhiteAndBelowBlack) {
  const std::vector<uint8_t> src = {16, 128, 235, 128, 0, 128, 0, 128};
  const std::vector<uint8_t> rgb32 = Convert(kConvertRgb32, 4, 1, src, false);
  EXPECT_EQ(rgb32, (std::vector<uint8_t>{0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Convert(kConvertRgb24, 4, 1, src, false), (std::vector<uint8_t>{0, 0, 0, 255, 255, 255, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Convert(kConvertRgb565, 4, 1, src, false), (std::vector<uint8_t>{0, 0, 0xFF, 0xFF, 0, 0, 0, 0}));
  EXPECT_EQ(Convert(kConvertRgb555, 4, 1, src, false), (std::vector<uint8_t>{0, 0, 0xFF, 0x7F, 0, 0, 0, 0}));
}

TEST(FrameConverterTest, EveryPixelFollowsTheFormulaWithItsPairsChroma) {
  const int width = 720, height = 3;
  const std::vector<uint8_t> src = test::RandomBytes(width * height * 2, 7);
  test::ScopedSimdLevel plainOnly(SimdLevel::kPlain);
  for (int kind = kConvertRgb32; kind <= kConvertRgb555; ++kind) {
    const std::vector<uint8_t> dst = Convert(kind, width, height, src, false);
    const int bpp = BytesPerPixel(kind);
    for (int p = 0; p < width * height; ++p) {
      const int pair = p / 2;
      const Rgb want = Truncate(kind, Reference(src[2 * p], src[4 * pair + 1], src[4 * pair + 3]));
      const Rgb got = Decode(kind, &dst[p * bpp]);
      ASSERT_TRUE(want.r == got.r && want.g == got.g && want.b == got.b) << "kind " << kind << " pixel " << p;
      if (kind == kConvertRgb32) {
        ASSERT_EQ(dst[p * 4 + 3], 0);
      }
      if (kind == kConvertRgb555) {
        ASSERT_EQ(dst[p * 2 + 1] & 0x80, 0);
      }
    }
  }
}

TEST(FrameConverterTest, BottomUpPutsTheFirstSourceRowLast) {
  std::vector<uint8_t> src = {16, 128, 16, 128, 235, 128, 235, 128};  // black row, white row
  const std::vector<uint8_t> dst = Convert(kConvertRgb32, 2, 2, src, true);
  EXPECT_EQ(dst, (std::vector<uint8_t>{255, 255, 255, 0, 255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(FrameConverterTest, RowsStartStrideBytesApartAndPaddingIsKept) {
  const int width = 6, height = 3, pad = 5;
  const std::vector<uint8_t> src = test::RandomBytes(width * height * 2, 3);
  for (bool bottomUp : {false, true}) {
    for (int kind = kConvertYuy2; kind <= kConvertRgb555; ++kind) {
      if (kind == kConvertYuy2 && bottomUp) continue;
      const int bpp = BytesPerPixel(kind);
      const std::vector<uint8_t> padded = Convert(kind, width, height, src, bottomUp, pad);
      const std::vector<uint8_t> packed = Convert(kind, width, height, src, bottomUp);
      for (int y = 0; y < height; ++y) {
        ASSERT_EQ(0, std::memcmp(&padded[y * (width * bpp + pad)], &packed[y * width * bpp], width * bpp));
        for (int i = 0; y + 1 < height && i < pad; ++i) {
          ASSERT_EQ(padded[y * (width * bpp + pad) + width * bpp + i], 0xAB);
        }
      }
    }
  }
  EXPECT_EQ(Convert(kConvertYuy2, width, height, src, false), src);
}

TEST(FrameConverterTest, OddWidthsPairAlongTheFrameBytes) {
  // Width 3: pixel 3 (row 1, column 0) is the second pixel of pair 1, whose
  // U and V sit at bytes 5 and 7; pixel 2 ends row 0 with the same pair.
  // The last pixel (8) pairs with nothing and takes V = 128.
  const std::vector<uint8_t> src = {100, 90,  110, 160, 120, 60,  130, 200, 140,
                                    40,  150, 250, 170, 20,  180, 230, 160, 70};
  test::ScopedSimdLevel plainOnly(SimdLevel::kPlain);
  const std::vector<uint8_t> dst = Convert(kConvertRgb24, 3, 3, src, false);
  const int u[9] = {90, 90, 60, 60, 40, 40, 20, 20, 70}, v[9] = {160, 160, 200, 200, 250, 250, 230, 230, 128};
  for (int p = 0; p < 9; ++p) {
    const Rgb want = Reference(src[2 * p], u[p], v[p]);
    EXPECT_EQ(dst[3 * p + 2], want.r) << p;
    EXPECT_EQ(dst[3 * p + 1], want.g) << p;
    EXPECT_EQ(dst[3 * p + 0], want.b) << p;
  }
}

TEST(FrameConverterTest, BadArgumentsWriteNothing) {
  const std::vector<uint8_t> src(64, 100);
  std::vector<uint8_t> dst(256, 7);
  FrameConverter c;
  c.Initialise(32, 8, 2, kConvertRgb32, 1);
  c.Convert(nullptr, dst.data());
  c.Convert(src.data(), nullptr);
  EXPECT_FALSE(c.Convert(src.data(), 31, dst.data(), dst.size()));  // short source
  EXPECT_FALSE(c.Convert(src.data(), 32, dst.data(), 63));          // short destination
  c.Initialise(32, 8, 2, 5, 1);
  EXPECT_EQ(c.DestinationBytes(), 0u);
  c.Convert(src.data(), dst.data());
  c.Initialise(32, 0, 2, kConvertRgb32, 1);
  c.Convert(src.data(), dst.data());
  EXPECT_EQ(dst, std::vector<uint8_t>(256, 7));
}

// The sign of the stride decides where rows go, so a flag that disagrees
// with it can never move the output outside the buffer.
TEST(FrameConverterTest, OrientationFlagThatDisagreesWithTheStrideStaysInside) {
  const std::vector<uint8_t> src = test::RandomBytes(8 * 3 * 2, 11);
  const std::vector<uint8_t> topDown = Convert(kConvertRgb32, 8, 3, src, false);
  const std::vector<uint8_t> bottomUp = Convert(kConvertRgb32, 8, 3, src, true);
  FrameConverter c;
  std::vector<uint8_t> dst(8 * 3 * 4);
  c.Initialise(32, 8, 3, kConvertRgb32, 0);  // "bottom-up" with a positive stride
  ASSERT_TRUE(c.Convert(src.data(), src.size(), dst.data(), dst.size()));
  EXPECT_EQ(dst, topDown);
  c.Initialise(-32, 8, 3, kConvertRgb32, 1);  // "top-down" with a negative stride
  ASSERT_TRUE(c.Convert(src.data(), src.size(), dst.data(), dst.size()));
  EXPECT_EQ(dst, bottomUp);
}

TEST(SimdLevelTest, RequestsAreCappedAtWhatTheCpuOffers) {
  std::printf("packed paths on this CPU: up to %s\n", SimdLevelName(DetectedSimdLevel()));
  test::ScopedSimdLevel restore(SimdLevel::kPlain);
  EXPECT_EQ(ActiveSimdLevel(), SimdLevel::kPlain);
  EXPECT_EQ(SetSimdLevel(SimdLevel::kAvx2), DetectedSimdLevel());
  EXPECT_EQ(ActiveSimdLevel(), DetectedSimdLevel());
#if defined(__i386__) || defined(__x86_64__)
  EXPECT_GE(DetectedSimdLevel(), SimdLevel::kSse2);  // every x86 CPU this runs on has SSE2
#endif
}

// Packed paths against the plain one for every kind and orientation, and for
// every width from 1 to 67 and height from 1 to 5 with buffers of exactly
// the needed size (the sanitizers catch any stray access).
TEST(FrameConverterTest, PackedPathsMatchPlainAtEveryWidth) {
  const std::vector<SimdLevel> levels = test::FastLevels();
  for (int width = 1; width <= 67; ++width) {
    for (int height = 1; height <= 5; ++height) {
      const std::vector<uint8_t> src = test::RandomBytes(width * height * 2, width * 16 + height);
      for (int kind = kConvertYuy2; kind <= kConvertRgb555; ++kind) {
        for (bool bottomUp : {false, true}) {
          std::vector<uint8_t> plain;
          {
            test::ScopedSimdLevel l(SimdLevel::kPlain);
            plain = Convert(kind, width, height, src, bottomUp);
          }
          for (SimdLevel level : levels) {
            test::ScopedSimdLevel l(level);
            ASSERT_EQ(Convert(kind, width, height, src, bottomUp), plain)
                << SimdLevelName(level) << " kind " << kind << " " << width << "x" << height
                << (bottomUp ? " bottom-up" : "");
          }
        }
      }
    }
  }
}

TEST(FrameConverterTest, PackedPathsMatchPlainOnFullFrames) {
  const int width = 720, height = 16;
  const std::vector<uint8_t> src = test::RandomBytes(width * height * 2, 99);
  for (int kind = kConvertYuy2; kind <= kConvertRgb555; ++kind) {
    std::vector<uint8_t> plain;
    {
      test::ScopedSimdLevel l(SimdLevel::kPlain);
      plain = Convert(kind, width, height, src, true);
    }
    for (SimdLevel level : test::FastLevels()) {
      test::ScopedSimdLevel l(level);
      ASSERT_EQ(Convert(kind, width, height, src, true), plain) << SimdLevelName(level) << " kind " << kind;
    }
  }
}

// Every packed level's RGB32 against the formula written out above, for
// every (U, V) pair: the first pixel of the pairs with a given U runs through
// every Y, and so does the second pixel of the pairs with a given V, so each
// of B (Y, U) and R (Y, V) is checked for every input it has.
TEST(FrameConverterTest, PackedRgb32FollowsTheFormulaForEveryColourPair) {
  const int width = 512, height = 256;  // 65536 pairs
  std::vector<uint8_t> src(static_cast<size_t>(width) * height * 2);
  for (size_t i = 0; i < 65536; ++i) {
    src[4 * i] = static_cast<uint8_t>(i);
    src[4 * i + 1] = static_cast<uint8_t>(i >> 8);
    src[4 * i + 2] = static_cast<uint8_t>(i * 7 + 3 + (i >> 8));
    src[4 * i + 3] = static_cast<uint8_t>(i);
  }
  for (SimdLevel level : test::FastLevels()) {
    test::ScopedSimdLevel l(level);
    const std::vector<uint8_t> out = Convert(kConvertRgb32, width, height, src, false);
    for (size_t i = 0; i < 65536; ++i) {
      for (int k = 0; k < 2; ++k) {
        const Rgb want = Reference(src[4 * i + 2 * k], src[4 * i + 1], src[4 * i + 3]);
        const Rgb got = Decode(kConvertRgb32, &out[8 * i + 4 * k]);
        if (got.r != want.r || got.g != want.g || got.b != want.b || out[8 * i + 4 * k + 3] != 0) {
          FAIL() << SimdLevelName(level) << " pair " << i << " pixel " << k;
        }
      }
    }
  }
}

}  // namespace
}  // namespace effects
