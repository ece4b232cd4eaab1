#include "player/player_app.h"

#include <commctrl.h>
#include <objbase.h>

#include <cstdio>

#include "player/ansi_text.h"
#include "player/command_ids.h"
#include "player/core/command_line.h"
#include "player/core/levels.h"
#include "player/engine_client.h"
#include "player/messages.h"

namespace {

const char kCommandWindowClass[] = "Zelvo Vantor";
const char kSplashSemaphore[] = "SplashSemaphore";
constexpr size_t kMaxPath = 1024;

// The command window's procedure reaches the one running player here.
PlayerApp* g_app = nullptr;

std::string Cut(std::string text) {
  if (text.size() > kMaxPath - 1) text.resize(kMaxPath - 1);
  return text;
}

}  // namespace

PlayerApp::PlayerApp(HINSTANCE instance, SkinHost* skin, EngineClient* engine)
    : instance_(instance), skin_(skin), engine_(engine) {}

PlayerApp::~PlayerApp() {
  if (command_window_) DestroyWindow(command_window_);
  if (g_app == this) g_app = nullptr;
}

void PlayerApp::ComputePaths() {
  char module[kMaxPath];
  DWORD length = GetModuleFileNameA(nullptr, module, sizeof module);
  if (length >= sizeof module) length = 0;
  module_path_.assign(module, length);
  size_t slash = module_path_.find_last_of('\\');
  application_directory_ = slash == std::string::npos ? std::string() : module_path_.substr(0, slash + 1);
  playlist_file_ =
      playlist_file_override_.empty() ? Cut(application_directory_ + "default.m3u") : Cut(playlist_file_override_);

  // TMP names the user's temporary folder; without it, the system's.
  char temp[kMaxPath];
  DWORD temp_length = GetEnvironmentVariableA("TMP", temp, sizeof temp);
  if (temp_length == 0 || temp_length >= sizeof temp) {
    temp_length = GetTempPathA(sizeof temp, temp);
    if (temp_length == 0 || temp_length >= sizeof temp) temp_length = 0;
    while (temp_length > 0 && temp[temp_length - 1] == '\\') --temp_length;
    temp[temp_length] = '\0';
  }
  char work[kMaxPath];
  std::snprintf(work, sizeof work, "%s\\%s\\", temp, "KvPlayerSkin");
  skin_work_directory_ = work;

  default_skin_description_ = Cut(application_directory_ + "DefaultSkin.xml");
  default_skin_archive_ = Cut(application_directory_ + "DefaultSkin.wsz");
  skin_description_ = default_skin_description_;
  skin_archive_ = default_skin_archive_;
}

bool PlayerApp::CreateCommandWindow() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = CommandWindowProc;
  wc.hInstance = instance_;
  wc.lpszClassName = kCommandWindowClass;
  if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  command_window_ =
      CreateWindowExA(0, kCommandWindowClass, "Zelvo Vantor", 0, 0, 0, 0, 0, nullptr, nullptr, instance_, nullptr);
  settings_.command_window = command_window_;
  settings_.command_procedure = CommandWindowProc;
  return command_window_ != nullptr;
}

LRESULT CALLBACK PlayerApp::CommandWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND && g_app) {
    return g_app->DispatchCommand(window, LOWORD(wparam), lparam);
  }
  if (message == WM_DROPFILES && g_app) {
    g_app->OnDropFiles(reinterpret_cast<HDROP>(wparam));
    return 0;
  }
  if (message == WM_TIMER && g_app) {
    if (wparam == kPositionTimer) g_app->OnPositionTick();
    if (wparam == kTitleTimer) g_app->OnTitleTick();
    return 0;
  }
  // Asked to close (a task manager, "taskkill"), the hidden window must not
  // simply be destroyed: the player would run on without it and never save.
  // It shuts the player down instead; at the end of the session, at once.
  if (message == WM_CLOSE && g_app) {
    PostMessageA(window, WM_COMMAND, kCommandShutDown, 0);
    return 0;
  }
  if (message == WM_ENDSESSION && wparam && g_app) {
    g_app->Shutdown();
    return 0;
  }
  if (message == Tray::kCallbackMessage && g_app) {
    g_app->OnTrayNotification(wparam, lparam);
    return 0;
  }
  if (g_app && message != 0 && message == g_app->tray_.taskbar_created()) {
    g_app->tray_.AddAgain();
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

void PlayerApp::PostCommand(int id, LPARAM lparam) {
  PostMessageA(command_window_, WM_COMMAND, static_cast<WPARAM>(id), lparam);
}

void PlayerApp::SendCommand(int id, LPARAM lparam) {
  SendMessageA(command_window_, WM_COMMAND, static_cast<WPARAM>(id), lparam);
}

void PlayerApp::ApplyStoredSettingsToSkin() {
  PostCommand(IDM_SET_VOLUME, VolumeToSlider(settings_.volume));
  PostCommand(IDM_SET_BALANCE, BalanceToSlider(settings_.balance));
  PostCommand(settings_.repeat ? IDM_REPEAT_ON : IDM_REPEAT_OFF, 0);
  PostCommand(settings_.shuffle ? IDM_SHUFFLE_ON : IDM_SHUFFLE_OFF, 0);
  PostCommand(settings_.play_window_on_top ? IDM_TOPMOST_ON : IDM_TOPMOST_OFF, 0);
  if (skin_ && skin_->PlaylistWindow() && settings_.playlist_visible) PostCommand(IDM_PLAYLIST_SHOW, 0);
  // The title comes back at the next tick.
  status_.Show(2, 0, 0);
  if (EngineReady()) RefreshTimeDisplay(engine_->Position(), true);
}

void PlayerApp::StopPlayback() {
  KillTimer(command_window_, kPositionTimer);
  if (engine_ && engine_loaded_) engine_->Close();
  paused_ = true;
}

int PlayerApp::Run(const char* command_line) {
  g_app = this;

  // 1-3: accelerators, common controls, COM.
  accelerators_ = LoadAcceleratorsA(instance_, MAKEINTRESOURCEA(kAcceleratorTable));
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TREEVIEW_CLASSES};
  if (!InitCommonControlsEx(&icc)) {
    MessageBoxA(nullptr, "Failed to initialise tree view common control.", "ERROR", MB_ICONEXCLAMATION);
    return 0;
  }
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) {
    ShowMessage("FAILED(hr=0x%x) in CoInitializeEx(NULL, COINIT_APARTMENTTHREADED)\n", static_cast<unsigned>(hr));
    return static_cast<int>(hr);
  }
  com_initialised_ = true;

  // 4-7: paths, playlist, skin work folder.
  ComputePaths();
  playlist_.Clear();
  LoadPlaylistFile(AnsiToWide(playlist_file_));
  CreateDirectoryA(skin_work_directory_.c_str(), nullptr);

  // 8: settings, windows, skin.
  settings_.Load(PlayerSettings::kFileName);
  settings_.instance = instance_;
  if (!CreateCommandWindow()) {
    ShowMessage("Failed to create the command window (error %lu)\n", GetLastError());
    CoUninitialize();
    com_initialised_ = false;
    return 0;
  }
  settings_.muted = 0;
  if (settings_.auto_register_file_extensions) RegisterFileTypesAsked(false);
  CreateDialogs();
  tray_.Init(instance_, command_window_);
  text_brush_ = CreateSolidBrush(RGB(107, 117, 107));
  text_font_ = CreateFontA(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, "Arial");
  int skin_result = skin_ ? skin_->Load(SkinContext()) : -1;
  if (skin_result < 0) {
    MessageBoxA(nullptr, "Skin loading failed", "Can't start...", MB_ICONERROR);
    Shutdown();
    CoUninitialize();
    com_initialised_ = false;
    return 0;
  }
  skin_loaded_ = true;
  settings_.main_skin_window = skin_->MainWindow();
  screen_saver_.Block(settings_.block_screen_saver != 0);
  SetTimer(command_window_, kTitleTimer, kTimerPeriodMs, nullptr);

  // 9-12: command line, engine.
  settings_.auto_run_in_tray = 0;
  CommandLineOptions options = ParseCommandLine(command_line);
  if (options.fullscreen) settings_.auto_switch_to_fullscreen = 1;
  if (options.tray) settings_.auto_run_in_tray = 1;
  if (options.autoclose) settings_.auto_close = 1;
  if (options.autoplay) settings_.auto_start_playback = 1;
  settings_.current_file_name = AnsiToWide(options.file_name);
  if (engine_) {
    if (FAILED(engine_->Load(&settings_))) {
      engine_->Unload();
      AbandonStartUp();
      return 0;
    }
    engine_loaded_ = true;
  }

  tray_.AddControlIcons();

  // 13-16: first playlist item, tray, show the main window.
  HWND main_window = skin_->MainWindow();
  if (main_window) PostMessageA(main_window, WM_COMMAND, IDM_PLAYLIST_SETITEM, 0);
  DockPlaylistToMain();
  if (settings_.auto_run_in_tray) PostCommand(IDM_MINIMIZETOTRAY, 0);
  HANDLE splash = CreateSemaphoreA(nullptr, 1, 1, kSplashSemaphore);
  if (splash) {
    ReleaseSemaphore(splash, 1, nullptr);
    if (WaitForSingleObject(splash, INFINITE) == WAIT_OBJECT_0) {
      if (main_window) ShowWindow(main_window, SW_SHOW);
      ApplyStoredSettingsToSkin();
    }
    CloseHandle(splash);
  }

  // 17: the command-line file, or the playlist.
  bool playing = engine_ && engine_loaded_ && SUCCEEDED(OpenAndPlay());
  // A file that played becomes the playlist's current item; one that did
  // not open stays out of the list.
  if (playing) SelectCommandLineFile();
  if (!playing && settings_.auto_start_playback) PostCommand(kCommandPlayCurrentItem, 0);

  // 18: the message loop.
  MSG msg;
  BOOL got;
  while ((got = GetMessageA(&msg, nullptr, 0, 0)) != 0) {
    if (got == -1) break;
    // Escape in full screen goes back to the window, rather than quitting.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE && GetKeyState(VK_SHIFT) >= 0 && engine_ &&
        engine_loaded_ && engine_->IsFullscreen()) {
      engine_->SetFullscreen(false);
      continue;
    }
    if (ModelessDialogMessage(&msg)) continue;
    if (accelerators_ && TranslateAcceleratorA(msg.hwnd, accelerators_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (com_initialised_) {
    CoUninitialize();
    com_initialised_ = false;
  }
  return static_cast<int>(msg.wParam);
}

void PlayerApp::DestroySkin() {
  if (skin_ && skin_loaded_) {
    skin_->Destroy();
    skin_loaded_ = false;
  }
  settings_.main_skin_window = nullptr;
}

SkinLoadContext PlayerApp::SkinContext() {
  SkinLoadContext context;
  context.settings = &settings_;
  context.command_window = command_window_;
  context.playlist = &playlist_.Entries();
  context.text_brush = text_brush_;
  context.text_font = text_font_;
  context.description = skin_description_;
  context.archive = skin_archive_;
  context.work_directory = skin_work_directory_;
  context.sink = this;
  return context;
}

void PlayerApp::CreateDialogs() {
  preferences_dialog_.set_screen_saver_blocker([this](bool on) { screen_saver_.Block(on); });
  preferences_dialog_.Create();
  subtitles_dialog_.Create(engine_);
  video_fix_dialog_.Create(nullptr);
}

void PlayerApp::DestroyDialogs() {
  video_fix_dialog_.Destroy();
  subtitles_dialog_.Destroy();
  preferences_dialog_.Destroy();
}

bool PlayerApp::ModelessDialogMessage(MSG* msg) {
  if (preferences_dialog_.HandleDialogMessage(msg)) return true;
  for (HWND dialog : {subtitles_dialog_.window(), video_fix_dialog_.window()}) {
    if (dialog && IsWindowVisible(dialog) && IsDialogMessageA(dialog, msg)) return true;
  }
  return false;
}

void PlayerApp::DeleteTextResources() {
  if (text_brush_) DeleteObject(text_brush_);
  if (text_font_) DeleteObject(text_font_);
  text_brush_ = nullptr;
  text_font_ = nullptr;
}

// Without an engine the player ends quietly and saves nothing, but the
// screen saver it switched off is given back and what it made is released.
void PlayerApp::AbandonStartUp() {
  KillTimer(command_window_, kTitleTimer);
  DestroySkin();
  DeleteTextResources();
  screen_saver_.Block(false);
  CoUninitialize();
  com_initialised_ = false;
}

void PlayerApp::Shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  // 1: the modeless dialogs.
  DestroyDialogs();
  // 2-3: playback and timers.
  StopPlayback();
  KillTimer(command_window_, kPositionTimer);
  KillTimer(command_window_, kTitleTimer);
  // 4: engine.
  if (engine_ && engine_loaded_) {
    engine_->Unload();
    engine_loaded_ = false;
  }
  // 5: tray icons.
  tray_.RemoveAll();
  // 6: the playlist, saved where it was read from.
  SavePlaylistFile(AnsiToWide(playlist_file_));
  // 7: skin.
  DestroySkin();
  // 8: text brush and font.
  DeleteTextResources();
  // 9-11: settings file, screen saver, quit.
  settings_.Save(PlayerSettings::kFileName);
  screen_saver_.Block(false);
  PostQuitMessage(0);
}
