// ConfiguratorTestFilters.dll: filters without pins whose property pages
// misbehave on purpose (too tall, failing to activate or to apply, never
// created), for the configurator's tests. Pages log what is done to them
// to the file named by CONFIGURATOR_TEST_LOG.
#include <dshow.h>
#include <olectl.h>

#include <cstdio>
#include <new>
#include <string>

#include "common/com/com_ptr.h"
#include "common/com/module.h"
#include "common/com/registration.h"
#include "common/com/server.h"
#include "configurator/tests/test_filters/test_filter_table.h"
#include "effects/dshow/base_filter.h"

namespace configurator_test {
namespace {

using zelvo::com::ComPtr;

void Log(const std::string& line) {
  wchar_t path[MAX_PATH];
  if (!GetEnvironmentVariableW(kLogVariable, path, MAX_PATH)) return;
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; *text; ++text) out += static_cast<char>(*text);
  return out;
}

std::string Hex(unsigned long value) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08lx", value);
  return text;
}

// ------------------------------------------------------------------ filter

class TestFilter final : public effects::dshow::BaseFilter, public ISpecifyPropertyPages {
 public:
  TestFilter(IUnknown* outer, const FilterKind& kind) : BaseFilter(outer, kind.clsid), kind_(kind) {}

  ZELVO_DELEGATING_IUNKNOWN
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (kind_.hasPages && IsEqualIID(iid, IID_ISpecifyPropertyPages))
      return GetInterface(static_cast<ISpecifyPropertyPages*>(this), out);
    return BaseFilter::NonDelegatingQueryInterface(iid, out);
  }

  HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override {
    if (!pages) return E_POINTER;
    pages->cElems = 0;
    pages->pElems = nullptr;
    if (FAILED(kind_.getPages)) return kind_.getPages;
    ULONG count = 0;
    for (int page : kind_.pages) count += page != kNoPage;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID) * (count ? count : 1)));
    if (!pages->pElems) return E_OUTOFMEMORY;
    for (int page : kind_.pages) {
      if (page == kNoPage) continue;
      pages->pElems[pages->cElems++] = page == kMissing ? kMissingPage : kPages[page].clsid;
    }
    return S_OK;
  }

  int GetPinCount() override { return 0; }
  effects::dshow::BasePin* GetPin(int) override { return nullptr; }

 private:
  const FilterKind& kind_;
};

// ------------------------------------------------------------------ page

class TestPage final : public zelvo::com::UnknownBase, public IPropertyPage {
 public:
  explicit TestPage(const PageKind& kind) : UnknownBase(nullptr), kind_(kind), dirty_(kind.dirty) {}
  ~TestPage() override {
    if (window_) DestroyWindow(window_);
    Log(Name() + " released");
  }

  ZELVO_DELEGATING_IUNKNOWN
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IPropertyPage)) return GetInterface(static_cast<IPropertyPage*>(this), out);
    return UnknownBase::NonDelegatingQueryInterface(iid, out);
  }

  HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override {
    site_ = ComPtr<IPropertyPageSite>(site);
    if (!site) Log(Name() + " site null");
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL) override {
    if (!rect) return E_POINTER;
    if (site_) {
      LCID locale = 0xFFFFFFFF;
      HRESULT hr = site_->GetLocaleID(&locale);
      Log(Name() + " locale " + Hex(static_cast<unsigned long>(hr)) + " " + Hex(locale));
    }
    if (FAILED(kind_.activate)) {
      Log(Name() + " activate failed");
      return kind_.activate;
    }
    window_ = CreateDialogParamW(zelvo::com::ModuleHandle(), MAKEINTRESOURCEW(kPageDialog), parent, &DialogProc,
                                 reinterpret_cast<LPARAM>(this));
    if (!window_) return E_OUTOFMEMORY;
    activated_ = true;
    Move(rect);
    Log(Name() + " activate");
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Deactivate() override {
    if (!activated_) return E_UNEXPECTED;
    activated_ = false;
    // A window already gone with its parent is a late deactivation.
    Log(Name() + (window_ && IsWindow(window_) ? " deactivate alive" : " deactivate gone"));
    if (window_) DestroyWindow(window_);
    window_ = nullptr;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override {
    if (!info) return E_POINTER;
    const size_t bytes = (wcslen(kind_.title) + 1) * sizeof(wchar_t);
    auto* title = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (!title) return E_OUTOFMEMORY;
    memcpy(title, kind_.title, bytes);
    info->cb = sizeof(PROPPAGEINFO);
    info->pszTitle = title;
    info->size.cx = kind_.width;
    info->size.cy = kind_.height;
    info->pszDocString = nullptr;
    info->pszHelpFile = nullptr;
    info->dwHelpContext = 0;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override {
    if (count == 0) {
      object_ = nullptr;
      Log(Name() + " objects 0");
      return S_OK;
    }
    if (!objects || !objects[0]) return E_POINTER;
    object_ = ComPtr<IUnknown>(objects[0]);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Show(UINT command) override {
    if (!window_) return E_UNEXPECTED;
    ShowWindow(window_, command);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override {
    if (!rect) return E_POINTER;
    if (!window_) return E_UNEXPECTED;
    MoveWindow(window_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE IsPageDirty() override { return dirty_ ? S_OK : S_FALSE; }

  HRESULT STDMETHODCALLTYPE Apply() override {
    Log(Name() + " apply");
    if (FAILED(kind_.apply)) return kind_.apply;
    dirty_ = false;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Help(LPCOLESTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return E_NOTIMPL; }

 private:
  // "<filter tag>/<page title>": the same page class serves several filters.
  std::string Name() const {
    std::string filter = "?";
    ComPtr<IPersist> persist;
    CLSID clsid;
    if (object_ && SUCCEEDED(object_.query(IID_IPersist, persist)) && SUCCEEDED(persist->GetClassID(&clsid))) {
      for (const FilterKind& kind : kFilters)
        if (IsEqualCLSID(kind.clsid, clsid)) filter = kind.tag;
    }
    if (filter == "?") filter = lastFilter_;
    lastFilter_ = filter;
    return filter + "/" + Narrow(kind_.title);
  }

  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      return FALSE;
    }
    auto* page = reinterpret_cast<TestPage*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (page && message == WM_COMMAND && LOWORD(wParam) == kPageChangedBox && HIWORD(wParam) == BN_CLICKED) {
      page->dirty_ = true;
      if (page->site_) page->site_->OnStatusChange(PROPPAGESTATUS_DIRTY);
      return TRUE;
    }
    if (page && message == WM_NCDESTROY && page->window_ == dialog) page->window_ = nullptr;
    return FALSE;
  }

  const PageKind& kind_;
  bool dirty_;
  HWND window_ = nullptr;
  bool activated_ = false;
  ComPtr<IPropertyPageSite> site_;
  ComPtr<IUnknown> object_;
  mutable std::string lastFilter_ = "?";
};

// ------------------------------------------------------------------ classes

template <int N>
HRESULT CreateFilter(IUnknown* outer, REFIID iid, void** out) {
  auto* filter = new (std::nothrow) TestFilter(outer, kFilters[N]);
  if (!filter) return E_OUTOFMEMORY;
  return zelvo::com::FinishCreate(filter, iid, out);
}

template <int N>
HRESULT CreatePage(IUnknown* outer, REFIID iid, void** out) {
  if (outer) return CLASS_E_NOAGGREGATION;
  auto* page = new (std::nothrow) TestPage(kPages[N]);
  if (!page) return E_OUTOFMEMORY;
  return zelvo::com::FinishCreate(page, iid, out);
}

const zelvo::com::ClassEntry kClasses[] = {
    {&kFilters[0].clsid, &CreateFilter<0>, false}, {&kFilters[1].clsid, &CreateFilter<1>, false},
    {&kFilters[2].clsid, &CreateFilter<2>, false}, {&kFilters[3].clsid, &CreateFilter<3>, false},
    {&kFilters[4].clsid, &CreateFilter<4>, false}, {&kFilters[5].clsid, &CreateFilter<5>, false},
    {&kFilters[6].clsid, &CreateFilter<6>, false}, {&kFilters[7].clsid, &CreateFilter<7>, false},
    {&kFilters[8].clsid, &CreateFilter<8>, false}, {&kFilters[9].clsid, &CreateFilter<9>, false},
    {&kPages[0].clsid, &CreatePage<0>, false},     {&kPages[1].clsid, &CreatePage<1>, false},
    {&kPages[2].clsid, &CreatePage<2>, false},     {&kPages[3].clsid, &CreatePage<3>, false},
    {&kPages[4].clsid, &CreatePage<4>, false},     {&kPages[5].clsid, &CreatePage<5>, false},
    {&kPages[6].clsid, &CreatePage<6>, false},
};
static_assert(sizeof(kClasses) / sizeof(kClasses[0]) == kFilterCount + kPageCount, "every class has an entry");

zelvo::com::ClassRegistration Registration(const CLSID& clsid) {
  zelvo::com::ClassRegistration reg;
  reg.clsid = &clsid;
  reg.description = L"Configurator test class";
  reg.threadingModel = L"Both";
  return reg;
}

}  // namespace
}  // namespace configurator_test

using namespace configurator_test;

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return zelvo::com::GetClassObject(kClasses, sizeof(kClasses) / sizeof(kClasses[0]), clsid, iid, out);
}

STDAPI DllCanUnloadNow() { return zelvo::com::CanUnloadServer(); }

// Only the COM classes: the tests put the filters into categories themselves.
STDAPI DllRegisterServer() {
  const std::wstring path = zelvo::com::ModulePath();
  for (const auto& entry : kClasses) {
    HRESULT hr = zelvo::com::RegisterComClass(Registration(*entry.clsid), path);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

STDAPI DllUnregisterServer() {
  HRESULT result = S_OK;
  for (const auto& entry : kClasses) {
    HRESULT hr = zelvo::com::UnregisterComClass(Registration(*entry.clsid));
    if (FAILED(hr)) result = hr;
  }
  return result;
}
