// The packed effect kernels compute the chroma tables' bytes by arithmetic
// and gather the luma; these tests hold them to the tables byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "effects/core/effect_tables.h"
#include "effects/core/frame_converter.h"
#include "effects/core/pixel_kernels.h"
#include "effects/tests/core_test_support.h"

namespace effects {
namespace {

struct Setting {
  int32_t brightness, contrast, saturation, hue;
  int32_t brightnessOn, contrastOn, saturationOn, hueOn;
};

// Hue angles around the circle (including the identity, the quarter turns
// and huge values whose factors land anywhere), saturation gains from
// nothing through the clamp bounds to the 32-bit extremes, and the flags
// on and off.
std::vector<Setting> Settings() {
  std::vector<Setting> s;
  const int32_t hues[] = {0,   1,    -1,  7,   30,  45,   89,     90,      135,    179,
                          180, -180, -90, 271, 359, 1000, -77777, INT_MAX, INT_MIN};
  // Also the gains where the 16-bit saturation step changes how far it
  // shifts (8191 | 8192, 16383 | 16384 and their negatives).
  const int32_t saturations[] = {0,       -256,    -255, -1,   -128,  256,   1000,  32511, 32512,  -32769, -33024,
                                 INT_MAX, INT_MIN, 7935, 7936, 16127, 16128, -8448, -8449, -16640, -16641};
  for (int32_t h : hues) s.push_back({10, 20, 30, h, 1, 1, 1, 1});
  for (int32_t sat : saturations) s.push_back({-5, -30, sat, 33, 1, 1, 1, 1});
  for (int32_t sat : saturations) s.push_back({0, 0, sat, 0, 0, 0, 1, 0});
  s.push_back({100, 100, 256, 180, 1, 1, 1, 1});
  s.push_back({-100, -100, -256, -180, 1, 1, 1, 1});
  s.push_back({37, -12, 99, 30, 0, 1, 0, 1});
  s.push_back({-55, 77, -130, -45, 1, 0, 1, 0});
  s.push_back({5, 5, 5, 5, 0, 0, 0, 0});
  s.push_back({INT_MAX, INT_MAX, INT_MAX, INT_MIN, 1, 1, 1, 1});
  return s;
}

std::unique_ptr<EffectTables> Make(const Setting& s, int64_t pixels) {
  auto t = std::make_unique<EffectTables>();
  t->SetBrightnessEnabled(s.brightnessOn);
  t->SetContrastEnabled(s.contrastOn);
  t->SetSaturationEnabled(s.saturationOn);
  t->SetHueEnabled(s.hueOn);
  t->SetBrightness(s.brightness);
  t->SetContrast(s.contrast);
  t->SetSaturation(s.saturation);
  t->SetHue(s.hue);
  t->SetPixelCount(pixels);
  return t;
}

// Moves one object to a setting with only the setters whose value changes
// (each setter rebuilds every table).
void MoveTo(EffectTables* t, const Setting& s) {
  if (t->GetBrightnessEnabled() != s.brightnessOn) t->SetBrightnessEnabled(s.brightnessOn);
  if (t->GetContrastEnabled() != s.contrastOn) t->SetContrastEnabled(s.contrastOn);
  if (t->GetSaturationEnabled() != s.saturationOn) t->SetSaturationEnabled(s.saturationOn);
  if (t->GetHueEnabled() != s.hueOn) t->SetHueEnabled(s.hueOn);
  if (t->GetBrightness() != s.brightness) t->SetBrightness(s.brightness);
  if (t->GetContrast() != s.contrast) t->SetContrast(s.contrast);
  if (t->GetSaturation() != s.saturation) t->SetSaturation(s.saturation);
  if (t->GetHue() != s.hue) t->SetHue(s.hue);
}

// Every (U, V) pair once, with Y0 and Y1 running through all values.
std::vector<uint8_t> EveryChromaPair() {
  std::vector<uint8_t> frame(65536 * 4);
  for (int i = 0; i < 65536; ++i) {
    frame[4 * i] = static_cast<uint8_t>(i);
    frame[4 * i + 1] = static_cast<uint8_t>(i >> 8);
    frame[4 * i + 2] = static_cast<uint8_t>(i * 7 + 3);
    frame[4 * i + 3] = static_cast<uint8_t>(i);
  }
  return frame;
}

// The arithmetic the kernels get for a setting, derived here on its own:
// the hue factors as the tables compute them and the clamped gain.
kernels::EffectMath MathOf(const Setting& s, std::vector<int32_t>* lumaWide, std::vector<int32_t>* lumaTerm,
                           const EffectTables& t) {
  lumaWide->resize(256);
  lumaTerm->resize(256);
  for (int i = 0; i < 256; ++i) {
    (*lumaWide)[i] = t.LumaTable()[i];
    (*lumaTerm)[i] = 298 * (t.LumaTable()[i] - 16) + 128;
  }
  int32_t kc = 1024, ks = 0;
  if (s.hueOn) {
    const double a = static_cast<double>(s.hue) * 3.14 * 0.005555555555555556;
    kc = static_cast<int32_t>(std::cos(a) * 1024.0);
    ks = static_cast<int32_t>(std::sin(a) * 1024.0);
  }
  const int64_t g = s.saturationOn ? static_cast<int64_t>(s.saturation) + 256 : 256;
  return {
      lumaWide->data(), lumaTerm->data(), kc, ks, static_cast<int32_t>(g < -32768 ? -32768 : (g > 32767 ? 32767 : g)),
      nullptr};
}

int ClampByte(int64_t v) { return v < 0 ? 0 : (v > 255 ? 255 : static_cast<int>(v)); }

// The saturation step of the tables is clamp((x x gain) >> 8 + 128) with
// the full 64-bit gain; the kernels clamp the gain to -32768..32767 first.
// For a fixed x the result only moves one way as the gain grows, so equal
// results at the clamp bound and at the largest gain (and at every gain in
// between that is checked) mean equal results for every gain beyond it.
TEST(EffectMathTest, ClampedGainGivesEveryTableByte) {
  auto step = [](int64_t x, int64_t gain) { return ClampByte(((x * gain) >> 8) + 128); };
  const int64_t largest = static_cast<int64_t>(INT_MAX) + 256, smallest = static_cast<int64_t>(INT_MIN) + 256;
  for (int64_t x = -256; x <= 256; ++x) {  // every value the hue step can give
    ASSERT_EQ(step(x, 32767), step(x, largest)) << x;
    ASSERT_EQ(step(x, -32768), step(x, smallest)) << x;
    for (int64_t g = 32767; g <= 70000; g += 11) ASSERT_EQ(step(x, g), step(x, 32767)) << x << " " << g;
    for (int64_t g = -32768; g >= -70000; g -= 11) ASSERT_EQ(step(x, g), step(x, -32768)) << x << " " << g;
  }
  // Just inside the bound the results still differ, so the bound is not loose
  // by accident: a gain of 32511 leaves x = 1 at 254.
  EXPECT_EQ(step(1, 32511), 254);
  EXPECT_EQ(step(1, 32767), 255);
}

// ChromaMath (the kernels' arithmetic written per pair) against the tables
// for every (U, V) pair and every setting above.
TEST(EffectMathTest, ArithmeticEqualsTheChromaTablesForEveryPair) {
  auto t = Make(Settings().front(), 2);
  for (const Setting& s : Settings()) {
    MoveTo(t.get(), s);
    std::vector<int32_t> lw, lt;
    const kernels::EffectMath m = MathOf(s, &lw, &lt, *t);
    for (int u = 0; u < 256; ++u) {
      for (int v = 0; v < 256; ++v) {
        int nu = 0, nv = 0;
        kernels::ChromaMath(m, u, v, &nu, &nv);
        const int wantU = t->ChromaUTable()[u * 256 + v];
        ASSERT_EQ(nu, wantU) << "hue " << s.hue << " saturation " << s.saturation << " U " << u << " V " << v;
        ASSERT_EQ(nv, t->ChromaVTable()[wantU * 256 + v])
            << "hue " << s.hue << " saturation " << s.saturation << " U " << u << " V " << v;
      }
    }
  }
}

#ifdef EFFECTS_HAVE_X86_KERNELS
bool HaveAvx2() { return DetectedSimdLevel() >= SimdLevel::kAvx2; }

// The AVX2 arithmetic against ChromaMath for every (U, V) pair, over every
// kc the hue factors can take (-1024..1024) with a ks on the circle, a
// spread of other ks, and gains including both clamp bounds.
TEST(EffectMathTest, PackedChromaEqualsTheArithmeticForEveryFactor) {
  if (!HaveAvx2()) GTEST_SKIP() << "no AVX2";
  std::vector<int32_t> lw(256), lt(256);
  for (int i = 0; i < 256; ++i) lw[i] = i;
  const int32_t gains[] = {256, 0, -32768, 32767, 300, -1, 511};
  // Per factor pair: every U with 8 V, the V set moving with the pair so
  // that together the pairs meet every V with every U.
  const size_t pairs = 256 * 8;
  std::vector<uint8_t> input(pairs * 4), frame(pairs * 4);
  int checked = 0;
  auto check = [&](int kc, int ks) {
    const kernels::EffectMath m{lw.data(), lt.data(), kc, ks, gains[checked % 7], nullptr};
    for (size_t i = 0; i < pairs; ++i) {
      input[4 * i] = static_cast<uint8_t>(i * 5);
      input[4 * i + 1] = static_cast<uint8_t>(i);
      input[4 * i + 2] = static_cast<uint8_t>(i * 3);
      input[4 * i + 3] = static_cast<uint8_t>((i >> 8) * 32 + checked);
    }
    frame = input;
    ASSERT_EQ(kernels::ApplyMathAvx2(frame.data(), pairs, m), pairs);
    for (size_t i = 0; i < pairs; ++i) {
      int nu = 0, nv = 0;
      kernels::ChromaMath(m, input[4 * i + 1], input[4 * i + 3], &nu, &nv);
      if (frame[4 * i + 1] != nu || frame[4 * i + 3] != nv || frame[4 * i] != input[4 * i] ||
          frame[4 * i + 2] != input[4 * i + 2]) {
        FAIL() << "kc " << kc << " ks " << ks << " gain " << m.gain << " pair " << i;
      }
    }
    ++checked;
  };
  for (int kc = -1024; kc <= 1024; ++kc) {
    // An angle's factors lie on the circle of radius 1024 (less the
    // truncation): one such ks per kc, both signs in turn.
    const double r = std::sqrt(std::max(0.0, 1024.0 * 1024.0 - static_cast<double>(kc) * kc));
    check(kc, ((kc & 1) ? -1 : 1) * static_cast<int>(r));
    if (HasFatalFailure()) return;
  }
  // Factor pairs off the circle too, both extremes included.
  for (int kc = -1024; kc <= 1024; kc += 128)
    for (int ks = -1024; ks <= 1024; ks += 128) {
      check(kc, ks);
      if (HasFatalFailure()) return;
    }
  EXPECT_EQ(checked, 2049 + 17 * 17);
}

// The fused RGB32 kernel on its own, against ChromaMath and the plain
// per-pixel conversion, for every (U, V) pair (Y0 meets every U and Y1
// every V), over gains on both sides of every step of its 16-bit
// saturation, factor pairs on and off the circle and an arbitrary luma
// table.
TEST(EffectMathTest, FusedRgb32KernelEqualsTheArithmeticForEveryPair) {
  if (!HaveAvx2()) GTEST_SKIP() << "no AVX2";
  std::vector<int32_t> lw(256), lt(256);
  for (int i = 0; i < 256; ++i) {
    lw[i] = (i * 37 + 11) & 255;
    lt[i] = 298 * (lw[i] - 16) + 128;
  }
  const size_t pairs = 65536;
  std::vector<uint8_t> input(pairs * 4);
  for (size_t i = 0; i < pairs; ++i) {
    input[4 * i] = static_cast<uint8_t>(i);
    input[4 * i + 1] = static_cast<uint8_t>(i >> 8);
    input[4 * i + 2] = static_cast<uint8_t>(i * 7 + 3 + (i >> 8));
    input[4 * i + 3] = static_cast<uint8_t>(i);
  }
  const int32_t gains[] = {-32768, -16385, -16384, -16383, -8193, -8192, -8191, -257, -1,    0,     1,
                           127,    128,    255,    256,    286,   8191,  8192,  8193, 16383, 16384, 32767};
  const struct {
    int kc, ks;
  } factors[] = {{1024, 0}, {989, 264}, {-1023, -31}, {724, -724}, {1024, 1024}, {-1024, 1024}, {0, -1024}};
  std::vector<uint8_t> out(pairs * 8), want(pairs * 8);
  for (int32_t gain : gains) {
    for (const auto& f : factors) {
      const kernels::EffectMath m{lw.data(), lt.data(), f.kc, f.ks, gain, nullptr};
      for (size_t i = 0; i < pairs; ++i) {
        int nu = 0, nv = 0;
        kernels::ChromaMath(m, input[4 * i + 1], input[4 * i + 3], &nu, &nv);
        kernels::ConvertPixelPlain(kConvertRgb32, lw[input[4 * i]], nu, nv, &want[8 * i]);
        kernels::ConvertPixelPlain(kConvertRgb32, lw[input[4 * i + 2]], nu, nv, &want[8 * i + 4]);
      }
      std::fill(out.begin(), out.end(), 0x5A);
      ASSERT_EQ(kernels::ApplyConvertRgb32Avx2(input.data(), pairs, out.data(), m), pairs);
      for (size_t i = 0; i < pairs; ++i) {
        if (std::memcmp(&out[8 * i], &want[8 * i], 8) != 0) {
          FAIL() << "gain " << gain << " kc " << f.kc << " ks " << f.ks << " U " << int{input[4 * i + 1]} << " V "
                 << int{input[4 * i + 3]} << " pair " << i;
        }
      }
    }
  }
}

// With the luma in its nibble form the kernel gives what its table lookups
// give, for every (U, V) pair and every Y, over settings from darkening to
// steep contrast, both slope signs and brightness pushing past either clamp.
TEST(EffectMathTest, FusedRgb32KernelWithLumaNibblesEqualsTheLookups) {
  if (!HaveAvx2()) GTEST_SKIP() << "no AVX2";
  const Setting settings[] = {{10, 20, 30, 15, 1, 1, 1, 1},    {0, 0, 0, 0, 1, 1, 1, 1},
                              {-120, 60, 0, 0, 1, 1, 0, 0},    {200, -70, 0, 0, 1, 1, 0, 0},
                              {37, 300, 5, 5, 1, 1, 1, 1},     {-3, 250, 5, 5, 1, 1, 1, 1},
                              {99, 0, 0, 0, 1, 0, 0, 0},       {-99, 0, 0, 0, 1, 0, 0, 0},
                              {INT_MAX, 10, 0, 0, 1, 1, 0, 0}, {INT_MIN, 0, 0, 0, 1, 0, 0, 0}};
  const std::vector<uint8_t> input = EveryChromaPair();
  const size_t pairs = 65536;
  std::vector<uint8_t> viaNibbles(pairs * 8), viaLookups(pairs * 8);
  for (const Setting& s : settings) {
    auto t = Make(s, 2);
    std::vector<int32_t> lw, lt;
    kernels::EffectMath m = MathOf(s, &lw, &lt, *t);
    ASSERT_EQ(kernels::ApplyConvertRgb32Avx2(input.data(), pairs, viaLookups.data(), m), pairs);
    m.lumaNibbles = t->LumaNibbles();
    ASSERT_NE(m.lumaNibbles, nullptr) << "brightness " << s.brightness << " contrast " << s.contrast;
    ASSERT_EQ(kernels::ApplyConvertRgb32Avx2(input.data(), pairs, viaNibbles.data(), m), pairs);
    ASSERT_EQ(viaNibbles, viaLookups) << "brightness " << s.brightness << " contrast " << s.contrast;
  }
}

// The kernel does whole groups of 8 pairs (16 at a time, then a last 8) and
// says how many; it writes exactly their pixels and reads nothing past the
// pairs it is given (the source and destination are exactly that long).
TEST(EffectMathTest, FusedRgb32KernelDoesWholeGroupsAndWritesOnlyThem) {
  if (!HaveAvx2()) GTEST_SKIP() << "no AVX2";
  std::vector<int32_t> lw(256), lt(256);
  for (int i = 0; i < 256; ++i) {
    lw[i] = i;
    lt[i] = 298 * (i - 16) + 128;
  }
  const kernels::EffectMath m{lw.data(), lt.data(), 989, 264, 286, nullptr};
  for (size_t pairs = 0; pairs <= 50; ++pairs) {
    const std::vector<uint8_t> src = test::RandomBytes(pairs * 4, static_cast<uint32_t>(pairs) + 5);
    std::vector<uint8_t> out(pairs * 8, 0x33);
    const size_t done = kernels::ApplyConvertRgb32Avx2(src.data(), pairs, out.data(), m);
    ASSERT_EQ(done, pairs / 8 * 8) << pairs;
    for (size_t i = 0; i < done; ++i) {
      int nu = 0, nv = 0;
      kernels::ChromaMath(m, src[4 * i + 1], src[4 * i + 3], &nu, &nv);
      uint8_t want[8];
      kernels::ConvertPixelPlain(kConvertRgb32, src[4 * i], nu, nv, want);
      kernels::ConvertPixelPlain(kConvertRgb32, src[4 * i + 2], nu, nv, want + 4);
      ASSERT_EQ(std::memcmp(&out[8 * i], want, 8), 0) << pairs << " pair " << i;
    }
    for (size_t b = done * 8; b < out.size(); ++b) ASSERT_EQ(out[b], 0x33) << pairs << " byte " << b;
  }
}

#endif

// The nibble form of the luma table gives every entry wherever it is
// offered, and it is offered over the whole usual range of the controls
// (contrast up to 70 with any brightness they reach, contrast off with any
// brightness); only slopes steeper than 16 per step go without it.
TEST(EffectMathTest, LumaNibblesGiveTheTableWhereverTheyAreOffered) {
  auto t = std::make_unique<EffectTables>();
  t->SetFilterDefaults();
  int offered = 0, checked = 0;
  auto check = [&](bool mustOffer) {
    ++checked;
    const uint8_t* n = t->LumaNibbles();
    if (mustOffer) {
      ASSERT_NE(n, nullptr) << "brightness " << t->GetBrightness() << " contrast " << t->GetContrast();
    }
    if (n == nullptr) return;
    ++offered;
    for (int y = 0; y < 256; ++y)
      ASSERT_EQ(kernels::LumaFromNibbles(n, y), t->LumaTable()[y])
          << "brightness " << t->GetBrightness() << " contrast " << t->GetContrast() << " y " << y;
  };
  for (int32_t contrast = -100; contrast <= 100; contrast += 3) {
    t->SetContrast(contrast);
    for (int32_t brightness = -300; brightness <= 300; brightness += 13) {
      t->SetBrightness(brightness);
      check(contrast <= 70);
      if (HasFatalFailure()) return;
    }
  }
  for (int32_t contrast : {INT_MIN, -1000, 101, 180, 400, 1000, 123457, INT_MAX}) {
    t->SetContrast(contrast);
    for (int32_t brightness : {INT_MIN, -256, -1, 0, 1, 255, INT_MAX}) {
      t->SetBrightness(brightness);
      check(false);
      if (HasFatalFailure()) return;
    }
  }
  t->SetContrastEnabled(0);
  for (int32_t brightness : {INT_MIN, -256, -255, -100, -1, 0, 1, 77, 255, 256, INT_MAX}) {
    t->SetBrightness(brightness);
    check(true);
    if (HasFatalFailure()) return;
  }
  // Steep contrast goes without: the kernels then keep their lookups.
  t->SetContrastEnabled(1);
  t->SetBrightness(0);
  t->SetContrast(99);
  EXPECT_EQ(t->LumaNibbles(), nullptr);
  EXPECT_LT(offered, checked);
}

// The object's own arithmetic (hue factors, clamped gain, widened luma)
// through Apply and ApplyAndConvert on every level, against the plain
// lookups, for every (U, V) pair and every setting.
TEST(EffectMathTest, EveryLevelGivesThePlainBytesForEverySetting) {
  const std::vector<uint8_t> input = EveryChromaPair();
  FrameConverter c;
  c.Initialise(-512 * 4, 512, 256, kConvertRgb32, 0);  // 512 x 256 pixels: the 65536 pairs
  auto t = Make(Settings().front(), 65536 * 2);
  for (const Setting& s : Settings()) {
    MoveTo(t.get(), s);
    std::vector<uint8_t> plain = input, rgbPlain(c.DestinationBytes());
    {
      test::ScopedSimdLevel level(SimdLevel::kPlain);
      t->Apply(plain.data(), plain.size());
      c.Convert(plain.data(), rgbPlain.data());
    }
    for (SimdLevel l : test::FastLevels()) {
      test::ScopedSimdLevel level(l);
      std::vector<uint8_t> fast = input, rgbFast(c.DestinationBytes());
      t->Apply(fast.data(), fast.size());
      ASSERT_EQ(fast, plain) << SimdLevelName(l) << " hue " << s.hue << " saturation " << s.saturation;
      ASSERT_TRUE(t->ApplyAndConvert(c, input.data(), input.size(), rgbFast.data(), rgbFast.size()));
      ASSERT_EQ(rgbFast, rgbPlain) << SimdLevelName(l) << " hue " << s.hue << " saturation " << s.saturation;
    }
  }
}

// ApplyAndConvert against Apply on a copy followed by Convert, for every
// kind and level, odd and even widths, both row orders, pixel counts short
// of, equal to and beyond the frame, and sources longer than the frame.
TEST(EffectMathTest, ApplyAndConvertEqualsApplyThenConvert) {
  const struct { int width, height; } sizes[] = {{64, 3}, {37, 5}, {1, 7}, {2, 1}, {3, 3}, {131, 4}};
  std::vector<SimdLevel> levels = test::FastLevels();
  levels.push_back(SimdLevel::kPlain);
  const Setting s{12, 25, 60, 40, 1, 1, 1, 1};
  for (const auto& size : sizes) {
    const size_t pixels = static_cast<size_t>(size.width) * size.height;
    for (int64_t count : {static_cast<int64_t>(pixels), static_cast<int64_t>(pixels / 2 + 1),
                          static_cast<int64_t>(pixels + 9), int64_t{0}}) {
      auto t = Make(s, count);
      for (size_t extra : {size_t{0}, size_t{6}}) {
        const std::vector<uint8_t> source =
            test::RandomBytes(pixels * 2 + extra, static_cast<uint32_t>(pixels + extra));
        for (int kind = kConvertYuy2; kind <= kConvertRgb555; ++kind) {
          for (bool bottomUp : {false, true}) {
            if (kind == kConvertYuy2 && bottomUp) continue;
            const int row = size.width * BytesPerPixel(kind) + 3;
            FrameConverter c;
            c.Initialise(bottomUp ? -row : row, size.width, size.height, kind, bottomUp ? 0 : 1);
            for (SimdLevel level : levels) {
              test::ScopedSimdLevel scoped(level);
              std::vector<uint8_t> copy = source;
              t->Apply(copy.data(), copy.size());
              std::vector<uint8_t> want(c.DestinationBytes(), 0x5A), got(c.DestinationBytes(), 0x5A);
              ASSERT_TRUE(c.Convert(copy.data(), copy.size(), want.data(), want.size()));
              ASSERT_TRUE(t->ApplyAndConvert(c, source.data(), source.size(), got.data(), got.size()));
              ASSERT_EQ(got, want) << size.width << "x" << size.height << " count " << count << " kind " << kind
                                   << " bottom-up " << bottomUp << " " << SimdLevelName(level);
            }
          }
        }
        // The source keeps its bytes, and short buffers convert nothing.
        const std::vector<uint8_t> before = source;
        FrameConverter c;
        c.Initialise(size.width * 4, size.width, size.height, kConvertRgb32, 1);
        std::vector<uint8_t> out(c.DestinationBytes(), 0x11);
        ASSERT_TRUE(t->ApplyAndConvert(c, source.data(), source.size(), out.data(), out.size()));
        EXPECT_EQ(source, before);
        std::vector<uint8_t> untouched(out.size(), 0x11);
        EXPECT_FALSE(t->ApplyAndConvert(c, source.data(), pixels * 2 - 1, untouched.data(), untouched.size()));
        EXPECT_FALSE(t->ApplyAndConvert(c, source.data(), source.size(), untouched.data(), untouched.size() - 1));
        EXPECT_EQ(untouched, std::vector<uint8_t>(out.size(), 0x11));
      }
    }
  }
}

// The fused pass at every width from 1 to 70 and a full 720, with the
// source and the destination at every offset from 32-byte alignment that
// matters (the rows then start anywhere within a vector), both row orders,
// and settings that take each form of the saturation step, against the
// plain lookups followed by the plain conversion.
TEST(EffectMathTest, FusedPassMatchesPlainAtEveryWidthAndAlignment) {
  const Setting settings[] = {{10, 20, 30, 15, 1, 1, 1, 1},
                              {-7, 3, 7936, 100, 1, 1, 1, 1},
                              {0, 0, 20000, -33, 0, 0, 1, 1},
                              {5, -40, -30000, 0, 1, 1, 1, 0},
                              {0, 0, 0, 0, 0, 0, 0, 0},
                              // Steep contrast: no nibble form of the luma.
                              {3, 99, 40, 20, 1, 1, 1, 1},
                              {-20, 95, -8449, 0, 1, 1, 1, 0}};
  std::vector<int> widths;
  for (int w = 1; w <= 70; ++w) widths.push_back(w);
  widths.push_back(720);
  for (const Setting& s : settings) {
    for (int width : widths) {
      const int height = width == 720 ? 2 : 3;
      const size_t pixels = static_cast<size_t>(width) * height;
      auto t = Make(s, static_cast<int64_t>(pixels));
      const std::vector<uint8_t> frame = test::RandomBytes(pixels * 2, static_cast<uint32_t>(width * 31 + s.hue));
      for (bool bottomUp : {false, true}) {
        const int row = width * 4 + (width % 3);  // some strides not a multiple of 4
        FrameConverter c;
        c.Initialise(bottomUp ? -row : row, width, height, kConvertRgb32, bottomUp ? 0 : 1);
        std::vector<uint8_t> want(c.DestinationBytes(), 0x77);
        {
          test::ScopedSimdLevel plain(SimdLevel::kPlain);
          std::vector<uint8_t> copy = frame;
          t->Apply(copy.data(), copy.size());
          ASSERT_TRUE(c.Convert(copy.data(), copy.size(), want.data(), want.size()));
        }
        for (SimdLevel level : test::FastLevels()) {
          test::ScopedSimdLevel scoped(level);
          for (size_t srcOffset : {size_t{0}, size_t{1}, size_t{4}, size_t{20}}) {
            for (size_t dstOffset : {size_t{0}, size_t{3}, size_t{8}, size_t{28}}) {
              // Exactly sized buffers at the offset, so a stray access
              // past either end is caught by the sanitizers.
              std::vector<uint8_t> srcStore(srcOffset + frame.size());
              std::memcpy(srcStore.data() + srcOffset, frame.data(), frame.size());
              std::vector<uint8_t> dstStore(dstOffset + want.size(), 0x77);
              ASSERT_TRUE(t->ApplyAndConvert(c, srcStore.data() + srcOffset, frame.size(), dstStore.data() + dstOffset,
                                             want.size()));
              ASSERT_TRUE(std::equal(want.begin(), want.end(), dstStore.begin() + dstOffset))
                  << SimdLevelName(level) << " width " << width << " saturation " << s.saturation << " offsets "
                  << srcOffset << "/" << dstOffset << (bottomUp ? " bottom-up" : "");
            }
          }
        }
      }
    }
  }
}

// A fresh object has all-zero tables and no arithmetic yet: both passes
// must give the zero tables' bytes, as Apply always did.
TEST(EffectMathTest, FreshTablesConvertLikeApplyThenConvert) {
  auto t = std::make_unique<EffectTables>();
  const int width = 64, height = 2;
  t->SetPixelCount(width * height);
  const std::vector<uint8_t> source = test::RandomBytes(width * height * 2, 9);
  FrameConverter c;
  c.Initialise(width * 4, width, height, kConvertRgb32, 1);
  for (SimdLevel level : test::FastLevels()) {
    test::ScopedSimdLevel scoped(level);
    std::vector<uint8_t> copy = source;
    t->Apply(copy.data(), copy.size());
    EXPECT_EQ(copy, std::vector<uint8_t>(copy.size(), 0));
    std::vector<uint8_t> want(c.DestinationBytes()), got(c.DestinationBytes());
    c.Convert(copy.data(), want.data());
    ASSERT_TRUE(t->ApplyAndConvert(c, source.data(), source.size(), got.data(), got.size()));
    EXPECT_EQ(got, want);
  }
}

}  // namespace
}  // namespace effects
