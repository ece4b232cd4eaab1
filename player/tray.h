#pragma once
// The player's notification icons: its own icon while it lives in the tray,
// the six control icons the tray menu turns on and off, and that menu.
#include <windows.h>

#include <cstdint>

class Tray {
 public:
  // The notification icons' callback message to the command window.
  static constexpr UINT kCallbackMessage = 0x40E;
  static constexpr int kPlayerIcon = 108;

  Tray() = default;
  ~Tray();
  Tray(const Tray&) = delete;
  Tray& operator=(const Tray&) = delete;

  // Builds the tray-control menu; the icons belong to `window`.
  void Init(HINSTANCE instance, HWND window);
  HMENU control_menu() const { return menu_; }
  uint32_t config() const { return config_; }
  bool minimised() const { return minimised_; }
  // The shell's message that it (re)started, when every icon must be
  // added again.
  UINT taskbar_created() const { return taskbar_created_; }

  // The player's own icon; false when the shell did not take it (then the
  // player must stay on the screen).
  bool AddPlayerIcon();
  void RemovePlayerIcon();
  // One of the tray menu's commands: the icons of the old configuration go,
  // those of the new one come, and the menu's check marks follow.
  void OnMenuCommand(int command);
  // The control icons the configuration asks for.
  void AddControlIcons();
  void RemoveControlIcons();
  // After the shell restarted.
  void AddAgain();
  // At shut-down: every icon the player put there.
  void RemoveAll();

 private:
  bool Add(int id, const char* tip);
  void Remove(int id);
  void MarkMenu();

  HINSTANCE instance_ = nullptr;
  HWND window_ = nullptr;
  HMENU menu_ = nullptr;
  uint32_t config_ = 0;
  bool minimised_ = false;
  UINT taskbar_created_ = 0;
};
