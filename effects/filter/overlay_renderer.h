// The overlay of the "Video Effects" filter: a bitmap or a block of text,
// turned once into a YUY2 image with a transparency mask (through GDI), then
// stamped into every frame whose time falls inside a window. Every operation
// holds the renderer's own lock, so a frame never sees a half-made image.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/com/handles.h"
#include "effects/core/overlay_image.h"

namespace effects {

class OverlayRenderer {
 public:
  static constexpr int32_t kMaxTextBytes = 1000;

  OverlayRenderer() = default;
  OverlayRenderer(const OverlayRenderer&) = delete;
  OverlayRenderer& operator=(const OverlayRenderer&) = delete;

  void SetEnabled(int32_t flag);
  // Read without the lock.
  int32_t Enabled() const { return enabled_; }
  // Geometry of the frames drawn into; the image is clipped to it.
  void SetFrameSize(int32_t width, int32_t height);
  void SetTimeOffset(int64_t offset);

  // Ignored (S_OK) while disabled. dc and bitmap stay the caller's.
  HRESULT SetBitmap(int32_t left, int32_t top, int64_t start, int64_t end, HDC dc, HBITMAP bitmap,
                    COLORREF transparent);
  // Ignored (S_OK) while disabled. The text (ANSI, at most 1000 bytes used)
  // and the font are copied.
  HRESULT SetText(int32_t left, int32_t top, int32_t boxWidth, int32_t boxHeight, int64_t start, int64_t end,
                  const char* text, int32_t length, COLORREF colour, HFONT font);

  // Stamps the image into a top-down YUY2 frame of the size set above when
  // sampleTime + offset lies in the window. Returns the pixels written.
  size_t Draw(uint8_t* frame, int64_t sampleTime);

  // For inspection.
  int32_t Left();
  int32_t Top();
  int32_t ImageWidth();
  int32_t ImageHeight();
  COLORREF KeyColour();
  int64_t TimeOffset();

 private:
  // Reads a bitmap as 32-bit top-down pixels and prepares the image from it.
  void PrepareFromBitmap(HDC dc, HBITMAP bitmap);
  void RenderTextLocked();

  zelvo::com::CriticalSection lock_;
  volatile int32_t enabled_ = 0;
  OverlayWindow window_;
  int32_t left_ = 0;
  int32_t top_ = 0;
  int32_t boxWidth_ = 0;
  int32_t boxHeight_ = 0;
  COLORREF keyColour_ = kDefaultKeyColour;
  COLORREF textColour_ = 0;
  zelvo::com::OwnedFont font_;
  char text_[kMaxTextBytes] = {};
  int32_t textLength_ = 0;
  int32_t frameWidth_ = 0;
  int32_t frameHeight_ = 0;
  OverlayImage image_;
};

}  // namespace effects
