#pragma once
// What the player and the skin it wears know of each other: the skin loads
// from what the player hands it, and its forms pass their messages to a
// sink the player provides. Neither side needs the other's class.
#include <windows.h>

#include <string>
#include <vector>

struct PlayerSettings;

// Where the skin's forms hand their messages before their own handling.
class FormMessageSink {
 public:
  enum class Form { kMain, kPlaylist, kButtonsBar };
  // True when the message was answered, with `*result`.
  virtual bool OnFormMessage(Form form, HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) = 0;

 protected:
  ~FormMessageSink() = default;
};

// Everything a skin needs of the player to load.
struct SkinLoadContext {
  PlayerSettings* settings = nullptr;
  HWND command_window = nullptr;
  // The playlist's names, which the "FileList" element shows; they outlive
  // the skin.
  const std::vector<std::wstring>* playlist = nullptr;
  HBRUSH text_brush = nullptr;
  HFONT text_font = nullptr;
  std::string description;
  std::string archive;
  std::string work_directory;
  FormMessageSink* sink = nullptr;
};

class SkinHost {
 public:
  virtual ~SkinHost() = default;
  // Loads the skin and builds its windows; negative on failure.
  virtual int Load(const SkinLoadContext& context) = 0;
  // Destroys the "PlayList" window, the "MainSkin" window and the document.
  virtual void Destroy() = 0;
  virtual HWND MainWindow() const = 0;
  virtual HWND PlaylistWindow() const = 0;
  // Passes a command down the element trees of the "MainSkin", "PlayList"
  // and "LoadPlaylistFileBar" elements, so that they show its effect.
  virtual void RouteCommand(WPARAM wparam, LPARAM lparam) = 0;
  // Shows or hides the "PlayList" form and the "LoadPlaylistFileBar" element.
  virtual void ShowPlaylist(bool show) = 0;
  virtual void ShowButtonsBar(bool show) = 0;

  // The skin's text lines; a skin without one simply shows nothing there.
  enum class TextLine { kStatus, kVideoInfo, kDuration };
  virtual bool HasText(TextLine line) const = 0;
  virtual void SetText(TextLine line, const std::wstring& text) = 0;
  // The status line: the text at offset 0, and the widths of the text and
  // of its element (0 and 0 without a status line).
  virtual void ShowStatus(const std::wstring& text, int* text_width, int* element_width) = 0;
  // The status text drawn again at a scroll offset.
  virtual void ScrollStatus(int offset) = 0;
  // The "FileList" element lays itself out again after a playlist change.
  virtual void LayoutFileList() = 0;
  // Redraws the "MainSkin" and "PlayList" windows.
  virtual void RedrawWindows() = 0;
  virtual HWND TooltipWindow() const = 0;
  // The "LoadPlaylistFileBar" element's window, if it has one of its own.
  virtual HWND ButtonsBarWindow() const = 0;
  // The main form goes (its window's destruction stores its position) and
  // the form `form_name` of the same skin takes its place at (x, y); the
  // new form's window, or null when the skin has no such form.
  virtual void DeleteMainForm() = 0;
  virtual HWND BuildMainForm(const char* form_name, int x, int y) = 0;
};
