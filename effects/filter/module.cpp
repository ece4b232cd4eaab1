// The effects library's COM server entry points: class objects, unloading
// and (un)registration of the filter, its page and the filter-mapper entry.
#include <dshow.h>

#include "common/com/module.h"
#include "common/com/registration.h"
#include "common/com/server.h"
#include "effects/dshow/filter_registration.h"
#include "effects/filter/video_effects_filter.h"
#include "effects/filter/video_effects_page.h"

namespace {

using namespace zelvo::com;

const ClassEntry kClasses[] = {
    {&CLSID_VideoEffects, &effects::VideoEffectsFilter::Create, true},
    {&CLSID_VideoEffectsPage, &effects::VideoEffectsPage::Create, true},
};

ClassRegistration FilterClass() {
  ClassRegistration reg;
  reg.clsid = &CLSID_VideoEffects;
  reg.description = L"Video Effects";
  reg.threadingModel = L"Both";
  return reg;
}

ClassRegistration PageClass() {
  ClassRegistration reg;
  reg.clsid = &CLSID_VideoEffectsPage;
  reg.description = L"Video EffectsProperty Page";
  reg.threadingModel = L"Both";
  return reg;
}

const effects::dshow::FilterPinTypes kAnyType = {&GUID_NULL, &GUID_NULL};
const effects::dshow::FilterPinDescription kPins[] = {
    {L"Input", false, false, false, false, L"Output", &kAnyType, 1},
    {L"Output", false, true, false, false, L"Input", &kAnyType, 1},
};
const effects::dshow::FilterDescription kFilter = {&CLSID_VideoEffects, L"IVideo Effects", MERIT_DO_NOT_USE, kPins,
                                                   2};

// COM for the duration of a registration call, when the caller has none.
class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }

 private:
  HRESULT hr_;
};

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return GetClassObject(kClasses, sizeof(kClasses) / sizeof(kClasses[0]), clsid, iid, out);
}

STDAPI DllCanUnloadNow() { return CanUnloadServer(); }

STDAPI DllRegisterServer() {
  ComScope com;
  const std::wstring path = ModulePath();
  HRESULT hr = RegisterComClass(FilterClass(), path);
  if (SUCCEEDED(hr)) hr = RegisterComClass(PageClass(), path);
  if (SUCCEEDED(hr)) hr = effects::dshow::RegisterFilter(kFilter);
  if (FAILED(hr)) {
    UnregisterComClass(PageClass());
    UnregisterComClass(FilterClass());
  }
  return hr;
}

STDAPI DllUnregisterServer() {
  ComScope com;
  HRESULT hr = effects::dshow::UnregisterFilter(CLSID_VideoEffects);
  HRESULT page = UnregisterComClass(PageClass());
  HRESULT filter = UnregisterComClass(FilterClass());
  if (SUCCEEDED(hr)) hr = FAILED(page) ? page : filter;
  return hr;
}
