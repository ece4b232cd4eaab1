#pragma once
// The modeless Subtitles dialog: a subtitle file picked or typed is loaded
// into the engine with the stored font, and the subtitle rectangle follows
// the open file's picture.
#include <windows.h>

struct PlayerSettings;
class EngineClient;

class SubtitlesDialog {
 public:
  SubtitlesDialog(HINSTANCE instance, PlayerSettings& settings) : instance_(instance), settings_(settings) {}
  ~SubtitlesDialog() { Destroy(); }
  SubtitlesDialog(const SubtitlesDialog&) = delete;
  SubtitlesDialog& operator=(const SubtitlesDialog&) = delete;

  // Creates the dialog hidden; the engine may be null or change later.
  bool Create(EngineClient* engine);
  void Destroy();
  // At the stored origin, with the last file name in the edit.
  void Show();
  void Hide();
  HWND window() const { return window_; }

  // Sends the subtitle rectangle of the first video stream, when the open
  // file has one; after every open and when the dialog is shown.
  void SendRect();
  // Loads the edit's file with the font settings; false (after saying so)
  // when the engine refused it.
  bool Apply();

 private:
  static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
  void Pick();
  void StorePosition();

  HINSTANCE instance_;
  PlayerSettings& settings_;
  EngineClient* engine_ = nullptr;
  HWND window_ = nullptr;
};
