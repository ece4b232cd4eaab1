// IPropertyPage plumbing for a page built from a dialog resource: page site,
// activation (the dialog exists only while active), page information,
// objects, and a dialog procedure that calls the concrete page's hooks.
#pragma once

#include <ocidl.h>
#include <olectl.h>

#include "common/com/com_ptr.h"
#include "common/com/server.h"

namespace effects::dshow {

class PropertyPageBase : public zelvo::com::UnknownBase, public IPropertyPage {
 public:
  PropertyPageBase(IUnknown* outer, int dialogId, int titleStringId);
  ~PropertyPageBase() override;

  ZELVO_DELEGATING_IUNKNOWN
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override;

  HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override;
  HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL modal) override;
  HRESULT STDMETHODCALLTYPE Deactivate() override;
  HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override;
  HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override;
  HRESULT STDMETHODCALLTYPE Show(UINT command) override;
  HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override;
  HRESULT STDMETHODCALLTYPE IsPageDirty() override;
  HRESULT STDMETHODCALLTYPE Apply() override;
  HRESULT STDMETHODCALLTYPE Help(LPCOLESTR helpDir) override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* msg) override;

 protected:
  // Hooks of the concrete page.
  virtual HRESULT OnConnect(IUnknown* object) = 0;
  virtual HRESULT OnDisconnect() = 0;
  virtual HRESULT OnActivate() { return S_OK; }
  virtual HRESULT OnDeactivate() { return S_OK; }
  virtual HRESULT OnApplyChanges() { return S_OK; }
  // The dialog procedure; WM_INITDIALOG arrives with Dialog() already set.
  virtual INT_PTR OnReceiveMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  HWND Dialog() const { return dialog_; }
  // Marks the page changed and tells the frame.
  void SetDirty();
  bool dirty_ = false;

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  int dialogId_;
  int titleStringId_;
  HWND dialog_ = nullptr;
  bool connected_ = false;
  zelvo::com::ComPtr<IPropertyPageSite> site_;
};

}  // namespace effects::dshow
