#pragma once
// The player's notification icons as a test finds them: its command window
// that owns them, whether the shell holds one, and the icons shown in
// Wine's own tray window, where a test clicks them.
#include <windows.h>
// After windows.h.
#include <shellapi.h>

#include <vector>

namespace tray_support {

// The player's hidden command window, which owns its notification icons.
inline HWND CommandWindowOf(DWORD process) {
  HWND found = nullptr;
  while ((found = FindWindowExA(nullptr, found, "Zelvo Vantor", nullptr))) {
    DWORD owner = 0;
    GetWindowThreadProcessId(found, &owner);
    if (owner == process) return found;
  }
  return nullptr;
}

// Whether the shell holds this icon of that window: changing nothing on an
// icon succeeds only when it is there.
inline bool IconShown(HWND window, UINT id) {
  NOTIFYICONDATAA data = {};
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.hWnd = window;
  data.uID = id;
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

// The icons in Wine's tray window, in the order they were added.
inline std::vector<HWND> TrayIcons() {
  std::vector<HWND> icons;
  HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
  if (!tray) return icons;
  for (HWND child = GetWindow(tray, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (IsWindowVisible(child)) icons.push_back(child);
  }
  return icons;
}

inline POINT CentreOf(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

}  // namespace tray_support
