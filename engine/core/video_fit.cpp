#include "engine/core/video_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessel::core {

namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

// right - left, or 0 when right lies before left; at most the 32-bit range.
int64_t Extent(int32_t first, int32_t last) {
  return std::clamp<int64_t>(int64_t{last} - first, 0, kInt32Max);
}

}  // namespace

double AspectRatioFor(const AspectSettings& aspect) {
  double ratio = 0;
  switch (aspect.code) {
    case kAspectFill:
      return 0;
    case kAspect4x3:
      ratio = 4.0 / 3.0;
      break;
    case kAspect16x9:
      ratio = 16.0 / 9.0;
      break;
    case kAspectCustom:
      ratio = aspect.customY > 0 ? aspect.customX / aspect.customY : 0;
      break;
    case kAspectNative:
    default:
      ratio = aspect.nativeHeight > 0 ? static_cast<double>(aspect.nativeWidth) / aspect.nativeHeight : 0;
      break;
  }
  return (ratio > 0 && std::isfinite(ratio)) ? ratio : 0;
}

bool operator==(const VideoPlacement& a, const VideoPlacement& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool operator==(const VideoRect& a, const VideoRect& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

VideoRect FitVideo(const VideoPlacement& area, const AspectSettings& aspect) {
  const int64_t width = Extent(area.left, area.right);
  const int64_t height = Extent(area.top, area.bottom);
  const double ratio = AspectRatioFor(aspect);
  VideoRect out{area.left, area.top, static_cast<int32_t>(width), static_cast<int32_t>(height)};
  if (ratio == 0) return out;

  const double fittedHeight = static_cast<double>(width) / ratio;
  if (fittedHeight < static_cast<double>(height)) {
    const int64_t pad = (height - static_cast<int64_t>(fittedHeight)) / 2;
    out.top = static_cast<int32_t>(area.top + pad);
    out.height = static_cast<int32_t>(height - 2 * pad);
  } else {
    const double fittedWidth = static_cast<double>(height) * ratio;
    const int64_t w = fittedWidth >= static_cast<double>(width) ? width : static_cast<int64_t>(fittedWidth);
    const int64_t pad = (width - w) / 2;
    out.left = static_cast<int32_t>(area.left + pad);
    out.width = static_cast<int32_t>(width - 2 * pad);
  }
  return out;
}

VideoPlacement PlacementOf(const VideoRect& rect) {
  // A fitted rectangle lies inside a 32-bit area, so its edges fit too.
  return {rect.left, rect.top, static_cast<int32_t>(int64_t{rect.left} + rect.width),
          static_cast<int32_t>(int64_t{rect.top} + rect.height)};
}

uint32_t FullscreenStyle(uint32_t style) {
  return style & 0xFF3BFFFFu;  // without WS_CAPTION and WS_THICKFRAME
}

uint32_t FullscreenExStyle(uint32_t exStyle) {
  // WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE out, WS_EX_TOPMOST in.
  return (exStyle & ~0x00020301u) | 0x00000008u;
}

bool FullscreenState::Enter(const WindowedState& windowed) {
  if (fullscreen_) return false;
  saved_ = windowed;
  fullscreen_ = true;
  return true;
}

std::optional<WindowedState> FullscreenState::Leave() {
  if (!fullscreen_) return std::nullopt;
  fullscreen_ = false;
  return saved_;
}

}  // namespace tessel::core
