// In-process COM server plumbing: the count of live objects and server locks
// behind DllCanUnloadNow, a non-delegating IUnknown for aggregatable objects,
// and one generic class factory driven by a table of classes.
#pragma once

#include <objbase.h>

#include <cstddef>

namespace zelvo::com {

// Live objects plus IClassFactory::LockServer(TRUE) calls of this module.
void AddServerReference();
void ReleaseServerReference();
long ServerReferenceCount();
// S_OK when no object is alive and the server is not locked, else S_FALSE.
HRESULT CanUnloadServer();

// Held as a member (or base) by every COM object of the module, so the module
// stays loaded while any of them lives.
class ServerReference {
 public:
  ServerReference() { AddServerReference(); }
  ServerReference(const ServerReference&) { AddServerReference(); }
  ServerReference& operator=(const ServerReference&) = default;
  ~ServerReference() { ReleaseServerReference(); }
};

// The inner IUnknown of an aggregatable object. Its vtable has IUnknown's
// layout, so a pointer to it can be handed out as the inner IUnknown.
struct INonDelegatingUnknown {
  virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) = 0;
  virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;
};

// Reference counting and the outer-unknown link of an object. A derived class
// implements its interfaces' IUnknown methods with ZELVO_DELEGATING_IUNKNOWN
// (which forwards to the outer object, or to this object when not aggregated)
// and extends NonDelegatingQueryInterface.
class UnknownBase : public INonDelegatingUnknown {
 public:
  explicit UnknownBase(IUnknown* outer);
  UnknownBase(const UnknownBase&) = delete;
  UnknownBase& operator=(const UnknownBase&) = delete;
  virtual ~UnknownBase() = default;

  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
  ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

  IUnknown* OuterUnknown() const { return outer_; }
  IUnknown* InnerUnknown() { return reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(this)); }

  // Stores iface in *out with one reference taken through the outer unknown.
  static HRESULT GetInterface(IUnknown* iface, void** out);

 private:
  IUnknown* outer_;
  volatile LONG refs_ = 1;
  ServerReference server_;
};

#define ZELVO_DELEGATING_IUNKNOWN                                                        \
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {          \
    return OuterUnknown()->QueryInterface(iid, out);                                   \
  }                                                                                    \
  ULONG STDMETHODCALLTYPE AddRef() override { return OuterUnknown()->AddRef(); }       \
  ULONG STDMETHODCALLTYPE Release() override { return OuterUnknown()->Release(); }

// The IUnknown of a small object that answers one interface besides
// IUnknown and is never aggregated (class factories, enumerators).
template <class Interface>
class SingleInterface : public Interface {
 public:
  explicit SingleInterface(REFIID iid) : iid_(iid) {}
  SingleInterface(const SingleInterface&) = delete;
  SingleInterface& operator=(const SingleInterface&) = delete;
  virtual ~SingleInterface() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, iid_)) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
  }

 private:
  const IID& iid_;  // one of the platform's interface identifiers
  volatile LONG refs_ = 1;
};

// Creates a new object. outer is null or the aggregating object, in which
// case iid is IID_IUnknown and the inner unknown is returned. The new object
// starts with one reference that the function gives to *out or releases.
using CreateInstanceFunction = HRESULT (*)(IUnknown* outer, REFIID iid, void** out);

struct ClassEntry {
  const CLSID* clsid;
  CreateInstanceFunction create;
  bool aggregatable;
};

// Hands the factory for clsid from the module's table (DllGetClassObject).
HRESULT GetClassObject(const ClassEntry* table, std::size_t count, REFCLSID clsid, REFIID iid, void** out);

// Helper for a CreateInstanceFunction: takes the object's initial reference
// and answers iid (through the inner unknown, so aggregation works).
HRESULT FinishCreate(UnknownBase* object, REFIID iid, void** out);

}  // namespace zelvo::com
