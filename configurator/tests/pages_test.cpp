// The page site, the panel of one filter's pages in a host window of the
// test's own, and the building of a panel from a filter's page list.
#include <dshow.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "common/com/com_ptr.h"
#include "configurator/filter_enumeration.h"
#include "configurator/filter_pages_panel.h"
#include "configurator/messages.h"
#include "configurator/page_site.h"
#include "configurator/tests/ui_test_support.h"

namespace configurator_test {
namespace {

using configurator::FilterPagesPanel;
using configurator::PageSite;
using zelvo::com::ComPtr;

TEST(PageSite, AnswersItsTwoInterfacesOnly) {
  ComPtr<PageSite> site;
  site.attach(PageSite::Create());
  ASSERT_TRUE(site);
  ComPtr<IUnknown> unknown;
  ComPtr<IPropertyPageSite> asSite;
  EXPECT_EQ(S_OK, site->QueryInterface(IID_IUnknown, unknown.put_void()));
  EXPECT_EQ(S_OK, site->QueryInterface(IID_IPropertyPageSite, asSite.put_void()));
  EXPECT_EQ(static_cast<IUnknown*>(asSite.get()), unknown.get());
  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, site->QueryInterface(IID_IPropertyPage, &other));
  EXPECT_EQ(nullptr, other);
  EXPECT_EQ(E_POINTER, site->QueryInterface(IID_IUnknown, nullptr));
  // Three references now (site, unknown, asSite): counts follow them.
  EXPECT_EQ(4u, site->AddRef());
  EXPECT_EQ(3u, site->Release());
}

TEST(PageSite, KeepsTheLastStatusAndAnswersTheSystemLocale) {
  ComPtr<PageSite> site;
  site.attach(PageSite::Create());
  EXPECT_EQ(0u, site->StatusFlags());
  EXPECT_EQ(S_OK, site->OnStatusChange(PROPPAGESTATUS_DIRTY));
  EXPECT_EQ(static_cast<DWORD>(PROPPAGESTATUS_DIRTY), site->StatusFlags());
  EXPECT_EQ(S_OK, site->OnStatusChange(PROPPAGESTATUS_VALIDATE));
  EXPECT_EQ(static_cast<DWORD>(PROPPAGESTATUS_VALIDATE), site->StatusFlags());

  LCID locale = 0;
  EXPECT_EQ(S_OK, site->GetLocaleID(&locale)) << "a locale handed out is a success";
  EXPECT_EQ(0x0800u, locale);
  EXPECT_EQ(E_POINTER, site->GetLocaleID(nullptr));

  IUnknown* container = reinterpret_cast<IUnknown*>(1);
  EXPECT_EQ(E_NOTIMPL, site->GetPageContainer(&container));
  EXPECT_EQ(nullptr, container);
  MSG msg = {};
  EXPECT_EQ(E_NOTIMPL, site->TranslateAccelerator(&msg));
}

class PagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TAB_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    library_ = std::make_unique<TestLibrary>();
    ASSERT_TRUE(library_->Loaded());
    host_ = CreateWindowExA(WS_EX_CONTROLPARENT, "STATIC", "host", WS_POPUP | WS_VISIBLE, 0, 0, 700, 600, nullptr,
                            nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, host_);
  }
  void TearDown() override {
    if (host_) DestroyWindow(host_);
    library_.reset();
    CoUninitialize();
  }

  ComPtr<IBaseFilter> Filter(FilterId id) {
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(S_OK, library_->Create(kFilters[id].clsid, IID_IBaseFilter, filter.put_void()));
    return filter;
  }

  std::unique_ptr<FilterPagesPanel> Panel(FilterId id) {
    ComPtr<IBaseFilter> filter = Filter(id);
    if (!filter) return nullptr;
    return configurator::BuildPanel(filter.get(), "panel");
  }

  // The tab control's frame: its window size around an empty display area.
  static SIZE TabFrame(HWND panel) {
    RECT frame = {0, 0, 0, 0};
    SendMessageA(PanelTabs(panel), TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&frame));
    return {frame.right - frame.left, frame.bottom - frame.top};
  }

  std::unique_ptr<TestLibrary> library_;
  HWND host_ = nullptr;
};

TEST_F(PagesTest, APanelIsBuiltOnlyForAFilterThatHandsOutItsPages) {
  EXPECT_EQ(nullptr, Panel(kNoPages)) << "no ISpecifyPropertyPages";
  EXPECT_EQ(nullptr, Panel(kPagesFail)) << "GetPages fails";
  auto none = Panel(kNoCreatable);
  ASSERT_NE(nullptr, none) << "pages that cannot be created still give a panel";
  EXPECT_EQ(0u, none->PageCount());
  auto two = Panel(kTallPair);
  ASSERT_NE(nullptr, two);
  EXPECT_EQ(2u, two->PageCount());
  EXPECT_EQ("panel", two->Title());
  EXPECT_EQ(nullptr, two->Window()) << "the window comes when first shown";
  EXPECT_EQ(0, two->PreferredSize().cx);
  EXPECT_EQ(0, two->PreferredSize().cy);
}

TEST_F(PagesTest, PanelHeightGrowsOnlyForAPageTallerThanTheHeightSoFar) {
  struct Case {
    FilterId filter;
    int width;
    int height;
    std::vector<std::string> tabs;
  };
  for (const Case& c : {Case{kTallPair, 240, 156, {"Short", "Tall"}}, Case{kShortPair, 220, 126, {"Short", "Middle"}}}) {
    auto panel = Panel(c.filter);
    ASSERT_TRUE(panel->Create(GetModuleHandleW(nullptr), host_));
    const SIZE frame = TabFrame(panel->Window());
    EXPECT_GT(frame.cy, 0) << "the tab row is part of the frame";
    EXPECT_EQ(c.width + frame.cx, panel->PreferredSize().cx) << kFilters[c.filter].tag;
    EXPECT_EQ(c.height + frame.cy, panel->PreferredSize().cy) << kFilters[c.filter].tag;
    EXPECT_EQ(c.tabs, TabTexts(panel->Window()));
    EXPECT_TRUE(panel->IsActivated(0));
    EXPECT_TRUE(panel->IsActivated(1));
    panel->Destroy();
  }
}

TEST_F(PagesTest, PagesGetASiteTheFilterAndTheSystemLocale) {
  PageLog log;
  auto panel = Panel(kTallPair);
  ASSERT_TRUE(panel->Create(GetModuleHandleW(nullptr), host_));
  const std::vector<std::string> locales = {"TallPair/Short locale 0x00000000 0x00000800",
                                            "TallPair/Tall locale 0x00000000 0x00000800"};
  std::vector<std::string> seen;
  for (const std::string& line : log.Lines())
    if (line.find(" locale ") != std::string::npos) seen.push_back(line);
  EXPECT_EQ(locales, seen);
}

TEST_F(PagesTest, TheFirstUsablePageIsShownAndTheOthersHidden) {
  auto panel = Panel(kTallPair);
  ASSERT_TRUE(panel->Create(GetModuleHandleW(nullptr), host_));
  ShowWindow(panel->Window(), SW_SHOWNA);
  ASSERT_TRUE(panel->SelectFirstUsablePage());
  EXPECT_EQ(0, panel->SelectedPage());
  HWND shown = VisiblePage(panel->Window());
  ASSERT_NE(nullptr, shown);
  // The visible page sits in the tab control's display area.
  RECT display;
  GetClientRect(PanelTabs(panel->Window()), &display);
  SendMessageA(PanelTabs(panel->Window()), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  const RECT at = ClientRectOf(shown, PanelTabs(panel->Window()));
  EXPECT_EQ(display.left, at.left);
  EXPECT_EQ(display.top, at.top);
  EXPECT_EQ(display.right, at.right);
  EXPECT_EQ(display.bottom, at.bottom);

  // Clicking the other tab shows its page instead.
  ClickTab(PanelTabs(panel->Window()), 1, false);
  EXPECT_EQ(1, panel->SelectedPage());
  HWND other = VisiblePage(panel->Window());
  EXPECT_NE(nullptr, other);
  EXPECT_NE(shown, other);
  EXPECT_FALSE(IsWindowVisible(shown));
}

TEST_F(PagesTest, APageThatFailsToActivateSaysSoAndIsPassedOver) {
  MessageBoxWatcher boxes(GetCurrentThreadId(), false);
  auto panel = Panel(kDeadFirst);
  ASSERT_TRUE(panel->Create(GetModuleHandleW(nullptr), host_));
  ShowWindow(panel->Window(), SW_SHOWNA);
  EXPECT_FALSE(panel->IsActivated(0));
  EXPECT_TRUE(panel->IsActivated(1));
  EXPECT_EQ((std::vector<std::string>{"Broken", "Middle"}), TabTexts(panel->Window()));
  EXPECT_EQ(0u, boxes.Count());

  ASSERT_TRUE(panel->SelectFirstUsablePage());
  EXPECT_EQ(1, panel->SelectedPage());
  ASSERT_EQ(1u, boxes.Count());
  SeenBox box = boxes.Boxes()[0];
  EXPECT_EQ("This page can not be activated", box.text);
  EXPECT_EQ(configurator::kMessageCaption, box.caption);
  EXPECT_EQ(host_, box.owner);
  EXPECT_TRUE(box.information);

  // Clicking the dead tab says so again and stays on the live one.
  HWND tabs = PanelTabs(panel->Window());
  ClickTab(tabs, 0, false);
  EXPECT_EQ(1, panel->SelectedPage());
  EXPECT_EQ(2u, boxes.Count());
  EXPECT_NE(nullptr, VisiblePage(panel->Window()));

  // Sitting on the dead tab (selected without notifications), leaving it is
  // refused through the dialog's message result.
  SendMessageA(tabs, TCM_SETCURSEL, 0, 0);
  ClickTab(tabs, 1, false);
  EXPECT_EQ(0, panel->SelectedPage());
  EXPECT_EQ(3u, boxes.Count());
}

TEST_F(PagesTest, APanelWithoutAnActivatedPageIsNotUsable) {
  MessageBoxWatcher boxes(GetCurrentThreadId(), false);
  auto dead = Panel(kOnlyDead);
  ASSERT_TRUE(dead->Create(GetModuleHandleW(nullptr), host_));
  EXPECT_FALSE(dead->SelectFirstUsablePage());
  EXPECT_EQ(1u, boxes.Count());
  auto empty = Panel(kNoCreatable);
  ASSERT_TRUE(empty->Create(GetModuleHandleW(nullptr), host_));
  EXPECT_FALSE(empty->SelectFirstUsablePage());
  EXPECT_EQ(1u, boxes.Count()) << "no page, nothing to say";
}

TEST_F(PagesTest, ApplyTakesTheDirtyPagesOnlyAndStopsAtAFailure) {
  PageLog log;
  auto panel = Panel(kTallPair);
  ASSERT_TRUE(panel->Create(GetModuleHandleW(nullptr), host_));
  ShowWindow(panel->Window(), SW_SHOWNA);
  ASSERT_TRUE(panel->SelectFirstUsablePage());
  size_t failed = 99;
  EXPECT_EQ(S_OK, panel->ApplyDirtyPages(&failed));
  EXPECT_EQ((std::vector<std::string>{"TallPair/Short apply"}), log.With(" apply"));
  EXPECT_EQ(S_OK, panel->ApplyDirtyPages(&failed));
  EXPECT_EQ(1u, log.With(" apply").size()) << "an applied page is clean again";

  // A page that changes reports it to its site and is applied next time.
  panel->SelectPage(1);
  HWND tall = VisiblePage(panel->Window());
  ASSERT_NE(nullptr, tall);
  SendDlgItemMessageA(tall, kPageChangedBox, BM_CLICK, 0, 0);
  EXPECT_EQ(static_cast<DWORD>(PROPPAGESTATUS_DIRTY), panel->Site(1)->StatusFlags());
  EXPECT_EQ(0u, panel->Site(0)->StatusFlags());
  EXPECT_EQ(S_OK, panel->ApplyDirtyPages(&failed));
  EXPECT_EQ((std::vector<std::string>{"TallPair/Short apply", "TallPair/Tall apply"}), log.With(" apply"));

  auto stubborn = Panel(kApplyFails);
  ASSERT_TRUE(stubborn->Create(GetModuleHandleW(nullptr), host_));
  EXPECT_EQ(E_FAIL, stubborn->ApplyDirtyPages(&failed));
  EXPECT_EQ(0u, failed);
}

TEST_F(PagesTest, DestroyingDeactivatesWhileTheWindowsLiveAndReleasesEveryPage) {
  PageLog log;
  auto panel = Panel(kDeadFirst);
  auto unused = Panel(kTallPair);  // never given a window
  ASSERT_TRUE(panel->Create(GetModuleHandleW(nullptr), host_));
  HWND window = panel->Window();
  panel->Destroy();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(nullptr, panel->Window());
  unused->Destroy();
  EXPECT_EQ((std::vector<std::string>{"DeadFirst/Middle deactivate alive"}), log.With(" deactivate alive"));
  EXPECT_TRUE(log.With(" deactivate gone").empty());
  EXPECT_EQ(4u, log.With(" site null").size());
  EXPECT_EQ(4u, log.With(" objects 0").size());
  EXPECT_EQ(4u, log.With(" released").size());
}

TEST_F(PagesTest, PagesAlsoDeactivateWhenTheirParentWindowGoesFirst) {
  PageLog log;
  auto panel = Panel(kTallPair);
  ASSERT_TRUE(panel->Create(GetModuleHandleW(nullptr), host_));
  DestroyWindow(host_);
  host_ = nullptr;
  EXPECT_EQ(nullptr, panel->Window());
  EXPECT_EQ(2u, log.With(" deactivate alive").size());
  EXPECT_TRUE(log.With(" deactivate gone").empty());
  panel.reset();
  EXPECT_EQ(2u, log.With(" released").size());
}

}  // namespace
}  // namespace configurator_test
