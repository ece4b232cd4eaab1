// The skin loader on skins written by the tests: the description's rules,
// its failure messages (read from the real message boxes of a child
// process), bad skins, and the skinview preview tool.
#include <gtest/gtest.h>

#include <ole2.h>

#include <thread>

#include "player/skin/skin_controls.h"
#include "player/skin/skin_loader.h"
#include "player/skin/skin_preview.h"
#include "player/skin/tests/skin_test_support.h"

using namespace skin;
using namespace skintest;

namespace {

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);

LRESULT CALLBACK PlainHandler(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcA(window, message, wparam, lparam);
}

// A skin with the forms the player needs; `mainExtra` goes inside
// "MainSkin", `playlistExtra` inside "PlayList", `top` beside the forms.
std::string Skin(const std::string& mainExtra = "", const std::string& playlistExtra = "", const std::string& top = "",
                 const std::string& mainType = "Main") {
  return "<?xml version=\"1.0\"?>\n<Skin>\n"
         "<Bitmap Name=\"red.bmp\" Number=\"1\" Critical=\"\"/>\n"
         "<Bitmap Name=\"green.bmp\" Number=\"2\"/>\n" +
         top +
         "<Form Name=\"MainSkin\" Type=\"" + mainType +
         "\" Title=\"Zelvo\" Width=\"120\" Height=\"40\">\n"
         "  <BMP Bitmap=\"1\" SrcW=\"8\" SrcH=\"8\"/>\n"
         "  <Form Name=\"ZelvoStatusText\" Type=\"Text\" XCoord=\"0\" YCoord=\"30\" Width=\"120\" Height=\"10\"/>\n" +
         mainExtra +
         "</Form>\n"
         "<Form Name=\"PlayList\" Type=\"Main\" Title=\"Playlist\" Width=\"100\" Height=\"100\" MinWidth=\"100\" "
         "MinHeight=\"50\" DWidth=\"25\" DHeight=\"10\">\n"
         "  <BMP Bitmap=\"2\" SrcW=\"8\" SrcH=\"8\"/>\n"
         "  <Form Name=\"FileList\" Type=\"List\" Width=\"80\" Height=\"42\" Message=\"IDM_PLAYLIST_SETITEM\"/>\n"
         "  <Form Name=\"LoadPlaylistFileBar\" Type=\"Zone\" NoParent=\"\" XCoord=\"10\" YCoord=\"120\" "
         "Width=\"60\" Height=\"16\" Hide=\"1\"/>\n" +
         playlistExtra + "</Form>\n</Skin>\n";
}

struct SkinFiles {
  std::string folder;
  std::string description;
};

SkinFiles WriteSkin(const char* name, const std::string& xml) {
  SkinFiles files;
  files.folder = FreshFolder(name);
  files.description = files.folder + "skin.xml";
  WriteFile(files.description, xml);
  WriteBitmap(files.folder + "red.bmp", 8, 8, [](int, int) { return kRed; });
  WriteBitmap(files.folder + "green.bmp", 8, 8, [](int, int) { return kGreen; });
  return files;
}

class SkinLoader : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }

  void SetUp() override {
    CollectMessages();
    Recorded().clear();
    setup_ = TestSetup(RecordCommand, PlainHandler);
    command_ = setup_.commandWindow;
    CreateDefaultPlaylistStyle(&style_);
    entries_ = {L"one", L"two", L"three"};
    setup_.mainX = 40;
    setup_.mainY = 50;
    setup_.playlistX = 300;
    setup_.playlistY = 60;
    setup_.playlistWidth = 160;
    setup_.playlistHeight = 93;
    setup_.playlistStyle = &style_;
    setup_.playlist = &playlist_;
  }
  void TearDown() override {
    UnloadSkin();
    DeletePlaylistStyle(&style_);
    DestroyWindow(command_);
  }

  HRESULT Load(const SkinFiles& files) {
    return LoadSkin(files.folder.c_str(), files.description.c_str(), setup_);
  }

  HWND command_ = nullptr;
  PlaylistStyle style_;
  std::vector<std::wstring> entries_;
  VectorPlaylist playlist_{&entries_};
  SkinSetup setup_;
};

}  // namespace

TEST_F(SkinLoader, AGoodSkinBuildsThePlayersWindowsWhereTheyWere) {
  const SkinFiles files = WriteSkin("good", Skin("", "", "", "Main"));
  ASSERT_EQ(Load(files), S_OK);
  EXPECT_TRUE(CollectedMessages().empty());
  LoadedSkin& skin = CurrentSkin();
  ASSERT_NE(skin.mainForm, nullptr);
  ASSERT_NE(skin.playlistForm, nullptr);
  ASSERT_NE(skin.buttonsBar, nullptr);
  ASSERT_NE(skin.fileList, nullptr);
  EXPECT_NE(skin.document->tooltipWindow, nullptr);

  RECT rect;
  GetWindowRect(skin.mainForm->GetWindow(), &rect);
  EXPECT_EQ(rect.left, 40);
  EXPECT_EQ(rect.top, 50);
  char title[32];
  GetWindowTextA(skin.mainForm->GetWindow(), title, sizeof title);
  EXPECT_STREQ(title, "Zelvo");
  EXPECT_TRUE(IsWindowVisible(skin.mainForm->GetWindow()));

  // The playlist: saved place, saved size on its grid, hidden, a tool
  // window owned by the command window.
  HWND playlist = skin.playlistForm->GetWindow();
  GetWindowRect(playlist, &rect);
  EXPECT_EQ(rect.left, 300);
  EXPECT_EQ(rect.top, 60);
  EXPECT_EQ(rect.right - rect.left, 150);
  EXPECT_EQ(rect.bottom - rect.top, 90);
  EXPECT_FALSE(IsWindowVisible(playlist));
  EXPECT_EQ(GetWindowLongA(playlist, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
  EXPECT_EQ(::GetWindow(playlist, GW_OWNER), command_);

  // The button bar beside the playlist, hidden until asked for.
  GetWindowRect(skin.buttonsBar->GetWindow(), &rect);
  EXPECT_EQ(rect.left, 310);
  EXPECT_EQ(rect.top, 180);
  EXPECT_FALSE(skin.buttonsBar->IsVisible());
  EXPECT_EQ(skin.buttonsBar->handler, PlainHandler);

  ASSERT_NE(skin.statusText, nullptr);
  EXPECT_EQ(skin.statusText->Text(), L"Zelvo Vantor Player");
  EXPECT_EQ(skin.videoInfoText, nullptr);

  // The main form draws its sprite.
  Picture picture;
  ASSERT_TRUE(RenderTree(skin.mainForm, &picture));
  EXPECT_EQ(picture.At(100, 10), kRed);

  const HWND mainWindow = skin.mainForm->GetWindow();
  UnloadSkin();
  EXPECT_FALSE(IsWindow(mainWindow));
  EXPECT_FALSE(IsWindow(playlist));
  EXPECT_EQ(CurrentSkin().document, nullptr);
}

TEST_F(SkinLoader, NamesAndTypesAreCaseSensitive) {
  EXPECT_EQ(Load(WriteSkin("lowercase", Skin("", "", "", "main"))), E_POINTER);
  EXPECT_EQ(CurrentSkin().document, nullptr);
}

TEST_F(SkinLoader, TheFirstDeclarationOfABitmapNumberWins) {
  const std::string top = "<Bitmap Name=\"green.bmp\" Number=\"1\"/>\n";  // after red.bmp
  ASSERT_EQ(Load(WriteSkin("duplicate", Skin("", "", top))), S_OK);
  Picture picture;
  RenderTree(CurrentSkin().mainForm, &picture);
  EXPECT_EQ(picture.At(5, 5), kRed);
}

TEST_F(SkinLoader, BitmapNumbersOutsideTheTableAreIgnored) {
  const std::string top = "<Bitmap Name=\"missing.bmp\" Number=\"100\" Critical=\"\"/>\n"
                          "<Bitmap Name=\"missing.bmp\" Number=\"-1\" Critical=\"\"/>\n";
  EXPECT_EQ(Load(WriteSkin("outside", Skin("", "", top))), S_OK);
  EXPECT_TRUE(CollectedMessages().empty());
}

TEST_F(SkinLoader, ABitmapNumberInLettersFailsTheSkinSilently) {
  const std::string top = "<Bitmap Name=\"green.bmp\" Number=\"seven\"/>\n";
  EXPECT_EQ(Load(WriteSkin("letters", Skin("", "", top))), E_FAIL);
  EXPECT_TRUE(CollectedMessages().empty());
}

TEST_F(SkinLoader, AMissingOrUnreadableOrdinaryBitmapLeavesItsSlotEmpty) {
  const std::string top = "<Bitmap Name=\"missing.bmp\" Number=\"5\"/>\n<Bitmap Name=\"skin.xml\" Number=\"6\"/>\n";
  const std::string extra = "<Form Name=\"Empty5\" Type=\"Zone\" Width=\"8\" Height=\"8\"><BMP Bitmap=\"5\" SrcW=\"8\" "
                            "SrcH=\"8\"/></Form>\n<Form Name=\"Empty6\" Type=\"Zone\" Width=\"8\" Height=\"8\"><BMP "
                            "Bitmap=\"6\" SrcW=\"8\" SrcH=\"8\"/><BMP Bitmap=\"99\"/><BMP Bitmap=\"1000\"/></Form>\n";
  ASSERT_EQ(Load(WriteSkin("missing", Skin(extra, "", top))), S_OK);
  EXPECT_EQ(CurrentSkin().document->bitmaps[5], nullptr);
  EXPECT_EQ(CurrentSkin().document->bitmaps[6], nullptr);
  EXPECT_EQ(FindElement(CurrentSkin().mainForm, "Empty5")->Sprite(0)->bitmap, nullptr);
  EXPECT_EQ(FindElement(CurrentSkin().mainForm, "Empty6")->Sprite(0)->bitmap, nullptr);
}

TEST_F(SkinLoader, APositionBarWithoutStatesSaysSoOnceAndGetsOne) {
  const std::string extra = "<Form Name=\"Volume\" Type=\"PositionBar\" BoundsX=\"0\" BoundsY=\"0\" BoundsW=\"0\" "
                            "BoundsH=\"0\" Width=\"50\" Height=\"8\" Message=\"IDM_SET_VOLUME\" "
                            "CatchMessage=\"IDM_SET_VOLUME\"/>\n";
  ASSERT_EQ(Load(WriteSkin("nostates", Skin(extra))), S_OK);
  ASSERT_EQ(CollectedMessages().size(), 1u);
  EXPECT_EQ(CollectedMessages()[0], "FAILED(hr=0x80004005) in GetXMLAttributeEx( DOMNodePtr, Attribute, "
                                    "&VarResult,VT_I4)\n");
  auto* bar = dynamic_cast<SkinPositionBar*>(FindElement(CurrentSkin().mainForm, "Volume"));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->StateCount(), 1);
  EXPECT_EQ(bar->catchCommand, 156);
  // Its clicks reach the player's command handler.
  SendMessageA(bar->GetWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(25, 2));
  ASSERT_FALSE(Recorded().empty());
  EXPECT_EQ(Recorded().back().id, 156u);
  EXPECT_EQ(Recorded().back().value, 500000);
}

TEST_F(SkinLoader, OnlyKnownEventsAndCommandsAreBound) {
  const std::string extra =
      "<Form Name=\"PlayButton\" Type=\"Button\" Width=\"10\" Height=\"10\">\n"
      "  <Message Capture=\"WM_LBUTTONUP\" Send=\"IDM_FILE_PLAY\"/>\n"
      "  <Message Capture=\"WM_LBUTTONCLICK\" Send=\"IDM_FILE_PLAY\"/>\n"
      "  <Message Capture=\"WM_LBUTTONDOWN\" Send=\"IDM_NO_SUCH_COMMAND\"/>\n"
      "  <Message Capture=\"wm_lbuttondown\" Send=\"IDM_FILE_OPEN\"/>\n"
      "</Form>\n";
  ASSERT_EQ(Load(WriteSkin("bindings", Skin(extra))), S_OK);
  SkinElement* button = FindElement(CurrentSkin().mainForm, "PlayButton");
  ASSERT_NE(button, nullptr);
  ASSERT_EQ(button->Bindings().size(), 1u);
  EXPECT_EQ(button->Bindings()[0].message, kLeftClick);
  EXPECT_EQ(button->Bindings()[0].command, 130);
  SendMessageA(button->GetWindow(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
  SendMessageA(button->GetWindow(), WM_LBUTTONUP, 0, 0);
  ASSERT_EQ(Recorded().size(), 1u);
  EXPECT_EQ(Recorded()[0].id, 130u);
}

TEST_F(SkinLoader, HiddenElementsWaitForTheirShowCommand) {
  const std::string extra =
      "<Form Name=\"Shown\" Type=\"Zone\" Width=\"5\" Height=\"5\" Hide=\"0\"/>\n"
      "<Form Name=\"Later\" Type=\"Zone\" Width=\"5\" Height=\"5\" Hide=\"1\" ShowMessage=\"IDM_SKIN_MESSAGE_3\" "
      "HideMessage=\"IDM_SKIN_MESSAGE_4\"/>\n";
  ASSERT_EQ(Load(WriteSkin("hide", Skin(extra))), S_OK);
  SkinElement* shown = FindElement(CurrentSkin().mainForm, "Shown");
  SkinElement* later = FindElement(CurrentSkin().mainForm, "Later");
  EXPECT_TRUE(shown->IsVisible());
  EXPECT_FALSE(later->IsVisible());
  SendMessageA(CurrentSkin().mainForm->GetWindow(), WM_COMMAND, 503, 0);
  EXPECT_TRUE(later->IsVisible());
  EXPECT_TRUE(IsWindowVisible(later->GetWindow()));
  SendMessageA(CurrentSkin().mainForm->GetWindow(), WM_COMMAND, 504, 0);
  EXPECT_FALSE(later->IsVisible());
}

TEST_F(SkinLoader, NestedFormsAreChildWindowsUnlessTheyHaveNoParent) {
  const std::string extra =
      "<Form Name=\"Panel\" Type=\"Zone\" XCoord=\"5\" YCoord=\"6\" Width=\"50\" Height=\"20\">\n"
      "  <Form Name=\"Inside\" Type=\"Zone\" XCoord=\"2\" YCoord=\"3\" Width=\"5\" Height=\"5\"/>\n"
      "  <Form Name=\"Apart\" Type=\"Zone\" NoParent=\"0\" XCoord=\"600\" YCoord=\"500\" Width=\"5\" Height=\"5\"/>\n"
      "</Form>\n";
  ASSERT_EQ(Load(WriteSkin("nested", Skin(extra))), S_OK);
  SkinElement* panel = FindElement(CurrentSkin().mainForm, "Panel");
  SkinElement* inside = FindElement(CurrentSkin().mainForm, "Inside");
  SkinElement* apart = FindElement(CurrentSkin().mainForm, "Apart");
  ASSERT_TRUE(panel && inside && apart);
  EXPECT_TRUE(GetWindowLongA(inside->GetWindow(), GWL_STYLE) & WS_CHILD);
  EXPECT_EQ(GetParent(inside->GetWindow()), panel->GetWindow());
  EXPECT_FALSE(GetWindowLongA(apart->GetWindow(), GWL_STYLE) & WS_CHILD);
  // Owners are top-level windows: the system hands the pop-up to the form.
  EXPECT_EQ(::GetWindow(apart->GetWindow(), GW_OWNER), CurrentSkin().mainForm->GetWindow());
  RECT rect;
  GetWindowRect(apart->GetWindow(), &rect);
  EXPECT_EQ(rect.left, 600);
  EXPECT_EQ(rect.top, 500);
  GetWindowRect(inside->GetWindow(), &rect);
  EXPECT_EQ(rect.left, 40 + 5 + 2);
}

TEST_F(SkinLoader, BadSkinsLoadWhatCanBeLoaded) {
  std::string deep;
  for (int i = 0; i < 200; ++i) deep += "<Form Name=\"Deep" + std::to_string(i) + "\" Type=\"Zone\" Width=\"4\" Height=\"4\">";
  for (int i = 0; i < 200; ++i) deep += "</Form>";
  std::string many;
  for (int i = 0; i < 1500; ++i)
    many += "<Form Name=\"Many\" Type=\"Button\" XCoord=\"" + std::to_string(i % 100) + "\" Width=\"3\" Height=\"3\"/>";
  const std::string odd =
      "<Form Name=\"Negative\" Type=\"Zone\" Width=\"-50\" Height=\"-9\" DWidth=\"0\" DHeight=\"-3\"><BMP Bitmap=\"1\" "
      "SrcW=\"-4\" SrcH=\"0\"/></Form>\n"
      "<Form Name=\"Huge\" Type=\"PositionBar\" NumberOfStates=\"2000000000\" BoundsX=\"x\" BoundsY=\"0\" "
      "BoundsW=\"0\" BoundsH=\"0\" Width=\"100000000\" Height=\"100000000\"/>\n"
      "<Form Name=\"" + std::string(150, 'L') + "\" Type=\"Zone\" Width=\"5\" Height=\"5\"/>\n"
      "<Form Name=\"NoType\" Width=\"5\"/>\n<Form Type=\"Zone\"/>\n"
      "<Form Name=\"Digits\" Type=\"Number\" Width=\"5\" Height=\"5\"/>\n"
      "<Form Name=\"Track\" Type=\"Zone\" Width=\"5\" Height=\"5\"><Form Name=\"Thumb\" Type=\"ScrollBar\" "
      "Width=\"5\" Height=\"5\"/></Form>\n";
  ASSERT_EQ(Load(WriteSkin("bad", Skin(deep + many + odd))), S_OK);
  SkinElement* main = CurrentSkin().mainForm;
  EXPECT_NE(FindElement(main, "Deep31"), nullptr);
  EXPECT_EQ(FindElement(main, "Deep40"), nullptr);  // too deep to build
  EXPECT_NE(FindElement(main, "Many"), nullptr);
  EXPECT_EQ(FindElement(main, std::string(150, 'L').c_str()), nullptr);
  EXPECT_EQ(FindElement(main, std::string(99, 'L').c_str()), nullptr);
  SkinElement* huge = FindElement(main, "Huge");
  ASSERT_NE(huge, nullptr);
  EXPECT_EQ(huge->StateCount(), kMaxStates);
  SkinElement* negative = FindElement(main, "Negative");
  ASSERT_NE(negative, nullptr);
  EXPECT_EQ(negative->dWidth, 1);
  negative->Resize(-7, -7);
  main->Resize(5000, 5000);
  main->Redraw();
  Picture picture;
  EXPECT_TRUE(RenderTree(main, &picture));
  // Missing or unreadable required integers were reported: a bound in
  // letters (1), the digit steps (2), the thumb's bounds (4).
  EXPECT_EQ(CollectedMessages().size(), 7u);
}

TEST_F(SkinLoader, TheMainFormCanBeSwitchedAndTheTextLinesFollow) {
  const std::string top = "<Form Name=\"MainSkinMinimized\" Type=\"Main\" Width=\"60\" Height=\"20\"><Form "
                          "Name=\"ZelvoVideoInfoText\" Type=\"Text\" Width=\"60\" Height=\"10\"/></Form>\n";
  ASSERT_EQ(Load(WriteSkin("switch", Skin("", "", top))), S_OK);
  DeleteMainForm();
  SkinElement* minimized = BuildMainForm("MainSkinMinimized", 70, 80);
  ASSERT_NE(minimized, nullptr);
  EXPECT_EQ(CurrentSkin().mainForm, minimized);
  EXPECT_EQ(CurrentSkin().statusText, nullptr);
  ASSERT_NE(CurrentSkin().videoInfoText, nullptr);
  RECT rect;
  GetWindowRect(minimized->GetWindow(), &rect);
  EXPECT_EQ(rect.left, 70);
  EXPECT_EQ(BuildMainForm("NoSuchForm", 0, 0), nullptr);
  EXPECT_EQ(CurrentSkin().mainForm, nullptr);
}

TEST_F(SkinLoader, MalformedOrMissingDescriptionsFail) {
  SkinFiles files = WriteSkin("malformed", "<Skin><Form Name=\"MainSkin\"</Skin>");
  EXPECT_EQ(Load(files), E_FAIL);
  EXPECT_EQ(CollectedMessages(), (std::vector<std::string>{"Bad file format"}));
  CollectedMessages().clear();
  files.description = files.folder + "absent.xml";
  const HRESULT hr = Load(files);
  EXPECT_TRUE(FAILED(hr));
  EXPECT_EQ(CollectedMessages(), (std::vector<std::string>{"File not found"}));
}

TEST_F(SkinLoader, WithoutAParserTheUserIsToldWhatToInstall) {
  // A thread that never joined COM cannot create the parser.
  const SkinFiles files = WriteSkin("noparser", Skin());
  HRESULT hr = S_OK;
  std::thread loader([&] { hr = Load(files); });
  loader.join();
  EXPECT_TRUE(FAILED(hr));
  EXPECT_EQ(CurrentSkin().document, nullptr);
  ASSERT_EQ(CollectedMessages().size(), 1u);
  const std::string text = "XML Error. You should install  Microsoft XML Parser (MSXML) 3.0 Service Pack 4 (SP4)  from ";
  EXPECT_EQ(CollectedMessages()[0].compare(0, text.size(), text), 0) << CollectedMessages()[0];
  EXPECT_GT(CollectedMessages()[0].size(), text.size());
}

// ---- the real message boxes of a player-like process -------------------------

namespace {

// A quoted command-line argument; a trailing backslash would escape the
// closing quote, and the programs add their own separator.
std::string Quoted(std::string path) {
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return "\"" + path + "\"";
}

ChildRun Probe(const SkinFiles& files) {
  KeepWindowsUnmanaged("skin_load_probe.exe");
  return RunChild(Quoted(ProgramFolder() + "skin_load_probe.exe") + " " + Quoted(files.folder) + " " +
                  Quoted(files.description));
}

}  // namespace

TEST_F(SkinLoader, FailureMessagesAppearInMessageBoxes) {
  // A critical bitmap, even with the value 0, is fatal when missing.
  SkinFiles files = WriteSkin("critical", Skin("", "", "<Bitmap Name=\"gone.bmp\" Number=\"9\" Critical=\"0\"/>\n"));
  ChildRun run = Probe(files);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exitCode, static_cast<DWORD>(E_FAIL));
  EXPECT_EQ(run.boxes, (std::vector<std::string>{"Skin bmp not found"}));
  EXPECT_EQ(run.captions, (std::vector<std::string>{"PlayWnd Sample"}));

  files = WriteSkin("badformat", "<Skin><Form");
  run = Probe(files);
  EXPECT_EQ(run.exitCode, static_cast<DWORD>(E_FAIL));
  EXPECT_EQ(run.boxes, (std::vector<std::string>{"Bad file format"}));

  files.description = files.folder + "nothing-here.xml";
  run = Probe(files);
  EXPECT_TRUE(FAILED(static_cast<HRESULT>(run.exitCode)));
  EXPECT_EQ(run.boxes, (std::vector<std::string>{"File not found"}));

  files = WriteSkin("probe-nostates", Skin("<Form Name=\"Bar\" Type=\"PositionBar\" BoundsX=\"0\" BoundsY=\"0\" "
                                           "BoundsW=\"0\" BoundsH=\"0\" Width=\"9\" Height=\"9\"/>"));
  run = Probe(files);
  EXPECT_EQ(run.exitCode, 0u);
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].find("FAILED(hr=0x80004005) in GetXMLAttributeEx( DOMNodePtr, Attribute, &VarResult,VT_I4)"),
            0u);

  // No "MainSkin": no message, E_POINTER.
  files = WriteSkin("probe-nomain", Skin("", "", "", "main"));
  run = Probe(files);
  EXPECT_EQ(run.exitCode, static_cast<DWORD>(E_POINTER));
  EXPECT_TRUE(run.boxes.empty());
}

// ---- skinview -------------------------------------------------------------------

namespace {

ChildRun SkinView(const SkinFiles& files, const std::string& outdir) {
  KeepWindowsUnmanaged("skinview.exe");
  return RunChild(Quoted(ProgramFolder() + "..\\skinview\\skinview.exe") + " " + Quoted(files.description) + " " +
                  Quoted(files.folder) + " " + Quoted(outdir));
}

}  // namespace

TEST_F(SkinLoader, SkinviewWritesEveryFormAndItsTree) {
  const std::string top = "<Form Name=\"MainSkinMinimized\" Type=\"Main\" Width=\"30\" Height=\"10\"><BMP "
                          "Bitmap=\"2\" SrcW=\"8\" SrcH=\"8\"/></Form>\n";
  const std::string extra = "<Form Name=\"Open\" Type=\"Button\" XCoord=\"4\" YCoord=\"4\" Width=\"8\" Height=\"8\">"
                            "<BMP Bitmap=\"2\" SrcW=\"8\" SrcH=\"8\"/><Message Capture=\"WM_LBUTTONCLICK\" "
                            "Send=\"IDM_FILE_OPEN\"/></Form>\n";
  const SkinFiles files = WriteSkin("skinview", Skin(extra, "", top));
  const std::string outdir = FreshFolder("skinview-out");
  const ChildRun run = SkinView(files, outdir);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exitCode, 0u) << run.err;
  EXPECT_TRUE(run.boxes.empty());
  EXPECT_NE(run.out.find("form MainSkin\nMainSkin Main pos=0,0 size=120x40 state=0/1 visible popup"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("  Open Button pos=4,4 size=8x8 state=0/2 visible child"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("    binding WM_LBUTTONCLICK -> 129"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("form MainSkinMinimized\nMainSkinMinimized Main"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("  LoadPlaylistFileBar Zone pos="), std::string::npos) << run.out;

  HBITMAP image = static_cast<HBITMAP>(
      LoadImageA(nullptr, (outdir + "MainSkin.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  ASSERT_NE(image, nullptr);
  BITMAP info;
  GetObjectA(image, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 120);
  EXPECT_EQ(info.bmHeight, 40);
  EXPECT_EQ(info.bmBitsPixel, 24);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, image);
  EXPECT_EQ(GetPixel(dc, 100, 5), kRed);   // the form's sprite
  EXPECT_EQ(GetPixel(dc, 6, 6), kGreen);   // the button over it
  SelectObject(dc, previous);
  DeleteDC(dc);
  DeleteObject(image);
  EXPECT_NE(GetFileAttributesA((outdir + "PlayList.bmp").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesA((outdir + "MainSkinMinimized.bmp").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesA((outdir + "PlayList-LoadPlaylistFileBar.bmp").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SkinLoader, SkinviewReportsAFailedSkinOnStandardError) {
  const SkinFiles files = WriteSkin("skinview-bad", "<Skin><Form</Skin>");
  const ChildRun run = SkinView(files, FreshFolder("skinview-bad-out"));
  ASSERT_TRUE(run.finished);
  EXPECT_NE(run.exitCode, 0u);
  EXPECT_TRUE(run.boxes.empty());
  EXPECT_NE(run.err.find("Bad file format"), std::string::npos) << run.err;
}
