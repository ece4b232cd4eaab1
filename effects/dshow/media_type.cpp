#include "effects/dshow/media_type.h"

#include <dvdmedia.h>

#include <cstring>

namespace effects::dshow {

MediaType::MediaType() : AM_MEDIA_TYPE() { lSampleSize = 1; bFixedSizeSamples = TRUE; }

MediaType::~MediaType() { FreeMediaTypeContents(*this); }

HRESULT MediaType::Set(const AM_MEDIA_TYPE& source) {
  if (&source == this) return S_OK;
  Clear();
  HRESULT hr = CopyMediaTypeTo(this, source);
  if (FAILED(hr)) Clear();
  return hr;
}

void MediaType::Clear() {
  FreeMediaTypeContents(*this);
  static_cast<AM_MEDIA_TYPE&>(*this) = AM_MEDIA_TYPE();
  lSampleSize = 1;
  bFixedSizeSamples = TRUE;
}

BYTE* MediaType::AllocFormat(ULONG size) {
  if (pbFormat) CoTaskMemFree(pbFormat);
  pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(size ? size : 1));
  cbFormat = pbFormat ? size : 0;
  if (pbFormat) std::memset(pbFormat, 0, size ? size : 1);
  return pbFormat;
}

HRESULT CopyMediaTypeTo(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE& source) {
  if (!target) return E_POINTER;
  *target = source;
  target->pbFormat = nullptr;
  target->cbFormat = 0;
  if (source.cbFormat && source.pbFormat) {
    target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source.cbFormat));
    if (!target->pbFormat) {
      target->pUnk = nullptr;
      return E_OUTOFMEMORY;
    }
    std::memcpy(target->pbFormat, source.pbFormat, source.cbFormat);
    target->cbFormat = source.cbFormat;
  }
  if (target->pUnk) target->pUnk->AddRef();
  return S_OK;
}

void FreeMediaTypeContents(AM_MEDIA_TYPE& type) {
  if (type.pbFormat) CoTaskMemFree(type.pbFormat);
  type.pbFormat = nullptr;
  type.cbFormat = 0;
  if (type.pUnk) type.pUnk->Release();
  type.pUnk = nullptr;
}

AM_MEDIA_TYPE* CreateMediaTypeCopy(const AM_MEDIA_TYPE& source) {
  auto* copy = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (!copy) return nullptr;
  if (FAILED(CopyMediaTypeTo(copy, source))) {
    CoTaskMemFree(copy);
    return nullptr;
  }
  return copy;
}

void DeleteMediaTypeCopy(AM_MEDIA_TYPE* type) {
  if (!type) return;
  FreeMediaTypeContents(*type);
  CoTaskMemFree(type);
}

bool MatchesPartialType(const AM_MEDIA_TYPE& candidate, const AM_MEDIA_TYPE& partial) {
  if (!IsEqualGUID(partial.majortype, GUID_NULL) && !IsEqualGUID(partial.majortype, candidate.majortype)) return false;
  if (!IsEqualGUID(partial.subtype, GUID_NULL) && !IsEqualGUID(partial.subtype, candidate.subtype)) return false;
  if (!IsEqualGUID(partial.formattype, GUID_NULL)) {
    if (!IsEqualGUID(partial.formattype, candidate.formattype)) return false;
    if (partial.cbFormat != candidate.cbFormat) return false;
    if (partial.cbFormat && std::memcmp(partial.pbFormat, candidate.pbFormat, partial.cbFormat) != 0) return false;
  }
  return true;
}

bool IsFullySpecified(const AM_MEDIA_TYPE& type) {
  return !IsEqualGUID(type.majortype, GUID_NULL) && !IsEqualGUID(type.subtype, GUID_NULL) &&
         !IsEqualGUID(type.formattype, GUID_NULL);
}

bool SameMediaType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
  return IsEqualGUID(a.majortype, b.majortype) && IsEqualGUID(a.subtype, b.subtype) &&
         IsEqualGUID(a.formattype, b.formattype) && a.cbFormat == b.cbFormat &&
         (a.cbFormat == 0 || std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0);
}

const BITMAPINFOHEADER* VideoBitmapHeader(const AM_MEDIA_TYPE& type) {
  if (!type.pbFormat) return nullptr;
  if (IsEqualGUID(type.formattype, FORMAT_VideoInfo) && type.cbFormat >= sizeof(VIDEOINFOHEADER))
    return &reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
  if (IsEqualGUID(type.formattype, FORMAT_VideoInfo2) && type.cbFormat >= sizeof(VIDEOINFOHEADER2))
    return &reinterpret_cast<const VIDEOINFOHEADER2*>(type.pbFormat)->bmiHeader;
  return nullptr;
}

}  // namespace effects::dshow
