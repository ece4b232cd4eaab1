#include "player/skin/skin_loader.h"

#include <commctrl.h>

#include "player/messages.h"

namespace skin {
namespace {

LoadedSkin g_current;

const char kParserMissing[] =
    "XML Error. You should install  Microsoft XML Parser (MSXML) 3.0 Service Pack 4 (SP4)  from "
    "https://www.microsoft.com/download";

// The status style on one of the main form's text lines.
SkinText* AttachText(SkinElement* form, const char* name, const wchar_t* text, const SkinSetup& host) {
  auto* line = dynamic_cast<SkinText*>(FindElement(form, name));
  if (!line) return nullptr;
  line->SetBackgroundBrush(host.statusBrush);
  line->SetFont(host.statusFont);
  line->SetTextColor(host.statusTextColour);
  line->SetFill(true);
  line->SetText(text);
  return line;
}

void AttachTexts(LoadedSkin& skin) {
  skin.statusText = AttachText(skin.mainForm, "ZelvoStatusText", L"Zelvo Vantor Player", skin.host);
  skin.videoInfoText = AttachText(skin.mainForm, "ZelvoVideoInfoText", L"", skin.host);
  skin.durationText = AttachText(skin.mainForm, "ZelvoVideoDurationText", L"", skin.host);
}

void Release(LoadedSkin& skin) {
  delete skin.playlistForm;
  delete skin.mainForm;
  delete skin.document;
  const SkinSetup host = skin.host;
  skin = LoadedSkin{};
  skin.host = host;
}

}  // namespace

LoadedSkin& CurrentSkin() { return g_current; }

void UnloadSkin() { Release(g_current); }

HRESULT LoadSkin(const char* folder, const char* description, const SkinSetup& host) {
  LoadedSkin skin;
  skin.host = host;
  skin.document = new SkinDocument;
  SkinDocument* document = skin.document;
  document->instance = host.instance;
  document->playlistStyle = host.playlistStyle;
  document->playlist = host.playlist;

  // 1. The parser.
  HRESULT hr = document->CreateParser();
  if (FAILED(hr) || !document->dom) {
    ShowMessageText(kParserMissing);
    Release(skin);
    return FAILED(hr) ? hr : E_FAIL;
  }

  // 2. One tooltip window for every element of the skin.
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  document->tooltipWindow = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                                            CW_USEDEFAULT, CW_USEDEFAULT, host.commandWindow, nullptr,
                                            host.instance, nullptr);
  if (document->tooltipWindow)
    SetWindowPos(document->tooltipWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  // 3, 4. The description and its bitmaps.
  hr = document->LoadDescription(description);
  if (SUCCEEDED(hr)) hr = document->LoadBitmaps(folder);
  if (FAILED(hr)) {
    Release(skin);
    return hr;
  }

  // 5. Who hears what.
  document->elementHandler = nullptr;
  document->commandCallback = host.commandHandler;
  document->mainHandler = host.mainWindowHandler;
  SetSkinCommandHandler(host.commandHandler);

  // 6. The main form at its saved place.
  skin.mainForm = FindForm(document, "MainSkin");
  if (!skin.mainForm) {
    Release(skin);
    return E_POINTER;
  }
  skin.mainForm->x = host.mainX;
  skin.mainForm->y = host.mainY;
  skin.mainForm->MoveToPosition();

  // 7. The playlist form at its saved place and size, hidden.
  document->mainHandler = host.playlistWindowHandler;
  skin.playlistForm = FindForm(document, "PlayList");
  if (!skin.playlistForm) {
    Release(skin);
    return E_POINTER;
  }
  skin.playlistForm->x = host.playlistX;
  skin.playlistForm->y = host.playlistY;
  skin.playlistForm->Resize(host.playlistWidth, host.playlistHeight);
  skin.playlistForm->MoveToPosition();
  skin.mainForm->MoveToPosition();
  skin.playlistForm->Hide();

  // 8. The playlist's button bar and view.
  skin.buttonsBar = FindElement(skin.playlistForm, "LoadPlaylistFileBar");
  if (!skin.buttonsBar) {
    Release(skin);
    return E_POINTER;
  }
  skin.fileList = dynamic_cast<SkinList*>(FindElement(skin.playlistForm, "FileList"));

  // 9. The status, video information and duration lines.
  AttachTexts(skin);

  // 10. The button bar beside the playlist: its XCoord/YCoord count from the
  // playlist window's corner. A bar the skin made a child window is already
  // placed inside the playlist.
  skin.buttonsBar->handler = host.buttonsBarHandler;
  if (HWND bar = skin.buttonsBar->GetWindow()) {
    if ((GetWindowLongA(bar, GWL_STYLE) & WS_CHILD) == 0) {
      RECT playlist = {};
      GetWindowRect(skin.playlistForm->GetWindow(), &playlist);
      SetWindowPos(bar, nullptr, playlist.left + skin.buttonsBar->x, playlist.top + skin.buttonsBar->y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }

  // 11. The playlist is a tool window owned by the command window.
  if (HWND playlist = skin.playlistForm->GetWindow()) {
    SetWindowLongA(playlist, GWL_EXSTYLE, WS_EX_TOOLWINDOW);
    SetWindowLongPtrA(playlist, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(host.commandWindow));
  }

  // 12. The new skin becomes current.
  if (g_current.document) Release(g_current);
  g_current = skin;
  return S_OK;
}

void DeleteMainForm() {
  delete g_current.mainForm;
  g_current.mainForm = nullptr;
  g_current.statusText = g_current.videoInfoText = g_current.durationText = nullptr;
}

SkinElement* BuildMainForm(const char* formName, int x, int y) {
  if (!g_current.document) return nullptr;
  DeleteMainForm();
  g_current.document->mainHandler = g_current.host.mainWindowHandler;
  g_current.mainForm = FindForm(g_current.document, formName);
  if (!g_current.mainForm) return nullptr;
  g_current.mainForm->x = x;
  g_current.mainForm->y = y;
  g_current.mainForm->MoveToPosition();
  AttachTexts(g_current);
  return g_current.mainForm;
}

}  // namespace skin
