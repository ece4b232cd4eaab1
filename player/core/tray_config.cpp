#include "player/core/tray_config.h"

namespace tray {

namespace {

constexpr int kPlayerIcon = 108;
constexpr int kRestoreCommand = 187;

// The menu's icon items, 140 to 145, in menu order.
constexpr Bit kMenuBits[] = {kPrevious, kPlay, kPause, kStop, kNext, kOpen};

}  // namespace

const std::vector<ControlIcon>& ControlIcons() {
  static const std::vector<ControlIcon> icons = {
      {kPrevious, 2141, 160, "Previous"}, {kPlay, 2138, 130, "Play"}, {kPause, 2142, 133, "Pause"},
      {kStop, 2139, 132, "Stop"},         {kNext, 2140, 159, "Next"}, {kOpen, 2137, 129, "Open"},
  };
  return icons;
}

uint32_t AfterCommand(uint32_t config, int command) {
  if (command == kShowAllCommand) return kAllIcons;
  if (command == kHideAllCommand) return config ^ kHideAll;
  if (command >= kFirstIconCommand && command <= kLastIconCommand) {
    return config ^ kMenuBits[command - kFirstIconCommand];
  }
  return config;
}

std::vector<ControlIcon> ShownIcons(uint32_t config) {
  std::vector<ControlIcon> shown;
  if (config & kHideAll) return shown;
  for (const ControlIcon& icon : ControlIcons()) {
    if (config & icon.bit) shown.push_back(icon);
  }
  return shown;
}

bool Checked(uint32_t config, int command) {
  if (command == kShowAllCommand) return config == kAllIcons;
  if (command == kHideAllCommand) return (config & kHideAll) != 0;
  if (command >= kFirstIconCommand && command <= kLastIconCommand) {
    return (config & kMenuBits[command - kFirstIconCommand]) != 0;
  }
  return false;
}

int CommandForIcon(int id) {
  if (id == kPlayerIcon) return kRestoreCommand;
  for (const ControlIcon& icon : ControlIcons()) {
    if (icon.id == id) return icon.command;
  }
  return 0;
}

}  // namespace tray
