#pragma once
// The overlay's prepared YUY2 image and transparency mask, and stamping it
// into frames.
//
// The image holds one 16-bit word (two bytes) per pixel: for a pixel pair
// p0, p1 the bytes Y(p0), avg V, Y(p1), avg U; an odd last pixel of a row
// gets Y, V. Drawing puts the first word on pixel 2 x floor(left / 2) + 1 so
// every chroma byte lands in a chroma slot of its own kind. Every draw is
// clipped to the frame.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace effects {

// RGB(15, 0, 15) as a COLORREF (red in the low byte).
constexpr uint32_t kDefaultKeyColour = 0x000F000Fu;

// The key colour as a bitmap of the given depth reads back: on 16 bits per
// pixel each colour byte keeps only its top five bits.
uint32_t KeyColourForDepth(uint32_t keyColour, int32_t bitsPerPixel);

class OverlayImage {
 public:
  // Prepares the image from top-down 32-bit pixels (width x height, rows of
  // width x 4 bytes, each pixel B, G, R, X). keyColour is a COLORREF;
  // sourceBitsPerPixel is the depth the pixels came from (16 masks the key).
  // Replaces any previous image. Returns false, leaving no image, for an
  // empty or oversized geometry or when memory runs out.
  bool Prepare(const uint8_t* bgrx, int32_t width, int32_t height, uint32_t keyColour,
               int32_t sourceBitsPerPixel);
  void Clear();

  bool Empty() const { return width_ == 0; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // The key after the depth masking, as a COLORREF.
  uint32_t KeyColour() const { return keyColour_; }
  // The key with red and blue exchanged (0x00RRGGBB), as the mask holds it.
  uint32_t TransparentValue() const { return transparent_; }
  // width x height x 2 bytes.
  const uint8_t* ImageBytes() const { return image_.data(); }
  // width x height words 0x00RRGGBB.
  const uint32_t* Mask() const { return mask_.data(); }

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  uint32_t keyColour_ = kDefaultKeyColour;
  uint32_t transparent_ = 0;
  std::vector<uint8_t> image_;
  std::vector<uint32_t> mask_;
};

// When the image shows, in 100-ns units: start <= sampleTime + offset <= end.
struct OverlayWindow {
  int64_t start = 0;
  int64_t end = 0;
  int64_t offset = 0;
};

// True when sampleTime + offset lies inside the window (bounds inclusive).
// A sum beyond the 64-bit range lies outside every window.
bool OverlayTimeInWindow(const OverlayWindow& window, int64_t sampleTime);

// Copies the opaque pixels of the image into a top-down YUY2 frame of
// frameWidth x frameHeight pixels (frameWidth x frameHeight x 2 bytes), image
// placed at (left, top), only pixels inside the frame. Returns the number of
// pixels written.
size_t StampOverlay(const OverlayImage& image, uint8_t* frame, int32_t frameWidth,
                    int32_t frameHeight, int32_t left, int32_t top);

// StampOverlay when sampleTime falls inside the window and there is an image;
// returns the number of pixels written (0 when nothing was drawn).
size_t DrawOverlay(const OverlayImage& image, uint8_t* frame, int32_t frameWidth,
                   int32_t frameHeight, int32_t left, int32_t top, int64_t sampleTime,
                   const OverlayWindow& window);

}  // namespace effects
