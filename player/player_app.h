#pragma once
// The player program: start-up in its fixed order, the message loop, the
// command window and the one shut-down routine. The skin and the media
// engine plug in through the two host interfaces below, so each arrives at
// its own step of start-up and shut-down.
#include <windows.h>
// After windows.h.
#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "player/core/docking.h"
#include "player/core/playlist.h"
#include "player/core/status_text.h"
#include "player/core/time_display.h"
#include "player/file_dialog.h"
#include "player/menus.h"
#include "player/player_settings.h"
#include "player/preferences_dialog.h"
#include "player/screen_saver.h"
#include "player/skin_host.h"
#include "player/subtitles_dialog.h"
#include "player/tray.h"
#include "player/video_fix_dialog.h"

class EngineClient;

class PlayerApp : public FormMessageSink {
 public:
  static constexpr int kPreferencesRegisterCommand = 211;

  // Either may be null: without a skin, start-up takes the failed-skin
  // path; without an engine, start-up runs on with no playback.
  PlayerApp(HINSTANCE instance, SkinHost* skin, EngineClient* engine);
  ~PlayerApp();
  PlayerApp(const PlayerApp&) = delete;
  PlayerApp& operator=(const PlayerApp&) = delete;

  // Start-up, message loop and the exit code of the program.
  int Run(const char* command_line);

  // Carries out one command; the command window calls it for every WM_COMMAND.
  LRESULT DispatchCommand(HWND window, int id, LPARAM lparam);
  // The shut-down routine; a second call does nothing.
  void Shutdown();

  // Files dropped onto one of the player's windows.
  void OnDropFiles(HDROP drop);
  // Reads and writes the playlist as ".m3u"; false when the file could not
  // be read or written (the list, or the file, is then left as it was).
  bool LoadPlaylistFile(const std::wstring& path);
  bool SavePlaylistFile(const std::wstring& path);
  // Keeps the playlist in `path` instead of "default.m3u" beside the
  // program (for tests, which must not share one list); before Run.
  void UsePlaylistFile(const std::string& path);

  // The skin's forms hand their messages here before their own handling;
  // true when the player answered the message, with `*result`.
  bool OnFormMessage(Form form, HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

  PlayerSettings& settings() { return settings_; }
  HWND command_window() const { return command_window_; }
  const std::string& application_directory() const { return application_directory_; }
  const std::string& playlist_file() const { return playlist_file_; }
  const std::string& skin_work_directory() const { return skin_work_directory_; }
  const std::string& default_skin_description() const { return default_skin_description_; }
  const std::string& default_skin_archive() const { return default_skin_archive_; }
  Playlist& playlist() { return playlist_; }
  EngineClient* engine() const { return engine_; }
  // The skin being worn: its description and its archive of bitmaps.
  const std::string& skin_description() const { return skin_description_; }
  const std::string& skin_archive() const { return skin_archive_; }
  bool paused() const { return paused_; }
  int32_t volume_slider() const { return volume_slider_; }
  const TimeDisplay& time_display() const { return time_display_; }
  HBRUSH text_brush() const { return text_brush_; }
  HFONT text_font() const { return text_font_; }
  const ScreenSaverBlocker& screen_saver() const { return screen_saver_; }
  int status_countdown() const { return status_.Countdown(); }
  SubtitlesDialog& subtitles_dialog() { return subtitles_dialog_; }
  PreferencesDialog& preferences_dialog() { return preferences_dialog_; }
  VideoFixDialog& video_fix_dialog() { return video_fix_dialog_; }
  const Tray& tray() const { return tray_; }

 private:
  static LRESULT CALLBACK CommandWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void ComputePaths();
  bool CreateCommandWindow();
  void ApplyStoredSettingsToSkin();
  void PostCommand(int id, LPARAM lparam);
  void StopPlayback();
  void AbandonStartUp();
  void DestroySkin();
  void DeleteTextResources();
  // What the skin is loaded from.
  SkinLoadContext SkinContext();
  void CreateDialogs();
  void DestroyDialogs();
  // Hands the message to the modeless dialog it belongs to (its keys, Tab
  // and Enter); true when the dialog took it.
  bool ModelessDialogMessage(MSG* msg);
  // The tray and the menus.
  bool HandleTrayCommand(int id, LPARAM lparam);
  void OnTrayNotification(WPARAM icon, LPARAM event);
  void MinimiseToTray();
  void RestoreFromTray();
  void RegisterFileTypesAsked(bool ask);
  void ShowMainMenu(HWND window);
  void SendCommand(int id, LPARAM lparam);
  bool HandleWindowCommand(int id);
  bool HandleLevelCommand(int id, LPARAM lparam);
  bool HandleTransportCommand(HWND window, int id, LPARAM lparam);
  bool HandleSkinCommand(int id);
  bool EngineReady() const;
  HWND MainWindow() const;

  // Playback.
  HRESULT OpenAndPlay();
  void StopAndClose();
  void OpenMediaFile();
  void PlayCurrentItem();
  void ReportOpenFailure(const std::wstring& name);
  void PlayNext();
  void PlayPrevious();
  HRESULT SeekTo(int64_t target);
  void RunGoToDialog();
  static INT_PTR CALLBACK GoToDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
  void SelectCommandLineFile();
  void RaiseTooltip();

  // The displays.
  void RefreshTimeDisplay(int64_t position, bool forced);
  void ShowStatus(const std::wstring& text, int32_t ticks);
  void OnTitleTick();
  void OnPositionTick();

  // The playlist's commands.
  bool HandlePlaylistCommand(int id);
  HWND PlaylistWindow() const;
  void SelectPlaylistItem(int32_t index);
  void PlaylistChanged();
  void AddFiles();
  FileDialog PlaylistFileDialog(const wchar_t* title, const char* failure) const;
  void LoadPlaylistDialog();
  void SavePlaylistDialog();

  // The skin's windows: moving, docking and the main form's two shapes.
  bool OnAnyFormMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, int wheel_up, int wheel_down);
  bool OnMainWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);
  bool OnPlaylistWindowMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);
  void SaveDragFullWindows();
  void RestoreDragFullWindows();
  void RememberWindowPositions();
  void DockProposedRect(RECT* proposed, HWND other, DockPull& pull);
  void DockPlaylistToMain();
  void SwitchMainForm();

  // Skins.
  void ChangeSkin();
  void WearDefaultSkin();
  int WearSkin(const std::string& description, const std::string& archive);

  HINSTANCE instance_;
  SkinHost* skin_;
  EngineClient* engine_;
  PlayerSettings settings_;
  ScreenSaverBlocker screen_saver_;
  SubtitlesDialog subtitles_dialog_{instance_, settings_};
  VideoFixDialog video_fix_dialog_{instance_, settings_};
  // The file-types button asks before taking types from other programs.
  PreferencesDialog preferences_dialog_{instance_, settings_, engine_, [this](int command) {
                                          PostCommand(command, command == kPreferencesRegisterCommand ? 1 : 0);
                                        }};
  Tray tray_;
  PlayerMenus menus_;
  // The user agreed, this run, to take file types over from other programs.
  bool file_types_agreed_ = false;
  HACCEL accelerators_ = nullptr;
  HWND command_window_ = nullptr;
  HBRUSH text_brush_ = nullptr;
  HFONT text_font_ = nullptr;
  bool com_initialised_ = false;
  bool skin_loaded_ = false;
  bool engine_loaded_ = false;
  bool shut_down_ = false;
  std::string module_path_;
  std::string application_directory_;
  std::string playlist_file_;
  std::string skin_work_directory_;
  std::string default_skin_description_;
  std::string default_skin_archive_;
  std::string skin_description_;
  std::string skin_archive_;
  Playlist playlist_;
  TimeDisplay time_display_;
  StatusScroll status_;
  bool paused_ = true;
  int32_t volume_slider_ = 0;
  // The first file dialog of a run starts at the root folder.
  bool file_dialog_used_ = false;
  bool save_dialog_used_ = false;
  std::string playlist_file_override_;
  // A WinAmp skin chosen to be worn once the command that chose it is over;
  // empty for the default skin.
  std::string pending_skin_archive_;
  // The main form to build once the command that asked for it is over.
  const char* pending_main_form_ = nullptr;
  // Docking: the flags both windows share, the pull of each relation, and
  // where each window stood at its last move.
  DockedFlags docked_;
  DockPull main_pull_;
  DockPull playlist_pull_;
  POINT main_origin_ = {0, 0};
  POINT playlist_origin_ = {0, 0};
  // The drag-full-windows setting while a window is dragged; -1 when none
  // is saved.
  int drag_full_windows_saved_ = -1;
};
