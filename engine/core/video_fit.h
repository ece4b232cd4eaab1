// Placement arithmetic of the video window: fitting the picture into the
// owner's area for an aspect-ratio code, and what full screen saves and
// restores. Plain values in, plain values out; the window calls that apply
// them live in the COM layer.
#pragma once

#include <cstdint>
#include <optional>

namespace tessel::core {

enum AspectCode : int32_t {
  kAspectFill = 0,    // the video fills the area
  kAspectNative = 1,  // native width / native height (also any unknown code)
  kAspect4x3 = 2,
  kAspect16x9 = 3,
  kAspectCustom = 4,  // custom X / custom Y
};

constexpr double kDefaultCustomXAspect = 2.35;
constexpr double kDefaultCustomYAspect = 1.0;

struct AspectSettings {
  int32_t code = kAspectFill;
  double customX = kDefaultCustomXAspect;
  double customY = kDefaultCustomYAspect;
  int32_t nativeWidth = 0;
  int32_t nativeHeight = 0;
};

// Width / height the fit keeps, or 0 when the video is to fill the area:
// code 0, and every ratio that is not a finite positive number (a native
// size not known yet, a custom Y of 0 or less).
double AspectRatioFor(const AspectSettings& aspect);

// Edges in the owner's client coordinates (VwLeft, VwTop, VwRight, VwBottom).
struct VideoPlacement {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};
bool operator==(const VideoPlacement& a, const VideoPlacement& b);

// Origin and size, as IVideoWindow::SetWindowPosition takes them.
struct VideoRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
};
bool operator==(const VideoRect& a, const VideoRect& b);

// The largest rectangle of the ratio centred in the area: bands of equal
// height above and below when the area is too tall, of equal width left and
// right otherwise (an odd pixel goes to the picture). An area with its
// right or bottom edge before the left or top one counts as empty, so the
// size is never negative.
VideoRect FitVideo(const VideoPlacement& area, const AspectSettings& aspect);

// The edges of a fitted rectangle, as the placement holds them afterwards.
VideoPlacement PlacementOf(const VideoRect& rect);

// The owner window's rectangle in screen coordinates (GetWindowRect).
struct WindowEdges {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// Everything full screen changes and its reset puts back.
struct WindowedState {
  VideoPlacement placement;
  WindowEdges ownerRect;
  uint32_t style = 0;
  uint32_t exStyle = 0;
};

// The owner's styles in full screen: no caption or sizing border; no
// dialog-frame, window, client or static edge, and topmost.
uint32_t FullscreenStyle(uint32_t style);
uint32_t FullscreenExStyle(uint32_t exStyle);

// Whether the video is full screen, and the windowed state to go back to.
class FullscreenState {
 public:
  bool IsFullscreen() const { return fullscreen_; }

  // Keeps the windowed state on the way into full screen. When already full
  // screen, the first saved state stays and false is returned.
  bool Enter(const WindowedState& windowed);

  // The state to restore when leaving full screen; none when the video is
  // not full screen (there is then nothing to restore).
  std::optional<WindowedState> Leave();

 private:
  bool fullscreen_ = false;
  WindowedState saved_;
};

}  // namespace tessel::core
