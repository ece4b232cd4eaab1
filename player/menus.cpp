#include "player/menus.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr int kTrayControlItem = 155;

// The main menu; the tray-control item gets its sub-menu when built.
constexpr size_t kTrayControlPosition = 7;
const MenuItem kMainMenu[] = {
    {"About Zelvo Vantor...", 104},
    {nullptr, 0},
    {"Default Skin", 206},
    {"Change Skin", 178},
    {nullptr, 0},
    {"Video Fix (for AVI files only)", 151},
    {nullptr, 0},
    {"Tray Control", kTrayControlItem},
    {"Options...", 152},
    {"Subtitles...", 232},
    {nullptr, 0},
    {"Check for New Update ...", 614},
    {nullptr, 0},
    {"Quit", 105},
};

const MenuItem kVideoMenu[] = {
    {"About Zelvo Vantor...", 104},
    {"Options...", 152},
    {nullptr, 0},
    {"Show Remote", 231},
    {"FullScreen", 134},
    {nullptr, 0},
    {"Zoom 50%", 212},
    {"Zoom 100%", 213},
    {"Zoom 200%", 214},
    {nullptr, 0},
    {"Quit", 105},
};

// The menu is tracked to its end here, so it closes on any click outside
// it even over a window of another program; the owner comes to the front
// for that.
int Track(HMENU menu, HWND owner, POINT at) {
  SetForegroundWindow(owner);
  const int chosen = static_cast<int>(TrackPopupMenuEx(
      menu, TPM_LEFTBUTTON | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, owner, nullptr));
  PostMessageA(owner, WM_NULL, 0, 0);
  return chosen == kTrayControlItem ? 0 : chosen;
}

}  // namespace

HMENU BuildPopupMenu(const MenuItem* items, size_t count) {
  HMENU menu = CreatePopupMenu();
  for (size_t i = 0; i < count; ++i) {
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    if (items[i].text) {
      info.fMask = MIIM_ID | MIIM_STRING;
      info.wID = static_cast<UINT>(items[i].id);
      info.dwTypeData = const_cast<char*>(items[i].text);
      if (items[i].sub_menu) {
        info.fMask |= MIIM_SUBMENU;
        info.hSubMenu = items[i].sub_menu;
      }
    } else {
      info.fMask = MIIM_FTYPE;
      info.fType = MFT_SEPARATOR;
    }
    InsertMenuItemA(menu, static_cast<UINT>(i), TRUE, &info);
  }
  return menu;
}

PlayerMenus::~PlayerMenus() {
  // The tray-control menu belongs to the tray: it leaves before the main
  // menu is destroyed with its sub-menus.
  if (main_ && tray_control_) RemoveMenu(main_, kTrayControlPosition, MF_BYPOSITION);
  if (main_) DestroyMenu(main_);
  if (video_) DestroyMenu(video_);
}

int PlayerMenus::TrackMain(HWND owner, POINT at, HMENU tray_control) {
  if (!main_) {
    MenuItem items[sizeof kMainMenu / sizeof kMainMenu[0]];
    std::copy(std::begin(kMainMenu), std::end(kMainMenu), items);
    items[kTrayControlPosition].sub_menu = tray_control;
    main_ = BuildPopupMenu(items, sizeof items / sizeof items[0]);
    tray_control_ = tray_control;
  }
  return Track(main_, owner, at);
}

int PlayerMenus::TrackVideo(HWND owner, POINT at) {
  if (!video_) video_ = BuildPopupMenu(kVideoMenu, sizeof kVideoMenu / sizeof kVideoMenu[0]);
  return Track(video_, owner, at);
}
