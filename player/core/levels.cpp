#include "player/core/levels.h"

#include <algorithm>
#include <cmath>

namespace {
// Hand-edited settings and foreign skins can send anything; the formulas
// are only defined on the slider range.
int32_t ClampSlider(int32_t s) { return std::clamp(s, 0, kSliderMax); }
}  // namespace

int32_t SliderToVolume(int32_t slider) {
  return static_cast<int32_t>(-std::pow(10.0, (kSliderMax - static_cast<double>(ClampSlider(slider))) * 0.000004));
}

int32_t VolumeToSlider(int32_t volume) {
  if (volume >= 0) return kSliderMax;
  if (volume < -10000) volume = -10000;
  return static_cast<int32_t>(kSliderMax - 250000.0 * std::log10(-static_cast<double>(volume)));
}

int32_t SliderToBalance(int32_t slider) {
  return static_cast<int32_t>((ClampSlider(slider) * 0.000001 - 0.5) * 10000.0);
}

int32_t BalanceToSlider(int32_t balance) {
  return ClampSlider(static_cast<int32_t>((std::clamp(balance, -5000, 5000) * 0.0001 + 0.5) * 1000000.0));
}
