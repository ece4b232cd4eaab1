#pragma once
// The player's pop-up menus: the main window's and the video window's.
// Each is built at its first use; a chosen item is returned as its command.
#include <windows.h>

#include <cstddef>

struct MenuItem {
  const char* text;  // null: a separator
  int id;
  HMENU sub_menu = nullptr;
};

// A pop-up menu of `count` items, inserted by position.
HMENU BuildPopupMenu(const MenuItem* items, size_t count);

class PlayerMenus {
 public:
  PlayerMenus() = default;
  ~PlayerMenus();
  PlayerMenus(const PlayerMenus&) = delete;
  PlayerMenus& operator=(const PlayerMenus&) = delete;

  // The menus at `at` (screen coordinates) over `owner`; the command the
  // user chose, or 0. `tray_control` becomes the main menu's sub-menu.
  int TrackMain(HWND owner, POINT at, HMENU tray_control);
  int TrackVideo(HWND owner, POINT at);

 private:
  HMENU main_ = nullptr;
  HMENU video_ = nullptr;
  HMENU tray_control_ = nullptr;
};
