#include "effects/dshow/enumerators.h"

#include <new>

#include "effects/dshow/base_filter.h"
#include "effects/dshow/base_pin.h"
#include "common/com/server.h"

namespace effects::dshow {
namespace {

class PinEnumerator final : public zelvo::com::SingleInterface<IEnumPins> {
 public:
  PinEnumerator(BaseFilter* filter, ULONG position)
      : SingleInterface(IID_IEnumPins), filter_(filter), position_(position) {
    filter_->AddRef();
  }
  ~PinEnumerator() override { filter_->Release(); }

  HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override {
    if (!pins) return E_POINTER;
    if (count > 1 && !fetched) return E_INVALIDARG;
    ULONG got = 0;
    while (got < count && static_cast<int>(position_) < filter_->GetPinCount()) {
      BasePin* pin = filter_->GetPin(static_cast<int>(position_++));
      if (!pin) break;
      pin->AddRef();
      pins[got++] = pin;
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    ULONG total = static_cast<ULONG>(filter_->GetPinCount());
    if (position_ + count > total) {
      position_ = total;
      return S_FALSE;
    }
    position_ += count;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumPins** out) override { return CreatePinEnumerator(filter_, position_, out); }

 private:
  BaseFilter* filter_;
  ULONG position_;
  zelvo::com::ServerReference server_;
};

class MediaTypeEnumerator final : public zelvo::com::SingleInterface<IEnumMediaTypes> {
 public:
  MediaTypeEnumerator(BasePin* pin, ULONG position)
      : SingleInterface(IID_IEnumMediaTypes), pin_(pin), position_(position) {
    pin_->AddRef();
  }
  ~MediaTypeEnumerator() override { pin_->Release(); }

  HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
    if (!types) return E_POINTER;
    if (count > 1 && !fetched) return E_INVALIDARG;
    ULONG got = 0;
    while (got < count) {
      MediaType type;
      if (pin_->GetMediaType(static_cast<int>(position_), &type) != S_OK) break;
      AM_MEDIA_TYPE* copy = CreateMediaTypeCopy(type);
      if (!copy) {
        for (ULONG i = 0; i < got; ++i) DeleteMediaTypeCopy(types[i]);
        if (fetched) *fetched = 0;
        return E_OUTOFMEMORY;
      }
      types[got++] = copy;
      ++position_;
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    for (ULONG i = 0; i < count; ++i) {
      MediaType type;
      if (pin_->GetMediaType(static_cast<int>(position_), &type) != S_OK) return S_FALSE;
      ++position_;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** out) override {
    return CreateMediaTypeEnumerator(pin_, position_, out);
  }

 private:
  BasePin* pin_;
  ULONG position_;
  zelvo::com::ServerReference server_;
};

}  // namespace

HRESULT CreatePinEnumerator(BaseFilter* filter, ULONG position, IEnumPins** out) {
  if (!out) return E_POINTER;
  *out = new (std::nothrow) PinEnumerator(filter, position);
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT CreateMediaTypeEnumerator(BasePin* pin, ULONG position, IEnumMediaTypes** out) {
  if (!out) return E_POINTER;
  *out = new (std::nothrow) MediaTypeEnumerator(pin, position);
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace effects::dshow
