#include "configurator/filter_pages_panel.h"

#include <commctrl.h>

#include <utility>

#include "configurator/ansi_text.h"
#include "configurator/messages.h"
#include "configurator/resource.h"

namespace configurator {

namespace {

struct PageInfo {
  std::string title;
  PixelSize size;
};

PageInfo ReadPageInfo(IPropertyPage* page) {
  PageInfo result;
  PROPPAGEINFO info = {};
  info.cb = sizeof(info);
  if (FAILED(page->GetPageInfo(&info))) return result;
  result.title = WideToAnsi(info.pszTitle);
  result.size = {static_cast<int>(info.size.cx), static_cast<int>(info.size.cy)};
  CoTaskMemFree(info.pszTitle);
  CoTaskMemFree(info.pszDocString);
  CoTaskMemFree(info.pszHelpFile);
  return result;
}

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    children.push_back(child);
  return children;
}

bool Contains(const std::vector<HWND>& windows, HWND window) {
  for (HWND w : windows)
    if (w == window) return true;
  return false;
}

}  // namespace

FilterPagesPanel::FilterPagesPanel(std::string title) : title_(std::move(title)) {}

FilterPagesPanel::~FilterPagesPanel() { Destroy(); }

void FilterPagesPanel::AddPage(IPropertyPage* page, IUnknown* filter) {
  Page entry;
  entry.page = zelvo::com::ComPtr<IPropertyPage>(page);
  entry.site.attach(PageSite::Create());
  if (!entry.page || !entry.site) return;
  page->SetPageSite(entry.site.get());
  IUnknown* objects[] = {filter};
  page->SetObjects(1, objects);
  pages_.push_back(std::move(entry));
}

bool FilterPagesPanel::Create(HINSTANCE instance, HWND parent) {
  if (window_) return true;
  return CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_FILTER_PAGES), parent, &DialogProc,
                            reinterpret_cast<LPARAM>(this)) != nullptr;
}

INT_PTR CALLBACK FilterPagesPanel::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  FilterPagesPanel* panel;
  if (message == WM_INITDIALOG) {
    panel = reinterpret_cast<FilterPagesPanel*>(lParam);
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    panel->window_ = dialog;
  } else {
    panel = reinterpret_cast<FilterPagesPanel*>(GetWindowLongPtrA(dialog, DWLP_USER));
  }
  if (!panel) return FALSE;
  INT_PTR result = panel->OnMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(dialog, DWLP_USER, 0);
    panel->window_ = nullptr;
    panel->tabs_ = nullptr;
  }
  return result;
}

INT_PTR FilterPagesPanel::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return FALSE;  // the focus stays where the main window has it
    case WM_SIZE:
      OnSize(LOWORD(lParam), HIWORD(lParam));
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom != tabs_) return FALSE;
      if (header->code == TCN_SELCHANGING) {
        // A dialog procedure refuses a notification through its result slot.
        SetWindowLongPtrA(window_, DWLP_MSGRESULT, OnSelectionChanging() ? FALSE : TRUE);
        return TRUE;
      }
      if (header->code == TCN_SELCHANGE) {
        OnSelectionChanged();
        return TRUE;
      }
      return FALSE;
    }
    case WM_COMMAND:
      // Escape and Enter never end the panel: only the main window closes.
      return LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL;
    case WM_DESTROY:
      OnDestroy();
      return TRUE;
  }
  return FALSE;
}

void FilterPagesPanel::OnInitDialog() {
  tabs_ = GetDlgItem(window_, IDC_PAGE_TABS);
  std::vector<PageInfo> infos;
  for (const Page& page : pages_) infos.push_back(ReadPageInfo(page.page.get()));

  // The tabs go in before the frame is measured: the tab row is part of the
  // frame only once the control has items.
  for (size_t i = 0; i < infos.size(); ++i) {
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = &infos[i].title[0];
    SendMessageA(tabs_, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
  }

  std::vector<PixelSize> sizes;
  for (const PageInfo& info : infos) sizes.push_back(info.size);
  RECT frame = {0, 0, 0, 0};
  TabCtrl_AdjustRect(tabs_, TRUE, &frame);
  preferred_ = PanelSize(PageAreaSize(sizes), {frame.right - frame.left, frame.bottom - frame.top});

  const RECT display = DisplayArea();
  for (Page& page : pages_) {
    const std::vector<HWND> before = ChildWindows(tabs_);
    page.activated = SUCCEEDED(page.page->Activate(tabs_, &display, FALSE));
    // A page made as a plain child dialog is not a control parent; without
    // that the Tab key would pass over its controls.
    for (HWND child : ChildWindows(tabs_)) {
      if (Contains(before, child) || !GetWindow(child, GW_CHILD)) continue;
      SetWindowLongPtrA(child, GWL_EXSTYLE, GetWindowLongPtrA(child, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    }
  }
}

RECT FilterPagesPanel::DisplayArea() const {
  RECT area = {0, 0, 0, 0};
  if (!tabs_) return area;
  GetClientRect(tabs_, &area);
  TabCtrl_AdjustRect(tabs_, FALSE, &area);
  return area;
}

void FilterPagesPanel::OnSize(int cx, int cy) {
  if (!tabs_) return;
  MoveWindow(tabs_, 0, 0, cx, cy, TRUE);
  const int selected = SelectedPage();
  if (IsActivated(static_cast<size_t>(selected))) {
    const RECT display = DisplayArea();
    pages_[selected].page->Move(&display);
  }
}

bool FilterPagesPanel::SelectFirstUsablePage() {
  if (!tabs_) return false;
  for (size_t i = 0; i < pages_.size(); ++i) {
    TabCtrl_SetCurSel(tabs_, static_cast<int>(i));
    if (pages_[i].activated) {
      ShowOnly(static_cast<int>(i));
      return true;
    }
    ShowMessage(window_, kPageNotActivatedText, MB_ICONINFORMATION);
  }
  return false;
}

bool FilterPagesPanel::SelectPage(size_t page) {
  if (!tabs_ || !IsActivated(page)) return false;
  TabCtrl_SetCurSel(tabs_, static_cast<int>(page));
  ShowOnly(static_cast<int>(page));
  return true;
}

int FilterPagesPanel::SelectedPage() const { return tabs_ ? TabCtrl_GetCurSel(tabs_) : -1; }

bool FilterPagesPanel::OnSelectionChanging() {
  const int leaving = SelectedPage();
  lastSelected_ = leaving;
  if (leaving >= 0 && !IsActivated(static_cast<size_t>(leaving))) {
    ShowMessage(window_, kPageNotActivatedText, MB_ICONINFORMATION);
    return false;
  }
  return true;
}

void FilterPagesPanel::OnSelectionChanged() {
  int selected = SelectedPage();
  // A tab whose page never activated shows nothing and, once chosen, could
  // not be left again: go back to the tab the user came from instead.
  if (selected >= 0 && !IsActivated(static_cast<size_t>(selected)) &&
      IsActivated(static_cast<size_t>(lastSelected_))) {
    ShowMessage(window_, kPageNotActivatedText, MB_ICONINFORMATION);
    TabCtrl_SetCurSel(tabs_, lastSelected_);
    selected = lastSelected_;
  }
  ShowOnly(selected);
  PostSizeMessage();
}

void FilterPagesPanel::ShowOnly(int selected) {
  const RECT display = DisplayArea();
  for (size_t i = 0; i < pages_.size(); ++i) {
    if (!pages_[i].activated) continue;
    if (static_cast<int>(i) == selected) {
      pages_[i].page->Move(&display);
      pages_[i].page->Show(SW_SHOW);
    } else {
      pages_[i].page->Show(SW_HIDE);
    }
  }
}

void FilterPagesPanel::PostSizeMessage() {
  RECT client;
  GetClientRect(window_, &client);
  PostMessageA(window_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
}

HRESULT FilterPagesPanel::ApplyDirtyPages(size_t* failed) {
  for (size_t i = 0; i < pages_.size(); ++i) {
    IPropertyPage* page = pages_[i].page.get();
    if (page->IsPageDirty() != S_OK) continue;
    const HRESULT hr = page->Apply();
    if (FAILED(hr)) {
      if (failed) *failed = i;
      return hr;
    }
  }
  return S_OK;
}

void FilterPagesPanel::OnDestroy() {
  // Sent before the tab control and the pages' windows go: the pages still
  // have their windows while they deactivate.
  DeactivatePages();
}

void FilterPagesPanel::DeactivatePages() {
  for (Page& page : pages_) {
    if (!page.activated) continue;
    page.activated = false;
    page.page->Deactivate();
  }
}

void FilterPagesPanel::ReleasePages() {
  for (Page& page : pages_) {
    page.page->SetPageSite(nullptr);
    page.page->SetObjects(0, nullptr);
  }
  pages_.clear();
}

void FilterPagesPanel::Destroy() {
  DeactivatePages();
  ReleasePages();
  if (window_) DestroyWindow(window_);
}

}  // namespace configurator
