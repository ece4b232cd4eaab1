#pragma once
// Command ids the player itself sends, posts or handles. Skins name the
// same ids through the command-name table.

#include <windows.h>

enum CommandId : int {
  IDM_ABOUT = 104,
  IDM_EXIT = 105,
  IDM_FILE_OPEN = 129,
  IDM_FILE_PLAY = 130,
  IDM_FILE_CLOSE = 132,
  IDM_STOP = 132,
  IDM_FILE_PAUSE = 133,
  IDM_SET_VOLUME = 156,
  IDM_SET_BALANCE = 157,
  IDM_PLAYLIST_HIDE = 169,
  IDM_PLAYLIST_SHOW = 170,
  IDM_PLAYLIST_SETITEM = 173,
  IDM_PLAYLISTBUTTONSBAR = 186,
  IDM_MINIMIZETOTRAY = 188,
  IDM_HIDEBUTTONSBAR = 191,
  IDM_REPEAT_ON = 199,
  IDM_REPEAT_OFF = 200,
  IDM_SHUFFLE_ON = 201,
  IDM_SHUFFLE_OFF = 202,
  IDM_TOPMOST_ON = 223,
  IDM_TOPMOST_OFF = 224,

  // Ids without a skin name.
  kCommandOpenAndPlay = 180,
  kCommandPlayCurrentItem = 181,
  kCommandFileComplete = 182,
  kCommandShutDown = 192,
  kCommandTogglePlaylist = 216,
  kCommandToggleRepeat = 219,
  kCommandToggleShuffle = 220,
  kCommandToggleTopmost = 222,
};

// Timers on the command window.
enum TimerId : UINT_PTR { kPositionTimer = 1, kTitleTimer = 2 };
constexpr UINT kTimerPeriodMs = 100;

// Resources.
constexpr int kAcceleratorTable = 149;
// Tray icon callback message on the command window.
constexpr UINT kTrayCallbackMessage = 0x40E;
