// `FilterPagesPanel`: one filter's property pages as the tabs of a child
// dialog (resource 147). Pages are activated once, when the panel's window
// is made, into the tab control's window, and deactivated while that window
// still exists.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <string>
#include <vector>

#include "common/com/com_ptr.h"
#include "configurator/core/layout.h"
#include "configurator/page_site.h"

namespace configurator {

class FilterPagesPanel {
 public:
  explicit FilterPagesPanel(std::string title);
  ~FilterPagesPanel();
  FilterPagesPanel(const FilterPagesPanel&) = delete;
  FilterPagesPanel& operator=(const FilterPagesPanel&) = delete;

  // Gives the page a site of its own and `filter` as its one object, and
  // keeps it as the next tab.
  void AddPage(IPropertyPage* page, IUnknown* filter);

  const std::string& Title() const { return title_; }
  size_t PageCount() const { return pages_.size(); }
  bool IsActivated(size_t page) const { return page < pages_.size() && pages_[page].activated; }
  // The page's site (for the status it last reported).
  const PageSite* Site(size_t page) const { return page < pages_.size() ? pages_[page].site.get() : nullptr; }

  // Makes the panel's (hidden) window inside `parent`; its initialisation
  // measures and activates the pages.
  bool Create(HINSTANCE instance, HWND parent);
  HWND Window() const { return window_; }
  // The largest page plus the tab frame; 0 x 0 before the window exists.
  PixelSize PreferredSize() const { return preferred_; }

  // Selects the first tab whose page is activated and shows only that page;
  // every page passed over on the way says it cannot be activated. False
  // when no page is activated.
  bool SelectFirstUsablePage();
  // Selects the tab of an activated page and shows it.
  bool SelectPage(size_t page);
  // The selected tab, or -1.
  int SelectedPage() const;

  // Applies each page that reports itself dirty, in order. On the first
  // failure, stops and returns it with the page's index in *failed.
  HRESULT ApplyDirtyPages(size_t* failed);

  // Deactivates the pages, takes back their sites and objects, releases
  // them and destroys the window.
  void Destroy();

 private:
  struct Page {
    zelvo::com::ComPtr<IPropertyPage> page;
    zelvo::com::ComPtr<PageSite> site;
    bool activated = false;
  };

  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();
  void OnSize(int cx, int cy);
  bool OnSelectionChanging();
  void OnSelectionChanged();
  void OnDestroy();
  void ShowOnly(int page);
  void PostSizeMessage();
  RECT DisplayArea() const;
  void DeactivatePages();
  void ReleasePages();

  std::string title_;
  std::vector<Page> pages_;
  PixelSize preferred_;
  HWND window_ = nullptr;
  HWND tabs_ = nullptr;
  int lastSelected_ = -1;  // the tab selected before the current change
};

}  // namespace configurator
