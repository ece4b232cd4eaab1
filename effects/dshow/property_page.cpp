#include "effects/dshow/property_page.h"

#include <cstring>

#include "common/com/module.h"

namespace effects::dshow {

PropertyPageBase::PropertyPageBase(IUnknown* outer, int dialogId, int titleStringId)
    : UnknownBase(outer), dialogId_(dialogId), titleStringId_(titleStringId) {}

PropertyPageBase::~PropertyPageBase() {
  if (dialog_) DestroyWindow(dialog_);
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::NonDelegatingQueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IPropertyPage)) return GetInterface(static_cast<IPropertyPage*>(this), out);
  return UnknownBase::NonDelegatingQueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::SetPageSite(IPropertyPageSite* site) {
  if (site && site_) return E_UNEXPECTED;
  site_ = zelvo::com::ComPtr<IPropertyPageSite>(site);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::Activate(HWND parent, LPCRECT rect, BOOL) {
  if (!rect) return E_POINTER;
  if (dialog_) return E_UNEXPECTED;
  HWND dialog = CreateDialogParamW(zelvo::com::ModuleHandle(), MAKEINTRESOURCEW(dialogId_), parent, &DialogProc,
                                   reinterpret_cast<LPARAM>(this));
  if (!dialog) return E_OUTOFMEMORY;
  dialog_ = dialog;
  HRESULT hr = OnActivate();
  Move(rect);
  return hr;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::Deactivate() {
  if (!dialog_) return E_UNEXPECTED;
  HRESULT hr = OnDeactivate();
  HWND dialog = dialog_;
  DestroyWindow(dialog);
  dialog_ = nullptr;
  return hr;
}

namespace {
INT_PTR CALLBACK MeasureProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }
}  // namespace

HRESULT STDMETHODCALLTYPE PropertyPageBase::GetPageInfo(PROPPAGEINFO* info) {
  if (!info) return E_POINTER;
  wchar_t title[256] = {};
  LoadStringW(zelvo::com::ModuleHandle(), titleStringId_, title, 256);
  size_t bytes = (wcslen(title) + 1) * sizeof(wchar_t);
  LPOLESTR copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
  if (!copy) return E_OUTOFMEMORY;
  std::memcpy(copy, title, bytes);

  // The dialog's size in pixels, measured on a hidden instance of it.
  SIZE size = {0, 0};
  HWND probe = CreateDialogParamW(zelvo::com::ModuleHandle(), MAKEINTRESOURCEW(dialogId_), GetDesktopWindow(),
                                  &MeasureProc, 0);
  if (probe) {
    RECT rect;
    GetWindowRect(probe, &rect);
    size.cx = rect.right - rect.left;
    size.cy = rect.bottom - rect.top;
    DestroyWindow(probe);
  }
  info->cb = sizeof(PROPPAGEINFO);
  info->pszTitle = copy;
  info->size = size;
  info->pszDocString = nullptr;
  info->pszHelpFile = nullptr;
  info->dwHelpContext = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::SetObjects(ULONG count, IUnknown** objects) {
  if (count == 0) {
    // The page's own disconnect answers E_UNEXPECTED when nothing is held.
    connected_ = false;
    return OnDisconnect();
  }
  if (!objects || !objects[0]) return E_POINTER;
  if (connected_) {
    OnDisconnect();
    connected_ = false;
  }
  HRESULT hr = OnConnect(objects[0]);
  connected_ = SUCCEEDED(hr);
  return hr;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::Show(UINT command) {
  if (!dialog_) return E_UNEXPECTED;
  ShowWindow(dialog_, command);
  InvalidateRect(dialog_, nullptr, TRUE);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::Move(LPCRECT rect) {
  if (!rect) return E_POINTER;
  if (!dialog_) return E_UNEXPECTED;
  MoveWindow(dialog_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::IsPageDirty() { return dirty_ ? S_OK : S_FALSE; }

HRESULT STDMETHODCALLTYPE PropertyPageBase::Apply() {
  if (!connected_) return E_UNEXPECTED;
  if (!dirty_) return S_OK;
  HRESULT hr = OnApplyChanges();
  if (SUCCEEDED(hr)) dirty_ = false;
  return hr;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::Help(LPCOLESTR) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE PropertyPageBase::TranslateAccelerator(MSG*) { return E_NOTIMPL; }

void PropertyPageBase::SetDirty() {
  dirty_ = true;
  if (site_) site_->OnStatusChange(PROPPAGESTATUS_DIRTY);
}

INT_PTR PropertyPageBase::OnReceiveMessage(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

INT_PTR CALLBACK PropertyPageBase::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  PropertyPageBase* page = nullptr;
  if (message == WM_INITDIALOG) {
    page = reinterpret_cast<PropertyPageBase*>(lParam);
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    if (page) page->dialog_ = dialog;
  } else {
    page = reinterpret_cast<PropertyPageBase*>(GetWindowLongPtrW(dialog, DWLP_USER));
  }
  if (!page) return FALSE;
  INT_PTR result = page->OnReceiveMessage(dialog, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(dialog, DWLP_USER, 0);
    if (page->dialog_ == dialog) page->dialog_ = nullptr;
  }
  return result;
}

}  // namespace effects::dshow
