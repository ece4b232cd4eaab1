// Owning AM_MEDIA_TYPE with a task-memory format block, and the helpers the
// pins use to hand media types across COM.
#pragma once

#include <dshow.h>

namespace effects::dshow {

class MediaType : public AM_MEDIA_TYPE {
 public:
  MediaType();
  MediaType(const MediaType&) = delete;
  MediaType& operator=(const MediaType&) = delete;
  ~MediaType();

  // Becomes a deep copy of source; E_OUTOFMEMORY leaves this type empty.
  HRESULT Set(const AM_MEDIA_TYPE& source);
  void Clear();
  // Replaces the format block by size zero bytes; null on failure.
  BYTE* AllocFormat(ULONG size);

  bool Empty() const { return IsEqualGUID(majortype, GUID_NULL) != 0; }
};

// Deep copy into a caller's structure (format block from CoTaskMemAlloc).
HRESULT CopyMediaTypeTo(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE& source);
// Frees the format block and the held IUnknown of a type.
void FreeMediaTypeContents(AM_MEDIA_TYPE& type);
// A CoTaskMemAlloc'ed deep copy (for IEnumMediaTypes); null on failure.
AM_MEDIA_TYPE* CreateMediaTypeCopy(const AM_MEDIA_TYPE& source);
void DeleteMediaTypeCopy(AM_MEDIA_TYPE* type);

// True when candidate fits the partial type (GUID_NULL members match all).
bool MatchesPartialType(const AM_MEDIA_TYPE& candidate, const AM_MEDIA_TYPE& partial);
// True when major type, subtype and format type are all given.
bool IsFullySpecified(const AM_MEDIA_TYPE& type);
// Types, format types and format bytes equal.
bool SameMediaType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b);

// The bitmap header inside a VideoInfo or VideoInfo2 format; null otherwise
// or when the format block is too short.
const BITMAPINFOHEADER* VideoBitmapHeader(const AM_MEDIA_TYPE& type);

}  // namespace effects::dshow
