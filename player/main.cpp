// ZelvoPlayer.exe entry point.
#include <windows.h>

#include "player/player_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  PlayerApp app(instance, nullptr, nullptr);
  return app.Run(command_line);
}
