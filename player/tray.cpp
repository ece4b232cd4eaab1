#include "player/tray.h"

#include <shellapi.h>

#include <cstring>

#include "player/core/tray_config.h"
#include "player/menus.h"

namespace {

constexpr char kPlayerTip[] = "Zelvo Vantor Player";

const MenuItem kControlMenu[] = {
    {"Show all", 138}, {"Hide all", 139}, {nullptr, 0},  {"Previous", 140}, {"Play", 141},
    {"Pause", 142},    {"Stop", 143},     {"Next", 144}, {"Open", 145},
};

NOTIFYICONDATAA IconData(HWND window, int id) {
  NOTIFYICONDATAA data = {};
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.hWnd = window;
  data.uID = static_cast<UINT>(id);
  return data;
}

}  // namespace

Tray::~Tray() {
  if (menu_) DestroyMenu(menu_);
}

void Tray::Init(HINSTANCE instance, HWND window) {
  instance_ = instance;
  window_ = window;
  taskbar_created_ = RegisterWindowMessageA("TaskbarCreated");
  if (menu_) return;
  menu_ = BuildPopupMenu(kControlMenu, sizeof kControlMenu / sizeof kControlMenu[0]);
  MarkMenu();
}

bool Tray::Add(int id, const char* tip) {
  NOTIFYICONDATAA data = IconData(window_, id);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kCallbackMessage;
  data.hIcon = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(id), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  lstrcpynA(data.szTip, tip, sizeof data.szTip);
  const bool added = Shell_NotifyIconA(NIM_ADD, &data) != FALSE;
  if (data.hIcon) DestroyIcon(data.hIcon);
  return added;
}

void Tray::Remove(int id) {
  NOTIFYICONDATAA data = IconData(window_, id);
  Shell_NotifyIconA(NIM_DELETE, &data);
}

bool Tray::AddPlayerIcon() {
  if (!minimised_) minimised_ = Add(kPlayerIcon, kPlayerTip);
  return minimised_;
}

void Tray::RemovePlayerIcon() {
  if (minimised_) Remove(kPlayerIcon);
  minimised_ = false;
}

void Tray::AddControlIcons() {
  for (const tray::ControlIcon& icon : tray::ShownIcons(config_)) Add(icon.id, icon.tip);
}

void Tray::RemoveControlIcons() {
  for (const tray::ControlIcon& icon : tray::ShownIcons(config_)) Remove(icon.id);
}

void Tray::OnMenuCommand(int command) {
  RemoveControlIcons();
  config_ = tray::AfterCommand(config_, command);
  MarkMenu();
  AddControlIcons();
}

void Tray::AddAgain() {
  if (minimised_) Add(kPlayerIcon, kPlayerTip);
  AddControlIcons();
}

void Tray::RemoveAll() {
  RemoveControlIcons();
  RemovePlayerIcon();
}

void Tray::MarkMenu() {
  if (!menu_) return;
  for (int command = tray::kShowAllCommand; command <= tray::kLastIconCommand; ++command) {
    CheckMenuItem(menu_, static_cast<UINT>(command),
                  MF_BYCOMMAND | (tray::Checked(config_, command) ? MF_CHECKED : MF_UNCHECKED));
  }
}
