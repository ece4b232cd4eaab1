// Configurator.exe as a process of its own: the dialog resources it
// carries, what it lists, Escape, the close box and OK.
#include <dshow.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "configurator/resource.h"
#include "configurator/tests/ui_test_support.h"

namespace configurator_test {
namespace {

std::wstring ProgramPath() { return ProgramFolder() + L"Configurator.exe"; }

// ------------------------------------------------------------------ resources

struct DialogItem {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  DWORD id = 0;
  std::wstring className;  // or "#<atom>"
  std::wstring text;
};

struct DialogTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  short cx = 0, cy = 0;
  std::wstring caption;
  WORD pointSize = 0;
  std::wstring font;
  std::vector<DialogItem> items;
};

class Reader {
 public:
  Reader(const BYTE* data, size_t size) : data_(data), size_(size) {}
  template <class T>
  T Get() {
    T value{};
    if (at_ + sizeof(T) <= size_) memcpy(&value, data_ + at_, sizeof(T));
    at_ += sizeof(T);
    return value;
  }
  std::wstring String() {
    std::wstring text;
    for (WCHAR c; (c = Get<WCHAR>()) != 0 && at_ <= size_;) text += c;
    return text;
  }
  // A name or an ordinal (0xFFFF then the number).
  std::wstring NameOrOrdinal() {
    WORD first = Get<WORD>();
    if (first == 0) return std::wstring();
    if (first == 0xFFFF) return L"#" + std::to_wstring(Get<WORD>());
    at_ -= sizeof(WORD);
    return String();
  }
  void AlignToDword() { at_ = (at_ + 3) & ~static_cast<size_t>(3); }
  void Skip(size_t bytes) { at_ += bytes; }

 private:
  const BYTE* data_;
  size_t size_;
  size_t at_ = 0;
};

bool ReadDialog(HMODULE module, int id, DialogTemplate* out) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(RT_DIALOG));
  if (!found) return false;
  const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
  Reader r(data, SizeofResource(module, found));
  if (r.Get<WORD>() != 1 || r.Get<WORD>() != 0xFFFF) return false;  // DLGTEMPLATEEX only
  r.Get<DWORD>();  // help id
  out->exStyle = r.Get<DWORD>();
  out->style = r.Get<DWORD>();
  const WORD count = r.Get<WORD>();
  r.Get<short>();
  r.Get<short>();
  out->cx = r.Get<short>();
  out->cy = r.Get<short>();
  r.NameOrOrdinal();  // menu
  r.NameOrOrdinal();  // class
  out->caption = r.String();
  if (out->style & (DS_SETFONT | DS_SHELLFONT)) {
    out->pointSize = r.Get<WORD>();
    r.Get<WORD>();
    r.Get<BYTE>();
    r.Get<BYTE>();
    out->font = r.String();
  }
  for (WORD i = 0; i < count; ++i) {
    r.AlignToDword();
    DialogItem item;
    r.Get<DWORD>();  // help id
    item.exStyle = r.Get<DWORD>();
    item.style = r.Get<DWORD>();
    item.x = r.Get<short>();
    item.y = r.Get<short>();
    item.cx = r.Get<short>();
    item.cy = r.Get<short>();
    item.id = r.Get<DWORD>();
    item.className = r.NameOrOrdinal();
    item.text = r.NameOrOrdinal();
    r.Skip(r.Get<WORD>());
    out->items.push_back(item);
  }
  return true;
}

const DialogItem* Item(const DialogTemplate& dialog, DWORD id) {
  for (const DialogItem& item : dialog.items)
    if (item.id == id) return &item;
  return nullptr;
}

TEST(ConfiguratorProgram, CarriesItsTwoDialogsAndItsIcon) {
  HMODULE exe = LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(nullptr, exe);
  EXPECT_NE(nullptr, FindResourceW(exe, MAKEINTRESOURCEW(IDI_CONFIGURATOR), reinterpret_cast<LPCWSTR>(RT_GROUP_ICON)));

  DialogTemplate main;
  ASSERT_TRUE(ReadDialog(exe, IDD_CONFIGURATOR, &main));
  EXPECT_EQ(320, main.cx);
  EXPECT_EQ(193, main.cy);
  EXPECT_EQ(L"Buh", main.caption);
  EXPECT_EQ(8, main.pointSize);
  EXPECT_EQ(L"MS Shell Dlg", main.font);
  const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
  EXPECT_EQ(frame, main.style & frame);
  struct Want {
    DWORD id;
    short x, y, cx, cy;
    const wchar_t* text;
  };
  for (const Want& want : {Want{IDOK, 198, 172, 50, 14, L"OK"}, Want{IDCANCEL, 263, 172, 50, 14, L"Cancel"},
                           Want{IDC_FILTER_TREE, 6, 7, 90, 161, L""}, Want{IDC_PANEL_FRAME, 103, 7, 210, 161, L""},
                           Want{IDC_SEPARATOR, 87, 170, 226, 1, L""}}) {
    const DialogItem* item = Item(main, want.id);
    ASSERT_NE(nullptr, item) << want.id;
    EXPECT_EQ(want.x, item->x) << want.id;
    EXPECT_EQ(want.y, item->y) << want.id;
    EXPECT_EQ(want.cx, item->cx) << want.id;
    EXPECT_EQ(want.cy, item->cy) << want.id;
    EXPECT_EQ(std::wstring(want.text), item->text) << want.id;
  }
  EXPECT_EQ(5u, main.items.size());
  EXPECT_EQ(static_cast<DWORD>(BS_DEFPUSHBUTTON), Item(main, IDOK)->style & 0x0F);
  EXPECT_EQ(0, _wcsicmp(L"SysTreeView32", Item(main, IDC_FILTER_TREE)->className.c_str()));
  const DWORD treeBits = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_BORDER;
  EXPECT_EQ(treeBits, Item(main, IDC_FILTER_TREE)->style & treeBits);
  EXPECT_EQ(0u, Item(main, IDC_PANEL_FRAME)->style & WS_VISIBLE) << "the frame is hidden";
  EXPECT_EQ(static_cast<DWORD>(SS_ETCHEDHORZ), Item(main, IDC_SEPARATOR)->style & SS_TYPEMASK);

  DialogTemplate panel;
  ASSERT_TRUE(ReadDialog(exe, IDD_FILTER_PAGES, &panel));
  EXPECT_EQ(186, panel.cx);
  EXPECT_EQ(90, panel.cy);
  EXPECT_EQ(8, panel.pointSize);
  EXPECT_EQ(L"MS Shell Dlg", panel.font);
  EXPECT_EQ(static_cast<DWORD>(WS_CHILD | DS_CONTROL), panel.style & (WS_CHILD | WS_POPUP | DS_CONTROL));
  ASSERT_EQ(1u, panel.items.size());
  const DialogItem& tabs = panel.items[0];
  EXPECT_EQ(static_cast<DWORD>(IDC_PAGE_TABS), tabs.id);
  EXPECT_EQ(0, _wcsicmp(L"SysTabControl32", tabs.className.c_str()));
  EXPECT_EQ(0, tabs.x);
  EXPECT_EQ(0, tabs.y);
  EXPECT_EQ(185, tabs.cx);
  EXPECT_EQ(89, tabs.cy);
  FreeLibrary(exe);
}

// ------------------------------------------------------------------ the process

class Process {
 public:
  Process() {
    std::wstring command = L"\"" + ProgramPath() + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    started_ = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, ProgramFolder().c_str(),
                              &startup, &info_) != FALSE;
  }
  ~Process() {
    if (!started_) return;
    if (WaitForSingleObject(info_.hProcess, 0) != WAIT_OBJECT_0) {
      if (HWND window = FindMainWindow(info_.dwProcessId, true)) PostMessageA(window, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(info_.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(info_.hProcess, 99);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  bool Started() const { return started_; }
  DWORD Id() const { return info_.dwProcessId; }
  HWND WaitForWindow() {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindMainWindow(info_.dwProcessId, true)) != nullptr && IsWindowVisible(found); },
              15000);
    return found;
  }
  bool WaitForExit(DWORD* code) {
    if (WaitForSingleObject(info_.hProcess, 10000) != WAIT_OBJECT_0) return false;
    GetExitCodeProcess(info_.hProcess, code);
    return true;
  }
  bool Running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
  HANDLE Handle() const { return info_.hProcess; }

 private:
  bool started_ = false;
  PROCESS_INFORMATION info_ = {};
};

// The tree's item texts, read through memory of the program's own.
std::vector<std::string> RemoteTreeTexts(const Process& process, HWND dialog) {
  std::vector<std::string> texts;
  HWND tree = GetDlgItem(dialog, IDC_FILTER_TREE);
  const SIZE_T bytes = sizeof(TVITEMA) + 256;
  void* remote = VirtualAllocEx(process.Handle(), nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
  if (!remote) return texts;
  auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  while (item) {
    TVITEMA info = {};
    info.mask = TVIF_TEXT | TVIF_HANDLE;
    info.hItem = item;
    info.pszText = static_cast<char*>(remote) + sizeof(TVITEMA);
    info.cchTextMax = 256;
    WriteProcessMemory(process.Handle(), remote, &info, sizeof(info), nullptr);
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote));
    char text[257] = {};
    ReadProcessMemory(process.Handle(), static_cast<char*>(remote) + sizeof(TVITEMA), text, 256, nullptr);
    texts.push_back(text);
    item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
  }
  VirtualFreeEx(process.Handle(), remote, 0, MEM_RELEASE);
  return texts;
}

class ProgramRun : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    library_ = std::make_unique<TestLibrary>();
    ASSERT_TRUE(library_->Loaded());
    ASSERT_TRUE(CategoryNames().empty()) << "the codec category holds entries of someone else";
  }
  void TearDown() override {
    library_.reset();
    CoUninitialize();
  }
  std::unique_ptr<TestLibrary> library_;
};

TEST_F(ProgramRun, ListsTheFiltersWithPagesKeepsOpenOnEscapeAndClosesWithoutApplying) {
  PageLog log;
  CategoryEntries entries;
  for (FilterId id : {kTallPair, kShortPair, kNoPages}) ASSERT_EQ(S_OK, entries.Add(id));
  ASSERT_EQ(S_OK, entries.Add(kUnboundFilter, L"Test Unbound"));

  Process program;
  ASSERT_TRUE(program.Started());
  MessageBoxWatcher boxes(program.Id(), true);
  HWND dialog = program.WaitForWindow();
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ("Ondra K4 4.5.1 Configurator", WindowText(dialog));
  EXPECT_EQ((std::vector<std::string>{"Test Tall Pair", "Test Short Pair"}), RemoteTreeTexts(program, dialog));

  HWND tree = GetDlgItem(dialog, IDC_FILTER_TREE);
  auto second = reinterpret_cast<HTREEITEM>(SendMessageA(
      tree, TVM_GETNEXTITEM, TVGN_NEXT, SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)));
  PostMessageA(tree, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(tree, WM_KEYDOWN, VK_DOWN, 0);
  ASSERT_TRUE(WaitUntil([&] {
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)) == second;
  }));
  EXPECT_TRUE(program.Running()) << "Escape closed the program";

  PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  DWORD code = 0xDEAD;
  ASSERT_TRUE(program.WaitForExit(&code));
  EXPECT_EQ(0u, code);
  EXPECT_TRUE(log.With(" apply").empty());
  EXPECT_EQ(4u, log.With(" deactivate alive").size()) << "both panels were shown";
  EXPECT_EQ(0u, boxes.Count());
}

TEST_F(ProgramRun, TheOkButtonAppliesTheChangedPage) {
  PageLog log;
  CategoryEntries entries;
  ASSERT_EQ(S_OK, entries.Add(kTallPair));
  Process program;
  ASSERT_TRUE(program.Started());
  HWND dialog = program.WaitForWindow();
  ASSERT_NE(nullptr, dialog);
  PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  DWORD code = 0xDEAD;
  ASSERT_TRUE(program.WaitForExit(&code));
  EXPECT_EQ(0u, code);
  EXPECT_EQ((std::vector<std::string>{"TallPair/Short apply"}), log.With(" apply"));
}

TEST_F(ProgramRun, AnEmptyCategoryIsNoCrash) {
  Process program;
  ASSERT_TRUE(program.Started());
  MessageBoxWatcher boxes(program.Id(), true);
  HWND dialog = program.WaitForWindow();
  ASSERT_NE(nullptr, dialog);
  EXPECT_EQ(0, SendMessageA(GetDlgItem(dialog, IDC_FILTER_TREE), TVM_GETCOUNT, 0, 0));
  PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  DWORD code = 0xDEAD;
  ASSERT_TRUE(program.WaitForExit(&code));
  EXPECT_EQ(0u, code);
  EXPECT_EQ(0u, boxes.Count());
}

}  // namespace
}  // namespace configurator_test
