// skinview DESCRIPTION SKIN OUTDIR
//
// Loads a skin the way the player does, builds its "MainSkin",
// "MainSkinMinimized" and "PlayList" forms, writes each form as drawn to
// OUTDIR/<form name>.bmp (and each pop-up inside it to
// OUTDIR/<form name>-<element name>.bmp), prints every element tree and
// exits 0. A skin that does not load prints the loader's message on
// standard error and exits 1; nothing is ever shown in a message box.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "player/messages.h"
#include "player/skin/archive/skin_apply.h"
#include "player/skin/skin_controls.h"
#include "player/skin/skin_loader.h"
#include "player/skin/skin_preview.h"

namespace {

const char kUsage[] = "usage: skinview DESCRIPTION SKIN OUTDIR\n"
                      "  DESCRIPTION  the skin description (XML)\n"
                      "  SKIN         the folder of the skin's bitmaps, or a .wsz skin archive\n"
                      "  OUTDIR       where <form name>.bmp pictures are written\n";

void PrintMessage(const char* text) { std::fprintf(stderr, "%s\n", text); }
void PrintAlert(HWND, const char* text) { std::fprintf(stderr, "%s\n", text); }

LRESULT CALLBACK IgnoreCommand(HWND, UINT, WPARAM, LPARAM) { return 0; }
LRESULT CALLBACK PlainWindow(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CLOSE) return 0;  // the preview closes only when done
  return DefWindowProcA(window, message, wparam, lparam);
}

bool EndsWithNoCase(const std::string& text, const char* suffix) {
  const size_t n = std::strlen(suffix);
  return text.size() >= n && _stricmp(text.c_str() + text.size() - n, suffix) == 0;
}

std::string FileNamePart(const std::string& name) {
  std::string safe = name;
  for (char& c : safe) {
    if (std::strchr("\\/:*?\"<>|", c) || static_cast<unsigned char>(c) < 32) c = '_';
  }
  return safe;
}

void PumpMessages() {
  for (int round = 0; round < 5; ++round) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(10);
  }
}

bool WritePicture(skin::SkinElement* element, const std::string& path) {
  skin::Picture picture;
  if (!skin::RenderTree(element, &picture)) {
    std::fprintf(stderr, "skinview: %s has no area, no picture written\n", element->Name().c_str());
    return true;
  }
  if (!skin::WriteBmp(picture, path.c_str())) {
    std::fprintf(stderr, "skinview: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

bool ShowForm(const char* label, skin::SkinElement* form, const std::string& outdir) {
  if (!form) {
    std::printf("form %s: none\n", label);
    return true;
  }
  std::printf("form %s\n%s", label, skin::DescribeTree(form).c_str());
  bool ok = WritePicture(form, outdir + FileNamePart(label) + ".bmp");
  for (skin::SkinElement* popup : skin::PopupsOf(form))
    ok = WritePicture(popup, outdir + FileNamePart(label) + "-" + FileNamePart(popup->Name()) + ".bmp") && ok;
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string description = argv[1];
  std::string folder = argv[2];
  std::string outdir = argv[3];
  // An archive is unpacked, as the player does, into a folder of its own.
  std::string archive;
  if (EndsWithNoCase(folder, ".wsz")) {
    archive = folder;
    char temp[MAX_PATH], name[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, temp) || !GetTempFileNameA(temp, "skv", 0, name)) {
      std::fprintf(stderr, "skinview: no temporary folder for the archive\n");
      return 1;
    }
    DeleteFileA(name);
    if (!CreateDirectoryA(name, nullptr)) {
      std::fprintf(stderr, "skinview: cannot create %s\n", name);
      return 1;
    }
    folder = name;
  }
  // The player's bitmap folder always ends in a separator.
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  if (!outdir.empty() && outdir.back() != '\\' && outdir.back() != '/') outdir += '\\';
  CreateDirectoryA(outdir.c_str(), nullptr);

  SetMessageSink(PrintMessage);
  skin::SetSkinAlertSink(PrintAlert);
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::fprintf(stderr, "skinview: COM cannot be initialised\n");
    return 1;
  }

  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA commandClass = {};
  commandClass.lpfnWndProc = DefWindowProcA;
  commandClass.hInstance = instance;
  commandClass.lpszClassName = "skinview command window";
  RegisterClassA(&commandClass);
  HWND commandWindow =
      CreateWindowExA(0, commandClass.lpszClassName, "skinview", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);

  // The player's styles: the status line and the default playlist look.
  HBRUSH statusBrush = CreateSolidBrush(RGB(107, 117, 107));
  HFONT statusFont = CreateFontA(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, "Arial");
  skin::PlaylistStyle playlistStyle;
  skin::CreateDefaultPlaylistStyle(&playlistStyle);
  std::vector<std::wstring> entries;
  skin::VectorPlaylist playlist(&entries);

  skin::SkinSetup setup;
  setup.instance = instance;
  setup.commandWindow = commandWindow;
  setup.commandHandler = IgnoreCommand;
  setup.mainWindowHandler = PlainWindow;
  setup.playlistWindowHandler = PlainWindow;
  setup.buttonsBarHandler = PlainWindow;
  setup.statusBrush = statusBrush;
  setup.statusFont = statusFont;
  setup.playlistStyle = &playlistStyle;
  setup.playlist = &playlist;

  int exitCode = 0;
  HRESULT hr;
  if (archive.empty()) {
    hr = skin::LoadSkin(folder.c_str(), description.c_str(), setup);
  } else {
    ExtractReport report;
    hr = skin::ApplySkin(description.c_str(), archive.c_str(), folder.c_str(), &playlistStyle, setup, &report);
    if (hr == E_FAIL && report.written == 0) {
      std::fprintf(stderr, "skinview: %s cannot be opened as a skin archive\n", archive.c_str());
    } else {
      std::printf("archive %s: %d files unpacked, %d unsafe names, %d too large, %d unreadable\n",
                  archive.c_str(), report.written, report.unsafe_names, report.too_large, report.unreadable);
    }
  }
  if (FAILED(hr)) {
    std::fprintf(stderr, "skinview: the skin did not load (hr=0x%08lx)\n", static_cast<unsigned long>(hr));
    exitCode = 1;
  } else {
    skin::LoadedSkin& loaded = skin::CurrentSkin();
    // The player shows the playlist as its settings say; a fresh player does.
    loaded.playlistForm->Show();
    loaded.document->mainHandler = PlainWindow;
    skin::SkinElement* minimized = skin::FindForm(loaded.document, "MainSkinMinimized");
    PumpMessages();
    bool ok = ShowForm("MainSkin", loaded.mainForm, outdir);
    ok = ShowForm("MainSkinMinimized", minimized, outdir) && ok;
    ok = ShowForm("PlayList", loaded.playlistForm, outdir) && ok;
    delete minimized;
    skin::UnloadSkin();
    if (!ok) exitCode = 1;
  }
  std::fflush(stdout);
  if (!archive.empty()) {
    skin::EmptySkinFolder(folder.c_str());
    RemoveDirectoryA(folder.c_str());
  }
  skin::DeletePlaylistStyle(&playlistStyle);
  DeleteObject(statusFont);
  DeleteObject(statusBrush);
  DestroyWindow(commandWindow);
  CoUninitialize();
  return exitCode;
}
