// Skin controls in real windows: position and scroll bars (the drag with
// real mouse input), digits, the playlist view, hover buttons, resize zones.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <thread>

#include "player/skin/skin_controls.h"
#include "player/skin/skin_preview.h"
#include "player/skin/tests/skin_test_support.h"

using namespace skin;
using namespace skintest;

namespace {

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

std::vector<LPARAM> ValuesOf(int id) {
  std::vector<LPARAM> values;
  for (const Command& command : Recorded())
    if (static_cast<int>(command.id) == id) values.push_back(command.value);
  return values;
}

class SkinControls : public ::testing::Test {
 protected:
  void SetUp() override { Recorded().clear(); }
};

}  // namespace

TEST_F(SkinControls, PositionBarShowsCaughtValuesAsStates) {
  std::unique_ptr<SkinElement> form(Form("BarForm", 100, 100, 200, 50));
  auto* bar = Place(new SkinPositionBar(10, nullptr, "VolumeBar", Instance(), form.get()), 0, 0, 100, 10, WS_CHILD);
  bar->SetCatchCommand(156);
  SendMessageA(form->GetWindow(), WM_COMMAND, 156, 1000000);
  EXPECT_EQ(bar->state, 9);
  SendMessageA(form->GetWindow(), WM_COMMAND, 156, -5);
  EXPECT_EQ(bar->state, 0);
  SendMessageA(form->GetWindow(), WM_COMMAND, 156, 550000);
  EXPECT_EQ(bar->state, 5);
  SendMessageA(form->GetWindow(), WM_COMMAND, 156, 2000000000);
  EXPECT_EQ(bar->state, 9);
}

TEST_F(SkinControls, PositionBarClicksSendMillionths) {
  std::unique_ptr<SkinElement> form(Form("ClickBarForm", 100, 100, 300, 300));
  auto* bar = Place(new SkinPositionBar(1, nullptr, "PositionBarH", Instance(), form.get()), 0, 0, 100, 10, WS_CHILD);
  bar->SetBounds(0, 0, 0, 0);
  bar->notifier.Init(RecordCommand, 158, bar->GetWindow());
  SendMessageA(bar->GetWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 5));
  SendMessageA(bar->GetWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 5));  // past the end
  EXPECT_EQ(ValuesOf(158), (std::vector<LPARAM>{500000, 1000000}));

  // A vertical bar (bounds X at its right end) measures from the top; a
  // vertical range of nothing divides by 1.
  auto* tall = Place(new SkinPositionBar(1, nullptr, "PositionBarV", Instance(), form.get()), 150, 0, 10, 2500,
                     WS_CHILD);
  tall->SetBounds(10, 0, 0, 500);
  EXPECT_TRUE(tall->vertical);
  tall->notifier.Init(RecordCommand, 157, nullptr);
  SendMessageA(tall->GetWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 1500));
  auto* flat = Place(new SkinPositionBar(1, nullptr, "PositionBarFlat", Instance(), form.get()), 200, 0, 10, 10,
                     WS_CHILD);
  flat->SetBounds(10, 10, 0, 0);
  flat->notifier.Init(RecordCommand, 157, nullptr);
  SendMessageA(flat->GetWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  EXPECT_EQ(ValuesOf(157), (std::vector<LPARAM>{750000, 0}));
}

TEST_F(SkinControls, AnEmptyVerticalScrollRangeDividesByOne) {
  std::unique_ptr<SkinElement> form(Form("EmptyTrackForm", 100, 100, 20, 100));
  auto* thumb = Place(new SkinScrollBar(nullptr, "EmptyThumb", Instance(), form.get()), 0, 0, 20, 100, WS_CHILD);
  thumb->SetBounds(0, 0, 0, 0);
  EXPECT_TRUE(thumb->vertical);
  EXPECT_EQ(thumb->maxY, 1);
  EXPECT_EQ(thumb->GetValue(), 0);
  thumb->SetPosition(1000000);
  EXPECT_EQ(thumb->y, 1);
  EXPECT_EQ(thumb->GetValue(), 1000000);
}

TEST_F(SkinControls, ScrollBarFollowsCaughtPositions) {
  std::unique_ptr<SkinElement> form(Form("CatchTrackForm", 100, 100, 220, 20));
  auto* thumb = Place(new SkinScrollBar(nullptr, "CatchThumb", Instance(), form.get()), 0, 0, 20, 20, WS_CHILD);
  thumb->SetBounds(0, 0, 0, 0);
  thumb->SetCatchCommand(3000);
  SendMessageA(form->GetWindow(), WM_COMMAND, 3000, 500000);
  EXPECT_EQ(thumb->x, 100);
  RECT rect;
  GetWindowRect(thumb->GetWindow(), &rect);
  POINT corner = {rect.left, rect.top};
  ScreenToClient(form->GetWindow(), &corner);
  EXPECT_EQ(corner.x, 100);
  SendMessageA(form->GetWindow(), WM_COMMAND, 3000, 5000000);
  EXPECT_EQ(thumb->x, 200);
}

TEST_F(SkinControls, DraggingTheThumbWithTheMouseMovesItAndNotifies) {
  std::unique_ptr<SkinElement> form(Form("DragTrackForm", 200, 300, 220, 20));
  auto* thumb = Place(new SkinScrollBar(nullptr, "DragThumb", Instance(), form.get()), 0, 0, 20, 20, WS_CHILD);
  thumb->SetBounds(0, 0, 0, 0);
  thumb->notifier.Init(RecordCommand, 158, nullptr);
  thumb->startCommand = 229;
  thumb->finishCommand = 230;
  thumb->SetCatchCommand(3000);
  SetForegroundWindow(form->GetWindow());
  Pump(100);
  const POINT start = ScreenPoint(thumb->GetWindow(), 10, 10);
  ASSERT_TRUE(AimMouse(thumb->GetWindow(), start));
  Pump(50);

  // The press starts the drag loop inside this thread's dispatch; the rest
  // of the gesture comes from another thread, as a user's hand would. Half
  // way the player posts a position update, which the loop dispatches and
  // the held thumb ignores.
  SetSkinCommandHandler(RecordCommand);
  const HWND track = form->GetWindow();
  std::thread hand([start, track] {
    Sleep(200);
    for (int step = 1; step <= 4; ++step) {
      MoveMouse(start.x + step * 25, start.y + 7);
      Sleep(250);
      if (step == 2) PostMessageA(track, WM_COMMAND, 3000, 0);
    }
    ReleaseLeft();
  });
  PressLeft();
  const DWORD end = GetTickCount() + 4000;
  while (static_cast<int>(end - GetTickCount()) > 0 && ValuesOf(230).empty()) Pump(20);
  hand.join();
  Pump(50);
  SetSkinCommandHandler(nullptr);
  // The update went through the player's handler before the drag ended.
  std::vector<int> ids = RecordedIds();
  const auto update = std::find(ids.begin(), ids.end(), 3000);
  const auto finish = std::find(ids.begin(), ids.end(), 230);
  EXPECT_TRUE(update < finish);
  EXPECT_EQ(thumb->x, 100);
  EXPECT_EQ(thumb->y, 0);
  EXPECT_FALSE(thumb->dragging);
  EXPECT_EQ(ValuesOf(229), (std::vector<LPARAM>{0}));
  const std::vector<LPARAM> moves = ValuesOf(158);
  ASSERT_FALSE(moves.empty());
  for (size_t i = 1; i < moves.size(); ++i) EXPECT_GT(moves[i], moves[i - 1]);
  EXPECT_EQ(moves.back(), 500000);
  EXPECT_EQ(ValuesOf(230), (std::vector<LPARAM>{500000}));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(SkinControls, DigitsShowTheCachedValue) {
  const std::string folder = FreshFolder("digits");
  // Ten 4 x 4 cells side by side, cell n filled with grey level 20 n.
  WriteBitmap(folder + "digits.bmp", 40, 4, [](int x, int) { return RGB(20 * (x / 4), 20 * (x / 4), 20 * (x / 4)); });
  HBITMAP strip = static_cast<HBITMAP>(
      LoadImageA(nullptr, (folder + "digits.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  ASSERT_NE(strip, nullptr);
  std::unique_ptr<SkinElement> form(Form("DigitForm", 100, 100, 20, 10));
  auto* digit = Place(new SkinNumber(nullptr, "SecondsDigit", Instance(), form.get()), 2, 2, 4, 4, WS_CHILD);
  digit->SetSprite(0, strip, 0, 0, 4, 4, 0);
  digit->SetSpriteStep(4, 0);
  digit->SetCacheCommand(164);
  SendMessageA(form->GetWindow(), WM_COMMAND, 164, 7);
  EXPECT_EQ(digit->Digit(), 7);
  Picture picture;
  RenderTree(form.get(), &picture);
  EXPECT_EQ(picture.At(3, 3), RGB(140, 140, 140));
  SendMessageA(form->GetWindow(), WM_COMMAND, 165, 2);  // another digit's command
  EXPECT_EQ(digit->Digit(), 7);
  form.reset();
  DeleteObject(strip);
}

namespace {

struct ListFixture {
  std::vector<std::wstring> entries;
  VectorPlaylist playlist{&entries};
  PlaylistStyle style;
  std::unique_ptr<SkinElement> form;
  SkinList* list = nullptr;

  explicit ListFixture(int entryCount, int height) {
    for (int i = 0; i < entryCount; ++i) entries.push_back(L"Entry " + std::to_wstring(i));
    CreateDefaultPlaylistStyle(&style);
    form.reset(Form("ListForm", 100, 100, 200, 300));
    list = new SkinList(nullptr, "FileList", Instance(), form.get());
    list->SetPlaylist(&playlist);
    list->SetStyle(&style);
    list->notifier.Init(RecordCommand, 173, nullptr);
    list->upCommand = 171;
    list->downCommand = 172;
    list->scrollCommand = 175;
    list->playItemCommand = 179;
    Place(list, 0, 0, 150, height, WS_CHILD);
    list->Redraw();
  }
  ~ListFixture() {
    form.reset();
    DeletePlaylistStyle(&style);
  }
};

}  // namespace

TEST_F(SkinControls, AShortListLeavesRowsEmptyAndStepsPastItsEnd) {
  ListFixture fixture(3, 70);
  SkinList* list = fixture.list;
  ASSERT_EQ(list->RowCount(), 5);
  EXPECT_EQ(list->RowAt(0)->Text(), L"Entry 0");
  EXPECT_EQ(list->RowAt(2)->Text(), L"Entry 2");
  EXPECT_EQ(list->RowAt(3)->Text(), L"");
  EXPECT_EQ(list->RowAt(4)->Text(), L"");

  // The player sets the current entry: the list selects it and tells a
  // scroll bar where it is.
  SendMessageA(fixture.form->GetWindow(), WM_COMMAND, 173, 2);
  EXPECT_EQ(list->GetCurrent(), 2);
  EXPECT_EQ(ValuesOf(175), (std::vector<LPARAM>{1000000}));
  EXPECT_EQ(list->RowAt(2)->TextColour(), fixture.style.currentText);
  EXPECT_EQ(list->RowAt(0)->TextColour(), fixture.style.normalText);

  Recorded().clear();
  SendMessageA(fixture.form->GetWindow(), WM_COMMAND, 172, 0);  // down at the last entry
  EXPECT_EQ(ValuesOf(173), (std::vector<LPARAM>{3}));
  Recorded().clear();
  SendMessageA(fixture.form->GetWindow(), WM_COMMAND, 171, 0);
  EXPECT_EQ(ValuesOf(173), (std::vector<LPARAM>{1}));
  Recorded().clear();
  SendMessageA(fixture.form->GetWindow(), WM_COMMAND, 173, 0);
  Recorded().clear();
  SendMessageA(fixture.form->GetWindow(), WM_COMMAND, 171, 0);  // up at the first entry
  EXPECT_TRUE(ValuesOf(173).empty());
}

TEST_F(SkinControls, ALongListScrollsAndRowsAreClicked) {
  ListFixture fixture(40, 70);
  SkinList* list = fixture.list;
  SendMessageA(fixture.form->GetWindow(), WM_COMMAND, 175, 500000);  // scroll to the middle
  EXPECT_EQ(list->Top(), 16);
  EXPECT_EQ(list->SelectedRow(), 4);
  EXPECT_EQ(list->RowAt(0)->Text(), L"Entry 16");

  Recorded().clear();
  SendMessageA(list->RowAt(1)->GetWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  EXPECT_EQ(ValuesOf(173), (std::vector<LPARAM>{17}));
  EXPECT_EQ(list->RowAt(1)->BackgroundBrush(), fixture.style.selectedBackground);
  EXPECT_EQ(list->RowAt(0)->BackgroundBrush(), fixture.style.normalBackground);
  SendMessageA(list->RowAt(2)->GetWindow(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 3));
  EXPECT_EQ(ValuesOf(179), (std::vector<LPARAM>{18}));

  // Resizing rebuilds the rows to fit.
  list->Resize(150, 28);
  EXPECT_EQ(list->RowCount(), 2);
  list->Resize(150, 100000);
  EXPECT_EQ(list->RowCount(), SkinList::kMaxRows);
}

namespace {

// Refuses every window of the class "PlayListItem", as a system out of
// window handles would.
LRESULT CALLBACK RefuseRows(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_CREATEWND) {
    const auto* create = reinterpret_cast<CBT_CREATEWNDA*>(lparam);
    const char* cls = create->lpcs->lpszClass;
    if (HIWORD(reinterpret_cast<UINT_PTR>(cls)) && std::string(cls) == "PlayListItem") return 1;
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

TEST_F(SkinControls, AListWhoseRowsCannotBeMadeStaysUsable) {
  HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseRows, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  {
    ListFixture fixture(3, 70);
    EXPECT_EQ(fixture.list->RowCount(), 0);
    // Drawing, resizing and commands do not keep trying (or recurse).
    fixture.list->Redraw();
    fixture.list->Resize(150, 140);
    SendMessageA(fixture.form->GetWindow(), WM_COMMAND, 173, 2);
    EXPECT_EQ(fixture.list->RowCount(), 0);
    UnhookWindowsHookEx(hook);
    // With windows to be had again, a new height brings the rows.
    fixture.list->Resize(150, 28);
    EXPECT_EQ(fixture.list->RowCount(), 2);
  }
}

TEST_F(SkinControls, ButtonsLightUpWhileTheMouseHovers) {
  std::unique_ptr<SkinElement> form(Form("HoverForm", 500, 500, 100, 40));
  auto* button = Place(new SkinButton(nullptr, "HoverButton", Instance(), form.get()), 10, 10, 20, 20, WS_CHILD);
  SetForegroundWindow(form->GetWindow());
  Pump(50);
  const POINT inside = ScreenPoint(button->GetWindow(), 10, 10);
  ASSERT_TRUE(AimMouse(button->GetWindow(), inside));
  for (int i = 0; i < 50 && button->state != 1; ++i) Pump(20);
  EXPECT_EQ(button->state, 1);
  MoveMouse(inside.x + 60, inside.y);
  for (int i = 0; i < 50 && button->state != 0; ++i) Pump(20);
  EXPECT_EQ(button->state, 0);
}

TEST_F(SkinControls, AMouseRestingOnAButtonHoversOnce) {
  std::unique_ptr<SkinElement> form(Form("RestForm", 500, 500, 100, 40));
  auto* button = Place(new SkinButton(nullptr, "RestButton", Instance(), form.get()), 10, 10, 20, 20, WS_CHILD);
  button->AddBinding(WM_MOUSEHOVER, 611, 0, RecordCommand);
  SetForegroundWindow(form->GetWindow());
  Pump(50);
  const POINT inside = ScreenPoint(button->GetWindow(), 10, 10);
  ASSERT_TRUE(AimMouse(button->GetWindow(), inside));
  Pump(800);
  EXPECT_EQ(button->state, 1);
  // One visit, one hover: the system is not asked to track it again and
  // again while the mouse rests there.
  EXPECT_EQ(ValuesOf(611).size(), 1u);
  MoveMouse(inside.x + 60, inside.y);
  for (int i = 0; i < 50 && button->state != 0; ++i) Pump(20);
  MoveMouse(inside.x, inside.y);
  Pump(400);
  EXPECT_EQ(ValuesOf(611).size(), 2u);
  MoveMouse(inside.x + 60, inside.y);
  Pump(100);
}

TEST_F(SkinControls, ResizeZonesAnswerBottomRight) {
  std::unique_ptr<SkinElement> form(Form("ZoneForm", 100, 100, 100, 40));
  auto* zone = Place(new SkinResizeZone(nullptr, "Grip", Instance(), form.get()), 90, 30, 10, 10, WS_CHILD);
  const POINT point = ScreenPoint(zone->GetWindow(), 5, 5);
  EXPECT_EQ(SendMessageA(zone->GetWindow(), WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y)), HTBOTTOMRIGHT);
}

TEST_F(SkinControls, TextIsDrawnOverItsBackground) {
  HBRUSH green = CreateSolidBrush(RGB(0, 200, 0));
  std::unique_ptr<SkinElement> form(Form("TextForm", 100, 100, 200, 20));
  auto* text = Place(new SkinText(nullptr, "StatusLine", Instance(), form.get()), 0, 0, 200, 20, WS_CHILD);
  text->SetBackgroundBrush(green);
  text->SetFill(true);
  text->SetTextColor(RGB(255, 255, 255));
  text->SetText(L"Zelvo Vantor Player");
  EXPECT_GT(text->GetTextWidth(), 20);
  Picture picture;
  RenderTree(form.get(), &picture);
  EXPECT_EQ(picture.At(199, 19), RGB(0, 200, 0));
  int white = 0;
  for (int x = 0; x < 120; ++x)
    for (int y = 0; y < 20; ++y) white += picture.At(x, y) == RGB(255, 255, 255);
  EXPECT_GT(white, 10);
  form.reset();
  DeleteObject(green);
}
