// The skin's main, playlist and buttons-bar windows: dragging, docking the
// playlist to the main window, the keys and wheel they take, and the main
// form's normal and compact shapes.
#include <windows.h>
// After windows.h.
#include <shellapi.h>
#include <windowsx.h>

#include "player/command_ids.h"
#include "player/engine_client.h"
#include "player/player_app.h"
#include "player/video_stream.h"

namespace {

constexpr int kWheelStep = WHEEL_DELTA;

DockRect ToDock(const RECT& r) { return DockRect{r.left, r.top, r.right, r.bottom}; }

RECT ToRect(const DockRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

POINT OriginOf(HWND window) {
  RECT rect = {};
  if (window) GetWindowRect(window, &rect);
  return POINT{rect.left, rect.top};
}

bool IsPopupWindow(HWND window) { return window && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) == 0; }

void MoveBy(HWND window, LONG dx, LONG dy) {
  if (!window || (dx == 0 && dy == 0)) return;
  RECT rect;
  GetWindowRect(window, &rect);
  SetWindowPos(window, nullptr, rect.left + dx, rect.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Whole wheel notches of a WM_MOUSEWHEEL, signed.
int WheelNotches(WPARAM wparam) { return GET_WHEEL_DELTA_WPARAM(wparam) / kWheelStep; }

void SendRepeatedly(HWND window, int id, int times) {
  for (int i = 0; i < times; ++i) SendMessageA(window, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

}  // namespace

// Dragging ---------------------------------------------------------------------

// A window dragged by its body shows its contents while it moves; the
// user's own choice comes back when the move ends. A second move that
// starts before the first one ended keeps the first saved value.
void PlayerApp::SaveDragFullWindows() {
  if (drag_full_windows_saved_ == -1) {
    BOOL full = FALSE;
    if (SystemParametersInfoA(SPI_GETDRAGFULLWINDOWS, 0, &full, 0)) drag_full_windows_saved_ = full ? 1 : 0;
  }
  SystemParametersInfoA(SPI_SETDRAGFULLWINDOWS, TRUE, nullptr, 0);
}

void PlayerApp::RestoreDragFullWindows() {
  if (drag_full_windows_saved_ == -1) return;
  SystemParametersInfoA(SPI_SETDRAGFULLWINDOWS, static_cast<UINT>(drag_full_windows_saved_), nullptr, 0);
  drag_full_windows_saved_ = -1;
}

// Docking ----------------------------------------------------------------------

void PlayerApp::RememberWindowPositions() {
  if (!skin_ || !skin_loaded_) return;
  main_origin_ = OriginOf(skin_->MainWindow());
  playlist_origin_ = OriginOf(skin_->PlaylistWindow());
}

// A window being dragged to `proposed` snaps to `other` (WM_MOVING).
void PlayerApp::DockProposedRect(RECT* proposed, HWND other, DockPull& pull) {
  RECT still;
  GetWindowRect(other, &still);
  DockRect moving = ToDock(*proposed);
  DockMovingWindow(moving, ToDock(still), settings_.docking_interval, docked_, pull);
  *proposed = ToRect(moving);
}

// The playlist tested once against the main window, so that a playlist
// stored beside it starts docked (and one stored a few pixels off snaps).
void PlayerApp::DockPlaylistToMain() {
  HWND main = MainWindow();
  HWND playlist = skin_ && skin_loaded_ ? skin_->PlaylistWindow() : nullptr;
  if (!main || !playlist) return;
  RECT main_rect, playlist_rect;
  GetWindowRect(main, &main_rect);
  GetWindowRect(playlist, &playlist_rect);
  DockRect moving = ToDock(playlist_rect);
  DockMovingWindow(moving, ToDock(main_rect), settings_.docking_interval, docked_, playlist_pull_);
  if (moving.left != playlist_rect.left || moving.top != playlist_rect.top) {
    SetWindowPos(playlist, nullptr, moving.left, moving.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RememberWindowPositions();
  // Files can be dropped onto both forms of whichever skin is worn.
  DragAcceptFiles(main, TRUE);
  DragAcceptFiles(playlist, TRUE);
}

// The main form's shapes ---------------------------------------------------------

void PlayerApp::SwitchMainForm() {
  const char* form = pending_main_form_;
  pending_main_form_ = nullptr;
  if (!form || !skin_ || !skin_loaded_) return;
  const bool normal = std::string(form) == "MainSkin";
  // Destroying the form stores its position; the new one opens there.
  skin_->DeleteMainForm();
  settings_.main_skin_window = nullptr;
  HWND main = skin_->BuildMainForm(form, settings_.main_window_x, settings_.main_window_y);
  if (!main && !normal) main = skin_->BuildMainForm("MainSkin", settings_.main_window_x, settings_.main_window_y);
  settings_.main_skin_window = main;
  if (!main) return;
  ShowWindow(main, SW_SHOW);
  if (settings_.play_window_on_top) SetWindowPos(main, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  DockPlaylistToMain();
  // The new form's digits, bar and texts start from nothing.
  time_display_.Forget();
  if (normal) {
    ApplyStoredSettingsToSkin();
  } else {
    status_.Show(2, 0, 0);
    if (EngineReady()) RefreshTimeDisplay(engine_->Position(), true);
  }
}

// Window messages ------------------------------------------------------------------

bool PlayerApp::OnFormMessage(Form form, HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  *result = 0;
  switch (form) {
    case Form::kMain:
      return OnMainWindowMessage(window, message, wparam, lparam, result);
    case Form::kPlaylist:
      return OnPlaylistWindowMessage(window, message, wparam, lparam, result);
    case Form::kButtonsBar:
      if (message == WM_ACTIVATE && LOWORD(wparam) == WA_INACTIVE && skin_ && skin_loaded_) {
        skin_->ShowButtonsBar(false);
        return true;
      }
      return false;
  }
  return false;
}

// What the main and playlist forms do alike: a move by the mouse shows the
// window's contents, dropped files join the playlist, the wheel sends
// `wheel_up` or `wheel_down` once a notch, Enter toggles full screen, and
// the mouse over the form gives it the keyboard.
bool PlayerApp::OnAnyFormMessage(HWND window, UINT message, WPARAM wparam, LPARAM, int wheel_up, int wheel_down) {
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == SC_MOVE) SaveDragFullWindows();
      return false;
    case WM_EXITSIZEMOVE:
      RestoreDragFullWindows();
      return false;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wparam));
      return true;
    case WM_MOUSEWHEEL: {
      const int notches = WheelNotches(wparam);
      HWND main = MainWindow();
      SendRepeatedly(main ? main : command_window_, notches > 0 ? wheel_up : wheel_down,
                     notches > 0 ? notches : -notches);
      return true;
    }
    case WM_KEYDOWN:
      if (wparam != VK_RETURN) return false;
      if (HWND main = MainWindow()) SendMessageA(main, WM_COMMAND, kCommandToggleFullscreen, 0);
      return true;
    case WM_NCHITTEST:
      if (GetFocus() != window) SetFocus(window);
      return false;
    default:
      return false;
  }
}

bool PlayerApp::OnMainWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  HWND playlist = skin_ && skin_loaded_ ? skin_->PlaylistWindow() : nullptr;
  switch (message) {
    case WM_MOVING:
      // Docked, the main window carries the playlist along instead.
      if (!playlist || !IsWindowVisible(playlist) || docked_.Any()) return false;
      DockProposedRect(reinterpret_cast<RECT*>(lparam), playlist, main_pull_);
      *result = TRUE;
      return true;
    case WM_MOVE: {
      const POINT now = OriginOf(window);
      if (docked_.Any()) {
        MoveBy(playlist, now.x - main_origin_.x, now.y - main_origin_.y);
        if (playlist) UpdateWindow(playlist);
      }
      main_origin_ = now;
      return false;
    }
    case WM_RBUTTONDOWN:
      ShowMainMenu(window);
      *result = 0;
      return true;
    case WM_ACTIVATEAPP:
      if (wparam) {
        if (playlist) SetWindowPos(playlist, window, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (EngineReady()) {
          if (VideoStream* video = engine_->FirstActiveVideo()) video->Show(settings_.show_active_window != 0);
        }
        HWND preferences = preferences_dialog_.window();
        if (preferences && IsWindowVisible(preferences)) SetFocus(preferences);
      }
      RaiseTooltip();
      return true;
    case WM_DESTROY: {
      const POINT origin = OriginOf(window);
      settings_.main_window_x = origin.x;
      settings_.main_window_y = origin.y;
      return false;
    }
    default:
      return OnAnyFormMessage(window, message, wparam, lparam, IDM_VOLUME_UP, IDM_VOLUME_DOWN);
  }
}

bool PlayerApp::OnPlaylistWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_SYSCOMMAND:
      // The playlist is resized by its frame as well as moved.
      if ((wparam & 0xFFF0) == SC_SIZE) SaveDragFullWindows();
      return OnAnyFormMessage(window, message, wparam, lparam, IDM_PLAYLIST_SCROLLUP, IDM_PLAYLIST_SCROLLDOWN);
    case WM_MOVING:
      if (!MainWindow()) return false;
      DockProposedRect(reinterpret_cast<RECT*>(lparam), MainWindow(), playlist_pull_);
      *result = TRUE;
      return true;
    case WM_MOVE: {
      const POINT now = OriginOf(window);
      // A bar of its own follows the playlist; a child bar moves with it anyway.
      HWND bar = skin_ && skin_loaded_ ? skin_->ButtonsBarWindow() : nullptr;
      if (IsPopupWindow(bar)) MoveBy(bar, now.x - playlist_origin_.x, now.y - playlist_origin_.y);
      playlist_origin_ = now;
      return false;
    }
    case WM_CLOSE:
      if (HWND main = MainWindow()) {
        SendMessageA(main, WM_COMMAND, IDM_PLAYLIST_HIDE, 0);
      } else {
        SendCommand(IDM_PLAYLIST_HIDE, 0);
      }
      return true;
    case WM_DESTROY: {
      RECT rect;
      if (GetWindowRect(window, &rect)) {
        settings_.playlist_x = rect.left;
        settings_.playlist_y = rect.top;
        settings_.playlist_width = rect.right - rect.left;
        settings_.playlist_height = rect.bottom - rect.top;
      }
      // Its visibility is "Is Playlist visible", kept by the show and hide
      // commands: a window being destroyed has already been hidden.
      return false;
    }
    default:
      return OnAnyFormMessage(window, message, wparam, lparam, IDM_PLAYLIST_SCROLLUP, IDM_PLAYLIST_SCROLLDOWN);
  }
}
