#pragma once
// Conversions between skin slider values (millionths, 0 .. 1,000,000) and
// the engine's volume and balance units (hundredths of a decibel).
#include <cstdint>

constexpr int32_t kSliderMax = 1000000;

// -(10 ^ ((1,000,000 - s) x 0.000004)): 1,000,000 gives -1, 0 gives -10000.
int32_t SliderToVolume(int32_t slider);
// 1,000,000 - 250,000 x log10(-v) for -10000 .. -1. A stored volume of 0 or
// above plays at full volume, so its slider stands at the top; below -10000
// it stands at the bottom.
int32_t VolumeToSlider(int32_t volume);
// (s x 0.000001 - 0.5) x 10000: 0 gives -5000, 1,000,000 gives 5000.
int32_t SliderToBalance(int32_t slider);
// (b x 0.0001 + 0.5) x 1,000,000.
int32_t BalanceToSlider(int32_t balance);
