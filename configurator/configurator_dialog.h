// `ConfiguratorDialog`: the main window (dialog resource 128). A tree of the
// filters on the left, the chosen filter's panel on the right, OK and
// Cancel below; it runs its own modal loop so that Escape can be told apart
// from the Cancel button.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "common/com/handles.h"
#include "configurator/core/layout.h"
#include "configurator/filter_pages_panel.h"

namespace configurator {

struct IconTraits {
  using Handle = HICON;
  static Handle empty() { return nullptr; }
  static bool valid(Handle h) { return h != nullptr; }
  static void close(Handle h) { DestroyIcon(h); }
};
using OwnedIcon = zelvo::com::UniqueHandle<IconTraits>;

class ConfiguratorDialog {
 public:
  ConfiguratorDialog(HINSTANCE instance, std::string title);
  ~ConfiguratorDialog();
  ConfiguratorDialog(const ConfiguratorDialog&) = delete;
  ConfiguratorDialog& operator=(const ConfiguratorDialog&) = delete;

  void AddPanel(std::unique_ptr<FilterPagesPanel> panel);
  size_t EntryCount() const { return entries_.size(); }
  // The entry shown when the window opens (-1 or out of range: the first).
  void SetFirstIndex(int index) { firstIndex_ = index; }

  // Shows the window and runs its messages until OK, Cancel or the close
  // box ends it. Returns IDOK or IDCANCEL, or -1 when there was no window.
  int RunModal();

  // Deactivates and releases every panel's pages and destroys the panels.
  void DestroyPanels();

 private:
  struct Entry {
    std::unique_ptr<FilterPagesPanel> panel;
    HTREEITEM item = nullptr;
    int image = 0;  // the tree has no image list
  };

  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();
  bool OnTreeSelectionChanging(const NMTREEVIEWA& change);
  void OnSize(int cx, int cy);
  void OnOk();
  void OnCancel();
  void End(int result);
  bool ShowEntry(int index);
  void SelectTreeItem(int index);
  DialogMetrics ReadMetrics() const;
  void Place(const DialogLayout& layout);
  RECT ChildRect(int id) const;

  HINSTANCE instance_;
  std::string title_;
  std::vector<Entry> entries_;
  int shownIndex_ = -1;
  int firstIndex_ = -1;
  OwnedIcon largeIcon_;
  OwnedIcon smallIcon_;
  HWND dialog_ = nullptr;
  bool ended_ = false;
  int result_ = -1;
  bool escapeKey_ = false;  // the message being handled is an Escape key press
  bool growing_ = false;    // the window is being grown to fit the panel
  bool showingEntry_ = false;  // an entry's panel is choosing its first page
  bool destroying_ = false;  // the window is going: no panel is made or shown
};

}  // namespace configurator
