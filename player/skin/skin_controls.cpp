#include "player/skin/skin_controls.h"

#include <algorithm>
#include <climits>

namespace skin {

// ---- playlist and its style ------------------------------------------------

int VectorPlaylist::Count() const {
  if (!entries_) return 0;
  return static_cast<int>(std::min<size_t>(entries_->size(), INT_MAX));
}

const wchar_t* VectorPlaylist::Entry(int index) const {
  if (!entries_ || index < 0 || index >= Count()) return L"";
  return (*entries_)[static_cast<size_t>(index)].c_str();
}

bool CreateDefaultPlaylistStyle(PlaylistStyle* style) {
  *style = PlaylistStyle{};
  style->normalBackground = CreateSolidBrush(RGB(0x78, 0x78, 0x78));
  style->selectedBackground = CreateSolidBrush(RGB(0, 0, 0));
  style->font = CreateFontA(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, "Arial");
  if (style->normalBackground && style->selectedBackground && style->font) return true;
  DeletePlaylistStyle(style);
  return false;
}

void DeletePlaylistStyle(PlaylistStyle* style) {
  if (style->normalBackground) DeleteObject(style->normalBackground);
  if (style->selectedBackground) DeleteObject(style->selectedBackground);
  if (style->font) DeleteObject(style->font);
  *style = PlaylistStyle{};
}

// ---- button ------------------------------------------------------------------

SkinButton::SkinButton(CommandCallback handler_, const char* name_, HINSTANCE instance_, SkinElement* parent_)
    : SkinElement(2, handler_, name_, instance_, parent_, nullptr) {}

LRESULT SkinButton::HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCHITTEST: {
      // Tracking is asked for once per visit. Asking again while the system
      // still tracks this window restarts the hover, and the system's own
      // tracking hit-tests the window on every tick: the button would hover
      // over and over while the mouse rests on it.
      TRACKMOUSEEVENT query = {};
      query.cbSize = sizeof query;
      query.dwFlags = TME_QUERY;
      const bool tracked = TrackMouseEvent(&query) && query.hwndTrack == window && (query.dwFlags & TME_LEAVE);
      if (window && !tracked) {
        TRACKMOUSEEVENT track = {};
        track.cbSize = sizeof track;
        track.dwFlags = TME_HOVER | TME_LEAVE;
        track.hwndTrack = window;
        track.dwHoverTime = 1;
        TrackMouseEvent(&track);
      }
      break;
    }
    case WM_MOUSEHOVER:
      state = baseState + 1;
      Redraw();
      break;
    case WM_MOUSELEAVE:
      state = baseState;
      Redraw();
      break;
    default:
      break;
  }
  return SkinElement::HandleMessage(hwnd, message, wparam, lparam);
}

// ---- resize zone ---------------------------------------------------------------

SkinResizeZone::SkinResizeZone(CommandCallback handler_, const char* name_, HINSTANCE instance_,
                               SkinElement* parent_)
    : SkinElement(1, handler_, name_, instance_, parent_, nullptr) {}

LRESULT SkinResizeZone::HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCHITTEST) return hitTestCode;
  return SkinElement::HandleMessage(hwnd, message, wparam, lparam);
}

// ---- text ----------------------------------------------------------------------

namespace {

std::string ToAnsi(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int length = static_cast<int>(std::min<size_t>(text.size(), INT_MAX / 4));
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string ansi(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), length, &ansi[0], bytes, nullptr, nullptr);
  return ansi;
}

}  // namespace

SkinText::SkinText(CommandCallback handler_, const char* name_, HINSTANCE instance_, SkinElement* parent_)
    : SkinElement(1, handler_, name_, instance_, parent_, nullptr) {}

void SkinText::Redraw() {
  if (!visible || !window) return;
  if (HDC dc = GetDC(window)) {
    DrawTextInto(dc);
    ReleaseDC(window, dc);
  }
}

void SkinText::DrawTextInto(HDC dc) {
  HGDIOBJ previousFont = font_ ? SelectObject(dc, font_) : nullptr;
  RECT area = {-textOffset_, 0, width, height};
  if (fill_ && backgroundBrush_) FillRect(dc, &area, backgroundBrush_);
  const int previousMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF previousColour = ::SetTextColor(dc, textColour_);
  const std::string ansi = ToAnsi(text_);
  ::DrawTextA(dc, ansi.c_str(), static_cast<int>(ansi.size()), &area, DT_SINGLELINE);
  ::SetTextColor(dc, previousColour);
  SetBkMode(dc, previousMode);
  if (previousFont) SelectObject(dc, previousFont);
}

void SkinText::SetText(const wchar_t* text) {
  text_ = text ? text : L"";
  Redraw();
}

int SkinText::GetTextWidth() {
  HDC dc = GetDC(window);
  if (!dc) return 0;
  HGDIOBJ previousFont = font_ ? SelectObject(dc, font_) : nullptr;
  const std::string ansi = ToAnsi(text_);
  SIZE extent = {0, 0};
  GetTextExtentPoint32A(dc, ansi.c_str(), static_cast<int>(ansi.size()), &extent);
  if (previousFont) SelectObject(dc, previousFont);
  ReleaseDC(window, dc);
  return extent.cx;
}

// ---- playlist row ----------------------------------------------------------------

PlayListItem::PlayListItem(int row, CommandCallback handler_, const char* name_, HINSTANCE instance_,
                           SkinList* list)
    : SkinText(handler_, name_, instance_, list), row_(row), list_(list) {}

LRESULT PlayListItem::HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
    // The player may rebuild the list (and this row) while handling the
    // notification, so every step checks that the list is still there.
    SkinList* list = list_;
    const std::weak_ptr<int> listAlive = list->LifeToken();
    list->SelectRow(row_);
    if (listAlive.expired()) return 0;
    list->Layout();
    if (listAlive.expired()) return 0;
    list->Redraw();
    if (listAlive.expired()) return 0;
    if (message == WM_LBUTTONDBLCLK) list->notifier.Send(list->playItemCommand, list->GetCurrent());
    return 0;
  }
  return SkinText::HandleMessage(hwnd, message, wparam, lparam);
}

// ---- digit -------------------------------------------------------------------------

SkinNumber::SkinNumber(CommandCallback handler_, const char* name_, HINSTANCE instance_, SkinElement* parent_)
    : SkinElement(1, handler_, name_, instance_, parent_, nullptr) {}

void SkinNumber::Draw(HDC dc, int x0, int y0) {
  const SpriteState* sprite = Sprite(state);
  if (!sprite || !sprite->bitmap || width <= 0 || height <= 0) return;
  HDC memory = CreateCompatibleDC(dc);
  if (!memory) return;
  HGDIOBJ previous = SelectObject(memory, sprite->bitmap);
  const int sx = ClampToInt(sprite->srcX + static_cast<int64_t>(digit_) * stepX_);
  const int sy = ClampToInt(sprite->srcY + static_cast<int64_t>(digit_) * stepY_);
  BOOL ok = FALSE;
  switch (drawMode) {
    case kDrawTransparentBlt:
      ok = TransparentBlt(dc, x0, y0, width, height, memory, sx, sy, width, height, sprite->transparent);
      break;
    case kDrawMcTransparentBlt:
      ok = McTransparentBlt(dc, x0, y0, width, height, memory, sx, sy, width, height, sprite->transparent);
      break;
    case kDrawStretch:
      ok = StretchBlt(dc, x0, y0, width, height, memory, sx, sy, width, height, SRCCOPY);
      break;
    default:
      ok = BitBlt(dc, x0, y0, width, height, memory, sx, sy, SRCCOPY);
      break;
  }
  SelectObject(memory, previous);
  DeleteDC(memory);
  bool reported = false;
  if (!ok) ReportDrawFailure("Failed to draw", &reported);
}

LRESULT SkinNumber::HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND && cacheCommand_ && static_cast<int>(wparam) == cacheCommand_) {
    digit_ = static_cast<int>(lparam);
    Redraw();
  }
  return SkinElement::HandleMessage(hwnd, message, wparam, lparam);
}

// ---- position bar ----------------------------------------------------------------------

SkinPositionBar::SkinPositionBar(int stateCount_, CommandCallback handler_, const char* name_,
                                 HINSTANCE instance_, SkinElement* parent_)
    : SkinElement(stateCount_, handler_, name_, instance_, parent_, nullptr) {}

void SkinPositionBar::SetBounds(int bx, int by, int bw, int bh) {
  boundsX = bx;
  boundsY = by;
  boundsW = bw;
  boundsH = bh;
  minX = bx;
  maxX = ClampToInt(static_cast<int64_t>(width) - bw);
  minY = by;
  maxY = ClampToInt(static_cast<int64_t>(height) - bh);
  vertical = bx == maxX;
  if (vertical && by == maxY) maxY = ClampToInt(static_cast<int64_t>(maxY) + 1);
}

void SkinPositionBar::Resize(int newWidth, int newHeight) {
  SkinElement::Resize(newWidth, newHeight);
  SetBounds(boundsX, boundsY, boundsW, boundsH);
}

LRESULT SkinPositionBar::HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_LBUTTONDOWN) return SkinElement::HandleMessage(hwnd, message, wparam, lparam);
  const int64_t px = std::min<int64_t>(LOWORD(lparam), maxX);
  const int64_t py = std::min<int64_t>(HIWORD(lparam), maxY);
  const int value = vertical ? MillionthsOf(std::max<int64_t>(py, minY) - minY, static_cast<int64_t>(maxY) - minY)
                             : MillionthsOf(std::max<int64_t>(px, minX) - minX, static_cast<int64_t>(maxX) - minX);
  notifier.Notify(value);
  return 0;
}

void SkinPositionBar::OnCatch(WPARAM, LPARAM lparam) { SetValue(ClampMillionths(static_cast<LONG>(lparam))); }

void SkinPositionBar::SetValue(int value) {
  state = StateOfMillionths(value, stateCount);
  Redraw();
}

// ---- scroll bar ----------------------------------------------------------------------------

SkinScrollBar::SkinScrollBar(CommandCallback handler_, const char* name_, HINSTANCE instance_,
                             SkinElement* parent_)
    : SkinElement(1, handler_, name_, instance_, parent_, nullptr) {}

void SkinScrollBar::SetBounds(int bx, int by, int bw, int bh) {
  boundsX = bx;
  boundsY = by;
  boundsW = bw;
  boundsH = bh;
  const int64_t trackWidth = parent ? parent->width : 0;
  const int64_t trackHeight = parent ? parent->height : 0;
  minX = bx;
  maxX = ClampToInt(trackWidth - width - bw);
  minY = by;
  maxY = ClampToInt(trackHeight - height - bh);
  vertical = bx == maxX;
  if (vertical && by == maxY) maxY = ClampToInt(static_cast<int64_t>(maxY) + 1);
}

void SkinScrollBar::Resize(int newWidth, int newHeight) {
  SkinElement::Resize(newWidth, newHeight);
  SetBounds(boundsX, boundsY, boundsW, boundsH);
}

int SkinScrollBar::GetValueX() {
  return ClampMillionths(MillionthsOf(static_cast<int64_t>(x) - minX, static_cast<int64_t>(maxX) - minX));
}

int SkinScrollBar::GetValueY() {
  return ClampMillionths(MillionthsOf(static_cast<int64_t>(y) - minY, static_cast<int64_t>(maxY) - minY));
}

int SkinScrollBar::GetValue() { return vertical ? GetValueY() : GetValueX(); }

void SkinScrollBar::SetPosition(int value) {
  if (value == GetValue()) return;
  if (vertical)
    y = ClampToInt(minY + static_cast<int64_t>(OffsetOfMillionths(value, static_cast<int64_t>(maxY) - minY)));
  else
    x = ClampToInt(minX + static_cast<int64_t>(OffsetOfMillionths(value, static_cast<int64_t>(maxX) - minX)));
  if (window) SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  RedrawParent();
}

void SkinScrollBar::OnCatch(WPARAM, LPARAM lparam) {
  if (dragging) return;
  SetPosition(ClampMillionths(static_cast<LONG>(lparam)));
}

LRESULT SkinScrollBar::HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_WINDOWPOSCHANGED) return 0;
  if (message == WM_LBUTTONDOWN) return Drag();
  return SkinElement::HandleMessage(hwnd, message, wparam, lparam);
}

LRESULT SkinScrollBar::Drag() {
  const HWND own = window;
  if (!own) return 0;
  const std::weak_ptr<int> alive = life;
  SetCapture(own);
  POINT last;
  GetCursorPos(&last);
  // With the button really held, its release ends the drag even when the
  // up message goes elsewhere (another window took the input under us).
  const int button = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
  const bool held = (GetAsyncKeyState(button) & 0x8000) != 0;
  if (startCommand) notifier.Send(startCommand, GetValue());
  if (alive.expired()) {
    if (GetCapture() == own) ReleaseCapture();
    return 0;
  }
  dragging = true;

  bool quit = false;
  WPARAM quitCode = 0;
  for (;;) {
    // Playback updates and repainting go on while the thumb is held.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0,
                        PM_REMOVE | PM_NOYIELD | PM_QS_POSTMESSAGE | PM_QS_PAINT | PM_QS_SENDMESSAGE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
        quitCode = msg.wParam;
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      if (alive.expired()) break;
    }
    if (alive.expired()) {
      // The skin went away under the drag (a skin change, shut-down).
      if (GetCapture() == own) ReleaseCapture();
      if (quit) PostQuitMessage(static_cast<int>(quitCode));
      return 0;
    }
    // A quit request ends the drag and stays in the queue for the main loop;
    // losing the capture means the release will never come here.
    if (quit || GetCapture() != own) break;

    if (PeekMessageA(&msg, own, WM_MOUSEFIRST, 0x20A, PM_REMOVE)) {
      if (msg.message == WM_LBUTTONUP) break;
      if (msg.message != WM_MOUSEMOVE) continue;
      POINT now;
      GetCursorPos(&now);
      int64_t newX = static_cast<int64_t>(x) + now.x - last.x;
      int64_t newY = static_cast<int64_t>(y) + now.y - last.y;
      newX = std::max<int64_t>(std::min<int64_t>(newX, maxX), minX);
      newY = std::max<int64_t>(std::min<int64_t>(newY, maxY), minY);
      last = now;
      if (newX != x || newY != y) {
        x = static_cast<int>(newX);
        y = static_cast<int>(newY);
        SetWindowPos(own, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
        RedrawParent();
        notifier.Notify(GetValue());
        if (alive.expired()) {
          if (GetCapture() == own) ReleaseCapture();
          return 0;
        }
      }
      Sleep(100);
      continue;
    }
    if (held && (GetAsyncKeyState(button) & 0x8000) == 0) break;
    // Nothing to do: wait for input instead of spinning.
    MsgWaitForMultipleObjectsEx(0, nullptr, 50, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }

  if (GetCapture() == own) ReleaseCapture();
  dragging = false;
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
  if (alive.expired()) return 0;
  if (finishCommand)
    notifier.Send(finishCommand, GetValue());
  else
    notifier.Notify(GetValue());
  return 0;
}

// ---- list ------------------------------------------------------------------------------------

SkinList::SkinList(CommandCallback handler_, const char* name_, HINSTANCE instance_, SkinElement* parent_)
    : SkinElement(1, handler_, name_, instance_, parent_, nullptr) {}

SkinList::~SkinList() { RemoveRows(); }

int SkinList::RowsForHeight() const {
  if (height <= 0) return 0;
  return std::min(height / kRowHeight, kMaxRows);
}

void SkinList::RemoveRows() {
  std::vector<PlayListItem*> rows;
  rows.swap(rows_);
  for (PlayListItem* row : rows) delete row;
}

bool SkinList::RowsOutOfDate() const { return window && RowsForHeight() != rowsAskedFor_; }

void SkinList::Redraw() {
  if (RowsOutOfDate()) SetRowCount(RowsForHeight());
  SkinElement::Redraw();
}

void SkinList::Resize(int newWidth, int newHeight) {
  const int oldWidth = width;
  const int oldHeight = height;
  SkinElement::Resize(newWidth, newHeight);
  if (RowsOutOfDate()) SetRowCount(RowsForHeight());
  if (width != oldWidth || height != oldHeight) Layout();
}

void SkinList::SetRowCount(int count) {
  RemoveRows();
  // Rows are child windows: without the list's own window there is nowhere
  // to put them yet. The count is remembered even when the system refuses
  // some rows, so that drawing does not ask for them again and again.
  if (window) {
    rowsAskedFor_ = count;
    for (int i = 0; i < count; ++i) {
      auto* row = new PlayListItem(i, handler, "PlayListItem", instance, this);
      if (style_) {
        row->SetFont(style_->font);
        row->SetBackgroundBrush(style_->selectedBackground);
      }
      row->height = kRowHeight;
      row->width = width;
      row->x = 0;
      row->y = i * kRowHeight;
      row->RegisterWindowClass();
      if (!row->Create(WS_CHILD)) {
        delete row;
        break;
      }
      rows_.push_back(row);
      row->Show();
    }
  }
  Layout();
  Redraw();
}

void SkinList::Layout() {
  const int count = EntryCount();
  for (size_t i = 0; i < rows_.size(); ++i) {
    PlayListItem* row = rows_[i];
    if (row->width != width) {
      row->width = width;
      if (row->GetWindow())
        SetWindowPos(row->GetWindow(), nullptr, 0, 0, width, row->height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const int64_t entry = static_cast<int64_t>(scroll_.top) + static_cast<int64_t>(i);
    row->SetFill(true);
    const bool selected = static_cast<int64_t>(i) == scroll_.selected;
    if (style_) {
      row->SetTextColor(selected ? style_->currentText : style_->normalText);
      row->SetBackgroundBrush(selected ? style_->selectedBackground : style_->normalBackground);
    }
    row->SetText(entry >= 0 && entry < count ? playlist_->Entry(static_cast<int>(entry)) : L"");
  }
}

void SkinList::SelectRow(int row) {
  if (static_cast<int64_t>(scroll_.top) + row < EntryCount()) {
    scroll_.selected = row;
    notifier.Notify(scroll_.top + row);
  }
}

void SkinList::ScrollTo(int value) {
  EnsureVisible(ClampToInt(EntryOfMillionths(value, EntryCount())));
}

void SkinList::EnsureVisible(int index) {
  if (skin::EnsureVisible(scroll_, index, EntryCount(), RowCount())) {
    Layout();
    Redraw();
  }
}

LRESULT SkinList::HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND) {
    const int id = static_cast<int>(wparam);
    const std::weak_ptr<int> alive = life;
    if (scrollCommand && id == scrollCommand) ScrollTo(static_cast<int>(lparam));
    if (upCommand && id == upCommand && GetCurrent() != 0) notifier.Notify(GetCurrent() - 1);
    if (alive.expired()) return 0;
    if (downCommand && id == downCommand && GetCurrent() < EntryCount()) notifier.Notify(GetCurrent() + 1);
    if (alive.expired()) return 0;
    if (notifier.command() && id == notifier.command()) {
      EnsureVisible(static_cast<int>(lparam));
      const int count = EntryCount();
      const int divisor = count - 1 < 1 ? 1 : count - 1;
      notifier.Send(scrollCommand, MillionthsOf(GetCurrent(), divisor));
    }
    if (alive.expired()) return 0;
  }
  return SkinElement::HandleMessage(hwnd, message, wparam, lparam);
}

}  // namespace skin
