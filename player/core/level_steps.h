#pragma once
// The step commands over the levels: volume up/down and balance left/right
// on the slider scale, mute, brightness and contrast steps, and mouse-wheel
// deltas turned into whole steps.
#include <cstdint>

constexpr int32_t kVolumeSliderStep = 100000;  // one tenth of the range
constexpr int32_t kBalanceSliderStep = 90909;  // eleven steps across
constexpr int32_t kSilentVolume = -10000;
constexpr int32_t kPictureLevelMin = -100;
constexpr int32_t kPictureLevelMax = 100;
constexpr int32_t kWheelDelta = 120;

// IDM_VOLUME_UP / IDM_VOLUME_DOWN: the slider value to send with 156.
int32_t VolumeUpSlider(int32_t slider);
int32_t VolumeDownSlider(int32_t slider);
// IDM_BALANCE_LEFT / IDM_BALANCE_RIGHT from the stored balance: the slider
// value to send with 157.
int32_t BalanceLeftSlider(int32_t balance);
int32_t BalanceRightSlider(int32_t balance);
// IDM_SET_VOLUME: what the audio streams receive for a slider value.
int32_t EngineVolume(int32_t slider, bool muted);

// Brightness or contrast one step up or down, kept in -100 .. 100; a value
// outside the range (a hand-edited setting) is first brought into it.
int32_t PictureLevelUp(int32_t value);
int32_t PictureLevelDown(int32_t value);

// Wheel deltas in whole notches of 120. Touchpads send smaller deltas; they
// add up to a notch instead of each counting as one, or as none.
class WheelSteps {
 public:
  // Steps to take for this delta: positive up, negative down.
  int32_t Add(int32_t delta);
  void Reset() { rest_ = 0; }

 private:
  int32_t rest_ = 0;
};
