#include "effects/filter/overlay_renderer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace effects {

using zelvo::com::CritSecLock;
using zelvo::com::OwnedBitmap;
using zelvo::com::OwnedBrush;
using zelvo::com::OwnedDc;
using zelvo::com::OwnedPen;
using zelvo::com::SelectedObject;
using zelvo::com::WindowDc;

namespace {

// Largest side accepted for an image; keeps the buffers within reason.
constexpr int32_t kMaxSide = 8192;

int BitsPerPixel(HBITMAP bitmap) {
  BITMAP info = {};
  if (!GetObjectW(bitmap, sizeof(info), &info)) return 0;
  return info.bmBitsPixel;
}

}  // namespace

void OverlayRenderer::SetEnabled(int32_t flag) {
  CritSecLock lock(lock_);
  enabled_ = flag;
}

void OverlayRenderer::SetFrameSize(int32_t width, int32_t height) {
  CritSecLock lock(lock_);
  frameWidth_ = width;
  frameHeight_ = height;
}

void OverlayRenderer::SetTimeOffset(int64_t offset) {
  CritSecLock lock(lock_);
  window_.offset = offset;
}

HRESULT OverlayRenderer::SetBitmap(int32_t left, int32_t top, int64_t start, int64_t end, HDC dc, HBITMAP bitmap,
                                   COLORREF transparent) {
  CritSecLock lock(lock_);
  if (!enabled_) return S_OK;
  left_ = left;
  top_ = top;
  window_.start = start;
  window_.end = end;
  keyColour_ = transparent;
  PrepareFromBitmap(dc, bitmap);
  return S_OK;
}

HRESULT OverlayRenderer::SetText(int32_t left, int32_t top, int32_t boxWidth, int32_t boxHeight, int64_t start,
                                 int64_t end, const char* text, int32_t length, COLORREF colour, HFONT font) {
  CritSecLock lock(lock_);
  if (!enabled_) return S_OK;
  left_ = left;
  top_ = top;
  boxWidth_ = boxWidth;
  boxHeight_ = boxHeight;
  window_.start = start;
  window_.end = end;
  textColour_ = colour;
  textLength_ = text ? std::clamp(length, 0, kMaxTextBytes) : 0;
  std::memset(text_, 0, sizeof(text_));
  if (textLength_) std::memcpy(text_, text, static_cast<size_t>(textLength_));

  LOGFONTW logFont = {};
  font_.reset();
  if (font && GetObjectW(font, sizeof(logFont), &logFont)) font_.reset(CreateFontIndirectW(&logFont));
  RenderTextLocked();
  return S_OK;
}

void OverlayRenderer::RenderTextLocked() {
  if (boxWidth_ <= 0 || boxHeight_ <= 0 || boxWidth_ > kMaxSide || boxHeight_ > kMaxSide) {
    image_.Clear();
    return;
  }
  WindowDc screen(nullptr);
  if (!screen) {
    image_.Clear();
    return;
  }
  OwnedDc memory(CreateCompatibleDC(screen.get()));
  OwnedBitmap box(CreateCompatibleBitmap(screen.get(), boxWidth_, boxHeight_));
  if (!memory || !box) {
    image_.Clear();
    return;
  }
  const int depth = BitsPerPixel(box.get());
  const COLORREF key = KeyColourForDepth(keyColour_, depth);
  keyColour_ = key;
  {
    OwnedBrush brush(CreateSolidBrush(key));
    OwnedPen pen(CreatePen(PS_SOLID, 1, key));
    SelectedObject selectBox(memory.get(), box.get());
    SelectedObject selectFont(memory.get(), font_ ? static_cast<HGDIOBJ>(font_.get()) : GetStockObject(DEFAULT_GUI_FONT));
    SelectedObject selectBrush(memory.get(), brush.get());
    SelectedObject selectPen(memory.get(), pen.get());
    SetBkColor(memory.get(), key);
    SetBkMode(memory.get(), TRANSPARENT);
    RECT whole = {0, 0, boxWidth_, boxHeight_};
    FillRect(memory.get(), &whole, brush.get());
    SetTextColor(memory.get(), textColour_);

    RECT measure = {0, 0, boxWidth_, 0};
    DrawTextA(memory.get(), text_, textLength_, &measure, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
    const int textHeight = measure.bottom - measure.top;
    top_ += (boxHeight_ - textHeight) / 2;
    RECT target = {0, 0, boxWidth_, textHeight};
    DrawTextA(memory.get(), text_, textLength_, &target, DT_WORDBREAK | DT_CENTER);
  }
  // The box is no longer selected, so its bits can be read.
  PrepareFromBitmap(screen.get(), box.get());
}

void OverlayRenderer::PrepareFromBitmap(HDC dc, HBITMAP bitmap) {
  BITMAP info = {};
  if (!dc || !bitmap || !GetObjectW(bitmap, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight <= 0 ||
      info.bmWidth > kMaxSide || info.bmHeight > kMaxSide) {
    image_.Clear();
    return;
  }
  const int32_t width = info.bmWidth;
  const int32_t height = info.bmHeight;
  std::vector<uint8_t> pixels;
  try {
    pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  } catch (const std::bad_alloc&) {
    image_.Clear();
    return;
  }
  BITMAPINFO request = {};
  request.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  request.bmiHeader.biWidth = width;
  request.bmiHeader.biHeight = -height;
  request.bmiHeader.biPlanes = 1;
  request.bmiHeader.biBitCount = 32;
  request.bmiHeader.biCompression = BI_RGB;
  if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &request, DIB_RGB_COLORS) != height) {
    image_.Clear();
    return;
  }
  if (!image_.Prepare(pixels.data(), width, height, keyColour_, info.bmBitsPixel)) image_.Clear();
  keyColour_ = image_.Empty() ? keyColour_ : image_.KeyColour();
}

size_t OverlayRenderer::Draw(uint8_t* frame, int64_t sampleTime) {
  CritSecLock lock(lock_);
  if (!enabled_ || image_.Empty() || !frame) return 0;
  return DrawOverlay(image_, frame, frameWidth_, frameHeight_, left_, top_, sampleTime, window_);
}

int32_t OverlayRenderer::Left() {
  CritSecLock lock(lock_);
  return left_;
}
int32_t OverlayRenderer::Top() {
  CritSecLock lock(lock_);
  return top_;
}
int32_t OverlayRenderer::ImageWidth() {
  CritSecLock lock(lock_);
  return image_.Width();
}
int32_t OverlayRenderer::ImageHeight() {
  CritSecLock lock(lock_);
  return image_.Height();
}
COLORREF OverlayRenderer::KeyColour() {
  CritSecLock lock(lock_);
  return keyColour_;
}
int64_t OverlayRenderer::TimeOffset() {
  CritSecLock lock(lock_);
  return window_.offset;
}

}  // namespace effects
