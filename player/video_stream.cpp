#include "player/video_stream.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

#include "player/command_ids.h"
#include "player/core/level_steps.h"
#include "player/player_settings.h"

namespace {

// The smallest window the mouse wheel leaves.
constexpr int kMinimumWidth = 64;
constexpr int kMinimumHeight = 48;

// The engine's interfaces carry window handles as 32-bit values.
LONG HandleValue(HWND window) { return static_cast<LONG>(reinterpret_cast<LONG_PTR>(window)); }

bool RegisterVideoClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSA wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  wc.lpszClassName = VideoStream::kWindowClass;
  // A second registration fails harmlessly: the class is already there.
  return RegisterClassA(&wc) != 0;
}

}  // namespace

VideoStream::VideoStream(long number, PlayerSettings* settings, EngineClient* client)
    : StreamObject("Video", "Video Window", number, settings, client) {}

VideoStream::~VideoStream() { ReleaseWindow(); }

HRESULT VideoStream::Init() {
  HINSTANCE instance = settings_->instance ? settings_->instance : GetModuleHandleA(nullptr);
  RegisterVideoClass(instance, WindowProc);
  window_ = CreateWindowExA(WS_EX_TOOLWINDOW, kWindowClass, "Video Window", WS_POPUP | WS_THICKFRAME, 50, 300, 300, 100,
                            nullptr, nullptr, instance, this);
  if (!window_) return HRESULT_FROM_WIN32(GetLastError());
  DragAcceptFiles(window_, TRUE);
  aspect_ratio_ = settings_->aspect_ratio;
  custom_x_ = settings_->custom_aspect_x;
  custom_y_ = settings_->custom_aspect_y;
  initialised_ = true;
  IMediaStreams* streams = Streams();
  if (!streams) return E_POINTER;
  HRESULT hr = streams->put_VwOwner(number_, HandleValue(window_));
  if (FAILED(hr)) return hr;
  return streams->put_VwDrain(number_, HandleValue(window_));
}

void VideoStream::ReleaseWindow() {
  if (!window_) return;
  HWND window = window_;
  window_ = nullptr;
  if (fullscreen_) KillTimer(window, reinterpret_cast<UINT_PTR>(window));
  ShowWindow(window, SW_HIDE);
  SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  DestroyWindow(window);
}

void VideoStream::Close() {
  // Full screen ends while the engine still has the file, so that the main
  // window gets its own place in the Z order back and this window its size.
  if (fullscreen_) LeaveFullscreen();
  if (!active_ || !window_) return;
  RECT rect;
  if (GetWindowRect(window_, &rect)) {
    settings_->video_window_x = rect.left;
    settings_->video_window_y = rect.top;
  }
}

HRESULT VideoStream::SetVideoRect(long left, long top, long right, long bottom) {
  IMediaStreams* streams = Streams();
  if (!streams) return E_POINTER;
  HRESULT hr = streams->put_VwLeft(number_, left);
  if (SUCCEEDED(hr)) hr = streams->put_VwTop(number_, top);
  if (SUCCEEDED(hr)) hr = streams->put_VwRight(number_, right);
  if (SUCCEEDED(hr)) hr = streams->put_VwBottom(number_, bottom);
  return hr;
}

HRESULT VideoStream::SetBorderedRect() {
  if (!window_) return E_POINTER;
  RECT client;
  GetClientRect(window_, &client);
  return SetVideoRect(kBorder, kBorder, client.right - 2 * kBorder, client.bottom - 2 * kBorder);
}

HRESULT VideoStream::OnPlay() {
  IMediaStreams* streams = Streams();
  if (!window_ || !streams) return E_POINTER;
  if (!active_) return S_OK;
  if (!sized_) {
    LONG width = 0, height = 0;
    streams->get_VideoWidth(number_, &width);
    streams->get_VideoHeight(number_, &height);
    video_width_ = width;
    video_height_ = height;
    SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(window_, nullptr, settings_->video_window_x, settings_->video_window_y, 0, 0,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
    sized_ = true;
  }
  RECT client;
  GetClientRect(window_, &client);
  SetVideoRect(0, 0, client.right, client.bottom);
  streams->put_CustomXAspect(number_, settings_->custom_aspect_x);
  streams->put_CustomYAspect(number_, settings_->custom_aspect_y);
  SetBorderedRect();
  streams->put_AspectRatio(number_, settings_->aspect_ratio);
  // The picture levels the user chose; a stream without the picture
  // filter refuses them (S_FALSE) and the settings stay as they are.
  streams->put_Brightness(number_, settings_->brightness);
  streams->put_Contrast(number_, settings_->contrast);
  Show(true);
  // The renderer's window is the engine's child of this one, kept hidden
  // until the picture has somewhere to go.
  streams->ShowVideoWindow(number_, VARIANT_TRUE);
  return S_OK;
}

HRESULT VideoStream::Move(int x, int y) {
  if (!window_) return E_POINTER;
  ShowWindow(window_, SW_HIDE);
  SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
  RECT client;
  GetClientRect(window_, &client);
  SetVideoRect(0, 0, client.right, client.bottom);
  return Show(true);
}

HRESULT VideoStream::Resize(int width, int height) {
  IMediaStreams* streams = Streams();
  if (!window_ || !streams) return E_POINTER;
  ShowWindow(window_, SW_HIDE);
  SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  streams->ResizeVideoWindow(number_);
  return Show(true);
}

HRESULT VideoStream::Show(bool show) {
  if (!window_) return E_POINTER;
  if (show) {
    ShowWindow(window_, SW_SHOW);
    SetFocus(window_);
  } else {
    ShowWindow(window_, SW_HIDE);
  }
  return S_OK;
}

HRESULT VideoStream::Zoom(int percent) {
  IMediaStreams* streams = Streams();
  if (!window_ || !streams) return E_POINTER;
  if (percent != 50 && percent != 100 && percent != 200) return E_INVALIDARG;
  LONG width = 0, height = 0;
  streams->get_VideoHeight(number_, &height);
  streams->get_VideoWidth(number_, &width);
  width = static_cast<LONG>(static_cast<int64_t>(width) * percent / 100);
  height = static_cast<LONG>(static_cast<int64_t>(height) * percent / 100);
  SetBorderedRect();
  SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  return S_OK;
}

void VideoStream::SendToPlayer(int id) {
  if (settings_->command_window) SendMessageA(settings_->command_window, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

void VideoStream::PostToPlayer(int id) {
  if (settings_->command_window) PostMessageA(settings_->command_window, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

// The main window (the remote) above or among the other windows. Full
// screen changes only the Z order: "Play window on top" stays the user's.
void VideoStream::PlaceRemote(bool on_top) {
  if (HWND main = settings_->main_skin_window) {
    SetWindowPos(main, on_top ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

HRESULT VideoStream::EnterFullscreen() {
  IMediaStreams* streams = Streams();
  if (!window_ || !streams) return E_POINTER;
  SetBorderedRect();
  HRESULT hr = streams->SetFullscreen(number_, HandleValue(window_));
  if (FAILED(hr)) return hr;
  fullscreen_ = true;
  streams->ShowCursor(number_, 1);
  remembered_on_top_ = settings_->play_window_on_top != 0;
  PlaceRemote(true);
  if (settings_->hide_remote_in_fullscreen) {
    UINT timeout = settings_->hiding_remote_timeout > 0 ? static_cast<UINT>(settings_->hiding_remote_timeout) : 0;
    SetTimer(window_, reinterpret_cast<UINT_PTR>(window_), timeout * 1000u, nullptr);
  }
  return S_OK;
}

HRESULT VideoStream::LeaveFullscreen() {
  IMediaStreams* streams = Streams();
  if (!window_ || !streams) return E_POINTER;
  SetBorderedRect();
  HRESULT hr = streams->ResetFullscreen(number_);
  fullscreen_ = false;
  // The setting as it is now: the user may have changed it meanwhile.
  PlaceRemote(settings_->play_window_on_top != 0);
  streams->ShowCursor(number_, 1);
  KillTimer(window_, reinterpret_cast<UINT_PTR>(window_));
  return hr;
}

HRESULT VideoStream::ToggleFullscreen() { return fullscreen_ ? LeaveFullscreen() : EnterFullscreen(); }

void VideoStream::HideRemote() {
  PlaceRemote(false);
  IMediaStreams* streams = Streams();
  if (settings_->hide_cursor_when_hiding_remote && streams) streams->ShowCursor(number_, 0);
}

void VideoStream::OnPaint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  RECT client;
  GetClientRect(window_, &client);
  LONG left = 0, top = 0, right = client.right, bottom = client.bottom;
  if (IMediaStreams* streams = Streams()) {
    streams->get_VwLeft(number_, &left);
    streams->get_VwTop(number_, &top);
    streams->get_VwRight(number_, &right);
    streams->get_VwBottom(number_, &bottom);
  }
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  RECT bands[4] = {{0, 0, left, client.bottom},
                   {0, 0, client.right, top},
                   {right, 0, client.right, client.bottom},
                   {0, bottom, client.right, client.bottom}};
  for (const RECT& band : bands) {
    if (band.right > band.left && band.bottom > band.top) FillRect(dc, &band, black);
  }
  EndPaint(window_, &paint);
}

// Each whole notch (touchpads send parts of one, which add up) grows or
// shrinks the window by 25 pixels each way, down to a size that still
// shows a picture.
void VideoStream::OnWheel(int delta) {
  wheel_rest_ += delta;
  const int notches = wheel_rest_ / kWheelDelta;
  if (notches == 0) return;
  wheel_rest_ -= notches * kWheelDelta;
  RECT window;
  GetWindowRect(window_, &window);
  const int width = std::max<int>(kMinimumWidth, window.right - window.left + 25 * notches);
  const int height = std::max<int>(kMinimumHeight, window.bottom - window.top + 25 * notches);
  SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  InvalidateRect(window_, nullptr, TRUE);
  UpdateWindow(window_);
}

LRESULT VideoStream::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      if (!fullscreen_) {
        int width = LOWORD(lparam), height = HIWORD(lparam);
        SetVideoRect(kBorder, kBorder, width - kBorder, height - kBorder);
        if (IMediaStreams* streams = Streams()) streams->ResizeVideoWindow(number_);
      }
      break;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_CLOSE:
      // The file closes from the command window: this window goes with it.
      PostToPlayer(kCommandStopAndClose);
      return 0;
    case WM_KEYDOWN:
      if (wparam == VK_RETURN) SendToPlayer(kCommandToggleFullscreen);
      break;
    case WM_COMMAND:
      if (settings_->command_window) SendMessageA(settings_->command_window, WM_COMMAND, wparam, lparam);
      return 0;
    case WM_DROPFILES:
      if (settings_->command_window) SendMessageA(settings_->command_window, WM_DROPFILES, wparam, lparam);
      return 0;
    case WM_MOUSEMOVE:
      if ((wparam & MK_LBUTTON) && !fullscreen_) {
        SendMessageA(window_, WM_SYSCOMMAND, 0xF011, 0);
        return 0;
      }
      break;
    case WM_LBUTTONDBLCLK:
      ToggleFullscreen();
      return 0;
    case WM_RBUTTONDOWN: {
      POINT at = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      ClientToScreen(window_, &at);
      if (settings_->command_window) {
        PostMessageA(settings_->command_window, WM_COMMAND, kCommandVideoMenu, MAKELPARAM(at.x, at.y));
      }
      return 0;
    }
    case WM_MOUSEWHEEL:
      if (!fullscreen_) OnWheel(GET_WHEEL_DELTA_WPARAM(wparam));
      return 0;
    case WM_TIMER:
      if (fullscreen_) HideRemote();
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window_, message, wparam, lparam);
}

LRESULT CALLBACK VideoStream::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<VideoStream*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  // Messages reach the stream once the player has an engine client and the
  // stream owns the window.
  if (!self || self->window_ != window || !self->settings_ || !self->settings_->engine) {
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProcA(window, message, wparam, lparam);
  }
  return self->OnMessage(message, wparam, lparam);
}
