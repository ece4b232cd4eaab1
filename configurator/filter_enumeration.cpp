#include "configurator/filter_enumeration.h"

#include "common/com/com_ptr.h"
#include "configurator/ansi_text.h"
#include "configurator/messages.h"

namespace configurator {

using zelvo::com::ComPtr;

namespace {

// The moniker's "FriendlyName", in the ANSI code page; false without one.
bool ReadFriendlyName(IMoniker* moniker, std::string* name) {
  ComPtr<IPropertyBag> bag;
  if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.put_void()))) return false;
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  const bool ok = SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR;
  if (ok) *name = WideToAnsi(value.bstrVal);
  VariantClear(&value);
  return ok;
}

}  // namespace

std::unique_ptr<FilterPagesPanel> BuildPanel(IBaseFilter* filter, const std::string& name) {
  ComPtr<ISpecifyPropertyPages> specify;
  if (FAILED(filter->QueryInterface(IID_ISpecifyPropertyPages, specify.put_void()))) return nullptr;
  CAUUID pages = {0, nullptr};
  if (FAILED(specify->GetPages(&pages))) return nullptr;
  auto panel = std::make_unique<FilterPagesPanel>(name);
  for (ULONG i = 0; i < pages.cElems && pages.pElems; ++i) {
    ComPtr<IPropertyPage> page;
    if (FAILED(CoCreateInstance(pages.pElems[i], nullptr, CLSCTX_ALL, IID_IPropertyPage, page.put_void()))) continue;
    panel->AddPage(page.get(), filter);
  }
  CoTaskMemFree(pages.pElems);
  return panel;
}

EnumerationResult EnumerateFilters(REFGUID category, ConfiguratorDialog& dialog) {
  ComPtr<ICreateDevEnum> devices;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                              devices.put_void()))) {
    ShowMessage(nullptr, kNoSystemEnumeratorText, MB_ICONEXCLAMATION);
    return EnumerationResult::kNoSystemEnumerator;
  }
  ComPtr<IEnumMoniker> monikers;
  const HRESULT hr = devices->CreateClassEnumerator(category, monikers.put(), 0);
  if (FAILED(hr)) {
    ShowMessage(nullptr, kNoClassEnumeratorText, MB_ICONEXCLAMATION);
    return EnumerationResult::kNoClassEnumerator;
  }
  // An empty category answers S_FALSE and no enumerator at all.
  if (hr != S_OK || !monikers) return EnumerationResult::kDone;

  monikers->Reset();
  for (;;) {
    ComPtr<IMoniker> moniker;
    if (monikers->Next(1, moniker.put(), nullptr) != S_OK || !moniker) break;
    ComPtr<IBaseFilter> filter;
    if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.put_void())) || !filter) continue;
    std::string name;
    if (!ReadFriendlyName(moniker.get(), &name)) continue;
    if (auto panel = BuildPanel(filter.get(), name)) dialog.AddPanel(std::move(panel));
  }
  return EnumerationResult::kDone;
}

}  // namespace configurator
