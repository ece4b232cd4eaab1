#pragma once
// A video stream of the open file and its own top-level video window: the
// engine renders into the window, and the player keeps the engine's video
// rectangle in step with the window's client area, carries full screen with
// its remote handling, zoom, dragging and wheel resizing, and pushes the
// picture settings when playback starts.
#include "player/engine_client.h"

class VideoStream : public StreamObject {
 public:
  static constexpr const char* kWindowClass = "VWClassName";
  static constexpr int kBorder = 1;

  VideoStream(long number, PlayerSettings* settings, EngineClient* client);
  ~VideoStream() override;

  HRESULT Init() override;
  void ReleaseWindow() override;
  void Close() override;
  HRESULT OnPlay() override;
  VideoStream* AsVideo() override { return this; }

  HRESULT Move(int x, int y);
  HRESULT Resize(int width, int height);
  HRESULT Show(bool show);
  HRESULT Zoom(int percent);
  HRESULT ToggleFullscreen();
  bool Fullscreen() const { return fullscreen_; }
  HWND Window() const { return window_; }
  bool Sized() const { return sized_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void OnPaint();
  void OnWheel(int delta);
  HRESULT SetVideoRect(long left, long top, long right, long bottom);
  HRESULT SetBorderedRect();
  HRESULT EnterFullscreen();
  HRESULT LeaveFullscreen();
  void HideRemote();
  void SendToPlayer(int id);
  void PostToPlayer(int id);
  void PlaceRemote(bool on_top);

  HWND window_ = nullptr;
  bool sized_ = false;
  long video_width_ = 0;
  long video_height_ = 0;
  int32_t aspect_ratio_ = 0;
  double custom_x_ = 2.35;
  double custom_y_ = 1.0;
  bool fullscreen_ = false;
  bool remembered_on_top_ = false;
  int wheel_rest_ = 0;
};
