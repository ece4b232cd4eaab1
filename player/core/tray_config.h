#pragma once
// Which control icons the tray shows: a set of bits that the tray menu's
// commands toggle, and the icons it gives, in the order they are added.
#include <cstdint>
#include <vector>

namespace tray {

enum Bit : uint32_t {
  kHideAll = 1u << 0,
  kPrevious = 1u << 1,
  kPlay = 1u << 2,
  kPause = 1u << 3,
  kStop = 1u << 4,
  kNext = 1u << 5,
  kOpen = 1u << 6,
};
constexpr uint32_t kAllIcons = kPrevious | kPlay | kPause | kStop | kNext | kOpen;  // 126

// The tray menu's commands: "Show all", "Hide all", then one per icon.
constexpr int kShowAllCommand = 138;
constexpr int kHideAllCommand = 139;
constexpr int kFirstIconCommand = 140;
constexpr int kLastIconCommand = 145;

struct ControlIcon {
  uint32_t bit;
  int id;       // the icon resource, also the notification icon's id
  int command;  // what a click on it sends
  const char* tip;
};

// Every control icon, in the order they are added to the tray.
const std::vector<ControlIcon>& ControlIcons();

// The configuration after one of the tray menu's commands; any other
// command leaves it as it is.
uint32_t AfterCommand(uint32_t config, int command);

// The icons the configuration shows, in order (none while "hide all").
std::vector<ControlIcon> ShownIcons(uint32_t config);

// Whether the menu item of `command` carries a check mark.
bool Checked(uint32_t config, int command);

// The command a left click on the notification icon `id` sends, or 0.
int CommandForIcon(int id);

}  // namespace tray
