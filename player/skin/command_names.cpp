#include "player/skin/command_names.h"

#include <cstdio>
#include <cstring>

namespace skin {
namespace {

struct NamedCommand {
  const char* name;
  int id;
};

const NamedCommand kCommands[] = {
    {"IDM_ABOUT", 104},
    {"IDM_EXIT", 105},
    {"IDM_FILE_OPEN", 129},
    {"IDM_FILE_PLAY", 130},
    {"IDM_FILE_CLOSE", 132},
    {"IDM_STOP", 132},
    {"IDM_FILE_PAUSE", 133},
    {"IDM_OPTIONS", 152},
    {"IDM_SET_VOLUME", 156},
    {"IDM_SET_BALANCE", 157},
    {"IDM_SET_POSITION", 158},
    {"IDM_PLAYNEXT", 159},
    {"IDM_PLAYPREVIOUS", 160},
    {"IDM_MENU_PLAYLIST", 161},
    {"IDM_SET_LSECONDS", 164},
    {"IDM_SET_HSECONDS", 165},
    {"IDM_SET_LMINUTES", 166},
    {"IDM_SET_HMINUTES", 167},
    {"IDM_SET_HHMINUTES", 168},
    {"IDM_PLAYLIST_HIDE", 169},
    {"IDM_PLAYLIST_SHOW", 170},
    {"IDM_PLAYLIST_SCROLLUP", 171},
    {"IDM_PLAYLIST_SCROLLDOWN", 172},
    {"IDM_PLAYLIST_SETITEM", 173},
    {"IDM_PLAYLIST_SETSTARTITEM", 174},
    {"IDM_PLAYLIST_SCROLL", 175},
    {"IDM_PLAYLIST_ADDFILES", 176},
    {"IDM_PLAYLIST_DELETEITEM", 177},
    {"IDM_PLAYLIST_DBLCLICK", 179},
    {"IDM_LOADPLAYLISTDIALOG", 183},
    {"IDM_SAVEPLAYLISTDIALOG", 184},
    {"IDM_CLEARPLAYLISTDIALOG", 185},
    {"IDM_PLAYLISTBUTTONSBAR", 186},
    {"IDM_MINIMIZETOTRAY", 188},
    {"IDM_MINIMIZEMAINWINDOW", 189},
    {"IDM_NORMALIZEMAINWINDOW", 190},
    {"IDM_HIDEBUTTONSBAR", 191},
    {"IDM_VOLUME_UP", 193},
    {"IDM_VOLUME_DOWN", 194},
    {"IDM_BALANCE_LEFT", 195},
    {"IDM_BALANCE_RIGHT", 196},
    {"IDM_VOLUME_MUTE_ON", 197},
    {"IDM_VOLUME_MUTE_OFF", 198},
    {"IDM_REPEAT_ON", 199},
    {"IDM_REPEAT_OFF", 200},
    {"IDM_SHUFFLE_ON", 201},
    {"IDM_SHUFFLE_OFF", 202},
    {"IDM_TOPMOST_ON", 223},
    {"IDM_TOPMOST_OFF", 224},
    {"IDM_BRIGHTNESS_UP", 225},
    {"IDM_BRIGHTNESS_DOWN", 226},
    {"IDM_CONTRAST_UP", 227},
    {"IDM_CONTRAST_DOWN", 228},
    {"IDM_HOLD_ON", 229},
    {"IDM_HOLD_OFF", 230},
    {"IDM_SET_POSITION_REFRESHCURSOR", 3000},
    {"IDM_HOVER_NEXT", 600},
    {"IDM_HOVER_PREVIOUS", 601},
    {"IDM_HOVER_STOP", 602},
    {"IDM_HOVER_PLAY", 603},
    {"IDM_HOVER_PAUSE", 604},
    {"IDM_HOVER_ABOUT", 605},
    {"IDM_HOVER_EXIT", 606},
    {"IDM_HOVER_MINIMIZE", 607},
    {"IDM_HOVER_REPEAT_ON", 608},
    {"IDM_HOVER_REPEAT_OFF", 609},
    {"IDM_HOVER_TOGGLE_SOUND_PANEL", 610},
    {"IDM_HOVER_OPEN", 611},
    {"IDM_HOVER_OPTIONS", 612},
    {"IDM_HOVER_TOPMOST", 613},
};

const char kSkinMessagePrefix[] = "IDM_SKIN_MESSAGE_";
const int kSkinMessageBase = 500;
const int kSkinMessageCount = 21;  // IDM_SKIN_MESSAGE_0 .. IDM_SKIN_MESSAGE_20

}  // namespace

int LookupCommandName(const char* name) {
  if (!name) return 0;
  for (const NamedCommand& command : kCommands) {
    if (std::strcmp(command.name, name) == 0) return command.id;
  }
  // The numbered skin commands are matched against their exact spelling, so
  // "IDM_SKIN_MESSAGE_05" or "IDM_SKIN_MESSAGE_+1" are not commands.
  if (std::strncmp(name, kSkinMessagePrefix, sizeof kSkinMessagePrefix - 1) == 0) {
    const char* number = name + sizeof kSkinMessagePrefix - 1;
    for (int n = 0; n < kSkinMessageCount; ++n) {
      char spelled[4];
      std::snprintf(spelled, sizeof spelled, "%d", n);
      if (std::strcmp(spelled, number) == 0) return kSkinMessageBase + n;
    }
  }
  return 0;
}

}  // namespace skin
