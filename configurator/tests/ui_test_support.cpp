#include "configurator/tests/ui_test_support.h"

#include <dshow.h>

#include <algorithm>
#include <fstream>

#include "common/com/com_ptr.h"
#include "configurator/codec_category.h"
#include "configurator/configurator_app.h"
#include "configurator/resource.h"

namespace configurator_test {

using zelvo::com::ComPtr;

namespace {

std::string Narrow(const wchar_t* text) {
  if (!text) return std::string();
  int count = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (count <= 1) return std::string();
  std::string out(static_cast<size_t>(count - 1), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, &out[0], count, nullptr, nullptr);
  return out;
}

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof(name));
  return name;
}

bool IsMainWindow(HWND window) {
  return ClassOf(window) == "#32770" && GetDlgItem(window, IDC_FILTER_TREE) != nullptr;
}

struct WindowSearch {
  DWORD process;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == search->process) search->found.push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectThreadWindow(HWND window, LPARAM param) {
  reinterpret_cast<WindowSearch*>(param)->found.push_back(window);
  return TRUE;
}

std::vector<HWND> TopLevelWindows(DWORD id, bool wholeProcess) {
  WindowSearch search = {id, {}};
  if (wholeProcess)
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
  else
    EnumThreadWindows(id, CollectThreadWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  for (DWORD waited = 0;; waited += 20) {
    if (done()) return true;
    if (waited >= timeoutMs) return false;
    Sleep(20);
  }
}

// ------------------------------------------------------------------ library

TestLibrary::TestLibrary() {
  module_ = LoadLibraryW((ProgramFolder() + L"ConfiguratorTestFilters.dll").c_str());
  if (!module_) return;
  using Entry = HRESULT(STDAPICALLTYPE*)();
  auto reg = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module_, "DllRegisterServer")));
  registered_ = reg && SUCCEEDED(reg());
}

TestLibrary::~TestLibrary() {
  if (!module_) return;
  using Entry = HRESULT(STDAPICALLTYPE*)();
  auto unreg = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module_, "DllUnregisterServer")));
  if (registered_ && unreg) unreg();
  // COM may hold the library too; it stays loaded until the process ends.
  FreeLibrary(module_);
}

HRESULT TestLibrary::Create(REFCLSID clsid, REFIID iid, void** out) const {
  if (!module_) return E_FAIL;
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
  if (!get) return E_FAIL;
  ComPtr<IClassFactory> factory;
  HRESULT hr = get(clsid, IID_IClassFactory, factory.put_void());
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(nullptr, iid, out);
}

// ------------------------------------------------------------------ category

CategoryEntries::~CategoryEntries() {
  ComPtr<IFilterMapper2> mapper;
  if (!mapped_.empty() && SUCCEEDED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                                     IID_IFilterMapper2, mapper.put_void()))) {
    for (const CLSID& clsid : mapped_) mapper->UnregisterFilter(&configurator::codecFilterCategory, nullptr, clsid);
  }
  for (const std::wstring& key : keys_) RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
}

HRESULT CategoryEntries::Add(const CLSID& clsid, const wchar_t* name) {
  ComPtr<IFilterMapper2> mapper;
  HRESULT hr =
      CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2, mapper.put_void());
  if (FAILED(hr)) return hr;
  REGFILTER2 description = {};
  description.dwVersion = 1;
  description.dwMerit = MERIT_DO_NOT_USE;
  hr = mapper->RegisterFilter(clsid, name, nullptr, &configurator::codecFilterCategory, nullptr, &description);
  if (SUCCEEDED(hr)) mapped_.push_back(clsid);
  return hr;
}

bool CategoryEntries::AddNameless(const CLSID& clsid) {
  const std::wstring id = GuidText(clsid);
  const std::wstring key = L"CLSID\\" + GuidText(configurator::codecFilterCategory) + L"\\Instance\\" + id;
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) !=
      ERROR_SUCCESS)
    return false;
  keys_.push_back(key);
  const LONG written = RegSetValueExW(handle, L"CLSID", 0, REG_SZ, reinterpret_cast<const BYTE*>(id.c_str()),
                                      static_cast<DWORD>((id.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return written == ERROR_SUCCESS;
}

std::vector<std::string> CategoryNames() {
  std::vector<std::string> names;
  ComPtr<ICreateDevEnum> devices;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                              devices.put_void())))
    return names;
  ComPtr<IEnumMoniker> monikers;
  if (devices->CreateClassEnumerator(configurator::codecFilterCategory, monikers.put(), 0) != S_OK || !monikers)
    return names;
  for (;;) {
    ComPtr<IMoniker> moniker;
    if (monikers->Next(1, moniker.put(), nullptr) != S_OK) break;
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.put_void()))) continue;
    VARIANT value;
    VariantInit(&value);
    if (SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR)
      names.push_back(Narrow(value.bstrVal));
    VariantClear(&value);
  }
  return names;
}

// ------------------------------------------------------------------ page log

PageLog::PageLog() {
  static int counter = 0;
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  path_ = std::wstring(temp) + L"configurator_pages_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
          std::to_wstring(++counter) + L".log";
  DeleteFileW(path_.c_str());
  SetEnvironmentVariableW(kLogVariable, path_.c_str());
}

PageLog::~PageLog() {
  SetEnvironmentVariableW(kLogVariable, nullptr);
  DeleteFileW(path_.c_str());
}

std::vector<std::string> PageLog::Lines() const {
  std::vector<std::string> lines;
  std::ifstream in(path_.c_str(), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> PageLog::With(const std::string& event) const {
  std::vector<std::string> found;
  for (const std::string& line : Lines()) {
    if (line.size() >= event.size() && line.compare(line.size() - event.size(), event.size(), event) == 0)
      found.push_back(line);
  }
  return found;
}

// ------------------------------------------------------------------ message boxes

MessageBoxWatcher::MessageBoxWatcher(DWORD id, bool wholeProcess)
    : id_(id), wholeProcess_(wholeProcess), thread_([this] { Watch(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
  stop_ = true;
  thread_.join();
}

std::vector<SeenBox> MessageBoxWatcher::Boxes() {
  std::lock_guard<std::mutex> guard(lock_);
  return boxes_;
}

size_t MessageBoxWatcher::Count() {
  std::lock_guard<std::mutex> guard(lock_);
  return boxes_.size();
}

bool MessageBoxWatcher::WaitForCount(size_t count, DWORD timeoutMs) {
  return WaitUntil([&] { return Count() >= count; }, timeoutMs);
}

void MessageBoxWatcher::Watch() {
  std::vector<HWND> answered;
  HICON information = LoadIconW(nullptr, MAKEINTRESOURCEW(32516));  // IDI_INFORMATION
  while (!stop_) {
    for (HWND window : TopLevelWindows(id_, wholeProcess_)) {
      if (!IsWindowVisible(window) || ClassOf(window) != "#32770" || IsMainWindow(window)) continue;
      if (std::find(answered.begin(), answered.end(), window) != answered.end()) continue;
      SeenBox box;
      box.caption = WindowText(window);
      box.owner = GetWindow(window, GW_OWNER);
      for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) != "Static") continue;
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
          box.information = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)) == information;
        } else {
          box.text += WindowText(child);
        }
      }
      answered.push_back(window);
      {
        std::lock_guard<std::mutex> guard(lock_);
        boxes_.push_back(box);
      }
      PostMessageA(window, WM_COMMAND, IDOK, 0);
    }
    Sleep(20);
  }
}

// ------------------------------------------------------------------ the configurator

ConfiguratorThread::ConfiguratorThread(std::function<void()> afterStart, std::function<void()> beforeEnd)
    : afterStart_(std::move(afterStart)),
      beforeEnd_(std::move(beforeEnd)),
      ready_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      ended_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  thread_ = std::thread([this] {
    threadId_ = GetCurrentThreadId();
    {
      configurator::ConfiguratorApp app(GetModuleHandleW(nullptr));
      started_ = app.Start();
      SetEvent(ready_.get());
      if (started_) {
        if (afterStart_) afterStart_();
        result_ = app.Run(configurator::codecFilterCategory);
        if (beforeEnd_) beforeEnd_();
      }
    }
    SetEvent(ended_.get());
  });
  WaitForSingleObject(ready_.get(), 10000);
}

ConfiguratorThread::~ConfiguratorThread() {
  if (!Ended()) {
    if (HWND window = FindMainWindow(threadId_, false)) PostMessageA(window, WM_CLOSE, 0, 0);
    WaitForEnd(10000);
  }
  thread_.join();
}

HWND ConfiguratorThread::WaitForWindow(DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        found = FindMainWindow(threadId_, false);
        return (found && IsWindowVisible(found)) || Ended();
      },
      timeoutMs);
  return found && IsWindowVisible(found) ? found : nullptr;
}

bool ConfiguratorThread::WaitForEnd(DWORD timeoutMs) { return WaitForSingleObject(ended_.get(), timeoutMs) == 0; }

bool ConfiguratorThread::Ended() const { return WaitForSingleObject(ended_.get(), 0) == 0; }

HWND FindMainWindow(DWORD id, bool wholeProcess) {
  for (HWND window : TopLevelWindows(id, wholeProcess))
    if (IsMainWindow(window)) return window;
  return nullptr;
}

// ------------------------------------------------------------------ readers

std::string WindowText(HWND window) {
  char text[512] = "";
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

std::vector<std::string> TreeTexts(HWND dialog) {
  std::vector<std::string> texts;
  HWND tree = GetDlgItem(dialog, IDC_FILTER_TREE);
  auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  while (item) {
    char text[256] = "";
    TVITEMA info = {};
    info.mask = TVIF_TEXT | TVIF_HANDLE;
    info.hItem = item;
    info.pszText = text;
    info.cchTextMax = sizeof(text);
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&info));
    texts.push_back(text);
    item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
  }
  return texts;
}

HTREEITEM TreeItem(HWND dialog, size_t index) {
  HWND tree = GetDlgItem(dialog, IDC_FILTER_TREE);
  auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  for (size_t i = 0; item && i < index; ++i)
    item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
  return item;
}

std::string SelectedTreeText(HWND dialog) {
  HWND tree = GetDlgItem(dialog, IDC_FILTER_TREE);
  auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!item) return "<none>";
  char text[256] = "";
  TVITEMA info = {};
  info.mask = TVIF_TEXT | TVIF_HANDLE;
  info.hItem = item;
  info.pszText = text;
  info.cchTextMax = sizeof(text);
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&info));
  return text;
}

HWND ShownPanel(HWND dialog) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == "#32770" && IsWindowVisible(child) && GetDlgItem(child, IDC_PAGE_TABS)) return child;
  }
  return nullptr;
}

HWND PanelTabs(HWND panel) { return panel ? GetDlgItem(panel, IDC_PAGE_TABS) : nullptr; }

std::vector<std::string> TabTexts(HWND panel) {
  std::vector<std::string> texts;
  HWND tabs = PanelTabs(panel);
  if (!tabs) return texts;
  const int count = static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[256] = "";
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
    texts.push_back(text);
  }
  return texts;
}

int SelectedTab(HWND panel) {
  HWND tabs = PanelTabs(panel);
  return tabs ? static_cast<int>(SendMessageA(tabs, TCM_GETCURSEL, 0, 0)) : -1;
}

HWND VisiblePage(HWND panel) {
  HWND tabs = PanelTabs(panel);
  if (!tabs) return nullptr;
  for (HWND child = GetWindow(tabs, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == "#32770" && IsWindowVisible(child)) return child;
  }
  return nullptr;
}

RECT ClientRectOf(HWND window, HWND relativeTo) {
  RECT rect = {0, 0, 0, 0};
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, relativeTo, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void ClickTab(HWND tabs, int index, bool post) {
  RECT item = {0, 0, 0, 0};
  SendMessageA(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
  const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  if (post) {
    PostMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(tabs, WM_LBUTTONUP, 0, at);
  } else {
    SendMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(tabs, WM_LBUTTONUP, 0, at);
  }
}

bool Responsive(HWND window) {
  DWORD_PTR answer = 0;
  return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer) != 0;
}

}  // namespace configurator_test
