// ZelvoPlayer.exe entry point.
#include <windows.h>

#include "player/engine_client.h"
#include "player/player_app.h"
#include "player/player_skin.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  PlayerSkin skin;
  EngineClient engine;
  PlayerApp app(instance, &skin, &engine);
  return app.Run(command_line);
}
