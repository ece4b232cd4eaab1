// Entries in the DirectShow filter mapper (the "DirectShow Filters"
// category), through IFilterMapper2 or, failing that, IFilterMapper.
#pragma once

#include <dshow.h>

namespace effects::dshow {

struct FilterPinTypes {
  const GUID* majorType;
  const GUID* subType;
};

struct FilterPinDescription {
  const wchar_t* name;
  bool rendered;
  bool output;
  bool zero;
  bool many;
  const wchar_t* connectsToPin;
  const FilterPinTypes* types;
  UINT typeCount;
};

struct FilterDescription {
  const CLSID* clsid;
  const wchar_t* name;
  DWORD merit;
  const FilterPinDescription* pins;
  UINT pinCount;
};

HRESULT RegisterFilter(const FilterDescription& filter);
HRESULT UnregisterFilter(const CLSID& clsid);

}  // namespace effects::dshow
