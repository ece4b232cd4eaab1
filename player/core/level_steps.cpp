#include "player/core/level_steps.h"

#include <algorithm>

#include "player/core/levels.h"

namespace {
int32_t Slider(int64_t value) { return static_cast<int32_t>(std::clamp<int64_t>(value, 0, kSliderMax)); }
int32_t PictureLevel(int32_t value) { return std::clamp(value, kPictureLevelMin, kPictureLevelMax); }
}  // namespace

int32_t VolumeUpSlider(int32_t slider) { return Slider(static_cast<int64_t>(Slider(slider)) + kVolumeSliderStep); }

int32_t VolumeDownSlider(int32_t slider) { return Slider(static_cast<int64_t>(Slider(slider)) - kVolumeSliderStep); }

int32_t BalanceLeftSlider(int32_t balance) {
  return Slider(static_cast<int64_t>(BalanceToSlider(balance)) - kBalanceSliderStep);
}

int32_t BalanceRightSlider(int32_t balance) {
  return Slider(static_cast<int64_t>(BalanceToSlider(balance)) + kBalanceSliderStep);
}

int32_t EngineVolume(int32_t slider, bool muted) { return muted ? kSilentVolume : SliderToVolume(slider); }

int32_t PictureLevelUp(int32_t value) { return PictureLevel(PictureLevel(value) + 1); }

int32_t PictureLevelDown(int32_t value) { return PictureLevel(PictureLevel(value) - 1); }

int32_t WheelSteps::Add(int32_t delta) {
  // Turning the other way starts afresh rather than first undoing the rest.
  if ((rest_ > 0 && delta < 0) || (rest_ < 0 && delta > 0)) rest_ = 0;
  // A delta is a 16-bit value in practice; the 64-bit sum keeps any int safe.
  const int64_t total = static_cast<int64_t>(rest_) + delta;
  const int64_t steps = total / kWheelDelta;  // truncates toward zero, as the sign says
  rest_ = static_cast<int32_t>(total - steps * kWheelDelta);
  return static_cast<int32_t>(steps);
}
