// ZelvoPlayer.exe entry point.
#include <windows.h>

#include "player/player_app.h"
#include "player/player_skin.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  PlayerSkin skin;
  PlayerApp app(instance, &skin, nullptr);
  return app.Run(command_line);
}
