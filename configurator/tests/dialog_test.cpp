// The configurator as the program runs it, on a thread of the test process,
// over the codec category filled with the test DLL's filters: what the tree
// lists, panel sizes and window growth, pages that fail, the keys, and what
// OK and Cancel apply.
#include <dshow.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "configurator/messages.h"
#include "configurator/resource.h"
#include "configurator/tests/ui_test_support.h"

namespace configurator_test {
namespace {

std::string Name(FilterId id) {
  std::string out;
  for (const wchar_t* p = kFilters[id].name; *p; ++p) out += static_cast<char>(*p);
  return out;
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    library_ = std::make_unique<TestLibrary>();
    ASSERT_TRUE(library_->Loaded());
    ASSERT_TRUE(CategoryNames().empty()) << "the codec category holds entries of someone else";
  }
  void TearDown() override {
    entries_.reset();
    library_.reset();
    CoUninitialize();
  }

  // Puts the filters into the codec category (in table order, which is the
  // order the category lists them in).
  void Register(std::initializer_list<FilterId> filters) {
    entries_ = std::make_unique<CategoryEntries>();
    for (FilterId id : filters) ASSERT_EQ(S_OK, entries_->Add(id)) << kFilters[id].tag;
  }

  // Selects the tree's item `index` as a click would, and waits until the
  // thread has dealt with it.
  static void SelectItem(HWND dialog, size_t index) {
    HWND tree = GetDlgItem(dialog, IDC_FILTER_TREE);
    PostMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(TreeItem(dialog, index)));
    Settle(dialog);
  }

  // Lets the window's thread work through what was posted to it so far.
  static void Settle(HWND dialog) {
    for (int i = 0; i < 10; ++i) {
      Responsive(dialog);
      Sleep(20);
    }
  }

  static void Press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
  }

  static SIZE TabFrame(HWND panel) {
    RECT frame = {0, 0, 0, 0};
    SendMessageA(PanelTabs(panel), TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&frame));
    return {frame.right - frame.left, frame.bottom - frame.top};
  }

  std::unique_ptr<TestLibrary> library_;
  std::unique_ptr<CategoryEntries> entries_;
};

TEST_F(DialogTest, TheTreeListsByFriendlyNameOnlyFiltersWhosePagesCanBeHad) {
  Register({kTallPair, kNoPages, kPagesFail, kNoCreatable});
  ASSERT_EQ(S_OK, entries_->Add(kUnboundFilter, L"Test Unbound"));
  ASSERT_TRUE(entries_->AddNameless(kFilters[kShortPair].clsid));
  std::vector<std::string> listed = CategoryNames();
  ASSERT_EQ(5u, listed.size()) << "the nameless entry has no name to list";

  ConfiguratorThread run;
  MessageBoxWatcher boxes(run.ThreadId(), false);
  HWND dialog = run.WaitForWindow();
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ("Ondra K4 4.5.1 Configurator", WindowText(dialog));

  // In the category's order, leaving out the filter without pages, the one
  // whose GetPages fails and the one that cannot be created.
  std::vector<std::string> expected;
  for (const std::string& name : listed)
    if (name == Name(kTallPair) || name == Name(kNoCreatable)) expected.push_back(name);
  ASSERT_EQ(2u, expected.size());
  EXPECT_EQ(expected, TreeTexts(dialog));

  // The first entry is shown and chosen in the tree.
  EXPECT_EQ(Name(kTallPair), SelectedTreeText(dialog));
  HWND panel = ShownPanel(dialog);
  ASSERT_NE(nullptr, panel);
  EXPECT_EQ((std::vector<std::string>{"Short", "Tall"}), TabTexts(panel));

  // A filter whose pages could not be created has nothing to show: the tree
  // keeps its choice, silently.
  SelectItem(dialog, 1);
  EXPECT_EQ(Name(kTallPair), SelectedTreeText(dialog));
  EXPECT_EQ(panel, ShownPanel(dialog));
  EXPECT_EQ(0u, boxes.Count());

  Press(dialog, IDCANCEL);
  ASSERT_TRUE(run.WaitForEnd());
  EXPECT_EQ(IDCANCEL, run.Result());
}

TEST_F(DialogTest, TheWindowHasItsIconsControlsAndTemplateSize) {
  ConfiguratorThread run;
  HWND dialog = run.WaitForWindow();
  ASSERT_NE(nullptr, dialog);
  EXPECT_NE(0, SendMessageA(dialog, WM_GETICON, ICON_BIG, 0));
  EXPECT_NE(0, SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0));
  const LONG style = GetWindowLongA(dialog, GWL_STYLE);
  EXPECT_TRUE((style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME)) == (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME));
  EXPECT_TRUE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);

  // An empty category leaves the window at its template size: 320 x 193
  // dialog units of its font.
  RECT units = {0, 0, 320, 193};
  MapDialogRect(dialog, &units);
  RECT client;
  GetClientRect(dialog, &client);
  EXPECT_EQ(units.right, client.right);
  EXPECT_EQ(units.bottom, client.bottom);

  EXPECT_EQ("OK", WindowText(GetDlgItem(dialog, IDOK)));
  EXPECT_EQ("Cancel", WindowText(GetDlgItem(dialog, IDCANCEL)));
  EXPECT_TRUE(GetWindowLongA(GetDlgItem(dialog, IDOK), GWL_STYLE) & BS_DEFPUSHBUTTON);
  HWND treeWindow = GetDlgItem(dialog, IDC_FILTER_TREE);
  const LONG tree = GetWindowLongA(treeWindow, GWL_STYLE);
  const LONG treeBits = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS;
  EXPECT_EQ(treeBits, tree & treeBits);
  // The tree control may turn its border into a client edge.
  EXPECT_TRUE((tree & WS_BORDER) || (GetWindowLongA(treeWindow, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_PANEL_FRAME)));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_SEPARATOR)));

  // The layout in pixels for a larger window.
  RECT window;
  GetWindowRect(dialog, &window);
  SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left + 120, window.bottom - window.top + 90,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  GetClientRect(dialog, &client);
  const int cx = client.right, cy = client.bottom;
  const RECT frame = ClientRectOf(GetDlgItem(dialog, IDC_PANEL_FRAME), dialog);
  EXPECT_EQ(164, frame.left);
  EXPECT_EQ(cx - 4, frame.right);
  EXPECT_EQ(cy - 48, frame.bottom);
  const RECT line = ClientRectOf(GetDlgItem(dialog, IDC_SEPARATOR), dialog);
  EXPECT_EQ(164, line.left);
  EXPECT_EQ(cx - 4, line.right);
  EXPECT_EQ(cy - 40, line.bottom);
  const RECT treeAt = ClientRectOf(GetDlgItem(dialog, IDC_FILTER_TREE), dialog);
  EXPECT_EQ(149, treeAt.right - treeAt.left);
  EXPECT_EQ(cy - 40, treeAt.bottom);
  const RECT cancel = ClientRectOf(GetDlgItem(dialog, IDCANCEL), dialog);
  const RECT ok = ClientRectOf(GetDlgItem(dialog, IDOK), dialog);
  EXPECT_EQ(cx - 10, cancel.right);
  EXPECT_EQ(cy - 30, cancel.top);
  EXPECT_EQ(cancel.left - 5, ok.right);
  EXPECT_EQ(cy - 30, ok.top);
  RECT buttonUnits = {0, 0, 50, 14};
  MapDialogRect(dialog, &buttonUnits);
  EXPECT_EQ(buttonUnits.right, ok.right - ok.left) << "the buttons keep their size";
  EXPECT_EQ(buttonUnits.bottom, cancel.bottom - cancel.top);

  Press(dialog, IDOK);
  ASSERT_TRUE(run.WaitForEnd());
  EXPECT_EQ(IDOK, run.Result());
}

TEST_F(DialogTest, AnEmptyCategoryOpensAnEmptyTree) {
  ConfiguratorThread run;
  MessageBoxWatcher boxes(run.ThreadId(), false);
  HWND dialog = run.WaitForWindow();
  ASSERT_NE(nullptr, dialog) << "the window opens although the category has no enumerator";
  EXPECT_TRUE(TreeTexts(dialog).empty());
  EXPECT_EQ(nullptr, ShownPanel(dialog));
  EXPECT_EQ(0u, boxes.Count());
  Press(dialog, IDOK);
  ASSERT_TRUE(run.WaitForEnd());
  EXPECT_EQ(IDOK, run.Result());
}

TEST_F(DialogTest, AShrunkWindowGrowsBackToThePanelsPageHeights) {
  Register({kTallPair, kShortPair});
  ConfiguratorThread run;
  HWND dialog = run.WaitForWindow();
  ASSERT_NE(nullptr, dialog);
  struct Case {
    size_t item;
    int width;   // the widest page
    int height;  // the page area
  };
  // 100 and 130 pixels: 156; 100 and 110: 126.
  for (const Case& c : {Case{0, 240, 156}, Case{1, 220, 126}}) {
    SelectItem(dialog, c.item);
    HWND panel = ShownPanel(dialog);
    ASSERT_NE(nullptr, panel);
    const SIZE frame = TabFrame(panel);
    SetWindowPos(dialog, nullptr, 0, 0, 200, 150, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Settle(dialog);
    const RECT at = ClientRectOf(panel, dialog);
    EXPECT_EQ(c.width + frame.cx, at.right - at.left) << "item " << c.item;
    EXPECT_EQ(c.height + frame.cy, at.bottom - at.top) << "item " << c.item;
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right - 4, at.right) << "the panel fills the area exactly";
    EXPECT_EQ(client.bottom - 48, at.bottom);
  }
  Press(dialog, IDCANCEL);
  ASSERT_TRUE(run.WaitForEnd());
}

// A window procedure put in front of the dialog's: counts the changes of
// size or place asked of the window and, when limitHeight is set, lets it
// be at most 520 pixels high.
WNDPROC g_dialogProc = nullptr;
volatile LONG g_sizeRequests = 0;
volatile LONG g_moveRequests = 0;
volatile bool g_limitHeight = false;
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WINDOWPOSCHANGING) {
    const UINT flags = reinterpret_cast<WINDOWPOS*>(lParam)->flags;
    if (!(flags & SWP_NOSIZE)) InterlockedIncrement(&g_sizeRequests);
    if (!(flags & SWP_NOMOVE)) InterlockedIncrement(&g_moveRequests);
  }
  LRESULT result = CallWindowProcA(g_dialogProc, window, message, wParam, lParam);
  if (message == WM_GETMINMAXINFO && g_limitHeight) reinterpret_cast<MINMAXINFO*>(lParam)->ptMaxTrackSize.y = 520;
  return result;
}

void Subclass(HWND dialog, bool limitHeight) {
  g_limitHeight = limitHeight;
  g_dialogProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingProc)));
  g_sizeRequests = 0;
  g_moveRequests = 0;
}

void Unsubclass(HWND dialog) { SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_dialogProc)); }

TEST_F(DialogTest, GrowingStopsAtTheWorkAreaAndIgnoresMinimising) {
  Register({kHuge});
  ConfiguratorThread run;
  HWND dialog = run.WaitForWindow();
  ASSERT_NE(nullptr, dialog);
  Settle(dialog);
  ASSERT_TRUE(Responsive(dialog)) << "a page taller than the screen must not make it grow for ever";
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  RECT window;
  GetWindowRect(dialog, &window);
  EXPECT_EQ(work.bottom - work.top, window.bottom - window.top);
  EXPECT_GE(window.top, work.top);
  EXPECT_LE(window.bottom, work.bottom);
  HWND panel = ShownPanel(dialog);
  ASSERT_NE(nullptr, panel);
  const RECT panelAt = ClientRectOf(panel, dialog);
  EXPECT_GE(panelAt.right - panelAt.left, 300 + TabFrame(panel).cx) << "the width it needs";
  EXPECT_LT(panelAt.bottom - panelAt.top, 5000) << "not the height it would need";

  // Minimised, a size message (as showing an entry posts) moves nothing,
  // and the window has its size back when restored.
  ShowWindow(dialog, SW_MINIMIZE);
  Settle(dialog);
  ASSERT_TRUE(IsIconic(dialog));
  Subclass(dialog, false);
  PostMessageA(dialog, WM_SIZE, SIZE_RESTORED, 0);
  Settle(dialog);
  EXPECT_TRUE(Responsive(dialog));
  EXPECT_EQ(0, g_sizeRequests) << "a minimised window was grown";
  EXPECT_EQ(0, g_moveRequests);
  Unsubclass(dialog);
  ShowWindow(dialog, SW_RESTORE);
  Settle(dialog);
  RECT restored;
  GetWindowRect(dialog, &restored);
  EXPECT_EQ(window.right - window.left, restored.right - restored.left);
  EXPECT_EQ(window.bottom - window.top, restored.bottom - restored.top);
  Press(dialog, IDCANCEL);
  ASSERT_TRUE(run.WaitForEnd());
}

TEST_F(DialogTest, AWindowTheSystemKeepsSmallIsGrownOnceAndStillLaidOut) {
  Register({kHuge});
  ConfiguratorThread run;
  HWND dialog = run.WaitForWindow();
  ASSERT_NE(nullptr, dialog);
  Settle(dialog);
  Subclass(dialog, true);
  ASSERT_NE(nullptr, g_dialogProc);
  SetWindowPos(dialog, nullptr, 0, 0, 500, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Settle(dialog);
  ASSERT_TRUE(Responsive(dialog));
  // The test's own change, then one growth that the system cut short.
  EXPECT_EQ(2, g_sizeRequests);
  RECT window;
  GetWindowRect(dialog, &window);
  EXPECT_EQ(520, window.bottom - window.top);
  RECT client;
  GetClientRect(dialog, &client);
  const RECT cancel = ClientRectOf(GetDlgItem(dialog, IDCANCEL), dialog);
  EXPECT_EQ(client.right - 10, cancel.right) << "laid out at the size it got";
  EXPECT_EQ(client.bottom - 30, cancel.top);
  EXPECT_EQ(client.bottom - 48, ClientRectOf(ShownPanel(dialog), dialog).bottom);
  Unsubclass(dialog);
  Press(dialog, IDCANCEL);
  ASSERT_TRUE(run.WaitForEnd());
}

TEST_F(DialogTest, APageThatFailsToActivateGivesTheMessage) {
  Register({kDeadFirst, kOnlyDead});
  ConfiguratorThread run;
  MessageBoxWatcher boxes(run.ThreadId(), false);
  HWND dialog = run.WaitForWindow();
  ASSERT_NE(nullptr, dialog);
  ASSERT_EQ((std::vector<std::string>{Name(kDeadFirst), Name(kOnlyDead)}), TreeTexts(dialog));

  // Showing the first filter passes over its dead first page.
  ASSERT_TRUE(boxes.WaitForCount(1));
  SeenBox box = boxes.Boxes()[0];
  EXPECT_EQ("This page can not be activated", box.text);
  EXPECT_EQ("Ondra K4 4.5.1 Configurator", box.caption);
  EXPECT_EQ(dialog, box.owner);
  EXPECT_TRUE(box.information);
  HWND panel = ShownPanel(dialog);
  ASSERT_NE(nullptr, panel);
  EXPECT_EQ(1, SelectedTab(panel));
  EXPECT_NE(nullptr, VisiblePage(panel));

  // Its dead tab cannot be chosen.
  ClickTab(PanelTabs(panel), 0, true);
  ASSERT_TRUE(boxes.WaitForCount(2));
  Settle(dialog);
  EXPECT_EQ(1, SelectedTab(panel));

  // A filter whose only page is dead cannot be shown: the tree refuses.
  SelectItem(dialog, 1);
  ASSERT_TRUE(boxes.WaitForCount(3));
  Settle(dialog);
  EXPECT_EQ(Name(kDeadFirst), SelectedTreeText(dialog));
  EXPECT_EQ(panel, ShownPanel(dialog));
  EXPECT_EQ(3u, boxes.Count());

  Press(dialog, IDCANCEL);
  ASSERT_TRUE(run.WaitForEnd());
}

TEST_F(DialogTest, EscapeLeavesTheWindowOpen) {
  PageLog log;
  Register({kTallPair, kShortPair});
  ConfiguratorThread run;
  HWND dialog = run.WaitForWindow();
  ASSERT_NE(nullptr, dialog);
  HWND tree = GetDlgItem(dialog, IDC_FILTER_TREE);
  ASSERT_EQ(Name(kTallPair), SelectedTreeText(dialog));

  // Escape in the tree, then a key that moves the tree's choice: once the
  // choice has moved, the Escape before it has been handled.
  PostMessageA(tree, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(tree, WM_KEYUP, VK_ESCAPE, 0);
  PostMessageA(tree, WM_KEYDOWN, VK_DOWN, 0);
  ASSERT_TRUE(WaitUntil([&] { return SelectedTreeText(dialog) == Name(kShortPair); }));
  EXPECT_FALSE(run.Ended());
  EXPECT_TRUE(IsWindowVisible(dialog));

  // The same inside a page's edit box.
  HWND page = VisiblePage(ShownPanel(dialog));
  ASSERT_NE(nullptr, page);
  PostMessageA(GetDlgItem(page, kPageEdit), WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(tree, WM_KEYDOWN, VK_UP, 0);
  ASSERT_TRUE(WaitUntil([&] { return SelectedTreeText(dialog) == Name(kTallPair); }));
  EXPECT_FALSE(run.Ended());

  // The Cancel button still closes, and applies nothing.
  Press(dialog, IDCANCEL);
  ASSERT_TRUE(run.WaitForEnd());
  EXPECT_EQ(IDCANCEL, run.Result());
  EXPECT_TRUE(log.With(" apply").empty());
}

TEST_F(DialogTest, TheTabKeyReachesThePagesControls) {
  Register({kTallPair});
  ConfiguratorThread run;
  HWND dialog = run.WaitForWindow();
  ASSERT_NE(nullptr, dialog);
  HWND page = VisiblePage(ShownPanel(dialog));
  ASSERT_NE(nullptr, page);
  HWND edit = GetDlgItem(page, kPageEdit);
  // From the tree, forward: the page's controls come before the buttons.
  std::vector<HWND> order;
  HWND at = GetDlgItem(dialog, IDC_FILTER_TREE);
  for (int i = 0; i < 6; ++i) {
    at = GetNextDlgTabItem(dialog, at, FALSE);
    order.push_back(at);
  }
  auto position = [&](HWND w) { return std::find(order.begin(), order.end(), w) - order.begin(); };
  EXPECT_LT(position(edit), position(GetDlgItem(dialog, IDOK)));
  EXPECT_LT(position(GetDlgItem(page, kPageChangedBox)), position(GetDlgItem(dialog, IDOK)));
  EXPECT_LT(position(GetDlgItem(dialog, IDOK)), static_cast<long>(order.size()));
  Press(dialog, IDCANCEL);
  ASSERT_TRUE(run.WaitForEnd());
}

TEST_F(DialogTest, OkAppliesTheDirtyPagesOfThePanelsThatWereShown) {
  PageLog log;
  Register({kTallPair, kShortPair, kEager});
  ConfiguratorThread run;
  HWND dialog = run.WaitForWindow();
  ASSERT_NE(nullptr, dialog);
  ASSERT_EQ((std::vector<std::string>{Name(kTallPair), Name(kShortPair), Name(kEager)}), TreeTexts(dialog));

  // In the first panel, the clean "Tall" page is changed by the user.
  HWND first = ShownPanel(dialog);
  ClickTab(PanelTabs(first), 1, true);
  Settle(dialog);
  HWND tall = VisiblePage(first);
  ASSERT_NE(nullptr, tall);
  PostMessageA(GetDlgItem(tall, kPageChangedBox), BM_CLICK, 0, 0);
  Settle(dialog);
  // The second panel is looked at; the third ("Eager", dirty) never is.
  SelectItem(dialog, 1);
  ASSERT_EQ(Name(kShortPair), SelectedTreeText(dialog));

  Press(dialog, IDOK);
  ASSERT_TRUE(run.WaitForEnd());
  EXPECT_EQ(IDOK, run.Result());
  EXPECT_EQ((std::vector<std::string>{"TallPair/Short apply", "TallPair/Tall apply", "ShortPair/Short apply"}),
            log.With(" apply"));

  // Every activated page was deactivated while its window lived, and every
  // page (the never shown one too) gave back its site and object and went.
  EXPECT_EQ(4u, log.With(" deactivate alive").size());
  EXPECT_TRUE(log.With(" deactivate gone").empty());
  EXPECT_EQ(5u, log.With(" site null").size());
  EXPECT_EQ(5u, log.With(" objects 0").size());
  EXPECT_EQ(5u, log.With(" released").size());
  EXPECT_EQ(4u, log.With(" locale 0x00000000 0x00000800").size());
}

TEST_F(DialogTest, CancelAndTheCloseBoxApplyNothing) {
  Register({kTallPair});
  for (bool closeBox : {false, true}) {
    PageLog log;
    ConfiguratorThread run;
    HWND dialog = run.WaitForWindow();
    ASSERT_NE(nullptr, dialog);
    if (closeBox)
      PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    else
      Press(dialog, IDCANCEL);
    ASSERT_TRUE(run.WaitForEnd());
    EXPECT_EQ(IDCANCEL, run.Result());
    EXPECT_TRUE(log.With(" apply").empty()) << (closeBox ? "close box" : "Cancel");
    EXPECT_EQ(2u, log.With(" deactivate alive").size());
    EXPECT_EQ(2u, log.With(" released").size());
  }
}

TEST_F(DialogTest, AFailingApplyShowsThatPageAndKeepsTheWindowOpen) {
  PageLog log;
  Register({kTallPair, kApplyFails});
  ConfiguratorThread run;
  MessageBoxWatcher boxes(run.ThreadId(), false);
  HWND dialog = run.WaitForWindow();
  ASSERT_NE(nullptr, dialog);
  SelectItem(dialog, 1);
  SelectItem(dialog, 0);
  ASSERT_EQ(Name(kTallPair), SelectedTreeText(dialog));

  Press(dialog, IDOK);
  ASSERT_TRUE(boxes.WaitForCount(1));
  Settle(dialog);
  SeenBox box = boxes.Boxes()[0];
  EXPECT_EQ(configurator::kApplyFailedText, box.text);
  EXPECT_EQ("Ondra K4 4.5.1 Configurator", box.caption);
  EXPECT_EQ(dialog, box.owner);
  EXPECT_FALSE(run.Ended()) << "the window stays open";
  EXPECT_EQ(Name(kApplyFails), SelectedTreeText(dialog));
  EXPECT_EQ((std::vector<std::string>{"Stubborn"}), TabTexts(ShownPanel(dialog)));
  EXPECT_EQ((std::vector<std::string>{"TallPair/Short apply", "ApplyFails/Stubborn apply"}), log.With(" apply"));

  Press(dialog, IDCANCEL);
  ASSERT_TRUE(run.WaitForEnd());
  EXPECT_EQ(IDCANCEL, run.Result());
  EXPECT_EQ(2u, log.With(" apply").size()) << "Cancel applies nothing more";
}

}  // namespace
}  // namespace configurator_test
