#include "common/com/com_ptr.h"

#include <gtest/gtest.h>

namespace {

using zelvo::com::ComPtr;

// An IUnknown that counts its references and never deletes itself.
struct Counted : IUnknown {
  LONG refs = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown)) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

TEST(ComPtr, TakesAndReleasesOneReferencePerOwner) {
  Counted object;
  {
    ComPtr<IUnknown> a(&object);
    EXPECT_EQ(2, object.refs);
    ComPtr<IUnknown> b = a;
    EXPECT_EQ(3, object.refs);
    ComPtr<IUnknown> c = std::move(b);
    EXPECT_EQ(3, object.refs);
    EXPECT_FALSE(b);
    c = nullptr;
    EXPECT_EQ(2, object.refs);
    a = a;
    EXPECT_EQ(2, object.refs);
  }
  EXPECT_EQ(1, object.refs);
}

TEST(ComPtr, AttachDetachAndPutDoNotCountTwice) {
  Counted object;
  ComPtr<IUnknown> p;
  object.AddRef();
  p.attach(&object);
  EXPECT_EQ(2, object.refs);
  IUnknown* raw = p.detach();
  EXPECT_EQ(&object, raw);
  EXPECT_EQ(2, object.refs);
  raw->Release();

  ComPtr<IUnknown> q(&object);
  ASSERT_EQ(S_OK, object.QueryInterface(IID_IUnknown, q.put_void()));
  EXPECT_EQ(2, object.refs) << "put() must release the previous reference";
  ComPtr<IUnknown> r;
  ASSERT_EQ(S_OK, q.query(IID_IUnknown, r));
  EXPECT_EQ(3, object.refs);
  IUnknown* out = nullptr;
  EXPECT_EQ(S_OK, r.copy_to(&out));
  EXPECT_EQ(4, object.refs);
  out->Release();
}

}  // namespace
