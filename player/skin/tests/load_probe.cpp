// skin_load_probe FOLDER DESCRIPTION: loads a skin with the player's own
// message routine (real message boxes) and exits with LoadSkin's result, so
// that tests can read the boxes from outside.
#include <windows.h>

#include <cstdio>
#include <string>

#include "player/skin/skin_controls.h"
#include "player/skin/skin_loader.h"

namespace {
LRESULT CALLBACK Ignore(HWND, UINT, WPARAM, LPARAM) { return 0; }
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND command = CreateWindowExA(0, "STATIC", "probe", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  skin::PlaylistStyle style;
  skin::CreateDefaultPlaylistStyle(&style);
  skin::SkinSetup setup;
  setup.instance = instance;
  setup.commandWindow = command;
  setup.commandHandler = Ignore;
  setup.mainWindowHandler = DefWindowProcA;
  setup.playlistWindowHandler = DefWindowProcA;
  setup.buttonsBarHandler = DefWindowProcA;
  setup.playlistStyle = &style;
  std::string folder = argv[1];
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  const HRESULT hr = skin::LoadSkin(folder.c_str(), argv[2], setup);
  std::printf("hr=0x%08lx\n", static_cast<unsigned long>(hr));
  std::fflush(stdout);
  skin::UnloadSkin();
  skin::DeletePlaylistStyle(&style);
  DestroyWindow(command);
  CoUninitialize();
  return static_cast<int>(hr);
}
