#include "configurator/configurator_dialog.h"

#include <utility>

#include "configurator/messages.h"
#include "configurator/resource.h"

namespace configurator {

namespace {

PixelRect ToPixelRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

void MoveTo(HWND window, const PixelRect& r) {
  if (window) MoveWindow(window, r.left, r.top, r.Width(), r.Height(), TRUE);
}

PixelRect WorkAreaOf(HWND window) {
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
  if (monitor && GetMonitorInfoA(monitor, &info)) return ToPixelRect(info.rcWork);
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return ToPixelRect(work);
}

}  // namespace

ConfiguratorDialog::ConfiguratorDialog(HINSTANCE instance, std::string title)
    : instance_(instance), title_(std::move(title)) {}

ConfiguratorDialog::~ConfiguratorDialog() {
  if (dialog_) DestroyWindow(dialog_);
  DestroyPanels();
}

void ConfiguratorDialog::AddPanel(std::unique_ptr<FilterPagesPanel> panel) {
  Entry entry;
  entry.panel = std::move(panel);
  entries_.push_back(std::move(entry));
}

int ConfiguratorDialog::RunModal() {
  if (dialog_) return -1;
  ended_ = false;
  destroying_ = false;
  result_ = -1;
  if (!CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_CONFIGURATOR), nullptr, &DialogProc,
                          reinterpret_cast<LPARAM>(this)))
    return -1;
  ShowWindow(dialog_, SW_SHOW);
  SetForegroundWindow(dialog_);
  MSG msg;
  while (!ended_ && dialog_) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      // Leave the quit request for whoever runs the outer loop.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    // IsDialogMessage turns Escape into IDCANCEL, exactly as the Cancel
    // button sends it; remember which of the two is on its way.
    escapeKey_ = msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE;
    if (!IsDialogMessageA(dialog_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    escapeKey_ = false;
  }
  if (dialog_) {
    ShowWindow(dialog_, SW_HIDE);
    DestroyWindow(dialog_);
  }
  return result_;
}

INT_PTR CALLBACK ConfiguratorDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  ConfiguratorDialog* self;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<ConfiguratorDialog*>(lParam);
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    self->dialog_ = dialog;
  } else {
    self = reinterpret_cast<ConfiguratorDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
  }
  if (!self) return FALSE;
  INT_PTR result = self->OnMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(dialog, DWLP_USER, 0);
    self->dialog_ = nullptr;
  }
  return result;
}

INT_PTR ConfiguratorDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_SIZE:
      OnSize(LOWORD(lParam), HIWORD(lParam));
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom != IDC_FILTER_TREE) return FALSE;
      if (header->code == TVN_SELCHANGINGA || header->code == TVN_SELCHANGINGW) {
        // The two notifications differ only in the text pointer's type.
        const bool allow = OnTreeSelectionChanging(*reinterpret_cast<const NMTREEVIEWA*>(lParam));
        SetWindowLongPtrA(dialog_, DWLP_MSGRESULT, allow ? FALSE : TRUE);
        return TRUE;
      }
      return FALSE;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      if (LOWORD(wParam) == IDOK) {
        OnOk();
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        // Escape is swallowed; only the button (or the close box) cancels.
        if (!escapeKey_) OnCancel();
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      OnCancel();
      return TRUE;
    case WM_DESTROY:
      // Before the child windows go, so the pages deactivate with theirs.
      destroying_ = true;
      DestroyPanels();
      return TRUE;
  }
  return FALSE;
}

void ConfiguratorDialog::OnInitDialog() {
  const int large = GetSystemMetrics(SM_CXICON);
  const int small = GetSystemMetrics(SM_CXSMICON);
  largeIcon_.reset(static_cast<HICON>(
      LoadImageA(instance_, MAKEINTRESOURCEA(IDI_CONFIGURATOR), IMAGE_ICON, large, large, 0)));
  smallIcon_.reset(static_cast<HICON>(
      LoadImageA(instance_, MAKEINTRESOURCEA(IDI_CONFIGURATOR), IMAGE_ICON, small, small, 0)));
  SendMessageA(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_.get()));
  SendMessageA(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
  SetWindowTextA(dialog_, title_.c_str());

  HWND tree = GetDlgItem(dialog_, IDC_FILTER_TREE);
  for (size_t i = 0; i < entries_.size(); ++i) {
    Entry& entry = entries_[i];
    std::string text = entry.panel->Title();
    TVINSERTSTRUCTA insert = {};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = &text[0];
    insert.item.lParam = static_cast<LPARAM>(i);
    insert.item.iImage = entry.image;
    insert.item.iSelectedImage = entry.image;
    entry.item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
  }

  const int count = static_cast<int>(entries_.size());
  const int first = firstIndex_ >= 0 && firstIndex_ < count ? firstIndex_ : 0;
  if (ShowEntry(first)) SelectTreeItem(first);
}

bool ConfiguratorDialog::OnTreeSelectionChanging(const NMTREEVIEWA& change) {
  if (!change.itemNew.hItem) return true;
  // A message box of the entry being shown hands the focus back to the
  // tree, which then picks an item of its own: no entry is shown inside
  // another one.
  if (showingEntry_) return false;
  const int index = static_cast<int>(change.itemNew.lParam);
  if (index == shownIndex_) return true;
  return ShowEntry(index);
}

bool ConfiguratorDialog::ShowEntry(int index) {
  if (destroying_) return false;
  if (index < 0 || index >= static_cast<int>(entries_.size())) return false;
  FilterPagesPanel& panel = *entries_[index].panel;
  if (!panel.Window()) {
    if (!panel.Create(instance_, dialog_)) return false;
    // In the tab order right after the tree, before the buttons.
    SetWindowPos(panel.Window(), GetDlgItem(dialog_, IDC_FILTER_TREE), 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  showingEntry_ = true;
  const bool usable = panel.SelectFirstUsablePage();
  showingEntry_ = false;
  if (!usable) return false;
  if (shownIndex_ >= 0 && shownIndex_ != index) {
    if (HWND old = entries_[shownIndex_].panel->Window()) ShowWindow(old, SW_HIDE);
  }
  ShowWindow(panel.Window(), SW_SHOWNA);
  shownIndex_ = index;
  RECT client;
  GetClientRect(dialog_, &client);
  PostMessageA(dialog_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
  return true;
}

void ConfiguratorDialog::SelectTreeItem(int index) {
  HWND tree = GetDlgItem(dialog_, IDC_FILTER_TREE);
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(entries_[index].item));
}

RECT ConfiguratorDialog::ChildRect(int id) const {
  RECT rect = {0, 0, 0, 0};
  HWND child = GetDlgItem(dialog_, id);
  if (!child) return rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

DialogMetrics ConfiguratorDialog::ReadMetrics() const {
  DialogMetrics m;
  const RECT frame = ChildRect(IDC_PANEL_FRAME);
  const RECT tree = ChildRect(IDC_FILTER_TREE);
  const RECT separator = ChildRect(IDC_SEPARATOR);
  const RECT ok = ChildRect(IDOK);
  const RECT cancel = ChildRect(IDCANCEL);
  m.frameTop = frame.top;
  m.treeLeft = tree.left;
  m.treeTop = tree.top;
  m.separatorHeight = separator.bottom - separator.top;
  m.ok = {ok.right - ok.left, ok.bottom - ok.top};
  m.cancel = {cancel.right - cancel.left, cancel.bottom - cancel.top};
  return m;
}

void ConfiguratorDialog::OnSize(int cx, int cy) {
  // A minimised window has no room to fit anything into.
  if (IsIconic(dialog_)) return;
  const bool hasPanel = shownIndex_ >= 0;
  const PixelSize preferred = hasPanel ? entries_[shownIndex_].panel->PreferredSize() : PixelSize{};
  DialogLayout layout = LayoutDialog(cx, cy, ReadMetrics(), hasPanel, preferred);
  if (!layout.Fits() && !growing_ && !IsZoomed(dialog_)) {
    RECT window;
    GetWindowRect(dialog_, &window);
    const PixelRect now = ToPixelRect(window);
    const PixelRect grown = GrowWindow(now, layout.missing, WorkAreaOf(dialog_));
    if (!(grown == now)) {
      // Once: the size change this brings is laid out as it comes, even if
      // the system did not give all that was asked for.
      growing_ = true;
      SetWindowPos(dialog_, nullptr, grown.left, grown.top, grown.Width(), grown.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
      growing_ = false;
      RECT client;
      GetClientRect(dialog_, &client);
      layout = LayoutDialog(client.right, client.bottom, ReadMetrics(), hasPanel, preferred);
    }
  }
  Place(layout);
}

void ConfiguratorDialog::Place(const DialogLayout& layout) {
  MoveTo(GetDlgItem(dialog_, IDC_PANEL_FRAME), layout.frame);
  if (shownIndex_ >= 0) MoveTo(entries_[shownIndex_].panel->Window(), layout.frame);
  MoveTo(GetDlgItem(dialog_, IDC_SEPARATOR), layout.separator);
  MoveTo(GetDlgItem(dialog_, IDC_FILTER_TREE), layout.tree);
  MoveTo(GetDlgItem(dialog_, IDCANCEL), layout.cancel);
  MoveTo(GetDlgItem(dialog_, IDOK), layout.ok);
}

void ConfiguratorDialog::OnOk() {
  for (size_t i = 0; i < entries_.size(); ++i) {
    FilterPagesPanel& panel = *entries_[i].panel;
    if (!panel.Window()) continue;
    size_t failed = 0;
    if (SUCCEEDED(panel.ApplyDirtyPages(&failed))) continue;
    // The user sees the page that refused and the window stays open.
    const int index = static_cast<int>(i);
    if (index != shownIndex_ && ShowEntry(index)) SelectTreeItem(index);
    panel.SelectPage(failed);
    ShowMessage(dialog_, kApplyFailedText, MB_ICONEXCLAMATION);
    return;
  }
  End(IDOK);
}

void ConfiguratorDialog::OnCancel() {
  // The panels hold nothing of their own to undo: the pages keep their
  // changes until applied, and nothing is applied here.
  End(IDCANCEL);
}

void ConfiguratorDialog::End(int result) {
  result_ = result;
  ended_ = true;
}

void ConfiguratorDialog::DestroyPanels() {
  for (Entry& entry : entries_) entry.panel->Destroy();
}

}  // namespace configurator
