#include "player/preferences_dialog.h"

#include <shellapi.h>

#include <cstring>

#include "player/engine_client.h"
#include "player/preference_pages.h"

using preferences::Page;
using preferences::StreamPage;

namespace {

constexpr int kDialogResource = 102;
constexpr int kTree = 1007;
constexpr int kOk = 1008;
constexpr int kCancel = 1009;
constexpr int kApply = 1010;

// In dialog units: the header strip and the page area below it, inside the
// frame around them.
constexpr RECT kHeaderUnits = {128, 12, 388, 30};
constexpr RECT kPageUnits = {128, 32, 388, 212};

constexpr COLORREF kHeaderTop = RGB(204, 204, 204);
constexpr COLORREF kHeaderBottom = RGB(238, 238, 238);
constexpr COLORREF kHeaderText = RGB(128, 128, 128);
constexpr int kHeaderFirstLeft = 20;
constexpr int kHeaderLastLeft = 30;

// Top-level items in tree order, with their pages.
struct RootItem {
  const char* name;
  PreferencesDialog::PageKind kind;
};
constexpr RootItem kRootItems[] = {
    {"About", PreferencesDialog::kAboutPage},
    {"Playback", PreferencesDialog::kPlaybackPage},
    {"Video Streams", PreferencesDialog::kVideoStreamsPage},
    {"Audio Streams", PreferencesDialog::kAudioStreamsPage},
    {"User interface", PreferencesDialog::kUserInterfacePage},
    {"Subtitles", PreferencesDialog::kSubtitlesPage},
};

// An item's page kind and, for a stream, its position in the stream list.
LPARAM PackItem(PreferencesDialog::PageKind kind, int position) {
  return static_cast<LPARAM>(kind) | (static_cast<LPARAM>(position + 1) << 8);
}
PreferencesDialog::PageKind ItemKind(LPARAM data) { return static_cast<PreferencesDialog::PageKind>(data & 0xFF); }
int ItemPosition(LPARAM data) { return static_cast<int>(data >> 8) - 1; }

bool IsStreamKind(int kind) { return kind == PreferencesDialog::kVideoPage || kind == PreferencesDialog::kAudioPage; }

int Mix(int from, int to, int step, int steps) { return from + (to - from) * step / (steps > 1 ? steps - 1 : 1); }

}  // namespace

PreferencesDialog::PreferencesDialog(HINSTANCE instance, PlayerSettings& settings, EngineClient* engine,
                                     std::function<void(int command)> post_command)
    : instance_(instance), settings_(settings), engine_(engine), post_command_(std::move(post_command)) {}

PreferencesDialog::~PreferencesDialog() { Destroy(); }

bool PreferencesDialog::Create() {
  if (window_) return true;
  INITCOMMONCONTROLSEX controls = {sizeof controls,
                                   ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  context_ = std::make_unique<preferences::PageContext>();
  context_->instance = instance_;
  context_->settings = &settings_;
  context_->engine = engine_;
  context_->post_command = [this](int command) {
    if (post_command_) post_command_(command);
  };
  context_->block_screen_saver = [this](bool on) {
    if (block_screen_saver_) block_screen_saver_(on);
  };
  context_->show_page = [this](Page* page) { BringPageForward(page); };
  context_->open_link = [this](const char* address) {
    if (open_link_) {
      open_link_(address);
    } else {
      ShellExecuteA(window_, "open", address, nullptr, nullptr, SW_SHOWNORMAL);
    }
  };
  pages_[kAboutPage] = std::make_unique<preferences::AboutPage>(*context_);
  pages_[kPlaybackPage] = std::make_unique<preferences::PlaybackPage>(*context_);
  pages_[kVideoStreamsPage] = std::make_unique<preferences::EmptyPage>(*context_, preferences::kVideoStreamsResource);
  pages_[kAudioStreamsPage] = std::make_unique<preferences::EmptyPage>(*context_, preferences::kAudioStreamsResource);
  pages_[kUserInterfacePage] = std::make_unique<preferences::UserInterfacePage>(*context_);
  pages_[kSubtitlesPage] = std::make_unique<preferences::SubtitlesPage>(*context_);
  pages_[kVideoPage] = std::make_unique<preferences::VideoPage>(*context_);
  pages_[kAudioPage] = std::make_unique<preferences::AudioPage>(*context_);
  HWND made = CreateDialogParamA(instance_, MAKEINTRESOURCEA(kDialogResource), nullptr, DialogProc,
                                 reinterpret_cast<LPARAM>(this));
  if (!made || !window_) {
    if (made) DestroyWindow(made);
    Destroy();
    return false;
  }
  return true;
}

void PreferencesDialog::Destroy() {
  if (window_) {
    HideCurrentPage();
    // Messages of the windows going away no longer reach the dialog.
    HWND window = window_;
    window_ = nullptr;
    DestroyWindow(window);
  }
  tree_ = nullptr;
  for (auto& page : pages_) page.reset();
  context_.reset();
  if (header_font_) DeleteObject(header_font_);
  if (header_bitmap_) DeleteObject(header_bitmap_);
  header_font_ = nullptr;
  header_bitmap_ = nullptr;
  current_ = -1;
}

HWND PreferencesDialog::page(PageKind kind) const {
  return kind >= 0 && kind < kPageCount && pages_[kind] ? pages_[kind]->window() : nullptr;
}

HWND PreferencesDialog::current_page() const { return current_ >= 0 ? page(static_cast<PageKind>(current_)) : nullptr; }

StreamPage* PreferencesDialog::StreamPageOf(PageKind kind) const {
  return IsStreamKind(kind) ? static_cast<StreamPage*>(pages_[kind].get()) : nullptr;
}

bool PreferencesDialog::HandleDialogMessage(MSG* message) {
  return window_ && IsWindowVisible(window_) && IsDialogMessageA(window_, message);
}

INT_PTR CALLBACK PreferencesDialog::DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<PreferencesDialog*>(lparam);
    SetWindowLongPtrA(window, DWLP_USER, lparam);
    self->window_ = window;
    if (!self->OnInitDialog()) self->window_ = nullptr;
    return FALSE;
  }
  auto* self = reinterpret_cast<PreferencesDialog*>(GetWindowLongPtrA(window, DWLP_USER));
  if (!self || self->window_ != window) return FALSE;
  return self->OnMessage(message, wparam, lparam);
}

bool PreferencesDialog::OnInitDialog() {
  tree_ = GetDlgItem(window_, kTree);
  header_area_ = kHeaderUnits;
  page_area_ = kPageUnits;
  MapDialogRect(window_, &header_area_);
  MapDialogRect(window_, &page_area_);
  for (auto& page : pages_) {
    if (!page->Create(window_)) return false;
    SetWindowPos(page->window(), HWND_TOP, page_area_.left, page_area_.top, page_area_.right - page_area_.left,
                 page_area_.bottom - page_area_.top, SWP_NOACTIVATE | SWP_HIDEWINDOW);
  }
  for (const RootItem& root : kRootItems) roots_[root.kind] = AddItem(TVI_ROOT, root.name, root.kind, -1);
  header_font_ = CreateFontA(24, 0, 0, 0, 400, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma");
  HDC dc = GetDC(window_);
  header_bitmap_ =
      CreateCompatibleBitmap(dc, header_area_.right - header_area_.left, header_area_.bottom - header_area_.top);
  ReleaseDC(window_, dc);
  if (!tree_ || !header_font_ || !header_bitmap_) return false;
  for (int kind = 0; kind < kPageCount; ++kind) {
    if (!StreamPageOf(static_cast<PageKind>(kind))) pages_[kind]->Fill();
  }
  RebuildStreamItems();
  RedrawHeader();
  return true;
}

INT_PTR PreferencesDialog::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED || lparam == 0) OnCommand(LOWORD(wparam));
      return TRUE;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      if (header->idFrom != kTree) return FALSE;
      SetWindowLongPtrA(window_, DWLP_MSGRESULT, OnTreeNotify(header));
      return TRUE;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window_, &paint);
      PaintHeader(dc);
      EndPaint(window_, &paint);
      return TRUE;
    }
    case WM_CLOSE:
      OnCommand(kCancel);
      return TRUE;
    default:
      return FALSE;
  }
}

void PreferencesDialog::OnCommand(int id) {
  switch (id) {
    case kOk:
    case IDOK:
      if (ApplyChanged()) Hide();
      break;
    case kApply:
      ApplyChanged();
      break;
    case kCancel:
    case IDCANCEL:
      // The next show reads every page again, dropping the edits.
      Hide();
      break;
    default:
      break;
  }
}

LRESULT PreferencesDialog::OnTreeNotify(NMHDR* header) {
  if (rebuilding_) return FALSE;
  if (header->code == TVN_SELCHANGINGA || header->code == TVN_SELCHANGINGW) {
    auto* change = reinterpret_cast<NMTREEVIEWA*>(header);
    return AllowSelectionChange(change->itemOld.hItem, change->itemNew.hItem) ? FALSE : TRUE;
  }
  if (header->code == TVN_SELCHANGEDA || header->code == TVN_SELCHANGEDW) {
    auto* change = reinterpret_cast<NMTREEVIEWA*>(header);
    if (change->itemNew.hItem) ShowPageFor(change->itemNew.hItem);
  }
  return FALSE;
}

// Leaving one stream for another of the same kind reads the page for the
// new stream, so the old stream's edits are applied first; edits that are
// refused keep the old stream selected.
bool PreferencesDialog::AllowSelectionChange(HTREEITEM from, HTREEITEM to) {
  if (!from || !to || !IsStreamKind(current_)) return true;
  TVITEMA item = {};
  item.mask = TVIF_PARAM;
  item.hItem = to;
  if (!TreeView_GetItem(tree_, &item) || ItemKind(item.lParam) != current_) return true;
  StreamPage* page = StreamPageOf(static_cast<PageKind>(current_));
  if (!page->changed() || page->stream_position() == ItemPosition(item.lParam)) return true;
  return page->Validate() && page->Apply();
}

HTREEITEM PreferencesDialog::AddItem(HTREEITEM parent, const std::string& text, PageKind kind, int position) {
  TVINSERTSTRUCTA insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM;
  insert.item.pszText = const_cast<char*>(text.c_str());
  insert.item.lParam = PackItem(kind, position);
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

std::string PreferencesDialog::ItemText(HTREEITEM item) const {
  char text[128] = "";
  TVITEMA data = {};
  data.mask = TVIF_TEXT;
  data.hItem = item;
  data.pszText = text;
  data.cchTextMax = sizeof text;
  SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
  return text;
}

HTREEITEM PreferencesDialog::FindItem(HTREEITEM first, const std::string& text) const {
  for (HTREEITEM item = first; item; item = TreeView_GetNextSibling(tree_, item)) {
    if (ItemText(item) == text) return item;
    if (HTREEITEM child = FindItem(TreeView_GetChild(tree_, item), text)) return child;
  }
  return nullptr;
}

void PreferencesDialog::DeleteChildren(HTREEITEM parent) {
  while (HTREEITEM child = TreeView_GetChild(tree_, parent)) TreeView_DeleteItem(tree_, child);
}

void PreferencesDialog::RebuildStreamItems() {
  HTREEITEM selected = TreeView_GetSelection(tree_);
  std::string selected_name = selected ? ItemText(selected) : std::string();
  bool stream_selected = IsStreamKind(current_);
  int selected_kind = current_;

  rebuilding_ = true;
  DeleteChildren(roots_[kVideoStreamsPage]);
  DeleteChildren(roots_[kAudioStreamsPage]);
  for (PageKind kind : {kVideoPage, kAudioPage}) StreamPageOf(kind)->StreamsRebuilt();
  if (engine_ && engine_->MediaLoaded()) {
    const std::vector<StreamObject*>& list = engine_->StreamList();
    int videos = 0, audios = 0;
    for (size_t i = 0; i < list.size(); ++i) {
      bool video = list[i]->AsVideo() != nullptr;
      bool audio = !video && std::strcmp(list[i]->TypeName(), "Audio") == 0;
      if (!video && !audio) continue;
      int& count = video ? videos : audios;
      AddItem(roots_[video ? kVideoStreamsPage : kAudioStreamsPage], "Stream " + std::to_string(count++),
              video ? kVideoPage : kAudioPage, static_cast<int>(i));
    }
  }
  TreeView_Expand(tree_, roots_[kVideoStreamsPage], TVE_EXPAND);
  TreeView_Expand(tree_, roots_[kAudioStreamsPage], TVE_EXPAND);
  rebuilding_ = false;

  if (!stream_selected) return;
  // The same stream item when the new file has it, else its parent.
  PageKind parent_kind = selected_kind == kVideoPage ? kVideoStreamsPage : kAudioStreamsPage;
  HTREEITEM again = FindItem(TreeView_GetChild(tree_, roots_[parent_kind]), selected_name);
  HTREEITEM target = again ? again : roots_[parent_kind];
  bool shown = IsWindowVisible(window_) != FALSE;
  HideCurrentPage();
  rebuilding_ = true;
  TreeView_SelectItem(tree_, target);
  rebuilding_ = false;
  if (shown) ShowPageFor(target);
}

void PreferencesDialog::HideCurrentPage() {
  if (current_ < 0 || !pages_[current_]) return;
  Page* page = pages_[current_].get();
  if (page->window() && IsWindowVisible(page->window())) {
    ShowWindow(page->window(), SW_HIDE);
    page->OnHidden();
  }
}

void PreferencesDialog::ShowPageFor(HTREEITEM item) {
  TVITEMA data = {};
  data.mask = TVIF_PARAM;
  data.hItem = item;
  if (!TreeView_GetItem(tree_, &data)) return;
  PageKind kind = ItemKind(data.lParam);
  if (kind < 0 || kind >= kPageCount) return;
  HideCurrentPage();
  for (auto& page : pages_) {
    if (IsWindowVisible(page->window())) ShowWindow(page->window(), SW_HIDE);
  }
  if (StreamPage* stream_page = StreamPageOf(kind)) stream_page->SetStream(ItemPosition(data.lParam));
  Page* page = pages_[kind].get();
  SetWindowPos(page->window(), HWND_TOP, page_area_.left, page_area_.top, page_area_.right - page_area_.left,
               page_area_.bottom - page_area_.top, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  current_ = kind;
  page->OnShown();
  header_text_ = kind == kVideoPage ? "Video Streams" : kind == kAudioPage ? "Audio Streams" : ItemText(item);
  if (IsStreamKind(kind)) last_stream_item_ = ItemText(item);
  RedrawHeader();
}

void PreferencesDialog::SelectPage(PageKind kind) {
  HTREEITEM item = kind <= kSubtitlesPage ? roots_[kind] : nullptr;
  if (!item) return;
  if (TreeView_GetSelection(tree_) == item) {
    ShowPageFor(item);
  } else {
    TreeView_SelectItem(tree_, item);
  }
}

void PreferencesDialog::Show() {
  if (!window_) return;
  if (IsWindowVisible(window_)) {
    // Already open: the user's edits stay as they are.
    SetForegroundWindow(window_);
    return;
  }
  RECT rect;
  GetWindowRect(window_, &rect);
  OffsetRect(&rect, settings_.prefs_x - rect.left, settings_.prefs_y - rect.top);
  // A position from another screen layout brings the dialog back in view.
  if (!MonitorFromRect(&rect, MONITOR_DEFAULTTONULL)) OffsetRect(&rect, -rect.left, -rect.top);
  SetWindowPos(window_, nullptr, rect.left, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (int kind = 0; kind < kPageCount; ++kind) {
    if (StreamPage* stream_page = StreamPageOf(static_cast<PageKind>(kind))) {
      stream_page->StreamsRebuilt();
    } else {
      pages_[kind]->Fill();
    }
  }
  // The stream item shown last when the file still has it, else the item
  // named as the header.
  HTREEITEM item = nullptr;
  if (IsStreamKind(current_)) {
    HTREEITEM root = roots_[current_ == kVideoPage ? kVideoStreamsPage : kAudioStreamsPage];
    item = FindItem(TreeView_GetChild(tree_, root), last_stream_item_);
  }
  if (!item) item = FindItem(TreeView_GetRoot(tree_), header_text_);
  if (!item) item = roots_[kAboutPage];
  ShowWindow(window_, SW_SHOW);
  if (TreeView_GetSelection(tree_) == item) {
    ShowPageFor(item);
  } else {
    TreeView_SelectItem(tree_, item);
  }
}

void PreferencesDialog::ShowAbout() {
  Show();
  SelectPage(kPlaybackPage);
  SelectPage(kAboutPage);
}

void PreferencesDialog::Hide() {
  if (!window_) return;
  RECT rect;
  if (GetWindowRect(window_, &rect)) {
    settings_.prefs_x = rect.left;
    settings_.prefs_y = rect.top;
  }
  HideCurrentPage();
  ShowWindow(window_, SW_HIDE);
}

void PreferencesDialog::Refresh() {
  if (!window_) return;
  RebuildStreamItems();
  for (auto& page : pages_) page->RefreshOutside();
  RedrawHeader();
}

bool PreferencesDialog::ApplyChanged() {
  // A page that refuses its input brings itself to view with its warning.
  for (int kind = 0; kind < kPageCount; ++kind) {
    if (pages_[kind]->changed() && !pages_[kind]->Validate()) return false;
  }
  bool all = true;
  for (int kind = 0; kind < kPageCount; ++kind) {
    if (pages_[kind]->changed() && !pages_[kind]->Apply()) all = false;
  }
  return all;
}

void PreferencesDialog::BringPageForward(Page* page) {
  int kind = 0;
  while (kind < kPageCount && pages_[kind].get() != page) ++kind;
  if (kind == kPageCount || kind == current_) return;
  if (!IsStreamKind(kind)) {
    SelectPage(static_cast<PageKind>(kind));
    return;
  }
  HTREEITEM root = roots_[kind == kVideoPage ? kVideoStreamsPage : kAudioStreamsPage];
  int position = StreamPageOf(static_cast<PageKind>(kind))->stream_position();
  for (HTREEITEM item = TreeView_GetChild(tree_, root); item; item = TreeView_GetNextSibling(tree_, item)) {
    TVITEMA data = {};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    if (TreeView_GetItem(tree_, &data) && ItemPosition(data.lParam) == position) {
      TreeView_SelectItem(tree_, item);
      return;
    }
  }
}

void PreferencesDialog::RedrawHeader() {
  if (!window_ || !header_bitmap_) return;
  // The text moves one pixel at each redraw, to and fro between its bounds.
  if (header_drawn_) {
    if (header_left_ + header_step_ > kHeaderLastLeft || header_left_ + header_step_ < kHeaderFirstLeft) {
      header_step_ = -header_step_;
    }
    header_left_ += header_step_;
  }
  header_drawn_ = true;
  const int width = header_area_.right - header_area_.left;
  const int height = header_area_.bottom - header_area_.top;
  HDC window_dc = GetDC(window_);
  HDC dc = CreateCompatibleDC(window_dc);
  HGDIOBJ old_bitmap = SelectObject(dc, header_bitmap_);
  for (int y = 0; y < height; ++y) {
    COLORREF colour = RGB(Mix(GetRValue(kHeaderTop), GetRValue(kHeaderBottom), y, height),
                          Mix(GetGValue(kHeaderTop), GetGValue(kHeaderBottom), y, height),
                          Mix(GetBValue(kHeaderTop), GetBValue(kHeaderBottom), y, height));
    HBRUSH brush = CreateSolidBrush(colour);
    RECT row = {0, y, width, y + 1};
    FillRect(dc, &row, brush);
    DeleteObject(brush);
  }
  HGDIOBJ old_font = SelectObject(dc, header_font_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kHeaderText);
  TEXTMETRICA metrics = {};
  GetTextMetricsA(dc, &metrics);
  TextOutA(dc, header_left_, (height - metrics.tmHeight) / 2, header_text_.c_str(),
           static_cast<int>(header_text_.size()));
  SelectObject(dc, old_font);
  SelectObject(dc, old_bitmap);
  DeleteDC(dc);
  ReleaseDC(window_, window_dc);
  InvalidateRect(window_, &header_area_, FALSE);
}

void PreferencesDialog::PaintHeader(HDC dc) {
  if (!header_bitmap_) return;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, header_bitmap_);
  BitBlt(dc, header_area_.left, header_area_.top, header_area_.right - header_area_.left,
         header_area_.bottom - header_area_.top, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
}
