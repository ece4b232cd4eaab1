// IDispatch for a dual interface, answered from the type library embedded in
// the module's resources. An object with several dual interfaces derives
// from one DualDispatch per interface, so each interface's IDispatch slots
// reach the type information of that interface and not of another.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "common/com/module.h"

namespace zelvo::com {

// The type information of the interface iid from the module's own type
// library, loaded once per process and kept until the module unloads.
HRESULT ModuleTypeInfo(REFIID iid, ITypeInfo** info);

template <class Interface, const IID& Iid>
class DualDispatch : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return ModuleTypeInfo(Iid, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* info = nullptr;
    HRESULT hr = ModuleTypeInfo(Iid, &info);
    if (FAILED(hr)) return hr;
    hr = DispGetIDsOfNames(info, names, count, ids);
    info->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argError) override {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* info = nullptr;
    HRESULT hr = ModuleTypeInfo(Iid, &info);
    if (FAILED(hr)) return hr;
    hr = DispInvoke(static_cast<Interface*>(this), info, id, flags, params, result, exception, argError);
    info->Release();
    return hr;
  }
};

}  // namespace zelvo::com
