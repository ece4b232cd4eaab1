// The shipped skin descriptions, read by MSXML as the loader reads them:
// every command they name is in the engine's command-name table, every form
// and element the player looks up is there, the default skin binds a control
// to every command a user needs, and every sprite lies inside its bitmap
// (the default skin's bitmaps, and those of each classic skin worn through
// WinAmpSkin.xml), with the bitmaps loaded by LoadImage.
//
// usage: skins_description_tests DefaultSkin.xml WinAmpSkin.xml UNPACKED
// (UNPACKED holds DefaultSkin/ and one folder per classic skin named in
// UNPACKED/skins.txt, as tests/unpack_skins.py leaves them).
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <msxml2.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "player/skin/command_names.h"

namespace {

std::string g_default;   // DefaultSkin.xml
std::string g_winamp;    // WinAmpSkin.xml
std::string g_unpacked;  // folder of unpacked archives

const CLSID kDomDocumentClass = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
const IID kDomDocumentInterface = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

// Unix paths reach Windows programs through drive Z:.
std::string WinePath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string Narrow(BSTR text) {
  if (!text) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_ACP, 0, text, -1, &out[0], n, nullptr, nullptr);
  return out;
}

// A description as plain data: element name, attributes, element children.
struct Node {
  std::string tag;
  std::map<std::string, std::string> attrs;
  std::vector<Node> children;

  bool Has(const std::string& key) const { return attrs.count(key) != 0; }
  std::string Get(const std::string& key) const {
    auto it = attrs.find(key);
    return it == attrs.end() ? std::string() : it->second;
  }
  int Int(const std::string& key, int fallback = 0) const {
    auto it = attrs.find(key);
    if (it == attrs.end()) return fallback;
    char* end = nullptr;
    long v = std::strtol(it->second.c_str(), &end, 10);
    return (end && *end == 0 && !it->second.empty()) ? static_cast<int>(v) : fallback;
  }
};

void Convert(IXMLDOMNode* from, Node* to) {
  BSTR name = nullptr;
  from->get_nodeName(&name);
  to->tag = Narrow(name);
  SysFreeString(name);
  IXMLDOMNamedNodeMap* attrs = nullptr;
  if (SUCCEEDED(from->get_attributes(&attrs)) && attrs) {
    long n = 0;
    attrs->get_length(&n);
    for (long i = 0; i < n; ++i) {
      IXMLDOMNode* a = nullptr;
      if (SUCCEEDED(attrs->get_item(i, &a)) && a) {
        BSTR key = nullptr, value = nullptr;
        a->get_nodeName(&key);
        a->get_text(&value);
        to->attrs[Narrow(key)] = Narrow(value);
        SysFreeString(key);
        SysFreeString(value);
        a->Release();
      }
    }
    attrs->Release();
  }
  IXMLDOMNodeList* kids = nullptr;
  if (SUCCEEDED(from->get_childNodes(&kids)) && kids) {
    long n = 0;
    kids->get_length(&n);
    for (long i = 0; i < n; ++i) {
      IXMLDOMNode* k = nullptr;
      if (SUCCEEDED(kids->get_item(i, &k)) && k) {
        DOMNodeType type;
        if (SUCCEEDED(k->get_nodeType(&type)) && type == NODE_ELEMENT) {
          to->children.emplace_back();
          Convert(k, &to->children.back());
        }
        k->Release();
      }
    }
    kids->Release();
  }
}

// Loads a description with MSXML 3.0; fails the test when it does not parse.
Node LoadDescription(const std::string& path) {
  Node root;
  IXMLDOMDocument* doc = nullptr;
  HRESULT hr = CoCreateInstance(kDomDocumentClass, nullptr, CLSCTX_INPROC_SERVER, kDomDocumentInterface,
                                reinterpret_cast<void**>(&doc));
  EXPECT_TRUE(SUCCEEDED(hr) && doc) << "MSXML 3.0 cannot be created";
  if (!doc) return root;
  doc->put_async(VARIANT_FALSE);
  const std::string windowsPath = WinePath(path);
  std::wstring wide(windowsPath.begin(), windowsPath.end());
  VARIANT source;
  VariantInit(&source);
  source.vt = VT_BSTR;
  source.bstrVal = SysAllocString(wide.c_str());
  VARIANT_BOOL ok = VARIANT_FALSE;
  hr = doc->load(source, &ok);
  VariantClear(&source);
  EXPECT_TRUE(SUCCEEDED(hr) && ok == VARIANT_TRUE) << path << " does not parse";
  IXMLDOMElement* top = nullptr;
  if (ok == VARIANT_TRUE && SUCCEEDED(doc->get_documentElement(&top)) && top) {
    Convert(top, &root);
    top->Release();
  }
  doc->Release();
  return root;
}

void CollectForms(const Node& node, std::vector<const Node*>* out) {
  for (const Node& c : node.children) {
    if (c.tag == "Form") out->push_back(&c);
    CollectForms(c, out);
  }
}

std::vector<const Node*> Forms(const Node& node) {
  std::vector<const Node*> out;
  CollectForms(node, &out);
  return out;
}

const Node* TopForm(const Node& root, const std::string& name) {
  const Node* found = nullptr;
  for (const Node& c : root.children)
    if (c.tag == "Form" && c.Get("Name") == name) found = &c;
  return found;
}

const Node* Find(const Node& tree, const std::string& name) {
  for (const Node* f : Forms(tree))
    if (f->Get("Name") == name) return f;
  return nullptr;
}

const char* const kCommandAttributes[] = {"ShowMessage", "HideMessage", "CatchMessage", "Message", "UpMessage",
                                          "DownMessage", "ScrollMessage", "PlayItemMessage", "OnStartMessage",
                                          "OnFinishMessage", "CacheMessage"};
const std::set<std::string> kEvents = {"WM_LBUTTONDOWN",   "WM_RBUTTONDOWN",   "WM_MBUTTONDOWN", "WM_LBUTTONDBLCLK",
                                       "WM_RBUTTONDBLCLK", "WM_MBUTTONDBLCLK", "WM_MBUTTONCLICK", "WM_RBUTTONCLICK",
                                       "WM_LBUTTONCLICK",  "WM_MOUSEHOVER",    "WM_NCHITTEST",    "WM_MOUSEMOVE"};
const std::set<std::string> kTypes = {"Main", "Button",     "Zone",   "FileListZone", "ResizeZone",
                                      "List", "Text",       "Number", "PositionBar",  "ScrollBar"};

// Every command the description names, and what it is bound to.
void CheckCommands(const Node& root, const std::string& label) {
  int checked = 0;
  for (const Node* f : Forms(root)) {
    const std::string form = f->Get("Name");
    for (const char* attr : kCommandAttributes) {
      if (!f->Has(attr)) continue;
      ++checked;
      EXPECT_NE(0, skin::LookupCommandName(f->Get(attr).c_str()))
          << label << ": form " << form << " " << attr << "=\"" << f->Get(attr) << "\" is no command";
    }
    for (const Node& m : f->children) {
      if (m.tag != "Message") continue;
      ++checked;
      EXPECT_EQ(1u, kEvents.count(m.Get("Capture"))) << label << ": form " << form << " captures \""
                                                     << m.Get("Capture") << "\", which is no event";
      EXPECT_NE(0, skin::LookupCommandName(m.Get("Send").c_str()))
          << label << ": form " << form << " sends \"" << m.Get("Send") << "\", which is no command";
    }
  }
  EXPECT_GT(checked, 20) << label << " names hardly any command";
}

void CheckStructure(const Node& root, const std::string& label) {
  std::set<int> slots;
  for (const Node& b : root.children) {
    if (b.tag != "Bitmap") continue;
    const int n = b.Int("Number", -1);
    EXPECT_TRUE(n >= 0 && n < 100) << label << ": bitmap " << b.Get("Name") << " has no usable number";
    EXPECT_TRUE(slots.insert(n).second) << label << ": bitmap number " << n << " declared twice";
  }
  for (const Node* f : Forms(root)) {
    const std::string name = f->Get("Name");
    EXPECT_FALSE(name.empty()) << label << ": a form has no name";
    EXPECT_LT(name.size(), 100u) << label << ": " << name;
    EXPECT_EQ(1u, kTypes.count(f->Get("Type"))) << label << ": " << name << " has type \"" << f->Get("Type") << "\"";
    for (const Node& b : f->children) {
      if (b.tag != "BMP") continue;
      EXPECT_EQ(1u, slots.count(b.Int("Bitmap", -1))) << label << ": " << name << " draws from an undeclared bitmap";
      EXPECT_GT(b.Int("SrcW"), 0) << label << ": " << name;
      EXPECT_GT(b.Int("SrcH"), 0) << label << ": " << name;
    }
  }
  for (const char* form : {"MainSkin", "MainSkinMinimized", "PlayList"}) {
    const Node* f = TopForm(root, form);
    ASSERT_NE(nullptr, f) << label << " has no form " << form;
    EXPECT_EQ("Main", f->Get("Type")) << label << ": " << form;
    EXPECT_TRUE(f->Has("Title")) << label << ": " << form;
    // A drag climbs to the form and moves it only where the form lets it.
    EXPECT_TRUE(f->Has("Dragable")) << label << ": " << form << " cannot be moved with the mouse";
  }
  const Node& main = *TopForm(root, "MainSkin");
  for (const char* text : {"ZelvoStatusText"}) {
    const Node* t = Find(main, text);
    ASSERT_NE(nullptr, t) << label << ": MainSkin has no " << text;
    EXPECT_EQ("Text", t->Get("Type"));
  }
  const Node& playlist = *TopForm(root, "PlayList");
  const Node* bar = Find(playlist, "LoadPlaylistFileBar");
  ASSERT_NE(nullptr, bar) << label << ": PlayList has no LoadPlaylistFileBar";
  EXPECT_TRUE(bar->Has("NoParent")) << label << ": the button bar must be a pop-up beside the playlist";
  const Node* list = Find(playlist, "FileList");
  ASSERT_NE(nullptr, list) << label << ": PlayList has no FileList";
  EXPECT_EQ("List", list->Get("Type"));
  bool resizable = false;
  for (const Node* f : Forms(playlist)) resizable = resizable || f->Get("Type") == "ResizeZone";
  EXPECT_TRUE(resizable) << label << ": the playlist cannot be resized";
}

// Each digit the player sends has a digit element in the form.
void CheckDigits(const Node& form, const std::string& label, std::vector<std::string> commands) {
  for (const std::string& cmd : commands) {
    bool found = false;
    for (const Node* f : Forms(form))
      found = found || (f->Get("Type") == "Number" && f->Get("CacheMessage") == cmd && f->Int("SpriteDX") > 0);
    EXPECT_TRUE(found) << label << ": no digit shows " << cmd;
  }
}

std::set<std::string> CommandsSentBy(const Node& form) {
  std::set<std::string> sent;
  for (const Node* f : Forms(form)) {
    if (f->Has("Message")) sent.insert(f->Get("Message"));
    for (const char* attr : {"OnFinishMessage", "PlayItemMessage", "ScrollMessage"})
      if (f->Has(attr)) sent.insert(f->Get(attr));
    for (const Node& m : f->children)
      if (m.tag == "Message") sent.insert(m.Get("Send"));
  }
  return sent;
}

// Bitmaps of one skin folder as LoadImage sees them; absent files stay out.
std::map<int, SIZE> LoadBitmaps(const Node& root, const std::string& folder, const std::string& label) {
  std::map<int, SIZE> sizes;
  for (const Node& b : root.children) {
    if (b.tag != "Bitmap") continue;
    const std::string path = WinePath(folder) + "\\" + b.Get("Name");
    HBITMAP bmp = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (!bmp) {
      EXPECT_FALSE(b.Has("Critical")) << label << ": critical bitmap " << b.Get("Name") << " does not load";
      continue;
    }
    BITMAP info = {};
    GetObjectA(bmp, sizeof info, &info);
    sizes[b.Int("Number")] = SIZE{info.bmWidth, info.bmHeight};
    DeleteObject(bmp);
  }
  return sizes;
}

// Every sprite (and, for digits, all ten cells) inside its bitmap.
int CheckSprites(const Node& root, const std::map<int, SIZE>& sizes, const std::string& label) {
  int checked = 0;
  for (const Node* f : Forms(root)) {
    for (const Node& b : f->children) {
      if (b.tag != "BMP") continue;
      auto it = sizes.find(b.Int("Bitmap", -1));
      if (it == sizes.end()) continue;
      int right = b.Int("SrcX") + b.Int("SrcW");
      int bottom = b.Int("SrcY") + b.Int("SrcH");
      if (f->Get("Type") == "Number") {
        right = b.Int("SrcX") + 9 * f->Int("SpriteDX") + f->Int("Width");
        bottom = b.Int("SrcY") + 9 * f->Int("SpriteDY") + f->Int("Height");
      }
      ++checked;
      EXPECT_TRUE(b.Int("SrcX") >= 0 && b.Int("SrcY") >= 0 && right <= it->second.cx && bottom <= it->second.cy)
          << label << ": a sprite of " << f->Get("Name") << " reaches (" << right << ", " << bottom
          << ") outside its " << it->second.cx << " x " << it->second.cy << " bitmap";
    }
  }
  return checked;
}

class Descriptions : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  static void TearDownTestSuite() { CoUninitialize(); }
};

TEST_F(Descriptions, EveryCommandIsInTheCommandNameTable) {
  CheckCommands(LoadDescription(g_default), "DefaultSkin.xml");
  CheckCommands(LoadDescription(g_winamp), "WinAmpSkin.xml");
}

TEST_F(Descriptions, FormsAndElementsThePlayerLooksUp) {
  const Node def = LoadDescription(g_default);
  CheckStructure(def, "DefaultSkin.xml");
  for (const char* text : {"ZelvoVideoInfoText", "ZelvoVideoDurationText"})
    EXPECT_NE(nullptr, Find(*TopForm(def, "MainSkin"), text)) << "DefaultSkin.xml has no " << text;
  CheckStructure(LoadDescription(g_winamp), "WinAmpSkin.xml");
}

TEST_F(Descriptions, DefaultSkinHasAControlForEveryUserCommand) {
  const Node root = LoadDescription(g_default);
  const Node* main = TopForm(root, "MainSkin");
  const Node* compact = TopForm(root, "MainSkinMinimized");
  const Node* playlist = TopForm(root, "PlayList");
  ASSERT_TRUE(main && compact && playlist);
  const std::set<std::string> fromMain = CommandsSentBy(*main);
  for (const char* cmd :
       {"IDM_FILE_OPEN", "IDM_FILE_PLAY", "IDM_FILE_PAUSE", "IDM_STOP", "IDM_PLAYPREVIOUS", "IDM_PLAYNEXT",
        "IDM_SET_POSITION", "IDM_SET_VOLUME", "IDM_SET_BALANCE", "IDM_VOLUME_MUTE_ON", "IDM_VOLUME_MUTE_OFF",
        "IDM_REPEAT_ON", "IDM_REPEAT_OFF", "IDM_SHUFFLE_ON", "IDM_SHUFFLE_OFF", "IDM_PLAYLIST_SHOW",
        "IDM_PLAYLIST_HIDE", "IDM_OPTIONS", "IDM_ABOUT", "IDM_MINIMIZETOTRAY", "IDM_MINIMIZEMAINWINDOW", "IDM_EXIT",
        "IDM_HOVER_PLAY", "IDM_HOVER_OPEN"})
    EXPECT_EQ(1u, fromMain.count(cmd)) << "MainSkin has no control sending " << cmd;
  const std::set<std::string> fromCompact = CommandsSentBy(*compact);
  for (const char* cmd : {"IDM_NORMALIZEMAINWINDOW", "IDM_FILE_PLAY", "IDM_FILE_PAUSE", "IDM_STOP", "IDM_EXIT"})
    EXPECT_EQ(1u, fromCompact.count(cmd)) << "MainSkinMinimized has no control sending " << cmd;
  const std::set<std::string> fromPlaylist = CommandsSentBy(*playlist);
  for (const char* cmd : {"IDM_PLAYLIST_ADDFILES", "IDM_PLAYLIST_DELETEITEM", "IDM_LOADPLAYLISTDIALOG",
                          "IDM_SAVEPLAYLISTDIALOG", "IDM_CLEARPLAYLISTDIALOG", "IDM_PLAYLISTBUTTONSBAR",
                          "IDM_PLAYLIST_HIDE", "IDM_PLAYLIST_SETITEM", "IDM_PLAYLIST_DBLCLICK", "IDM_PLAYLIST_SCROLL"})
    EXPECT_EQ(1u, fromPlaylist.count(cmd)) << "PlayList has no control sending " << cmd;
  const std::vector<std::string> digits = {"IDM_SET_HHMINUTES", "IDM_SET_HMINUTES", "IDM_SET_LMINUTES",
                                           "IDM_SET_HSECONDS", "IDM_SET_LSECONDS"};
  CheckDigits(*main, "MainSkin", digits);
  CheckDigits(*compact, "MainSkinMinimized", digits);
  // Every button says what it does.
  for (const Node* f : Forms(root)) {
    if (f->Get("Type") == "Button") {
      EXPECT_TRUE(f->Has("ToolTip")) << f->Get("Name") << " has no tooltip";
    }
  }
  // The seek thumb follows the playing position.
  const Node* thumb = Find(*main, "SeekThumb");
  ASSERT_NE(nullptr, thumb);
  EXPECT_EQ("IDM_SET_POSITION_REFRESHCURSOR", thumb->Get("CatchMessage"));
  // The sound bars have the 28 states of classic skins.
  EXPECT_EQ(28, Find(*main, "VolumeBar")->Int("NumberOfStates"));
  EXPECT_EQ(28, Find(*main, "BalanceBar")->Int("NumberOfStates"));
}

TEST_F(Descriptions, DefaultSkinBitmapsLoadAndHoldEverySprite) {
  const Node root = LoadDescription(g_default);
  const std::map<int, SIZE> sizes = LoadBitmaps(root, g_unpacked + "/DefaultSkin", "DefaultSkin");
  int declared = 0;
  for (const Node& b : root.children) declared += b.tag == "Bitmap";
  EXPECT_EQ(static_cast<size_t>(declared), sizes.size()) << "a bitmap of DefaultSkin.xml is not in DefaultSkin.wsz";
  EXPECT_GT(CheckSprites(root, sizes, "DefaultSkin"), 100);
}

TEST_F(Descriptions, ClassicSkinsHoldEverySpriteOfWinAmpSkin) {
  const Node root = LoadDescription(g_winamp);
  std::ifstream list(g_unpacked + "/skins.txt");
  std::string name;
  int skins = 0;
  while (std::getline(list, name)) {
    if (name.empty()) continue;
    ++skins;
    const std::map<int, SIZE> sizes = LoadBitmaps(root, g_unpacked + "/" + name, name);
    EXPECT_GE(sizes.size(), 9u) << name << ": most standard bitmaps did not load";
    EXPECT_GT(CheckSprites(root, sizes, name), 100) << name;
  }
  if (skins == 0) GTEST_SKIP() << "no classic skins to wear (the shared skins folder is missing)";
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: skins_description_tests DefaultSkin.xml WinAmpSkin.xml UNPACKED\n");
    return 2;
  }
  g_default = argv[1];
  g_winamp = argv[2];
  g_unpacked = argv[3];
  return RUN_ALL_TESTS();
}
