#pragma once
// Keeps the screen saver off while the player runs, and gives the user's own
// setting back afterwards.
class ScreenSaverBlocker {
 public:
  // On: the first time, remember the current state; then switch it off.
  // Off: write a remembered state back and forget it; otherwise do nothing.
  void Block(bool on);
  bool remembers_state() const { return saved_ >= 0; }

 private:
  int saved_ = -1;
};
