// The player in the tray, its control icons, its pop-up menus and its file
// types.
#include <windows.h>
#include <windowsx.h>

#include "player/command_ids.h"
#include "player/core/tray_config.h"
#include "player/engine_client.h"
#include "player/file_types_win.h"
#include "player/player_app.h"
#include "player/video_stream.h"

bool PlayerApp::HandleTrayCommand(int id, LPARAM lparam) {
  switch (id) {
    case IDM_MINIMIZETOTRAY:
      MinimiseToTray();
      return true;
    case kCommandRestoreFromTray:
      RestoreFromTray();
      return true;
    case kCommandRegisterFileTypes:
      // Ctrl+R registers silently; the preferences' button asks.
      RegisterFileTypesAsked(lparam != 0);
      return true;
    case kCommandVideoMenu: {
      HWND owner = nullptr;
      if (EngineReady()) {
        if (VideoStream* video = engine_->FirstActiveVideo()) owner = video->Window();
      }
      if (!owner) owner = command_window_;
      const POINT at = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      if (int chosen = menus_.TrackVideo(owner, at)) PostCommand(chosen, 0);
      return true;
    }
    default:
      if (id >= tray::kShowAllCommand && id <= tray::kLastIconCommand) {
        tray_.OnMenuCommand(id);
        return true;
      }
      return false;
  }
}

// The main window goes only once the tray holds the player's icon: without
// a tray the player would be out of reach.
void PlayerApp::MinimiseToTray() {
  if (!tray_.AddPlayerIcon()) {
    ShowStatus(L"No tray to go to", kStatusMessageTicks);
    return;
  }
  if (HWND main = MainWindow()) ShowWindow(main, SW_HIDE);
  HWND playlist = PlaylistWindow();
  settings_.playlist_visible = playlist && IsWindowVisible(playlist) ? 1 : 0;
  if (skin_ && skin_loaded_) skin_->ShowPlaylist(false);
}

void PlayerApp::RestoreFromTray() {
  tray_.RemovePlayerIcon();
  if (HWND main = MainWindow()) {
    ShowWindow(main, SW_SHOW);
    SetForegroundWindow(main);
  }
  if (settings_.playlist_visible && skin_ && skin_loaded_) skin_->ShowPlaylist(true);
}

void PlayerApp::OnTrayNotification(WPARAM icon, LPARAM event) {
  if (LOWORD(event) != WM_LBUTTONDOWN) return;
  if (int command = tray::CommandForIcon(static_cast<int>(icon))) PostCommand(command, 0);
}

void PlayerApp::RegisterFileTypesAsked(bool ask) {
  bool silently = true;
  RegisterFileTypes(module_path_, ask ? &file_types_agreed_ : &silently);
}

void PlayerApp::ShowMainMenu(HWND window) {
  POINT at;
  GetCursorPos(&at);
  if (int chosen = menus_.TrackMain(window, at, tray_.control_menu())) PostCommand(chosen, 0);
}
