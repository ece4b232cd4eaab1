#pragma once
// The skin controls: element kinds with their own state, drawing and mouse
// handling, built on SkinElement.

#include <windows.h>

#include <string>
#include <vector>

#include "player/skin/skin_element.h"
#include "player/skin/skin_geometry.h"

namespace skin {

// The playlist as the list view reads it: the player owns the entries.
class PlaylistEntries {
 public:
  virtual ~PlaylistEntries() = default;
  virtual int Count() const = 0;
  virtual const wchar_t* Entry(int index) const = 0;  // index in 0 .. Count() - 1
};

// A playlist held in a vector of wide strings (the vector stays the caller's).
class VectorPlaylist : public PlaylistEntries {
 public:
  explicit VectorPlaylist(const std::vector<std::wstring>* entries) : entries_(entries) {}
  int Count() const override;
  const wchar_t* Entry(int index) const override;

 private:
  const std::vector<std::wstring>* entries_;
};

// Colours, brushes and font of the playlist view. The player owns the
// handles; the elements only use them.
struct PlaylistStyle {
  COLORREF normalText = RGB(0, 0, 0);
  COLORREF currentText = RGB(0x00, 0x78, 0xC8);
  HBRUSH normalBackground = nullptr;
  HBRUSH selectedBackground = nullptr;
  HFONT font = nullptr;
};

// The style a skin without "pledit.txt" gets: black and blue text, grey and
// black backgrounds, "Arial" 14 pixels. Returns false if a handle cannot be
// made (the ones made are deleted again).
bool CreateDefaultPlaylistStyle(PlaylistStyle* style);
void DeletePlaylistStyle(PlaylistStyle* style);

class SkinButton : public SkinElement {
 public:
  SkinButton(CommandCallback handler, const char* name, HINSTANCE instance, SkinElement* parent);
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) override;

  int baseState = 0;
};

class SkinResizeZone : public SkinElement {
 public:
  SkinResizeZone(CommandCallback handler, const char* name, HINSTANCE instance, SkinElement* parent);
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) override;

  int hitTestCode = HTBOTTOMRIGHT;
};

class SkinText : public SkinElement {
 public:
  SkinText(CommandCallback handler, const char* name, HINSTANCE instance, SkinElement* parent);
  void Redraw() override;
  // Draws the text into a given context (the element's client area at 0, 0).
  virtual void DrawTextInto(HDC dc);
  virtual void SetTextColor(COLORREF colour) { textColour_ = colour; }
  virtual void SetFont(HFONT font) { font_ = font; }
  virtual void SetBackgroundBrush(HBRUSH brush) { backgroundBrush_ = brush; }
  virtual void SetFill(bool fill) { fill_ = fill; }
  virtual void SetText(const wchar_t* text);
  virtual void SetTextOffset(int offset) { textOffset_ = offset; }
  virtual int GetTextWidth();

  const std::wstring& Text() const { return text_; }
  COLORREF TextColour() const { return textColour_; }
  HBRUSH BackgroundBrush() const { return backgroundBrush_; }

 private:
  COLORREF textColour_ = RGB(0, 0, 0);
  std::wstring text_;
  bool fill_ = false;
  HBRUSH backgroundBrush_ = nullptr;
  HFONT font_ = nullptr;
  int textOffset_ = 0;
};

class SkinList;

class PlayListItem : public SkinText {
 public:
  PlayListItem(int row, CommandCallback handler, const char* name, HINSTANCE instance, SkinList* list);
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) override;
  int Row() const { return row_; }

 private:
  int row_;
  SkinList* list_;
};

class SkinNumber : public SkinElement {
 public:
  SkinNumber(CommandCallback handler, const char* name, HINSTANCE instance, SkinElement* parent);
  void Draw(HDC dc, int x, int y) override;
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) override;
  virtual void SetCacheCommand(int id) { cacheCommand_ = id; }
  virtual void SetSpriteStep(int stepX, int stepY) {
    stepX_ = stepX;
    stepY_ = stepY;
  }
  virtual void SetDigit(int digit) { digit_ = digit; }
  int Digit() const { return digit_; }
  int CacheCommand() const { return cacheCommand_; }

 private:
  int cacheCommand_ = 0;
  int stepX_ = 0;
  int stepY_ = 0;
  int digit_ = 0;
};

// Click-to-set bar whose value shows as its sprite state.
class SkinPositionBar : public SkinElement {
 public:
  SkinPositionBar(int stateCount, CommandCallback handler, const char* name, HINSTANCE instance,
                  SkinElement* parent);
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) override;
  void Resize(int width, int height) override;
  void OnCatch(WPARAM wparam, LPARAM lparam) override;
  virtual void SetBounds(int bx, int by, int bw, int bh);
  virtual void SetValue(int value);

  CommandNotifier notifier;
  bool vertical = false;
  int minX = 0, maxX = 0, minY = 0, maxY = 0;
  int boundsX = 0, boundsW = 0, boundsY = 0, boundsH = 0;
};

// The thumb of a scroll bar; its parent element is the track.
class SkinScrollBar : public SkinElement {
 public:
  SkinScrollBar(CommandCallback handler, const char* name, HINSTANCE instance, SkinElement* parent);
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) override;
  void Resize(int width, int height) override;
  void OnCatch(WPARAM wparam, LPARAM lparam) override;
  virtual void SetBounds(int bx, int by, int bw, int bh);
  virtual int GetValue();
  virtual void SetPosition(int value);
  virtual int GetValueX();
  virtual int GetValueY();

  CommandNotifier notifier;
  int finishCommand = 0;
  int startCommand = 0;
  bool dragging = false;
  bool vertical = false;
  int minX = 0, maxX = 0, minY = 0, maxY = 0;
  int boundsX = 0, boundsW = 0, boundsY = 0, boundsH = 0;

 private:
  LRESULT Drag();
};

// The playlist view; its rows are PlayListItem child windows.
class SkinList : public SkinElement {
 public:
  static constexpr int kRowHeight = 14;
  // More rows than this are never made, however tall the list.
  static constexpr int kMaxRows = 512;

  SkinList(CommandCallback handler, const char* name, HINSTANCE instance, SkinElement* parent);
  ~SkinList() override;
  void Redraw() override;
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) override;
  void Resize(int width, int height) override;
  virtual void Layout();
  virtual void SetTop(int top) { scroll_.top = top; }
  virtual void SetRowCount(int rows);
  virtual void SelectRow(int row);
  virtual int GetCurrent() const { return scroll_.top + scroll_.selected; }
  virtual void ScrollTo(int value);
  virtual void EnsureVisible(int index);

  void SetPlaylist(const PlaylistEntries* playlist) { playlist_ = playlist; }
  void SetStyle(const PlaylistStyle* style) { style_ = style; }
  int EntryCount() const { return playlist_ ? playlist_->Count() : 0; }
  int RowCount() const { return static_cast<int>(rows_.size()); }
  int Top() const { return scroll_.top; }
  int SelectedRow() const { return scroll_.selected; }
  PlayListItem* RowAt(int i) const { return rows_[static_cast<size_t>(i)]; }

  CommandNotifier notifier;
  int scrollCommand = 0;
  int upCommand = 0;
  int downCommand = 0;
  int playItemCommand = 0;

 private:
  int RowsForHeight() const;
  // True when the height asks for another number of rows than the list made.
  bool RowsOutOfDate() const;
  void RemoveRows();

  std::vector<PlayListItem*> rows_;
  int rowsAskedFor_ = 0;
  ListScroll scroll_;
  const PlaylistEntries* playlist_ = nullptr;
  const PlaylistStyle* style_ = nullptr;
};

}  // namespace skin
