// The overlay renderer with real GDI: bitmaps read through a device context,
// text rendered in a font, the enabled rule and the time window.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "effects/filter/overlay_renderer.h"

namespace effects {
namespace {

constexpr COLORREF kKey = RGB(15, 0, 15);

// A 32-bit top-down DIB section of w x h pixels, each given as a COLORREF.
class TestBitmap {
 public:
  TestBitmap(int w, int h, const std::vector<COLORREF>& colours) : dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixel = static_cast<uint8_t*>(bits);
    for (COLORREF c : colours) {
      *pixel++ = GetBValue(c);
      *pixel++ = GetGValue(c);
      *pixel++ = GetRValue(c);
      *pixel++ = 0;
    }
  }
  ~TestBitmap() {
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }

 private:
  HDC dc_;
  HBITMAP bitmap_ = nullptr;
};

// A YUY2 frame of w x h pixels, all Y 16 with chroma 128.
std::vector<uint8_t> GreyFrame(int w, int h) {
  std::vector<uint8_t> frame(static_cast<size_t>(w) * h * 2);
  for (size_t i = 0; i < frame.size(); i += 2) {
    frame[i] = 16;
    frame[i + 1] = 128;
  }
  return frame;
}

int Luma(const std::vector<uint8_t>& frame, int w, int x, int y) { return frame[(static_cast<size_t>(y) * w + x) * 2]; }

TEST(OverlayRendererTest, BitmapShowsItsOpaquePixelsInsideTheWindow) {
  // White, key, black, white: the key pixel stays transparent.
  TestBitmap bitmap(4, 1, {RGB(255, 255, 255), kKey, RGB(0, 0, 0), RGB(255, 255, 255)});
  OverlayRenderer overlay;
  overlay.SetEnabled(1);
  overlay.SetFrameSize(16, 3);
  ASSERT_EQ(S_OK, overlay.SetBitmap(4, 1, 1000, 2000, bitmap.dc(), bitmap.bitmap(), kKey));
  EXPECT_EQ(4, overlay.ImageWidth());
  EXPECT_EQ(1, overlay.ImageHeight());

  std::vector<uint8_t> frame = GreyFrame(16, 3);
  EXPECT_EQ(0u, overlay.Draw(frame.data(), 999));
  EXPECT_EQ(0u, overlay.Draw(frame.data(), 2001));
  EXPECT_EQ(GreyFrame(16, 3), frame);
  EXPECT_EQ(3u, overlay.Draw(frame.data(), 2000));
  // Left 4 puts the first word on pixel 5 of row 1.
  EXPECT_EQ(254, Luma(frame, 16, 5, 1));
  EXPECT_EQ(16, Luma(frame, 16, 6, 1)) << "key pixel";
  EXPECT_EQ(0, Luma(frame, 16, 7, 1));
  EXPECT_EQ(254, Luma(frame, 16, 8, 1));
  EXPECT_EQ(16, Luma(frame, 16, 4, 1));
  EXPECT_EQ(16, Luma(frame, 16, 5, 0));

  // A segment start shifts the sample times into the window.
  overlay.SetTimeOffset(1500);
  EXPECT_EQ(3u, overlay.Draw(frame.data(), 10));
  EXPECT_EQ(0u, overlay.Draw(frame.data(), 501));
}

TEST(OverlayRendererTest, NothingIsSetWhileDisabledAndDisablingKeepsTheImage) {
  TestBitmap bitmap(2, 2, {RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255)});
  OverlayRenderer overlay;
  overlay.SetFrameSize(8, 4);
  EXPECT_EQ(0, overlay.Enabled());
  EXPECT_EQ(S_OK, overlay.SetBitmap(2, 1, 0, 100, bitmap.dc(), bitmap.bitmap(), kKey));
  EXPECT_EQ(0, overlay.ImageWidth()) << "a bitmap handed over while disabled is ignored";
  EXPECT_EQ(0, overlay.Left());

  overlay.SetEnabled(1);
  ASSERT_EQ(S_OK, overlay.SetBitmap(2, 1, 0, 100, bitmap.dc(), bitmap.bitmap(), kKey));
  std::vector<uint8_t> frame = GreyFrame(8, 4);
  overlay.SetEnabled(0);
  EXPECT_EQ(0u, overlay.Draw(frame.data(), 50));
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  EXPECT_EQ(S_OK, overlay.SetText(0, 0, 40, 20, 0, 100, "Hi", 2, RGB(255, 255, 255), font));
  EXPECT_EQ(2, overlay.ImageWidth()) << "text handed over while disabled is ignored";
  overlay.SetEnabled(1);
  EXPECT_EQ(4u, overlay.Draw(frame.data(), 50)) << "enabling again shows the kept image";
}

TEST(OverlayRendererTest, TextIsCentredVerticallyAndOnlyGlyphPixelsAreDrawn) {
  HFONT font = CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial");
  ASSERT_NE(nullptr, font);
  OverlayRenderer overlay;
  overlay.SetEnabled(1);
  overlay.SetFrameSize(200, 120);
  ASSERT_EQ(S_OK, overlay.SetText(0, 10, 200, 100, 0, 100, "Hello", 5, RGB(255, 255, 255), font));
  EXPECT_EQ(200, overlay.ImageWidth());
  EXPECT_EQ(100, overlay.ImageHeight());
  // One line of a 20-pixel font in a 100-pixel box: about 40 pixels down.
  const int centred = overlay.Top();
  EXPECT_GT(centred, 10 + 30);
  EXPECT_LT(centred, 10 + 45);

  std::vector<uint8_t> frame = GreyFrame(200, 120);
  const size_t drawn = overlay.Draw(frame.data(), 50);
  EXPECT_GT(drawn, 50u) << "the glyphs show";
  EXPECT_LT(drawn, 2000u) << "the key-coloured background stays transparent";
  for (int y = 0; y < 120; ++y) {
    if (y >= centred && y < centred + 30) continue;
    for (int x = 0; x < 200; ++x) ASSERT_EQ(16, Luma(frame, 200, x, y)) << x << "," << y;
  }

  // A box lower than the text moves the image up.
  ASSERT_EQ(S_OK, overlay.SetText(0, 10, 200, 4, 0, 100, "Hello", 5, RGB(255, 255, 255), font));
  EXPECT_LT(overlay.Top(), 10);
  // The caller's font stays the caller's.
  DeleteObject(font);
  ASSERT_EQ(S_OK, overlay.SetText(0, 10, 200, 100, 0, 100, "Hello", 5, RGB(255, 255, 255),
                                  static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))));
  EXPECT_EQ(100, overlay.ImageHeight());
}

TEST(OverlayRendererTest, AnUnreadableBitmapLeavesNoImage) {
  TestBitmap bitmap(2, 1, {RGB(255, 255, 255), RGB(255, 255, 255)});
  OverlayRenderer overlay;
  overlay.SetEnabled(1);
  overlay.SetFrameSize(8, 2);
  ASSERT_EQ(S_OK, overlay.SetBitmap(0, 0, 0, 100, bitmap.dc(), bitmap.bitmap(), kKey));
  EXPECT_EQ(2, overlay.ImageWidth());
  EXPECT_EQ(S_OK, overlay.SetBitmap(0, 0, 0, 100, bitmap.dc(), nullptr, kKey));
  EXPECT_EQ(0, overlay.ImageWidth());
  std::vector<uint8_t> frame = GreyFrame(8, 2);
  EXPECT_EQ(0u, overlay.Draw(frame.data(), 50));
}

}  // namespace
}  // namespace effects
