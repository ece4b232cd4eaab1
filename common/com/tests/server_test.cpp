#include "common/com/server.h"

#include <gtest/gtest.h>

#include <new>

#include "common/com/com_ptr.h"

namespace {

using namespace zelvo::com;

const CLSID kAggregatable = {0x6a3e1f60, 0x0c4b, 0x4d7a, {0x9e, 0x21, 0x5b, 0x8c, 0x7d, 0x2f, 0x9a, 0x10}};
const CLSID kPlain = {0x6a3e1f61, 0x0c4b, 0x4d7a, {0x9e, 0x21, 0x5b, 0x8c, 0x7d, 0x2f, 0x9a, 0x10}};

// A class with one interface of its own (IPersist stands in for it).
class Sample final : public UnknownBase, public IPersist {
 public:
  explicit Sample(IUnknown* outer) : UnknownBase(outer) {}
  ZELVO_DELEGATING_IUNKNOWN
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IPersist)) return GetInterface(static_cast<IPersist*>(this), out);
    return UnknownBase::NonDelegatingQueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override {
    *clsid = kAggregatable;
    return S_OK;
  }
  static HRESULT Create(IUnknown* outer, REFIID iid, void** out) {
    auto* object = new (std::nothrow) Sample(outer);
    if (!object) return E_OUTOFMEMORY;
    return FinishCreate(object, iid, out);
  }
};

const ClassEntry kClasses[] = {
    {&kAggregatable, &Sample::Create, true},
    {&kPlain, &Sample::Create, false},
};

ComPtr<IClassFactory> Factory(REFCLSID clsid) {
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(S_OK, GetClassObject(kClasses, 2, clsid, IID_IClassFactory, factory.put_void()));
  return factory;
}

// An outer object that only counts references.
struct Outer : IUnknown {
  LONG refs = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

TEST(ClassFactory, UnknownClassIsNotAvailable) {
  const CLSID other = {0x6a3e1f62, 0x0c4b, 0x4d7a, {0x9e, 0x21, 0x5b, 0x8c, 0x7d, 0x2f, 0x9a, 0x10}};
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, GetClassObject(kClasses, 2, other, IID_IClassFactory, &out));
  EXPECT_EQ(nullptr, out);
}

TEST(ClassFactory, CreatesAndCountsObjectsForUnload) {
  ASSERT_EQ(S_OK, CanUnloadServer());
  {
    ComPtr<IClassFactory> factory = Factory(kPlain);
    EXPECT_EQ(S_FALSE, CanUnloadServer()) << "a live factory keeps the server loaded";
    ComPtr<IPersist> object;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IPersist, object.put_void()));
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, object.query(IID_IUnknown, unknown));
    ComPtr<IPersist> again;
    EXPECT_EQ(S_OK, unknown.query(IID_IPersist, again));
    EXPECT_EQ(object.get(), again.get());
    ComPtr<IStream> none;
    EXPECT_EQ(E_NOINTERFACE, unknown.query(IID_IStream, none));
  }
  EXPECT_EQ(S_OK, CanUnloadServer());
}

TEST(ClassFactory, LockServerHoldsTheModule) {
  ComPtr<IClassFactory> factory = Factory(kPlain);
  factory->LockServer(TRUE);
  factory = nullptr;
  EXPECT_EQ(S_FALSE, CanUnloadServer());
  Factory(kPlain)->LockServer(FALSE);
  EXPECT_EQ(S_OK, CanUnloadServer());
}

TEST(ClassFactory, AggregationRules) {
  Outer outer;
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(CLASS_E_NOAGGREGATION, Factory(kAggregatable)->CreateInstance(&outer, IID_IPersist, &out))
      << "an aggregating create must ask for IUnknown";
  EXPECT_EQ(nullptr, out);
  EXPECT_EQ(CLASS_E_NOAGGREGATION, Factory(kPlain)->CreateInstance(&outer, IID_IUnknown, &out));

  ComPtr<IUnknown> inner;
  ASSERT_EQ(S_OK, Factory(kAggregatable)->CreateInstance(&outer, IID_IUnknown, inner.put_void()));
  EXPECT_EQ(1, outer.refs) << "the inner object holds no reference to its outer";
  ComPtr<IPersist> persist;
  ASSERT_EQ(S_OK, inner.query(IID_IPersist, persist));
  EXPECT_EQ(2, outer.refs) << "interfaces of the inner object count on the outer one";
  void* viaOuter = nullptr;
  EXPECT_EQ(E_NOINTERFACE, persist->QueryInterface(IID_IPersist, &viaOuter))
      << "QueryInterface on an inner interface goes to the outer object";
  persist = nullptr;
  EXPECT_EQ(1, outer.refs);
  inner = nullptr;
  EXPECT_EQ(S_OK, CanUnloadServer());
}

}  // namespace
