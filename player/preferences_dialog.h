#pragma once
// The player's modeless Preferences dialog: a tree on the left picks one of
// eight page dialogs shown to its right under a header strip. The pages edit
// the player's settings and, for the streams of the open file, talk to the
// engine. The dialog knows nothing of the program around it: commands go out
// through the callback it is given.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>

#include "player/player_settings.h"

class EngineClient;

namespace preferences {
struct PageContext;
class Page;
class StreamPage;
}  // namespace preferences

class PreferencesDialog {
 public:
  // The pages, in the order of their windows.
  enum PageKind : int {
    kAboutPage,
    kPlaybackPage,
    kVideoStreamsPage,
    kAudioStreamsPage,
    kUserInterfacePage,
    kSubtitlesPage,
    kVideoPage,
    kAudioPage,
    kPageCount
  };
  static constexpr const char* kTitle = "Zelvo Vantor Player Preferences";

  // `engine` may be null, or have no file open. `post_command` receives the
  // player commands the pages give (repeat, shuffle, topmost, registering
  // the file types).
  PreferencesDialog(HINSTANCE instance, PlayerSettings& settings, EngineClient* engine,
                    std::function<void(int command)> post_command);
  ~PreferencesDialog();
  PreferencesDialog(const PreferencesDialog&) = delete;
  PreferencesDialog& operator=(const PreferencesDialog&) = delete;

  // Applying "Block Screen Saver": the program's blocker, when it has one.
  void set_screen_saver_blocker(std::function<void(bool on)> block) { block_screen_saver_ = std::move(block); }
  // Opening an About link; the default hands the address to the shell.
  void set_link_opener(std::function<void(const char* address)> open) { open_link_ = std::move(open); }

  // The dialog and its pages, hidden and without a parent; false when a
  // window could not be made (nothing is left behind then).
  bool Create();
  // At "Prefs window origin", with every page read afresh from the settings
  // and the engine; the page shown last comes back.
  void Show();
  // Shown with the About page.
  void ShowAbout();
  // Stores the position and hides the dialog; unapplied edits are dropped.
  void Hide();
  void Destroy();
  // After a file was opened, or repeat, shuffle or topmost changed outside
  // the dialog: the stream items are built again and the pages re-read what
  // mirrors those changes, leaving the user's other unapplied edits alone.
  void Refresh();
  // For the program's message loop: keyboard navigation in the dialog.
  bool HandleDialogMessage(MSG* message);

  HWND window() const { return window_; }
  HWND tree() const { return tree_; }
  // The text of one of the tree's items.
  std::string ItemText(HTREEITEM item) const;
  HWND page(PageKind kind) const;
  // The page shown now, or null.
  HWND current_page() const;
  const std::string& header_text() const { return header_text_; }
  // Where the header text was drawn last.
  int header_text_left() const { return header_left_; }
  // Where pages go, in the dialog's client coordinates.
  const RECT& page_area() const { return page_area_; }
  const RECT& header_area() const { return header_area_; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  bool OnInitDialog();
  void OnCommand(int id);
  LRESULT OnTreeNotify(NMHDR* header);
  bool AllowSelectionChange(HTREEITEM from, HTREEITEM to);
  void ShowPageFor(HTREEITEM item);
  void HideCurrentPage();
  HTREEITEM AddItem(HTREEITEM parent, const std::string& text, PageKind kind, int position);
  HTREEITEM FindItem(HTREEITEM first, const std::string& text) const;
  void RebuildStreamItems();
  void DeleteChildren(HTREEITEM parent);
  // Every page the user changed, checked first and then stored; false when
  // a page refused its input (that page is shown, nothing stored).
  bool ApplyChanged();
  void SelectPage(PageKind kind);
  void BringPageForward(preferences::Page* page);
  void RedrawHeader();
  void PaintHeader(HDC dc);
  preferences::StreamPage* StreamPageOf(PageKind kind) const;

  HINSTANCE instance_;
  PlayerSettings& settings_;
  EngineClient* engine_;
  std::function<void(int)> post_command_;
  std::function<void(bool)> block_screen_saver_;
  std::function<void(const char*)> open_link_;
  std::unique_ptr<preferences::PageContext> context_;
  std::unique_ptr<preferences::Page> pages_[kPageCount];

  HWND window_ = nullptr;
  HWND tree_ = nullptr;
  HTREEITEM roots_[kSubtitlesPage + 1] = {};
  int current_ = -1;
  bool rebuilding_ = false;
  std::string header_text_ = "About";
  // The name of the stream item shown last ("Stream 1").
  std::string last_stream_item_;
  RECT page_area_ = {};
  RECT header_area_ = {};
  HFONT header_font_ = nullptr;
  HBITMAP header_bitmap_ = nullptr;
  int header_left_ = 20;
  int header_step_ = 1;
  bool header_drawn_ = false;
};
