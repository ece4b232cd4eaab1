#include "effects/dshow/filter_registration.h"

#include <vector>

#include "common/com/com_ptr.h"

namespace effects::dshow {

using zelvo::com::ComPtr;

namespace {

HRESULT RegisterWithMapper2(IFilterMapper2* mapper, const FilterDescription& filter) {
  std::vector<std::vector<REGPINTYPES>> types(filter.pinCount);
  std::vector<REGFILTERPINS> pins(filter.pinCount);
  for (UINT i = 0; i < filter.pinCount; ++i) {
    const FilterPinDescription& pin = filter.pins[i];
    for (UINT t = 0; t < pin.typeCount; ++t) types[i].push_back({pin.types[t].majorType, pin.types[t].subType});
    pins[i].strName = const_cast<LPWSTR>(pin.name);
    pins[i].bRendered = pin.rendered;
    pins[i].bOutput = pin.output;
    pins[i].bZero = pin.zero;
    pins[i].bMany = pin.many;
    pins[i].clsConnectsToFilter = &GUID_NULL;
    pins[i].strConnectsToPin = const_cast<LPWSTR>(pin.connectsToPin);
    pins[i].nMediaTypes = pin.typeCount;
    pins[i].lpMediaType = types[i].data();
  }
  REGFILTER2 description = {};
  description.dwVersion = 1;
  description.dwMerit = filter.merit;
  description.cPins = filter.pinCount;
  description.rgPins = pins.data();
  return mapper->RegisterFilter(*filter.clsid, filter.name, nullptr, &CLSID_LegacyAmFilterCategory, nullptr,
                                &description);
}

HRESULT RegisterWithMapper(IFilterMapper* mapper, const FilterDescription& filter) {
  HRESULT hr = mapper->RegisterFilter(*filter.clsid, filter.name, filter.merit);
  for (UINT i = 0; SUCCEEDED(hr) && i < filter.pinCount; ++i) {
    const FilterPinDescription& pin = filter.pins[i];
    hr = mapper->RegisterPin(*filter.clsid, pin.name, pin.rendered, pin.output, pin.zero, pin.many, GUID_NULL,
                             pin.connectsToPin);
    for (UINT t = 0; SUCCEEDED(hr) && t < pin.typeCount; ++t)
      hr = mapper->RegisterPinType(*filter.clsid, pin.name, *pin.types[t].majorType, *pin.types[t].subType);
  }
  if (FAILED(hr)) mapper->UnregisterFilter(*filter.clsid);
  return hr;
}

}  // namespace

HRESULT RegisterFilter(const FilterDescription& filter) {
  ComPtr<IFilterMapper2> mapper2;
  if (SUCCEEDED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                 mapper2.put_void())))
    return RegisterWithMapper2(mapper2.get(), filter);
  ComPtr<IFilterMapper> mapper;
  HRESULT hr = CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper,
                                mapper.put_void());
  if (FAILED(hr)) return hr;
  return RegisterWithMapper(mapper.get(), filter);
}

HRESULT UnregisterFilter(const CLSID& clsid) {
  ComPtr<IFilterMapper2> mapper2;
  HRESULT hr;
  if (SUCCEEDED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                 mapper2.put_void()))) {
    hr = mapper2->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, clsid);
  } else {
    ComPtr<IFilterMapper> mapper;
    hr = CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper, mapper.put_void());
    if (SUCCEEDED(hr)) hr = mapper->UnregisterFilter(clsid);
  }
  // Not registered is not an error when removing.
  if (hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) hr = S_OK;
  return hr;
}

}  // namespace effects::dshow
