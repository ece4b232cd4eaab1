// DispatchCommand: every command of the player, from skin elements,
// accelerators, menus and the player itself, and the playback it drives.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>

#include "player/command_ids.h"
#include "player/core/level_steps.h"
#include "player/core/levels.h"
#include "player/core/media_names.h"
#include "player/core/seeking.h"
#include "player/dialog_filters.h"
#include "player/engine_client.h"
#include "player/file_dialog.h"
#include "player/messages.h"
#include "player/player_app.h"
#include "player/video_stream.h"

namespace {

constexpr char kWebPage[] = "https://zelvo.example/player/";
constexpr char kFileDialogFailed[] = "GetClipFileName Failed! Error=0x%x\r\n";
constexpr size_t kMaxFileName = 260;

}  // namespace

bool PlayerApp::EngineReady() const { return engine_ && engine_loaded_; }

HWND PlayerApp::MainWindow() const { return skin_ && skin_loaded_ ? skin_->MainWindow() : nullptr; }

void PlayerApp::RaiseTooltip() {
  HWND tooltip = skin_ && skin_loaded_ ? skin_->TooltipWindow() : nullptr;
  if (tooltip) SetWindowPos(tooltip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// The displays -------------------------------------------------------------

void PlayerApp::RefreshTimeDisplay(int64_t position, bool forced) {
  bool has_text = skin_ && skin_loaded_ && skin_->HasText(SkinHost::TextLine::kDuration);
  TimeDisplayUpdate update = time_display_.Refresh(position, forced, has_text);
  for (const DisplayCommand& digit : update.digits) SendCommand(digit.id, digit.value);
  if (update.text && has_text) skin_->SetText(SkinHost::TextLine::kDuration, *update.text);
  if (update.bar) SendCommand(update.bar->id, update.bar->value);
}

void PlayerApp::ShowStatus(const std::wstring& text, int32_t ticks) {
  int text_width = 0, element_width = 0;
  if (skin_ && skin_loaded_) skin_->ShowStatus(text, &text_width, &element_width);
  status_.Show(ticks, text_width, element_width);
}

void PlayerApp::OnTitleTick() {
  if (status_.CountDown()) {
    bool loaded = EngineReady() && engine_->MediaLoaded();
    ShowStatus(StatusTitle(loaded, settings_.current_file_name), 0);
  }
  if (std::optional<int32_t> offset = status_.ScrollStep(settings_.scroll_movie_title != 0)) {
    if (skin_ && skin_loaded_) skin_->ScrollStatus(*offset);
  }
}

void PlayerApp::OnPositionTick() {
  if (EngineReady()) RefreshTimeDisplay(engine_->Position(), false);
}

// Playback -----------------------------------------------------------------

void PlayerApp::StopAndClose() {
  KillTimer(command_window_, kPositionTimer);
  time_display_.SetDuration(0);
  RefreshTimeDisplay(0, false);
  if (EngineReady()) engine_->Close();
}

HRESULT PlayerApp::OpenAndPlay() {
  StopAndClose();
  if (skin_ && skin_loaded_) skin_->RedrawWindows();
  if (!EngineReady()) return E_POINTER;
  // Nothing named (a first run without a file): nothing to open.
  if (settings_.current_file_name.empty()) return E_INVALIDARG;
  HRESULT hr = engine_->Open(settings_.current_file_name);
  if (FAILED(hr)) return hr;
  if (settings_.play_window_on_top) SendCommand(IDM_TOPMOST_ON, 0);
  if (skin_ && skin_loaded_ && skin_->HasText(SkinHost::TextLine::kVideoInfo)) {
    std::wstring info;
    VideoStream* video = engine_->FirstVideo();
    if (video && engine_->IsInitialised()) {
      LONG width = 100, height = 100;
      if (FAILED(engine_->streams()->get_VideoWidth(video->Number(), &width))) width = 100;
      if (FAILED(engine_->streams()->get_VideoHeight(video->Number(), &height))) height = 100;
      wchar_t text[64];
      std::swprintf(text, 64, L"%ld x %ld", static_cast<long>(width), static_cast<long>(height));
      info = text;
    }
    skin_->SetText(SkinHost::TextLine::kVideoInfo, info);
  }
  hr = engine_->Play();
  if (FAILED(hr)) return hr;
  paused_ = false;
  playlist_.NoteOpened();
  PostCommand(IDM_SET_VOLUME, VolumeToSlider(settings_.volume));
  PostCommand(IDM_SET_BALANCE, BalanceToSlider(settings_.balance));
  time_display_.SetDuration(engine_->Duration());
  RefreshTimeDisplay(engine_->Position(), true);
  SetTimer(command_window_, kPositionTimer, kTimerPeriodMs, nullptr);
  ShowStatus(kPlayerTitle, kStatusWelcomeTicks);
  subtitles_dialog_.SendRect();
  preferences_dialog_.Refresh();
  return S_OK;
}

// A file given on the command line (or the last file of the previous run)
// that played becomes the playlist's current item, added when the list does
// not hold it yet, so that the next item is the one after it.
void PlayerApp::SelectCommandLineFile() {
  std::wstring name = UnquotedFileName(settings_.current_file_name);
  if (name.empty()) return;
  std::wstring lowered = LoweredName(name);
  const auto& entries = playlist_.Entries();
  auto found = std::find_if(entries.begin(), entries.end(),
                            [&](const std::wstring& entry) { return LoweredName(entry) == lowered; });
  int32_t index = static_cast<int32_t>(found - entries.begin());
  if (found == entries.end()) {
    playlist_.Append(name);
    if (skin_ && skin_loaded_) skin_->LayoutFileList();
    index = playlist_.Count() - 1;
  }
  // After the start-up's own "item 0", which is already posted.
  if (HWND main = MainWindow()) PostMessageA(main, WM_COMMAND, IDM_PLAYLIST_SETITEM, index);
}

void PlayerApp::PlayCurrentItem() {
  const std::wstring* entry = playlist_.Current();
  if (!entry) return;
  settings_.current_file_name = *entry;
  const std::wstring name = *entry;
  if (SUCCEEDED(OpenAndPlay())) return;
  // A file that does not open gives way to the next one, with a word on the
  // status line; a list of which none opens ends rather than cycling.
  ReportOpenFailure(name);
  NextStep step = playlist_.NextAfterFailedOpen(settings_.repeat != 0, settings_.shuffle != 0);
  if (step.action == NextAction::kPlay) {
    SendCommand(IDM_PLAYLIST_SETITEM, step.index);
    PostCommand(kCommandPlayCurrentItem, 0);
  }
}

// The status line says which file failed, and the previous file's picture
// size goes from the info line.
void PlayerApp::ReportOpenFailure(const std::wstring& name) {
  if (skin_ && skin_loaded_ && skin_->HasText(SkinHost::TextLine::kVideoInfo)) {
    skin_->SetText(SkinHost::TextLine::kVideoInfo, L"");
  }
  ShowStatus(L"Could not open " + FileNamePart(UnquotedFileName(name)), kStatusMessageTicks);
}

void PlayerApp::PlayNext() {
  NextStep step = playlist_.Next(settings_.repeat != 0, settings_.shuffle != 0);
  switch (step.action) {
    case NextAction::kPlay:
      SendCommand(IDM_PLAYLIST_SETITEM, step.index);
      PostCommand(kCommandPlayCurrentItem, 0);
      break;
    case NextAction::kReplayCurrent:
      if (FAILED(OpenAndPlay())) ReportOpenFailure(settings_.current_file_name);
      break;
    case NextAction::kStop:
    case NextAction::kFail:
      break;
  }
}

void PlayerApp::PlayPrevious() {
  if (std::optional<int32_t> index = playlist_.Previous()) {
    SendCommand(IDM_PLAYLIST_SETITEM, *index);
    PostCommand(kCommandPlayCurrentItem, 0);
  }
}

HRESULT PlayerApp::SeekTo(int64_t target) {
  if (!EngineReady() || !engine_->MediaLoaded()) return E_FAIL;
  engine_->Seek(target);
  RefreshTimeDisplay(engine_->Position(), true);
  return S_OK;
}

void PlayerApp::OpenMediaFile() {
  wchar_t name[kMaxFileName] = L"";
  FileDialog dialog;
  dialog.owner = MainWindow();
  dialog.title = L"Open Media File...";
  dialog.filter = kMediaFilter;
  dialog.default_extension = L"*";
  dialog.flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_READONLY;
  dialog.used = &file_dialog_used_;
  dialog.failure = kFileDialogFailed;
  if (!AskForFile(dialog, name, kMaxFileName)) return;
  std::wstring chosen = name;
  if (const char* refusal = RefusedMediaName(chosen)) {
    ShowMessageText(refusal);
    return;
  }
  settings_.current_file_name = chosen;
  playlist_.Append(chosen);
  if (skin_ && skin_loaded_) skin_->LayoutFileList();
  SendCommand(IDM_PLAYLIST_SETITEM, playlist_.Count() - 1);
  PostCommand(kCommandOpenAndPlay, 0);
}

INT_PTR CALLBACK PlayerApp::GoToDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lparam);
      SetDlgItemTextA(dialog, kGoToPositionEdit, "");
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        auto* app = reinterpret_cast<PlayerApp*>(GetWindowLongPtrA(dialog, DWLP_USER));
        char text[11] = "";
        GetDlgItemTextA(dialog, kGoToPositionEdit, text, sizeof text);
        std::optional<int32_t> milliseconds = ParseGoToPosition(text);
        if (!milliseconds) {
          ShowMessageText(kGoToPositionError);
          return TRUE;
        }
        if (app) app->SendCommand(kCommandSeekToMilliseconds, *milliseconds);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

void PlayerApp::RunGoToDialog() {
  DialogBoxParamA(instance_, MAKEINTRESOURCEA(kGoToPositionDialog), MainWindow(), GoToDialogProc,
                  reinterpret_cast<LPARAM>(this));
}

// Skins ----------------------------------------------------------------------

int PlayerApp::WearSkin(const std::string& description, const std::string& archive) {
  DestroySkin();
  skin_description_ = description;
  skin_archive_ = archive;
  int result = skin_ ? skin_->Load(SkinContext()) : -1;
  if (result < 0) return result;
  skin_loaded_ = true;
  settings_.main_skin_window = skin_->MainWindow();
  if (HWND main = skin_->MainWindow()) ShowWindow(main, SW_SHOW);
  docked_ = DockedFlags();
  main_pull_ = playlist_pull_ = DockPull();
  DockPlaylistToMain();
  time_display_.Forget();
  ApplyStoredSettingsToSkin();
  return result;
}

void PlayerApp::WearDefaultSkin() {
  if (WearSkin(default_skin_description_, default_skin_archive_) < 0 && skin_) {
    // Even without its skin the player keeps running and can be closed
    // from the tray or with its accelerators.
    skin_loaded_ = false;
  }
}

void PlayerApp::ChangeSkin() {
  char name[kMaxFileName] = "";
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = MainWindow();
  ofn.lpstrFilter = kSkinFilter;
  ofn.lpstrFile = name;
  ofn.nMaxFile = sizeof name;
  ofn.lpstrTitle = "Open WinAmpSkin File...";
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  if (!file_dialog_used_) ofn.lpstrInitialDir = "\\";
  file_dialog_used_ = true;
  if (!GetOpenFileNameA(&ofn)) {
    DWORD error = CommDlgExtendedError();
    if (error) ShowMessage(kFileDialogFailed, static_cast<unsigned>(error));
    return;
  }
  // The skin's own windows may be on the stack of this command (its button
  // was clicked): the change happens once the command has returned.
  pending_skin_archive_ = name;
  PostCommand(kCommandWearPendingSkin, 0);
}

// Commands -------------------------------------------------------------------

// The commands that only change the player's windows and the settings
// behind them; true when `id` was one of them.
bool PlayerApp::HandleWindowCommand(int id) {
  HWND main = MainWindow();
  switch (id) {
    case IDM_PLAYLIST_HIDE:
      if (skin_ && skin_loaded_) skin_->ShowPlaylist(false);
      settings_.playlist_visible = 0;
      if (main) SetFocus(main);
      return true;
    case IDM_PLAYLIST_SHOW:
      if (skin_ && skin_loaded_) skin_->ShowPlaylist(true);
      settings_.playlist_visible = 1;
      return true;
    case kCommandTogglePlaylist:
      SendCommand(settings_.playlist_visible ? IDM_PLAYLIST_HIDE : IDM_PLAYLIST_SHOW, 0);
      return true;
    case IDM_PLAYLISTBUTTONSBAR:
      if (skin_ && skin_loaded_) skin_->ShowButtonsBar(true);
      return true;
    case IDM_HIDEBUTTONSBAR:
      if (skin_ && skin_loaded_) skin_->ShowButtonsBar(false);
      return true;
    case IDM_REPEAT_ON:
    case IDM_REPEAT_OFF:
      settings_.repeat = id == IDM_REPEAT_ON;
      preferences_dialog_.Refresh();
      return true;
    case IDM_SHUFFLE_ON:
    case IDM_SHUFFLE_OFF:
      settings_.shuffle = id == IDM_SHUFFLE_ON;
      preferences_dialog_.Refresh();
      return true;
    case kCommandToggleRepeat:
      SendCommand(settings_.repeat ? IDM_REPEAT_OFF : IDM_REPEAT_ON, 0);
      return true;
    case kCommandToggleShuffle:
      SendCommand(settings_.shuffle ? IDM_SHUFFLE_OFF : IDM_SHUFFLE_ON, 0);
      return true;
    case kCommandToggleTopmost:
      SendCommand(settings_.play_window_on_top ? IDM_TOPMOST_OFF : IDM_TOPMOST_ON, 0);
      return true;
    case IDM_TOPMOST_ON:
    case IDM_TOPMOST_OFF:
      settings_.play_window_on_top = id == IDM_TOPMOST_ON;
      if (main) {
        SetWindowPos(main, id == IDM_TOPMOST_ON ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      }
      if (id == IDM_TOPMOST_ON) RaiseTooltip();
      preferences_dialog_.Refresh();
      return true;
    case kCommandSubtitles:
      subtitles_dialog_.Show();
      return true;
    case IDM_OPTIONS:
      preferences_dialog_.Show();
      return true;
    case kCommandVideoFixing:
      video_fix_dialog_.Show();
      return true;
    case IDM_ABOUT:
      preferences_dialog_.ShowAbout();
      return true;
    case kCommandBringBack:
      if (EngineReady() && engine_->IsFullscreen() && main) {
        SetWindowPos(main, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      }
      RaiseTooltip();
      return true;
    default:
      return false;
  }
}

// Volume, balance, mute and the picture levels.
bool PlayerApp::HandleLevelCommand(int id, LPARAM lparam) {
  const int32_t value = static_cast<int32_t>(lparam);
  switch (id) {
    case IDM_SET_VOLUME:
      volume_slider_ = std::clamp(value, 0, kSliderMax);
      // A slider put where the stored volume already stands keeps that
      // volume: the two scales do not map one to one, and the volume must
      // not drift at every start, skin change or mute.
      if (VolumeToSlider(settings_.volume) != volume_slider_) settings_.volume = SliderToVolume(volume_slider_);
      if (EngineReady()) {
        engine_->ApplyVolume(settings_.muted ? kSilentVolume : std::clamp(settings_.volume, kSilentVolume, 0));
      }
      return true;
    case IDM_SET_BALANCE:
      settings_.balance = SliderToBalance(std::clamp(value, 0, kSliderMax));
      if (EngineReady()) engine_->ApplyBalance(settings_.balance);
      return true;
    case IDM_VOLUME_UP:
      SendCommand(IDM_SET_VOLUME, VolumeUpSlider(volume_slider_));
      return true;
    case IDM_VOLUME_DOWN:
      SendCommand(IDM_SET_VOLUME, VolumeDownSlider(volume_slider_));
      return true;
    case IDM_BALANCE_LEFT:
      SendCommand(IDM_SET_BALANCE, BalanceLeftSlider(settings_.balance));
      return true;
    case IDM_BALANCE_RIGHT:
      SendCommand(IDM_SET_BALANCE, BalanceRightSlider(settings_.balance));
      return true;
    case IDM_VOLUME_MUTE_ON:
    case IDM_VOLUME_MUTE_OFF:
      settings_.muted = id == IDM_VOLUME_MUTE_ON;
      SendCommand(IDM_SET_VOLUME, VolumeToSlider(settings_.volume));
      return true;
    case kCommandToggleMute:
      SendCommand(settings_.muted ? IDM_VOLUME_MUTE_OFF : IDM_VOLUME_MUTE_ON, 0);
      return true;
    case IDM_BRIGHTNESS_UP:
    case IDM_BRIGHTNESS_DOWN:
      if (EngineReady()) engine_->StepBrightness(id == IDM_BRIGHTNESS_UP);
      return true;
    case IDM_CONTRAST_UP:
    case IDM_CONTRAST_DOWN:
      if (EngineReady()) engine_->StepContrast(id == IDM_CONTRAST_UP);
      return true;
    default:
      return false;
  }
}

// Play, pause, stop, the playlist's walk, seeking, zoom and full screen.
bool PlayerApp::HandleTransportCommand(HWND, int id, LPARAM lparam) {
  const bool loaded = EngineReady() && engine_->MediaLoaded();
  switch (id) {
    case IDM_FILE_OPEN:
      OpenMediaFile();
      return true;
    case IDM_FILE_PLAY:
      paused_ = false;
      if (loaded) {
        engine_->Play();
      } else if (!playlist_.Empty()) {
        SendCommand(kCommandPlayCurrentItem, 0);
      } else {
        SendCommand(IDM_FILE_OPEN, 0);
      }
      return true;
    case IDM_STOP:
      paused_ = true;
      if (EngineReady()) engine_->Stop();
      ShowStatus(L"Closed", kStatusMessageTicks);
      return true;
    case IDM_FILE_PAUSE:
      if (paused_) {
        SendCommand(IDM_FILE_PLAY, 0);
        return true;
      }
      if (EngineReady()) engine_->Pause();
      paused_ = true;
      ShowStatus(L"Paused", kStatusMessageTicks);
      return true;
    case IDM_HOLD_ON:
      if (loaded) engine_->Pause();
      return true;
    case IDM_HOLD_OFF:
      if (!paused_ && loaded) SendCommand(IDM_FILE_PLAY, 0);
      return true;
    case kCommandOpenAndPlay:
      if (FAILED(OpenAndPlay())) ReportOpenFailure(settings_.current_file_name);
      return true;
    case IDM_PLAYLIST_DBLCLICK:
    case kCommandPlayCurrentItem:
      PlayCurrentItem();
      return true;
    case kCommandFileComplete:
      StopAndClose();
      SendCommand(IDM_PLAYNEXT, 0);
      return true;
    case kCommandStopAndClose:
      StopAndClose();
      paused_ = true;
      return true;
    case IDM_PLAYNEXT:
      PlayNext();
      return true;
    case IDM_PLAYPREVIOUS:
      PlayPrevious();
      return true;
    case IDM_PLAYLIST_SETITEM:
      playlist_.SetIndex(static_cast<int32_t>(lparam));
      return true;
    case kCommandHideAndPause:
      SendCommand(IDM_MINIMIZETOTRAY, 0);
      if (EngineReady()) {
        engine_->Pause();
        if (VideoStream* video = engine_->FirstActiveVideo()) video->Show(false);
      }
      paused_ = true;
      return true;
    case kCommandToggleFullscreen:
      if (EngineReady()) engine_->ToggleFullscreen();
      RaiseTooltip();
      return true;
    case kCommandZoom50:
    case kCommandZoom100:
    case kCommandZoom200:
      if (EngineReady()) engine_->Zoom(id == kCommandZoom50 ? 50 : id == kCommandZoom100 ? 100 : 200);
      return true;
    case kCommandZoomPercent:
      if (EngineReady() && (lparam == 50 || lparam == 100 || lparam == 200)) {
        engine_->Zoom(static_cast<int>(lparam));
      }
      return true;
    case kCommandGoToPosition:
      RunGoToDialog();
      return true;
    default:
      break;
  }
  int64_t position = loaded ? engine_->Position() : 0;
  int64_t duration = loaded ? time_display_.Duration() : 0;
  std::optional<int64_t> target =
      SeekCommandTarget(id, static_cast<int32_t>(lparam), position, duration, settings_.rewind_seconds);
  if (!target) return false;
  if (SUCCEEDED(SeekTo(*target)) && id == IDM_SET_POSITION) {
    // The bar that was clicked (and every other) takes the new place.
    SendCommand(IDM_SET_POSITION_REFRESHCURSOR, lparam);
  }
  return true;
}

bool PlayerApp::HandleSkinCommand(int id) {
  switch (id) {
    case kCommandChangeSkin:
      ChangeSkin();
      return true;
    case kCommandDefaultSkin:
      pending_skin_archive_.clear();
      PostCommand(kCommandWearPendingSkin, 0);
      return true;
    case IDM_MINIMIZEMAINWINDOW:
    case IDM_NORMALIZEMAINWINDOW:
      // The button that asked is on the form being replaced.
      pending_main_form_ = id == IDM_MINIMIZEMAINWINDOW ? "MainSkinMinimized" : "MainSkin";
      PostCommand(kCommandSwitchMainForm, 0);
      return true;
    case kCommandSwitchMainForm:
      SwitchMainForm();
      return true;
    case kCommandWearPendingSkin:
      if (pending_skin_archive_.empty()) {
        WearDefaultSkin();
      } else if (WearSkin(application_directory_ + "WinAmpSkin.xml", pending_skin_archive_) < 0) {
        WearDefaultSkin();
      }
      pending_skin_archive_.clear();
      return true;
    default:
      return false;
  }
}

LRESULT PlayerApp::DispatchCommand(HWND window, int id, LPARAM lparam) {
  if (skin_ && skin_loaded_) skin_->RouteCommand(static_cast<WPARAM>(id), lparam);
  if (HandleWindowCommand(id) || HandleLevelCommand(id, lparam) || HandleTransportCommand(window, id, lparam) ||
      HandlePlaylistCommand(id) || HandleSkinCommand(id) || HandleTrayCommand(id, lparam)) {
    return 0;
  }
  if (const wchar_t* hint = HoverHint(id)) {
    ShowStatus(hint, kStatusMessageTicks);
    return 0;
  }
  switch (id) {
    case IDM_EXIT:
      PostCommand(kCommandShutDown, 0);
      return 0;
    case kCommandShutDown:
      Shutdown();
      return 0;
    case kCommandWebPage:
      ShellExecuteA(MainWindow(), "open", kWebPage, nullptr, nullptr, SW_SHOWNORMAL);
      return 0;
    default:
      return DefWindowProcA(window, WM_COMMAND, static_cast<WPARAM>(id), lparam);
  }
}
