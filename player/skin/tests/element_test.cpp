// Skinned windows: click synthesis, bindings, command routing, the size
// grid with anchors and scaling, class sharing, FindElement and drawing.
#include <gtest/gtest.h>

#include <memory>
#ifndef HUGE_SIDE
#define HUGE_SIDE 2000000000
#endif

#include "player/messages.h"
#include "player/skin/skin_controls.h"
#include "player/skin/skin_element.h"
#include "player/skin/skin_preview.h"
#include "player/skin/tests/skin_test_support.h"

using namespace skin;
using namespace skintest;

namespace {

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

SkinElement* Zone(SkinElement* parent, const char* name, int x, int y, int width, int height) {
  return Place(new SkinElement(1, nullptr, name, Instance(), parent, nullptr), x, y, width, height, WS_CHILD);
}

// The messages a form's handler saw, by code.
std::vector<UINT>& HandlerMessages() {
  static std::vector<UINT> messages;
  return messages;
}
LRESULT CALLBACK RecordingHandler(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  HandlerMessages().push_back(message);
  return DefWindowProcA(window, message, wparam, lparam);
}
int CountOf(const std::vector<UINT>& messages, UINT message) {
  int n = 0;
  for (UINT m : messages) n += m == message;
  return n;
}

RECT ChildRect(HWND child) {
  RECT rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

class SkinWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    Recorded().clear();
    HandlerMessages().clear();
    SetSkinCommandHandler(nullptr);
  }
};

}  // namespace

TEST_F(SkinWindows, PressAndReleaseOnOneWindowMakeAClickBetweenThem) {
  std::unique_ptr<SkinElement> form(Form("ClickForm", 100, 100, 200, 100));
  SkinElement* button = Zone(form.get(), "ClickButton", 10, 10, 60, 40);
  button->AddBinding(WM_LBUTTONDOWN, 1, 0, RecordCommand);
  button->AddBinding(kLeftClick, 2, 0, RecordCommand);
  button->AddBinding(WM_LBUTTONUP, 3, 0, RecordCommand);
  SetForegroundWindow(form->GetWindow());
  Pump(100);

  const POINT point = ScreenPoint(button->GetWindow(), 20, 20);
  ASSERT_TRUE(AimMouse(button->GetWindow(), point));
  Pump(50);
  PressLeft();
  Pump(50);
  ReleaseLeft();
  Pump(150);
  EXPECT_EQ(RecordedIds(), (std::vector<int>{1, 2, 3}));
  ASSERT_FALSE(Recorded().empty());
  EXPECT_EQ(Recorded()[0].window, button->GetWindow());
  EXPECT_EQ(Recorded()[0].message, static_cast<UINT>(WM_COMMAND));
  EXPECT_EQ(Recorded()[0].value, 0);
}

TEST_F(SkinWindows, PressOnOneWindowAndReleaseOnAnotherMakeNoClick) {
  std::unique_ptr<SkinElement> form(Form("TwoButtonForm", 100, 100, 200, 100));
  SkinElement* first = Zone(form.get(), "FirstButton", 10, 10, 60, 40);
  SkinElement* second = Zone(form.get(), "SecondButton", 100, 10, 60, 40);
  for (SkinElement* button : {first, second}) {
    button->AddBinding(WM_LBUTTONDOWN, 1, 0, RecordCommand);
    button->AddBinding(kLeftClick, 2, 0, RecordCommand);
    button->AddBinding(WM_LBUTTONUP, 3, 0, RecordCommand);
  }
  SetForegroundWindow(form->GetWindow());
  Pump(100);
  POINT point = ScreenPoint(first->GetWindow(), 20, 20);
  ASSERT_TRUE(AimMouse(first->GetWindow(), point));
  Pump(50);
  PressLeft();
  Pump(50);
  point = ScreenPoint(second->GetWindow(), 20, 20);
  MoveMouse(point.x, point.y);
  Pump(50);
  ReleaseLeft();
  Pump(150);
  EXPECT_EQ(RecordedIds(), (std::vector<int>{1, 3}));
  ASSERT_EQ(Recorded().size(), 2u);
  EXPECT_EQ(Recorded()[0].window, first->GetWindow());
  EXPECT_EQ(Recorded()[1].window, second->GetWindow());
}

TEST_F(SkinWindows, RightAndMiddleButtonsMakeTheirOwnClicks) {
  std::unique_ptr<SkinElement> form(Form("OtherClickForm", 100, 100, 100, 100));
  HWND window = form->GetWindow();
  form->AddBinding(kRightClick, 11, 0, RecordCommand);
  form->AddBinding(kMiddleClick, 12, 0, RecordCommand);
  SendMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
  SendMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  SendMessageA(window, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(5, 5));
  SendMessageA(window, WM_MBUTTONUP, 0, MAKELPARAM(5, 5));
  // A left release after a right press is no click.
  SendMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
  SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(RecordedIds(), (std::vector<int>{11, 12}));
}

TEST_F(SkinWindows, ABoundPressIsConsumedButTheClickStillHappens) {
  std::unique_ptr<SkinElement> form(Form("BindingForm", 100, 100, 200, 100, RecordingHandler));
  SkinElement* bound = Zone(form.get(), "BoundZone", 10, 10, 50, 50);
  SkinElement* plain = Zone(form.get(), "PlainZone", 100, 10, 50, 50);
  bound->AddBinding(WM_LBUTTONDOWN, 129, 0, RecordCommand);
  bound->AddBinding(kLeftClick, 130, 0, RecordCommand);
  HandlerMessages().clear();

  SendMessageA(bound->GetWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(CountOf(HandlerMessages(), WM_LBUTTONDOWN), 0);
  SendMessageA(bound->GetWindow(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(RecordedIds(), (std::vector<int>{129, 130}));
  // The release itself is not bound: it climbs to the form's handler.
  EXPECT_EQ(CountOf(HandlerMessages(), WM_LBUTTONUP), 1);

  // Without a binding the press climbs to the form.
  SendMessageA(plain->GetWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(CountOf(HandlerMessages(), WM_LBUTTONDOWN), 1);
}

TEST_F(SkinWindows, BindingsFireInTheOrderTheyWereAdded) {
  std::unique_ptr<SkinElement> form(Form("OrderForm", 100, 100, 50, 50));
  form->AddBinding(WM_RBUTTONDOWN, 201, 0, RecordCommand);
  form->AddBinding(WM_RBUTTONDOWN, 202, 0, RecordCommand);
  form->AddBinding(WM_RBUTTONDOWN, 203, 0, RecordCommand);
  SendMessageA(form->GetWindow(), WM_RBUTTONDOWN, MK_RBUTTON, 0);
  EXPECT_EQ(RecordedIds(), (std::vector<int>{201, 202, 203}));
}

namespace {
SkinElement* g_doomed = nullptr;
LRESULT CALLBACK DeleteTheForm(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  RecordCommand(window, message, wparam, lparam);
  delete g_doomed;
  g_doomed = nullptr;
  return 0;
}
}  // namespace

TEST_F(SkinWindows, ACommandThatDeletesTheTreeEndsItsBindings) {
  g_doomed = Form("DoomedForm", 100, 100, 100, 60);
  SkinElement* button = Zone(g_doomed, "DoomedButton", 5, 5, 30, 30);
  HWND window = button->GetWindow();
  button->AddBinding(kLeftClick, 189, 0, DeleteTheForm);
  button->AddBinding(kLeftClick, 190, 0, RecordCommand);
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  SendMessageA(window, WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(RecordedIds(), (std::vector<int>{189}));
  EXPECT_EQ(g_doomed, nullptr);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(ElementFromWindow(window), nullptr);
}

TEST_F(SkinWindows, CommandsReachThePlayerFirstThenTravelDownTheTree) {
  SetSkinCommandHandler(RecordCommand);
  std::unique_ptr<SkinElement> form(Form("RoutingForm", 100, 100, 200, 100));
  SkinElement* shown = Zone(form.get(), "ShownZone", 0, 0, 10, 10);
  SkinElement* hidden = Zone(form.get(), "HiddenZone", 20, 0, 10, 10);
  SkinElement* inner = Zone(shown, "InnerZone", 0, 0, 5, 5);
  hidden->Hide();
  hidden->showCommand = 500;
  shown->hideCommand = 501;
  inner->hideCommand = 500;

  SendMessageA(form->GetWindow(), WM_COMMAND, 500, 7);
  ASSERT_EQ(Recorded().size(), 1u);
  EXPECT_EQ(Recorded()[0].id, 500u);
  EXPECT_EQ(Recorded()[0].value, 7);
  EXPECT_TRUE(hidden->IsVisible());
  EXPECT_TRUE(IsWindowVisible(hidden->GetWindow()));
  EXPECT_FALSE(inner->IsVisible());
  SendMessageA(form->GetWindow(), WM_COMMAND, 501, 0);
  EXPECT_FALSE(shown->IsVisible());
  SetSkinCommandHandler(nullptr);
}

TEST_F(SkinWindows, FormsSnapToTheirSizeGrid) {
  std::unique_ptr<SkinElement> form(Form("GridForm", 100, 100, 200, 100));
  form->minWidth = 200;
  form->dWidth = 25;
  form->Resize(260, 100);
  EXPECT_EQ(form->width, 250);
  RECT rect;
  GetWindowRect(form->GetWindow(), &rect);
  EXPECT_EQ(rect.right - rect.left, 250);
  form->Resize(150, 100);
  EXPECT_EQ(form->width, 200);

  // The sizing rectangle snaps as the user drags the border.
  form->minHeight = 50;
  form->dHeight = 10;
  RECT sizing = {100, 100, 100 + 283, 100 + 77};
  SendMessageA(form->GetWindow(), WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&sizing));
  EXPECT_EQ(sizing.right - sizing.left, 275);
  EXPECT_EQ(sizing.bottom - sizing.top, 70);

  // A step of 0 divides nothing.
  form->dWidth = 0;
  form->Resize(333, 90);
  EXPECT_EQ(form->width, 333);
}

TEST_F(SkinWindows, ChildrenFollowTheirAnchorsAndScaling) {
  std::unique_ptr<SkinElement> form(Form("AnchorForm", 100, 100, 200, 100));
  SkinElement* right = Zone(form.get(), "RightAnchored", 150, 10, 20, 20);
  right->hAlign = 1;
  SkinElement* bottom = Zone(form.get(), "BottomAnchored", 10, 70, 20, 20);
  bottom->vAlign = 1;
  SkinElement* wide = Zone(form.get(), "WidthScaled", 0, 40, 100, 10);
  wide->hScale = 1;
  SkinElement* tall = Zone(form.get(), "HeightScaled", 60, 0, 10, 50);
  tall->vScale = 1;
  SkinElement* other = Zone(form.get(), "ValueTwoIsOff", 120, 60, 10, 10);
  other->hAlign = 2;
  other->vScale = 2;

  form->Resize(260, 130);
  EXPECT_EQ(right->x, 210);
  EXPECT_EQ(bottom->y, 100);
  EXPECT_EQ(wide->width, 160);
  EXPECT_EQ(tall->height, 80);
  EXPECT_EQ(other->x, 120);
  EXPECT_EQ(other->height, 10);
  EXPECT_EQ(ChildRect(right->GetWindow()).left, 210);
  EXPECT_EQ(ChildRect(bottom->GetWindow()).top, 100);
  EXPECT_EQ(ChildRect(wide->GetWindow()).right, 160);

  // Moving back works from the children's own coordinates.
  form->Resize(200, 100);
  EXPECT_EQ(right->x, 150);
  EXPECT_EQ(bottom->y, 70);
  EXPECT_EQ(ChildRect(right->GetWindow()).left, 150);
  EXPECT_EQ(wide->width, 100);
}

TEST_F(SkinWindows, ElementsOfOneNameShareAClassAndFindElementGoesDepthFirst) {
  std::unique_ptr<SkinElement> form(Form("TwinForm", 100, 100, 200, 100));
  SkinElement* holder = Zone(form.get(), "TwinHolder", 0, 0, 100, 100);
  SkinElement* deep = Zone(holder, "Twin", 0, 0, 10, 10);
  SkinElement* shallow = Place(new SkinElement(1, nullptr, "Twin", Instance(), form.get(), nullptr), 150, 0, 10,
                               10, WS_CHILD);
  EXPECT_FALSE(shallow->RegisterWindowClass());  // already there: harmless
  char first[64], second[64];
  GetClassNameA(deep->GetWindow(), first, sizeof first);
  GetClassNameA(shallow->GetWindow(), second, sizeof second);
  EXPECT_STREQ(first, "Twin");
  EXPECT_STREQ(second, "Twin");
  EXPECT_EQ(FindElement(form.get(), "Twin"), deep);
  EXPECT_EQ(FindElement(form.get(), "TwinForm"), form.get());
  EXPECT_EQ(FindElement(form.get(), "twin"), nullptr);
}

TEST_F(SkinWindows, LeftDragsAreSwallowedUnlessTheElementIsDragable) {
  std::unique_ptr<SkinElement> form(Form("DragForm", 100, 100, 200, 100, RecordingHandler));
  form->dragable = 0;
  SkinElement* swallowing = Zone(form.get(), "Swallowing", 0, 0, 50, 50);
  SkinElement* through = Zone(form.get(), "DragThrough", 100, 0, 50, 50);
  through->dragable = 0;
  SendMessageA(through->GetWindow(), WM_MOUSEMOVE, 0, 0);  // no drag in progress
  HandlerMessages().clear();
  SendMessageA(through->GetWindow(), WM_MOUSEMOVE, MK_LBUTTON, 0);
  EXPECT_EQ(CountOf(HandlerMessages(), WM_MOUSEMOVE), 1);
  SendMessageA(swallowing->GetWindow(), WM_MOUSEMOVE, MK_LBUTTON, 0);
  EXPECT_EQ(CountOf(HandlerMessages(), WM_MOUSEMOVE), 1);
  // Once swallowed, the drag stays swallowed until the button is up.
  SendMessageA(through->GetWindow(), WM_MOUSEMOVE, MK_LBUTTON, 0);
  EXPECT_EQ(CountOf(HandlerMessages(), WM_MOUSEMOVE), 1);
  SendMessageA(through->GetWindow(), WM_MOUSEMOVE, 0, 0);
  EXPECT_EQ(CountOf(HandlerMessages(), WM_MOUSEMOVE), 2);
}

TEST_F(SkinWindows, APopupAnswersItsOwnHitTests) {
  std::unique_ptr<SkinElement> form(Form("PopupOwner", 100, 100, 100, 100));
  SkinElement* popup = Place(new SkinElement(1, nullptr, "OwnedPopup", Instance(), form.get(), nullptr), 400, 400,
                             50, 50, WS_POPUP);
  EXPECT_EQ(::GetWindow(popup->GetWindow(), GW_OWNER), form->GetWindow());
  EXPECT_EQ(SendMessageA(popup->GetWindow(), WM_NCHITTEST, 0, MAKELPARAM(420, 420)), HTCLIENT);
}

// ---- drawing ---------------------------------------------------------------

namespace {

const COLORREF kKey = RGB(255, 0, 255);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kGreen = RGB(0, 255, 0);

// 4 x 4 sprite: left half key colour, right half red.
HBITMAP MakeSprite() {
  const std::string folder = FreshFolder("draw");
  WriteBitmap(folder + "sprite.bmp", 4, 4, [](int x, int) { return x < 2 ? kKey : kRed; });
  return static_cast<HBITMAP>(
      LoadImageA(nullptr, (folder + "sprite.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

// Draws a background form filled blue with one element of the given mode.
Picture DrawWithMode(int mode, int width, int height, HBITMAP sprite) {
  HBRUSH blue = CreateSolidBrush(kBlue);
  std::unique_ptr<SkinElement> form(Form("DrawForm", 600, 100, 40, 20));
  form->fillBackground = 1;
  form->fillBrush = blue;
  SkinElement* element = Zone(form.get(), "DrawnElement", 0, 0, width, height);
  element->drawMode = mode;
  element->SetSprite(0, sprite, 0, 0, 4, 4, kKey);
  Picture picture;
  RenderTree(form.get(), &picture);
  form.reset();
  DeleteObject(blue);
  return picture;
}

}  // namespace

TEST_F(SkinWindows, TransparentModesShowTheBackgroundThroughTheKeyColour) {
  HBITMAP sprite = MakeSprite();
  ASSERT_NE(sprite, nullptr);
  for (int mode : {kDrawTransparentBlt, kDrawMcTransparentBlt}) {
    const Picture picture = DrawWithMode(mode, 4, 4, sprite);
    EXPECT_EQ(picture.At(0, 0), kBlue) << "mode " << mode;
    EXPECT_EQ(picture.At(1, 3), kBlue) << "mode " << mode;
    EXPECT_EQ(picture.At(3, 0), kRed) << "mode " << mode;
    EXPECT_EQ(picture.At(10, 10), kBlue) << "mode " << mode;
  }
  for (int mode : {kDrawCopy, kDrawStretch}) {
    const Picture picture = DrawWithMode(mode, 4, 4, sprite);
    EXPECT_EQ(picture.At(0, 0), kKey) << "mode " << mode;
    EXPECT_EQ(picture.At(3, 0), kRed) << "mode " << mode;
  }
  DeleteObject(sprite);
}

TEST_F(SkinWindows, SpritesTileAcrossTheElementAndStretchOnlyWhereTheModeSays) {
  HBITMAP sprite = MakeSprite();
  // Copy mode tiles: 10 pixels wide is three tiles, the last cut to 2.
  Picture picture = DrawWithMode(kDrawCopy, 10, 4, sprite);
  EXPECT_EQ(picture.At(4, 0), kKey);
  EXPECT_EQ(picture.At(7, 0), kRed);
  EXPECT_EQ(picture.At(8, 0), kKey);
  EXPECT_EQ(picture.At(9, 0), kKey);
  EXPECT_EQ(picture.At(10, 0), kBlue);  // outside the element
  // A 2 x 2 element: copy mode takes the sprite's corner, the other modes
  // squeeze the whole sprite into the tile.
  picture = DrawWithMode(kDrawCopy, 2, 2, sprite);
  EXPECT_EQ(picture.At(1, 0), kKey);
  picture = DrawWithMode(kDrawStretch, 2, 2, sprite);
  EXPECT_EQ(picture.At(0, 0), kKey);
  EXPECT_EQ(picture.At(1, 0), kRed);
  picture = DrawWithMode(kDrawMcTransparentBlt, 2, 2, sprite);
  EXPECT_EQ(picture.At(0, 0), kBlue);
  EXPECT_EQ(picture.At(1, 0), kRed);
  DeleteObject(sprite);
}

TEST_F(SkinWindows, SpritesWithoutAreaAndHugeElementsAreDrawnSafely) {
  HBITMAP sprite = MakeSprite();
  HBRUSH blue = CreateSolidBrush(kBlue);
  std::unique_ptr<SkinElement> form(Form("SafeDrawForm", 600, 100, 40, 20));
  form->fillBackground = 1;
  form->fillBrush = blue;
  SkinElement* empty = Zone(form.get(), "NoAreaSprite", 0, 0, 10, 10);
  empty->SetSprite(0, sprite, 0, 0, 0, 4, 0);
  SkinElement* huge = Zone(form.get(), "HugeElement", 20, 0, 0, 0);
  huge->width = HUGE_SIDE;
  huge->height = HUGE_SIDE;
  huge->SetSprite(0, sprite, 2, 0, 1, 1, 0);  // one red pixel, tiled
  Picture picture;
  ASSERT_TRUE(RenderTree(form.get(), &picture));
  EXPECT_EQ(picture.At(5, 5), kBlue);
  EXPECT_EQ(picture.At(25, 5), kRed);
  huge->Redraw();  // into the real window: bounded by what is visible
  form.reset();
  DeleteObject(blue);
  DeleteObject(sprite);
}

TEST_F(SkinWindows, McTransparentBltRefusesMissingContexts) {
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(McTransparentBlt(nullptr, 0, 0, 1, 1, screen, 0, 0, 1, 1, 0), 0);
  EXPECT_EQ(McTransparentBlt(screen, 0, 0, 1, 1, nullptr, 0, 0, 1, 1, 0), 0);
  ReleaseDC(nullptr, screen);
}

TEST_F(SkinWindows, PaintingAWindowDrawsItsSprite) {
  HBITMAP sprite = MakeSprite();
  std::unique_ptr<SkinElement> form(Form("PaintForm", 300, 300, 8, 8));
  form->SetSprite(0, sprite, 2, 0, 2, 2, 0);  // red
  InvalidateRect(form->GetWindow(), nullptr, FALSE);
  UpdateWindow(form->GetWindow());
  Pump(50);
  EXPECT_EQ(WindowPixel(form->GetWindow(), 5, 5), kRed);
  form.reset();
  DeleteObject(sprite);
}
