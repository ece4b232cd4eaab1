#pragma once
// The player program: start-up in its fixed order, the message loop, the
// command window and the one shut-down routine. The skin and the media
// engine plug in through the two host interfaces below, so each arrives at
// its own step of start-up and shut-down.
#include <windows.h>

#include <string>
#include <vector>

#include "player/player_settings.h"
#include "player/screen_saver.h"

class PlayerApp;

// The loaded skin as start-up and shut-down see it.
class SkinHost {
 public:
  virtual ~SkinHost() = default;
  // Loads the skin and builds its windows; negative on failure.
  virtual int Load(PlayerApp& app) = 0;
  // Destroys the "PlayList" window, the "MainSkin" window and the document.
  virtual void Destroy() = 0;
  virtual HWND MainWindow() const = 0;
  virtual HWND PlaylistWindow() const = 0;
  // Passes a command down the element trees of the "MainSkin", "PlayList"
  // and "LoadPlaylistFileBar" elements, so that they show its effect.
  virtual void RouteCommand(WPARAM wparam, LPARAM lparam) = 0;
  // Shows or hides the "PlayList" form and the "LoadPlaylistFileBar" element.
  virtual void ShowPlaylist(bool show) = 0;
  virtual void ShowButtonsBar(bool show) = 0;
};

// The media engine as start-up and shut-down see it.
class EngineHost {
 public:
  virtual ~EngineHost() = default;
  virtual bool Load(PlayerApp& app) = 0;
  virtual void Unload() = 0;
  // Stop and close the open file, if any.
  virtual void Close() = 0;
  // Open the file and start it; failure when it cannot be played.
  virtual bool OpenAndPlay(const std::wstring& file_name) = 0;
};

class PlayerApp {
 public:
  // Either host may be null: without a skin, start-up takes the failed-skin
  // path; without an engine, start-up runs on with no playback.
  PlayerApp(HINSTANCE instance, SkinHost* skin, EngineHost* engine);
  ~PlayerApp();
  PlayerApp(const PlayerApp&) = delete;
  PlayerApp& operator=(const PlayerApp&) = delete;

  // Start-up, message loop and the exit code of the program.
  int Run(const char* command_line);

  // Carries out one command; the command window calls it for every WM_COMMAND.
  LRESULT DispatchCommand(HWND window, int id, LPARAM lparam);
  // The shut-down routine; a second call does nothing.
  void Shutdown();

  PlayerSettings& settings() { return settings_; }
  HWND command_window() const { return command_window_; }
  const std::string& application_directory() const { return application_directory_; }
  const std::string& playlist_file() const { return playlist_file_; }
  const std::string& skin_work_directory() const { return skin_work_directory_; }
  const std::string& default_skin_description() const { return default_skin_description_; }
  const std::string& default_skin_archive() const { return default_skin_archive_; }
  std::vector<std::wstring>& playlist() { return playlist_; }
  HBRUSH text_brush() const { return text_brush_; }
  HFONT text_font() const { return text_font_; }
  const ScreenSaverBlocker& screen_saver() const { return screen_saver_; }
  int status_countdown() const { return status_countdown_; }

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
  void SendCommand(int id, LPARAM lparam);
  bool HandleWindowCommand(int id);

  HINSTANCE instance_;
  SkinHost* skin_;
  EngineHost* engine_;
  PlayerSettings settings_;
  ScreenSaverBlocker screen_saver_;
  HACCEL accelerators_ = nullptr;
  HWND command_window_ = nullptr;
  HBRUSH text_brush_ = nullptr;
  HFONT text_font_ = nullptr;
  bool com_initialised_ = false;
  bool skin_loaded_ = false;
  bool engine_loaded_ = false;
  bool shut_down_ = false;
  int status_countdown_ = 0;
  std::string module_path_;
  std::string application_directory_;
  std::string playlist_file_;
  std::string skin_work_directory_;
  std::string default_skin_description_;
  std::string default_skin_archive_;
  std::vector<std::wstring> playlist_;
};
