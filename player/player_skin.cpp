#include "player/player_skin.h"

#include "player/command_ids.h"
#include "player/player_settings.h"
#include "player/skin/archive/skin_apply.h"
#include "player/skin/skin_loader.h"

namespace {

HWND g_command_window = nullptr;
FormMessageSink* g_sink = nullptr;

HWND BarWindow() {
  skin::SkinElement* bar = skin::CurrentSkin().buttonsBar;
  return bar ? bar->GetWindow() : nullptr;
}

// Every command an element sends goes to the command window, which carries
// it out and sends it back down the element trees. A command from the
// buttons bar closes the bar once it is carried out.
LRESULT CALLBACK CommandHandler(HWND sender, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_COMMAND || !g_command_window) return 0;
  HWND bar = BarWindow();
  const bool from_bar = bar && sender && (sender == bar || IsChild(bar, sender));
  LRESULT result = SendMessageA(g_command_window, WM_COMMAND, wparam, lparam);
  // The command may have replaced the skin: look the bar up again.
  if (from_bar && LOWORD(wparam) != IDM_PLAYLISTBUTTONSBAR) {
    if (skin::SkinElement* current = skin::CurrentSkin().buttonsBar) current->Hide();
  }
  return result;
}

// Window move by the mouse: SC_MOVE with a nonzero hit-test part.
constexpr WPARAM kMouseMove = 0xF011;

// Moving the mouse with the left button held over a form (or over an element
// that lets the drag through) moves the form. A press alone is left alone:
// starting the move there would swallow the release, and with it the click
// of the button under the mouse.
LRESULT MoveOrDefault(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_MOUSEMOVE && (wparam & MK_LBUTTON)) {
    SendMessageA(window, WM_SYSCOMMAND, kMouseMove, 0);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

// The player answers a form's message first; what it leaves goes on.
bool PlayerAnswers(FormMessageSink::Form form, HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                   LRESULT* result) {
  return g_sink && g_sink->OnFormMessage(form, window, message, wparam, lparam, result);
}

LRESULT CALLBACK MainWindowHandler(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CLOSE) {
    PostMessageA(g_command_window, WM_COMMAND, kCommandShutDown, 0);
    return 0;
  }
  LRESULT result = 0;
  if (PlayerAnswers(FormMessageSink::Form::kMain, window, message, wparam, lparam, &result)) return result;
  return MoveOrDefault(window, message, wparam, lparam);
}

LRESULT CALLBACK PlaylistWindowHandler(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (PlayerAnswers(FormMessageSink::Form::kPlaylist, window, message, wparam, lparam, &result)) return result;
  return MoveOrDefault(window, message, wparam, lparam);
}

LRESULT CALLBACK ButtonsBarHandler(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (PlayerAnswers(FormMessageSink::Form::kButtonsBar, window, message, wparam, lparam, &result)) return result;
  return DefWindowProcA(window, message, wparam, lparam);
}

HWND WindowOf(skin::SkinElement* element) { return element ? element->GetWindow() : nullptr; }

}  // namespace

PlayerSkin::~PlayerSkin() { Destroy(); }

int PlayerSkin::Load(const SkinLoadContext& context) {
  PlayerSettings& s = *context.settings;
  g_command_window = context.command_window;
  g_sink = context.sink;
  delete entries_;
  entries_ = new skin::VectorPlaylist(context.playlist);

  skin::SkinSetup setup;
  setup.instance = s.instance ? s.instance : GetModuleHandleA(nullptr);
  setup.commandWindow = context.command_window;
  setup.commandHandler = CommandHandler;
  setup.mainWindowHandler = MainWindowHandler;
  setup.playlistWindowHandler = PlaylistWindowHandler;
  setup.buttonsBarHandler = ButtonsBarHandler;
  setup.mainX = s.main_window_x;
  setup.mainY = s.main_window_y;
  setup.playlistX = s.playlist_x;
  setup.playlistY = s.playlist_y;
  setup.playlistWidth = s.playlist_width;
  setup.playlistHeight = s.playlist_height;
  setup.statusBrush = context.text_brush;
  setup.statusFont = context.text_font;
  setup.statusTextColour = RGB(0, 0, 0);
  setup.playlist = entries_;
  HRESULT hr = skin::ApplySkin(context.description.c_str(), context.archive.c_str(), context.work_directory.c_str(),
                               &style_, setup, &last_unpack_);
  return FAILED(hr) ? static_cast<int>(hr) : 0;
}

void PlayerSkin::Destroy() {
  skin::UnloadSkin();
  skin::DeletePlaylistStyle(&style_);
  delete entries_;
  entries_ = nullptr;
}

HWND PlayerSkin::MainWindow() const { return WindowOf(skin::CurrentSkin().mainForm); }

HWND PlayerSkin::PlaylistWindow() const { return WindowOf(skin::CurrentSkin().playlistForm); }

HWND PlayerSkin::ButtonsBarWindow() const { return BarWindow(); }

void PlayerSkin::DeleteMainForm() { skin::DeleteMainForm(); }

HWND PlayerSkin::BuildMainForm(const char* form_name, int x, int y) {
  return WindowOf(skin::BuildMainForm(form_name, x, y));
}

void PlayerSkin::RouteCommand(WPARAM wparam, LPARAM lparam) {
  skin::LoadedSkin& current = skin::CurrentSkin();
  for (skin::SkinElement* root : {current.mainForm, current.playlistForm, current.buttonsBar}) {
    if (root && root->GetWindow()) root->HandleMessage(root->GetWindow(), WM_COMMAND, wparam, lparam);
  }
}

namespace {
void ShowElement(skin::SkinElement* element, bool show) {
  if (!element) return;
  if (show) {
    element->Show();
    element->Redraw();
  } else {
    element->Hide();
  }
}
}  // namespace

void PlayerSkin::ShowPlaylist(bool show) { ShowElement(skin::CurrentSkin().playlistForm, show); }

void PlayerSkin::ShowButtonsBar(bool show) {
  skin::SkinElement* bar = skin::CurrentSkin().buttonsBar;
  ShowElement(bar, show);
  if (show && bar && bar->GetWindow()) SetActiveWindow(bar->GetWindow());
}

namespace {
skin::SkinText* TextOf(SkinHost::TextLine line) {
  skin::LoadedSkin& current = skin::CurrentSkin();
  switch (line) {
    case SkinHost::TextLine::kStatus:
      return current.statusText;
    case SkinHost::TextLine::kVideoInfo:
      return current.videoInfoText;
    case SkinHost::TextLine::kDuration:
      return current.durationText;
  }
  return nullptr;
}
}  // namespace

bool PlayerSkin::HasText(TextLine line) const { return TextOf(line) != nullptr; }

void PlayerSkin::SetText(TextLine line, const std::wstring& text) {
  if (skin::SkinText* element = TextOf(line)) {
    element->SetText(text.c_str());
  }
}

void PlayerSkin::ShowStatus(const std::wstring& text, int* text_width, int* element_width) {
  *text_width = 0;
  *element_width = 0;
  skin::SkinText* status = TextOf(TextLine::kStatus);
  if (!status) return;
  status->SetTextOffset(0);
  status->SetText(text.c_str());
  *text_width = status->GetTextWidth();
  *element_width = status->width;
}

void PlayerSkin::ScrollStatus(int offset) {
  if (skin::SkinText* status = TextOf(TextLine::kStatus)) {
    status->SetTextOffset(offset);
    status->Redraw();
  }
}

void PlayerSkin::LayoutFileList() {
  if (skin::SkinList* list = skin::CurrentSkin().fileList) list->Layout();
}

void PlayerSkin::RedrawWindows() {
  skin::LoadedSkin& current = skin::CurrentSkin();
  for (skin::SkinElement* form : {current.mainForm, current.playlistForm}) {
    if (form && form->GetWindow()) form->Redraw();
  }
}

HWND PlayerSkin::TooltipWindow() const {
  skin::SkinDocument* document = skin::CurrentSkin().document;
  return document ? document->tooltipWindow : nullptr;
}
