#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <thread>
#include <atomic>

#include "effects/core/effect_tables.h"
#include "effects/tests/core_test_support.h"

namespace effects {
namespace {

std::unique_ptr<EffectTables> Defaults() {
  auto t = std::make_unique<EffectTables>();
  t->SetFilterDefaults();
  return t;
}

uint8_t U(const EffectTables& t, int u, int v) { return t.ChromaUTable()[u * 256 + v]; }
uint8_t V(const EffectTables& t, int u, int v) { return t.ChromaVTable()[u * 256 + v]; }

int Clamp(int64_t v) { return v < 0 ? 0 : (v > 255 ? 255 : static_cast<int>(v)); }

// Checks every chroma cell against the rotation with the given factors.
void ExpectRotation(const EffectTables& t, int kc, int ks) {
  for (int row = 0; row < 256; ++row) {
    for (int col = 0; col < 256; ++col) {
      const int u = row - 128, v = col - 128;
      const int uOut = ((kc * u) >> 10) + ((ks * v) >> 10);
      const int vOut = ((kc * v) >> 10) - ((ks * u) >> 10);
      ASSERT_EQ(U(t, row, col), Clamp(uOut + 128)) << "U=" << row << " V=" << col;
      ASSERT_EQ(V(t, row, col), Clamp(vOut + 128)) << "U=" << row << " V=" << col;
    }
  }
}

TEST(EffectTablesTest, FreshObjectHasZeroValuesAndZeroTables) {
  auto t = std::make_unique<EffectTables>();
  EXPECT_EQ(t->GetBrightness(), 0);
  EXPECT_EQ(t->GetHueEnabled(), 0);
  EXPECT_EQ(t->GetPixelCount(), 0);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(t->LumaTable()[i], 0);
  for (int i = 0; i < 65536; ++i) ASSERT_EQ(t->ChromaUTable()[i] | t->ChromaVTable()[i], 0);
}

TEST(EffectTablesTest, GettersReturnWhatSettersStored) {
  auto t = Defaults();
  t->SetBrightness(-7);
  t->SetContrast(33);
  t->SetSaturation(-200);
  t->SetHue(170);
  t->SetHueEnabled(0);
  t->SetPixelCount(-640 * 480);
  EXPECT_EQ(t->GetBrightness(), -7);
  EXPECT_EQ(t->GetContrast(), 33);
  EXPECT_EQ(t->GetSaturation(), -200);
  EXPECT_EQ(t->GetHue(), 170);
  EXPECT_EQ(t->GetHueEnabled(), 0);
  EXPECT_EQ(t->GetBrightnessEnabled(), 1);
  EXPECT_EQ(t->GetPixelCount(), 640 * 480);
}

TEST(EffectTablesTest, DefaultsLowerBrightLumaByOneAndKeepChroma) {
  auto t = Defaults();
  for (int y = 0; y <= 128; ++y) EXPECT_EQ(t->LumaTable()[y], y);
  for (int y = 129; y <= 255; ++y) EXPECT_EQ(t->LumaTable()[y], y - 1);
  for (int u = 0; u < 256; ++u)
    for (int v = 0; v < 256; ++v) {
      ASSERT_EQ(U(*t, u, v), u);
      ASSERT_EQ(V(*t, u, v), v);
    }
}

TEST(EffectTablesTest, ContrastExtremesFlattenOrSplitLuma) {
  auto t = Defaults();
  t->SetContrast(-100);
  for (int y = 0; y < 256; ++y) EXPECT_EQ(t->LumaTable()[y], 128);
  t->SetContrast(100);
  for (int y = 0; y < 128; ++y) EXPECT_EQ(t->LumaTable()[y], 0);
  EXPECT_EQ(t->LumaTable()[128], 128);
  for (int y = 129; y < 256; ++y) EXPECT_EQ(t->LumaTable()[y], 255);
}

TEST(EffectTablesTest, BrightnessAddsBeforeContrastStretches) {
  auto t = Defaults();
  t->SetBrightness(20);
  t->SetContrast(50);
  EXPECT_EQ(t->LumaTable()[16], 0);
  EXPECT_EQ(t->LumaTable()[128], 176);
  EXPECT_EQ(t->LumaTable()[200], 255);
  t->SetContrastEnabled(0);  // brightness alone: plain offset, clamped
  EXPECT_EQ(t->LumaTable()[16], 36);
  EXPECT_EQ(t->LumaTable()[240], 255);
  t->SetBrightnessEnabled(0);
  for (int y = 0; y < 256; ++y) EXPECT_EQ(t->LumaTable()[y], y);
}

TEST(EffectTablesTest, HueRotatesWithTruncatedFixedPointFactors) {
  auto t = Defaults();
  t->SetSaturationEnabled(0);
  t->SetHue(90);
  ExpectRotation(*t, 0, 1023);
  t->SetHue(180);
  ExpectRotation(*t, -1023, 1);
  t->SetHue(-180);
  ExpectRotation(*t, -1023, -1);
  t->SetHue(30);
  ExpectRotation(*t, 886, 511);
  t->SetHue(0);  // cos 0 x 1024 = 1024: an exact identity
  ExpectRotation(*t, 1024, 0);
}

TEST(EffectTablesTest, SaturationScalesChromaDistance) {
  auto t = Defaults();
  t->SetHueEnabled(0);
  t->SetSaturation(-256);
  for (int i = 0; i < 65536; ++i) {
    ASSERT_EQ(t->ChromaUTable()[i], 128);
    ASSERT_EQ(t->ChromaVTable()[i], 128);
  }
  t->SetSaturation(256);
  EXPECT_EQ(U(*t, 128 + 30, 128 - 40), 128 + 60);
  EXPECT_EQ(V(*t, 128 + 30, 128 - 40), 128 - 80);
  EXPECT_EQ(U(*t, 250, 0), 255);
  EXPECT_EQ(V(*t, 250, 0), 0);
  t->SetSaturation(-128);  // halves, flooring: -5 becomes -3
  EXPECT_EQ(U(*t, 123, 133), 125);
  EXPECT_EQ(V(*t, 123, 133), 130);
}

TEST(EffectTablesTest, ChromaIsIdentityWhenHueAndSaturationAreOff) {
  auto t = Defaults();
  t->SetHue(77);
  t->SetSaturation(140);
  t->SetHueEnabled(0);
  t->SetSaturationEnabled(0);
  for (int u = 0; u < 256; ++u)
    for (int v = 0; v < 256; ++v) {
      ASSERT_EQ(U(*t, u, v), u);
      ASSERT_EQ(V(*t, u, v), v);
    }
}

TEST(EffectTablesTest, ExtremeValuesClampWithoutOverflow) {
  auto t = Defaults();
  t->SetContrastEnabled(0);
  t->SetBrightness(INT_MAX);
  for (int y = 0; y < 256; ++y) EXPECT_EQ(t->LumaTable()[y], 255);
  t->SetBrightness(INT_MIN);
  for (int y = 0; y < 256; ++y) EXPECT_EQ(t->LumaTable()[y], 0);
  t->SetContrastEnabled(1);
  t->SetContrast(INT_MAX);
  t->SetBrightness(INT_MAX);
  t->SetHue(INT_MIN);
  t->SetSaturation(INT_MAX);
  EXPECT_EQ(U(*t, 128, 128), 128);  // no chroma stays no chroma
  t->SetHueEnabled(0);
  EXPECT_EQ(U(*t, 129, 128), 255);
  EXPECT_EQ(U(*t, 127, 128), 0);
  t->SetSaturation(INT_MIN);
  EXPECT_EQ(U(*t, 129, 128), 0);
}

TEST(EffectTablesTest, ApplyLooksUpVWithTheNewU) {
  auto t = Defaults();
  t->SetHue(90);
  t->SetPixelCount(2);
  uint8_t pair[4] = {200, 60, 100, 180};
  const uint8_t newU = U(*t, 60, 180);
  const uint8_t newV = V(*t, newU, 180);
  ASSERT_NE(newV, V(*t, 60, 180)) << "pick a pair where the order matters";
  t->Apply(pair);
  EXPECT_EQ(pair[0], t->LumaTable()[200]);
  EXPECT_EQ(pair[1], newU);
  EXPECT_EQ(pair[2], t->LumaTable()[100]);
  EXPECT_EQ(pair[3], newV);
}

TEST(EffectTablesTest, ApplyTouchesOnlyWholePairsOfThePixelCount) {
  auto t = Defaults();
  t->SetContrast(100);  // every Y other than 128 changes
  std::vector<uint8_t> frame(24, 10), before = frame;
  t->SetPixelCount(1);  // no whole pair
  t->Apply(frame.data());
  EXPECT_EQ(frame, before);
  t->SetPixelCount(5);  // two pairs; the fifth pixel is left alone
  t->Apply(frame.data());
  for (int i = 0; i < 8; i += 2) EXPECT_EQ(frame[i], 0) << i;
  EXPECT_EQ(frame[8], 10);
  EXPECT_EQ(frame[10], 10);
  t->SetPixelCount(12);  // more than the buffer: the checked form stops at its end
  std::vector<uint8_t> small(10, 200);
  t->Apply(small.data(), small.size());
  EXPECT_EQ(small[0], 255);
  EXPECT_EQ(small[4], 255);
  EXPECT_EQ(small[8], 200);  // a partial pair stays as it was
  t->Apply(nullptr);
}

TEST(EffectTablesTest, PackedApplyMatchesPlainForManySettings) {
  const struct {
    int b, c, s, h, be, ce, se, he;
  } settings[] = {
      {0, 0, 0, 0, 1, 1, 1, 1},         {20, 50, 0, 90, 1, 1, 1, 1},     {-100, -100, -256, -180, 1, 1, 1, 1},
      {100, 100, 256, 180, 1, 1, 1, 1}, {37, -12, 99, 30, 0, 1, 0, 1},   {-55, 77, -130, -45, 1, 0, 1, 0},
      {5, 5, 5, 5, 0, 0, 0, 0},         {0, 0, 200, 135, 0, 0, 1, 1},
  };
  const size_t pixels = 720 * 8 + 37;  // not a multiple of any group size
  for (const auto& s : settings) {
    auto t = std::make_unique<EffectTables>();
    t->SetBrightnessEnabled(s.be);
    t->SetContrastEnabled(s.ce);
    t->SetSaturationEnabled(s.se);
    t->SetHueEnabled(s.he);
    t->SetBrightness(s.b);
    t->SetContrast(s.c);
    t->SetSaturation(s.s);
    t->SetHue(s.h);
    t->SetPixelCount(static_cast<int64_t>(pixels));
    const std::vector<uint8_t> input = test::RandomBytes(pixels * 2, 1000u + static_cast<uint32_t>(s.h + 500));
    std::vector<uint8_t> plain = input;
    {
      test::ScopedSimdLevel level(SimdLevel::kPlain);
      t->Apply(plain.data(), plain.size());
    }
    for (SimdLevel l : test::FastLevels()) {
      test::ScopedSimdLevel level(l);
      std::vector<uint8_t> fast = input;
      t->Apply(fast.data(), fast.size());
      ASSERT_EQ(fast, plain) << SimdLevelName(l) << " hue " << s.h << " saturation " << s.s;
    }
  }
}

// A frame processed while another thread flips the settings must come out
// entirely as one set of tables or the other, never a mix.
TEST(EffectTablesTest, ApplyNeverSeesAHalfBuiltTable) {
  auto t = Defaults();
  const size_t pixels = 64 * 64;
  t->SetPixelCount(pixels);
  const std::vector<uint8_t> input(pixels * 2, 200);
  t->SetBrightness(-50);
  std::vector<uint8_t> darker = input;
  t->Apply(darker.data());
  t->SetBrightness(50);
  std::vector<uint8_t> lighter = input;
  t->Apply(lighter.data());
  ASSERT_NE(darker, lighter);

  std::atomic<bool> stop{false};
  // After each rebuild the setter waits for a frame to have gone through:
  // a setter that takes the lock again at once can keep Apply waiting for
  // as long as it runs (neither lock is fair), which once made this test
  // take minutes.
  std::atomic<int> flips{0}, frames{0};
  std::thread flipper([&] {
    for (int i = 0; !stop.load(); ++i) {
      t->SetBrightness(i % 2 ? 50 : -50);
      flips.fetch_add(1);
      for (const int seen = frames.load(); frames.load() == seen && !stop.load();) std::this_thread::yield();
    }
  });
  // Frames go on until the setter has rebuilt the tables many times.
  int mixed = -1;
  for (int n = 0; n < 200 || (flips.load() < 50 && n < 2000000); ++n) {
    std::vector<uint8_t> frame = input;
    t->Apply(frame.data());
    frames.fetch_add(1);
    if (frame != darker && frame != lighter) {
      mixed = n;
      break;
    }
  }
  stop = true;
  flipper.join();
  EXPECT_EQ(-1, mixed) << "a frame mixed the two settings";
  EXPECT_GE(flips.load(), 50);
}

}  // namespace
}  // namespace effects
