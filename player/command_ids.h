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
  IDM_OPTIONS = 152,
  IDM_SET_VOLUME = 156,
  IDM_SET_BALANCE = 157,
  IDM_SET_POSITION = 158,
  IDM_PLAYNEXT = 159,
  IDM_PLAYPREVIOUS = 160,
  IDM_SET_LSECONDS = 164,
  IDM_SET_HSECONDS = 165,
  IDM_SET_LMINUTES = 166,
  IDM_SET_HMINUTES = 167,
  IDM_SET_HHMINUTES = 168,
  IDM_PLAYLIST_HIDE = 169,
  IDM_PLAYLIST_SHOW = 170,
  IDM_PLAYLIST_SCROLLUP = 171,
  IDM_PLAYLIST_SCROLLDOWN = 172,
  IDM_PLAYLIST_SETITEM = 173,
  IDM_PLAYLIST_ADDFILES = 176,
  IDM_PLAYLIST_DELETEITEM = 177,
  IDM_PLAYLIST_DBLCLICK = 179,
  IDM_LOADPLAYLISTDIALOG = 183,
  IDM_SAVEPLAYLISTDIALOG = 184,
  IDM_CLEARPLAYLISTDIALOG = 185,
  IDM_PLAYLISTBUTTONSBAR = 186,
  IDM_MINIMIZETOTRAY = 188,
  IDM_MINIMIZEMAINWINDOW = 189,
  IDM_NORMALIZEMAINWINDOW = 190,
  IDM_HIDEBUTTONSBAR = 191,
  IDM_VOLUME_UP = 193,
  IDM_VOLUME_DOWN = 194,
  IDM_BALANCE_LEFT = 195,
  IDM_BALANCE_RIGHT = 196,
  IDM_VOLUME_MUTE_ON = 197,
  IDM_VOLUME_MUTE_OFF = 198,
  IDM_REPEAT_ON = 199,
  IDM_REPEAT_OFF = 200,
  IDM_SHUFFLE_ON = 201,
  IDM_SHUFFLE_OFF = 202,
  IDM_TOPMOST_ON = 223,
  IDM_TOPMOST_OFF = 224,
  IDM_BRIGHTNESS_UP = 225,
  IDM_BRIGHTNESS_DOWN = 226,
  IDM_CONTRAST_UP = 227,
  IDM_CONTRAST_DOWN = 228,
  IDM_HOLD_ON = 229,
  IDM_HOLD_OFF = 230,
  IDM_HOVER_FIRST = 600,
  IDM_HOVER_LAST = 613,
  IDM_SET_POSITION_REFRESHCURSOR = 3000,

  // Ids without a skin name.
  kCommandToggleFullscreen = 134,
  kCommandTrayConfigFirst = 138,
  kCommandTrayConfigLast = 145,
  kCommandVideoFixing = 151,
  kCommandChangeSkin = 178,
  kCommandOpenAndPlay = 180,
  kCommandPlayCurrentItem = 181,
  kCommandFileComplete = 182,
  kCommandRestoreFromTray = 187,
  kCommandShutDown = 192,
  kCommandSeekForwardBy = 203,
  kCommandSeekForwardByToo = 204,
  kCommandHideAndPause = 205,
  kCommandDefaultSkin = 206,
  kCommandToggleMute = 207,
  kCommandSeekForwardShort = 208,
  kCommandSeekBackwardRewind = 209,
  kCommandSeekBackwardShort = 210,
  kCommandRegisterFileTypes = 211,
  kCommandZoom50 = 212,
  kCommandZoom100 = 213,
  kCommandZoom200 = 214,
  kCommandZoomPercent = 215,
  kCommandTogglePlaylist = 216,
  kCommandSeekToMilliseconds = 217,
  kCommandGoToPosition = 218,
  kCommandToggleRepeat = 219,
  kCommandToggleShuffle = 220,
  kCommandSeekForwardRewind = 221,
  kCommandToggleTopmost = 222,
  kCommandBringBack = 231,
  kCommandSubtitles = 232,
  kCommandWebPage = 614,
  // The player's own: the video window was closed, so stop and close the
  // file (posted, because closing destroys that window).
  kCommandStopAndClose = 900,
  // A skin change, carried out once the command that asked for it returned.
  kCommandWearPendingSkin = 901,
  // The main form's other shape, built once the command that asked for it
  // (clicked on the form being replaced) returned.
  kCommandSwitchMainForm = 902,
  // The video window's context menu, at the screen point in lParam.
  kCommandVideoMenu = 903,
};

// Timers on the command window.
enum TimerId : UINT_PTR { kPositionTimer = 1, kTitleTimer = 2 };
constexpr UINT kTimerPeriodMs = 100;

// Resources.
constexpr int kAcceleratorTable = 149;
constexpr int kGoToPositionDialog = 194;
constexpr int kGoToPositionEdit = 1044;
// Tray icon callback message on the command window.
constexpr UINT kTrayCallbackMessage = 0x40E;
