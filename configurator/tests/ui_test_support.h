// Shared pieces of the configurator's Windows tests: the test filter DLL
// and its registration, entries in the codec category, the pages' log, a
// watcher that reads and closes message boxes, the configurator running on
// a thread of its own, and readers for its windows.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/com/handles.h"
#include "configurator/tests/test_filters/test_filter_table.h"

namespace configurator_test {

// Folder of the test program, with a trailing backslash.
std::wstring ProgramFolder();

// Polls `done` every 20 ms until it holds or timeoutMs pass.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

// ConfiguratorTestFilters.dll from beside the test program, its classes
// registered for the object's life.
class TestLibrary {
 public:
  TestLibrary();
  ~TestLibrary();
  TestLibrary(const TestLibrary&) = delete;
  TestLibrary& operator=(const TestLibrary&) = delete;
  bool Loaded() const { return module_ != nullptr && registered_; }
  // An object straight from the library's class factory (no registry).
  HRESULT Create(REFCLSID clsid, REFIID iid, void** out) const;

 private:
  HMODULE module_ = nullptr;
  bool registered_ = false;
};

// Entries in the codec category, removed again with the object.
class CategoryEntries {
 public:
  CategoryEntries() = default;
  ~CategoryEntries();
  CategoryEntries(const CategoryEntries&) = delete;
  CategoryEntries& operator=(const CategoryEntries&) = delete;
  // Through IFilterMapper2::RegisterFilter, under the friendly name.
  HRESULT Add(const CLSID& clsid, const wchar_t* name);
  HRESULT Add(FilterId filter) { return Add(kFilters[filter].clsid, kFilters[filter].name); }
  // An entry with a class id but no "FriendlyName".
  bool AddNameless(const CLSID& clsid);

 private:
  std::vector<CLSID> mapped_;
  std::vector<std::wstring> keys_;
};

// What the system's device enumerator lists in the codec category, by
// friendly name, in its order (empty: an empty category).
std::vector<std::string> CategoryNames();

// The file the test pages log to, fresh for the object's life.
class PageLog {
 public:
  PageLog();
  ~PageLog();
  std::vector<std::string> Lines() const;
  // The lines that end with `event` (" apply", " deactivate alive", ...).
  std::vector<std::string> With(const std::string& event) const;
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
};

struct SeenBox {
  std::string caption;
  std::string text;
  HWND owner = nullptr;
  bool information = false;  // shows the system's information icon
};

// Reads and closes every message box of one thread (or of one process)
// as it appears, so that none is left waiting for a user.
class MessageBoxWatcher {
 public:
  MessageBoxWatcher(DWORD id, bool wholeProcess);
  ~MessageBoxWatcher();
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;
  std::vector<SeenBox> Boxes();
  size_t Count();
  bool WaitForCount(size_t count, DWORD timeoutMs = 5000);

 private:
  void Watch();
  DWORD id_;
  bool wholeProcess_;
  volatile bool stop_ = false;
  std::mutex lock_;
  std::vector<SeenBox> boxes_;
  std::thread thread_;
};

// The configurator as the program runs it (Start, then Run over the codec
// category), on a thread of its own. afterStart runs on that thread once OLE
// is up; beforeEnd after the window has gone, before OLE stops.
class ConfiguratorThread {
 public:
  explicit ConfiguratorThread(std::function<void()> afterStart = nullptr, std::function<void()> beforeEnd = nullptr);
  ~ConfiguratorThread();
  ConfiguratorThread(const ConfiguratorThread&) = delete;
  ConfiguratorThread& operator=(const ConfiguratorThread&) = delete;

  DWORD ThreadId() const { return threadId_; }
  // The main window once it is visible, or null.
  HWND WaitForWindow(DWORD timeoutMs = 10000);
  bool WaitForEnd(DWORD timeoutMs = 5000);
  bool Ended() const;
  int Result() const { return result_; }
  bool Started() const { return started_; }

 private:
  std::function<void()> afterStart_;
  std::function<void()> beforeEnd_;
  zelvo::com::KernelHandle ready_;
  zelvo::com::KernelHandle ended_;
  volatile DWORD threadId_ = 0;
  volatile int result_ = -1;
  volatile bool started_ = false;
  std::thread thread_;
};

// The configurator's main window among a thread's (or a process's) windows.
HWND FindMainWindow(DWORD id, bool wholeProcess);

// Readers for windows of this process.
std::string WindowText(HWND window);
std::vector<std::string> TreeTexts(HWND dialog);
HTREEITEM TreeItem(HWND dialog, size_t index);
std::string SelectedTreeText(HWND dialog);
// The panel shown in the main window (a visible child dialog with tabs).
HWND ShownPanel(HWND dialog);
HWND PanelTabs(HWND panel);
std::vector<std::string> TabTexts(HWND panel);
int SelectedTab(HWND panel);
// The visible page window inside the panel's tab control.
HWND VisiblePage(HWND panel);
RECT ClientRectOf(HWND window, HWND relativeTo);
// Presses and releases the mouse on tab `index` of a tab control, sent
// (waits for the answer) or posted.
void ClickTab(HWND tabs, int index, bool post);
// Answers a message within two seconds (the window is not stuck in a loop).
bool Responsive(HWND window);

}  // namespace configurator_test
