#include "common/com/dispatch.h"

#include "common/com/handles.h"

namespace zelvo::com {

namespace {

// The library is loaded on first use by whichever thread asks first; the
// lock makes that a single load.
CriticalSection& TypeLibLock() {
  static CriticalSection lock;
  return lock;
}

ITypeLib* g_typeLib = nullptr;

}  // namespace

HRESULT ModuleTypeInfo(REFIID iid, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  CritSecLock hold(TypeLibLock());
  if (!g_typeLib) {
    HRESULT hr = LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, &g_typeLib);
    if (FAILED(hr)) {
      g_typeLib = nullptr;
      return hr;
    }
  }
  return g_typeLib->GetTypeInfoOfGuid(iid, info);
}

}  // namespace zelvo::com
