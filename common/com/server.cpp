#include "common/com/server.h"

#include <new>

namespace zelvo::com {
namespace {

volatile LONG g_server_refs = 0;

class ClassFactory final : public SingleInterface<IClassFactory> {
 public:
  explicit ClassFactory(const ClassEntry& entry) : SingleInterface(IID_IClassFactory), entry_(entry) {}

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    // An aggregated object can only hand its inner IUnknown to the outer one.
    if (outer && (!entry_.aggregatable || !IsEqualIID(iid, IID_IUnknown))) return CLASS_E_NOAGGREGATION;
    return entry_.create(outer, iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock)
      AddServerReference();
    else
      ReleaseServerReference();
    return S_OK;
  }

 private:
  const ClassEntry& entry_;
  ServerReference server_;
};

}  // namespace

void AddServerReference() { InterlockedIncrement(&g_server_refs); }
void ReleaseServerReference() { InterlockedDecrement(&g_server_refs); }
long ServerReferenceCount() { return InterlockedCompareExchange(&g_server_refs, 0, 0); }
HRESULT CanUnloadServer() { return ServerReferenceCount() == 0 ? S_OK : S_FALSE; }

UnknownBase::UnknownBase(IUnknown* outer) : outer_(outer ? outer : InnerUnknown()) {}

HRESULT STDMETHODCALLTYPE UnknownBase::NonDelegatingQueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown)) {
    *out = InnerUnknown();
    NonDelegatingAddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE UnknownBase::NonDelegatingAddRef() { return InterlockedIncrement(&refs_); }

ULONG STDMETHODCALLTYPE UnknownBase::NonDelegatingRelease() {
  LONG left = InterlockedDecrement(&refs_);
  if (left == 0) {
    // Guards against a destructor that AddRefs and Releases itself.
    refs_ = 1;
    delete this;
  }
  return left;
}

HRESULT UnknownBase::GetInterface(IUnknown* iface, void** out) {
  if (!out) return E_POINTER;
  *out = iface;
  iface->AddRef();
  return S_OK;
}

HRESULT GetClassObject(const ClassEntry* table, std::size_t count, REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (std::size_t i = 0; i < count; ++i) {
    if (!IsEqualCLSID(*table[i].clsid, clsid)) continue;
    auto* factory = new (std::nothrow) ClassFactory(table[i]);
    if (!factory) return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT FinishCreate(UnknownBase* object, REFIID iid, void** out) {
  HRESULT hr = object->NonDelegatingQueryInterface(iid, out);
  object->NonDelegatingRelease();
  return hr;
}

}  // namespace zelvo::com
