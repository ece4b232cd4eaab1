#include "engine/decoder_enumerator.h"

#include <oleauto.h>

#include "engine/core/transport_rules.h"
#include "engine/graph_util.h"

namespace tessel {

using zelvo::com::ComPtr;

namespace {

// Types past this many are not offered to the mapper: no real pin lists more.
constexpr size_t kMaxTypePairs = 64;

std::wstring ReadString(IPropertyBag* bag, const wchar_t* name) {
  VARIANT v;
  VariantInit(&v);
  std::wstring out;
  if (SUCCEEDED(bag->Read(name, &v, nullptr)) && v.vt == VT_BSTR && v.bstrVal) out.assign(v.bstrVal, SysStringLen(v.bstrVal));
  VariantClear(&v);
  return out;
}

unsigned long ReadMerit(IPropertyBag* bag) {
  VARIANT v;
  VariantInit(&v);
  unsigned long merit = 0;
  if (SUCCEEDED(bag->Read(L"FilterData", &v, nullptr)) && v.vt == (VT_ARRAY | VT_UI1) && v.parray) {
    void* data = nullptr;
    if (SUCCEEDED(SafeArrayAccessData(v.parray, &data))) {
      LONG lower = 0, upper = -1;
      SafeArrayGetLBound(v.parray, 1, &lower);
      SafeArrayGetUBound(v.parray, 1, &upper);
      size_t size = upper >= lower ? size_t(upper - lower + 1) : 0;
      merit = core::MeritFromFilterData(static_cast<const unsigned char*>(data), size);
      SafeArrayUnaccessData(v.parray);
    }
  }
  VariantClear(&v);
  return merit;
}

}  // namespace

DecoderEnumerator::DecoderEnumerator() {
  CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_ALL, IID_IFilterMapper2, mapper_.put_void());
}

std::vector<DecoderCandidate> DecoderEnumerator::ListCandidates(IPin* pin) const {
  std::vector<DecoderCandidate> list;
  if (!pin || !mapper_) return list;
  std::vector<GUID> pairs;
  ComPtr<IEnumMediaTypes> types;
  if (SUCCEEDED(pin->EnumMediaTypes(types.put())) && types) {
    AM_MEDIA_TYPE* mt = nullptr;
    while (types->Next(1, &mt, nullptr) == S_OK) {
      if (pairs.size() < 2 * kMaxTypePairs) {
        pairs.push_back(mt->majortype);
        pairs.push_back(mt->subtype);
      }
      DeleteMediaType(mt);
      mt = nullptr;
    }
  }
  if (pairs.empty()) return list;
  ComPtr<IEnumMoniker> monikers;
  HRESULT hr = mapper_->EnumMatchingFilters(monikers.put(), 0, TRUE, MERIT_UNLIKELY + 1, TRUE, DWORD(pairs.size() / 2),
                                            pairs.data(), nullptr, nullptr, FALSE, TRUE, 0, nullptr, nullptr, nullptr);
  if (FAILED(hr) || !monikers) return list;
  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.put(), nullptr) == S_OK) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.put_void())) || !bag) continue;
    DecoderCandidate c;
    c.friendlyName = core::ShortenFriendlyName(ReadString(bag.get(), L"FriendlyName"));
    if (c.friendlyName == L"AAC Parser") continue;
    c.merit = ReadMerit(bag.get());
    std::wstring clsid = ReadString(bag.get(), L"CLSID");
    if (clsid.empty() || FAILED(CLSIDFromString(&clsid[0], &c.clsid))) continue;
    list.push_back(c);
  }
  return list;
}

}  // namespace tessel
