#include "player/player_settings.h"

#include <vector>

#include "player/ansi_text.h"
#include "player/ini_file.h"

namespace {

struct IntegerKey {
  const char* key;
  int32_t PlayerSettings::*field;
  int32_t default_value;
};

// Table order is file order.
const IntegerKey kIntegers[] = {
    {"Video window origin X", &PlayerSettings::video_window_x, 0},
    {"Video window origin Y", &PlayerSettings::video_window_y, 0},
    {"Main window origin X", &PlayerSettings::main_window_x, 0},
    {"Main window origin Y", &PlayerSettings::main_window_y, 0},
    {"Playlist window origin X", &PlayerSettings::playlist_x, 275},
    {"Playlist window origin Y", &PlayerSettings::playlist_y, 0},
    {"Playlist window width", &PlayerSettings::playlist_width, 300},
    {"Playlist window height", &PlayerSettings::playlist_height, 200},
    {"Prefs window origin X", &PlayerSettings::prefs_x, 0},
    {"Prefs window origin Y", &PlayerSettings::prefs_y, 0},
    {"Video fixing window origin X", &PlayerSettings::video_fixing_x, 100},
    {"Video fixing window origin Y", &PlayerSettings::video_fixing_y, 100},
    {"Subtitles dialog origin X", &PlayerSettings::subtitles_dialog_x, 150},
    {"Subtitles dialog origin Y", &PlayerSettings::subtitles_dialog_y, 150},
    {"Volume", &PlayerSettings::volume, 1},
    {"Balance", &PlayerSettings::balance, 0},
    {"Brightness", &PlayerSettings::brightness, 0},
    {"Contrast", &PlayerSettings::contrast, 0},
    {"Aspect Ratio", &PlayerSettings::aspect_ratio, 0},
    {"Rewind seconds", &PlayerSettings::rewind_seconds, 10},
    {"Subtitles font size", &PlayerSettings::subtitles_font_size, 20},
    {"Hiding remote timeout", &PlayerSettings::hiding_remote_timeout, 10},
    {"Docking interval", &PlayerSettings::docking_interval, 12},
};

const IntegerKey kFlags[] = {
    {"Is Playlist visible", &PlayerSettings::playlist_visible, 1},
    {"Auto close", &PlayerSettings::auto_close, 1},
    {"Auto run in tray", &PlayerSettings::auto_run_in_tray, 0},
    {"Enable subtitles", &PlayerSettings::enable_subtitles, 0},
    {"Muted", &PlayerSettings::muted, 0},
    {"Repeat", &PlayerSettings::repeat, 1},
    {"Shuffle", &PlayerSettings::shuffle, 0},
    {"Show active window", &PlayerSettings::show_active_window, 1},
    {"Block screen saver", &PlayerSettings::block_screen_saver, 1},
    {"Play window on top", &PlayerSettings::play_window_on_top, 0},
    {"Remember player settings", &PlayerSettings::remember_player_settings, 1},
    {"Remember window position", &PlayerSettings::remember_window_position, 1},
    {"Scroll movie title", &PlayerSettings::scroll_movie_title, 1},
    {"Hide remote in fullscreen", &PlayerSettings::hide_remote_in_fullscreen, 0},
    {"Hide cursor when hiding remote", &PlayerSettings::hide_cursor_when_hiding_remote, 1},
    {"Auto start playback", &PlayerSettings::auto_start_playback, 1},
    {"Auto register file extensions", &PlayerSettings::auto_register_file_extensions, 0},
    {"Auto switch to fullscreen", &PlayerSettings::auto_switch_to_fullscreen, 0},
    {"Use picture control", &PlayerSettings::use_picture_control, 1},
    {"Is subtitles font bold", &PlayerSettings::subtitles_bold, 0},
    {"Is subtitles font italic", &PlayerSettings::subtitles_italic, 0},
};

}  // namespace

void PlayerSettings::Reset() {
  const PlayerSettings fresh;
  current_file_name = fresh.current_file_name;
  application_directory = fresh.application_directory;
  last_subtitles_file_name = fresh.last_subtitles_file_name;
  subtitles_font_name = fresh.subtitles_font_name;
  for (const auto& k : kIntegers) this->*k.field = fresh.*k.field;
  for (const auto& k : kFlags) this->*k.field = fresh.*k.field;
  custom_aspect_x = fresh.custom_aspect_x;
  custom_aspect_y = fresh.custom_aspect_y;
}

std::string PlayerSettings::PathInCurrentDirectory(const char* file_name) {
  char directory[1024];
  DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
  if (length == 0 || length >= sizeof directory) directory[0] = '\0';
  return std::string(directory) + "\\" + file_name;
}

void PlayerSettings::Load(const char* file_name) {
  IniFile ini;
  ini.SetPath(PathInCurrentDirectory(file_name));
  Reset();
  current_file_name = AnsiToWide(ini.ReadString(kSection, "Last file name", "", kStringCapacity));
  application_directory = ini.ReadString(kSection, "Application directory", "", kStringCapacity);
  last_subtitles_file_name = ini.ReadString(kSection, "Last subtitles file name", "", kStringCapacity);
  subtitles_font_name = ini.ReadString(kSection, "Subtitles font name", "", kStringCapacity);
  for (const auto& k : kIntegers) this->*k.field = ini.ReadInteger(kSection, k.key, k.default_value, 10);
  for (const auto& k : kFlags) this->*k.field = ini.ReadFlag(kSection, k.key, k.default_value);
}

void PlayerSettings::Save(const char* file_name) const {
  IniFile ini;
  ini.SetPath(PathInCurrentDirectory(file_name));
  ini.WriteString(kSection, "Last file name", WideToAnsi(current_file_name).c_str());
  ini.WriteString(kSection, "Application directory", application_directory.c_str());
  ini.WriteString(kSection, "Last subtitles file name", last_subtitles_file_name.c_str());
  ini.WriteString(kSection, "Subtitles font name", subtitles_font_name.c_str());
  for (const auto& k : kIntegers) ini.WriteInteger(kSection, k.key, this->*k.field, 10);
  for (const auto& k : kFlags) ini.WriteFlag(kSection, k.key, this->*k.field);
}
