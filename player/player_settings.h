#pragma once
// The player's one settings record, read from "Zelvo.ini" in the current
// directory at start-up and written back at exit.
#include <windows.h>

#include <cstdint>
#include <string>

class EngineClient;

struct PlayerSettings {
  static constexpr const char* kFileName = "Zelvo.ini";
  static constexpr const char* kSection = "Zelvo Player";
  static constexpr size_t kStringCapacity = 1024;

  // Persistent fields; the built-in values of Reset().
  std::wstring current_file_name;
  std::string application_directory;
  std::string last_subtitles_file_name;
  std::string subtitles_font_name = "Tahoma";

  int32_t video_window_x = 0, video_window_y = 0;
  int32_t main_window_x = 0, main_window_y = 0;
  int32_t playlist_x = 275, playlist_y = 0;
  int32_t playlist_width = 300, playlist_height = 200;
  int32_t prefs_x = 0, prefs_y = 0;
  int32_t video_fixing_x = 100, video_fixing_y = 100;
  int32_t subtitles_dialog_x = 150, subtitles_dialog_y = 150;
  int32_t volume = 1;
  int32_t balance = 0;
  int32_t brightness = 0;
  int32_t contrast = 0;
  int32_t aspect_ratio = 0;
  int32_t rewind_seconds = 10;
  int32_t subtitles_font_size = 20;
  int32_t hiding_remote_timeout = 10;
  int32_t docking_interval = 12;

  int32_t playlist_visible = 1;
  int32_t auto_close = 1;
  int32_t auto_run_in_tray = 0;
  int32_t enable_subtitles = 0;
  int32_t muted = 0;
  int32_t repeat = 1;
  int32_t shuffle = 0;
  int32_t show_active_window = 1;
  int32_t block_screen_saver = 1;
  int32_t play_window_on_top = 0;
  int32_t remember_player_settings = 1;
  int32_t remember_window_position = 1;
  int32_t scroll_movie_title = 1;
  int32_t hide_remote_in_fullscreen = 0;
  int32_t hide_cursor_when_hiding_remote = 1;
  int32_t auto_start_playback = 1;
  int32_t auto_register_file_extensions = 0;
  int32_t auto_switch_to_fullscreen = 0;
  int32_t use_picture_control = 1;
  int32_t subtitles_bold = 0;
  int32_t subtitles_italic = 0;

  // Not stored: lost at exit.
  double custom_aspect_x = 2.35;
  double custom_aspect_y = 1.0;

  // Run-time members, never stored.
  HINSTANCE instance = nullptr;
  HWND command_window = nullptr;
  HWND main_skin_window = nullptr;
  EngineClient* engine = nullptr;
  WNDPROC command_procedure = nullptr;

  // Every persistent field back to its built-in value.
  void Reset();
  // Path of `file_name` in the process's current directory.
  static std::string PathInCurrentDirectory(const char* file_name);
  // Resets, then reads every key: strings, integers, flags, in table order.
  void Load(const char* file_name);
  // Writes every key in the same order.
  void Save(const char* file_name) const;

  // A seek step in 100-ns units; never overflows for any stored value.
  int64_t RewindStep() const { return static_cast<int64_t>(rewind_seconds) * 10000000; }
};
