#include "common/com/registration.h"

#include <oleauto.h>

#include "common/com/com_ptr.h"
#include "common/com/handles.h"
#include "common/com/module.h"

namespace zelvo::com {
namespace {

HRESULT SetKeyValue(const std::wstring& keyPath, const wchar_t* valueName, const wchar_t* value) {
  RegKey key;
  HKEY raw = nullptr;
  LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_SET_VALUE, nullptr, &raw, nullptr);
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  key.reset(raw);
  if (!value) return S_OK;
  DWORD bytes = static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t));
  rc = RegSetValueExW(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes);
  return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc);
}

HRESULT DeleteTree(const std::wstring& keyPath) {
  LONG rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, keyPath.c_str());
  if (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) {
    rc = RegDeleteKeyW(HKEY_CLASSES_ROOT, keyPath.c_str());
    if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;
  }
  return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc);
}

}  // namespace

std::wstring GuidString(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

HRESULT RegisterComClass(const ClassRegistration& reg, const std::wstring& modulePath) {
  if (!reg.clsid || modulePath.empty()) return E_INVALIDARG;
  const std::wstring clsid = GuidString(*reg.clsid);
  const std::wstring classKey = L"CLSID\\" + clsid;
  HRESULT hr = SetKeyValue(classKey, nullptr, reg.description);
  if (SUCCEEDED(hr)) hr = SetKeyValue(classKey + L"\\InprocServer32", nullptr, modulePath.c_str());
  if (SUCCEEDED(hr) && reg.threadingModel)
    hr = SetKeyValue(classKey + L"\\InprocServer32", L"ThreadingModel", reg.threadingModel);
  if (SUCCEEDED(hr) && reg.progId) {
    hr = SetKeyValue(classKey + L"\\ProgID", nullptr, reg.progId);
    if (SUCCEEDED(hr)) hr = SetKeyValue(reg.progId, nullptr, reg.description);
    if (SUCCEEDED(hr)) hr = SetKeyValue(std::wstring(reg.progId) + L"\\CLSID", nullptr, clsid.c_str());
  }
  if (SUCCEEDED(hr) && reg.versionIndependentProgId) {
    const std::wstring vi = reg.versionIndependentProgId;
    hr = SetKeyValue(classKey + L"\\VersionIndependentProgID", nullptr, vi.c_str());
    if (SUCCEEDED(hr)) hr = SetKeyValue(vi, nullptr, reg.description);
    if (SUCCEEDED(hr)) hr = SetKeyValue(vi + L"\\CLSID", nullptr, clsid.c_str());
    if (SUCCEEDED(hr) && reg.progId) hr = SetKeyValue(vi + L"\\CurVer", nullptr, reg.progId);
  }
  if (SUCCEEDED(hr) && reg.appId) {
    const std::wstring appId = GuidString(*reg.appId);
    hr = SetKeyValue(classKey, L"AppID", appId.c_str());
    if (SUCCEEDED(hr)) hr = SetKeyValue(L"AppID\\" + appId, nullptr, reg.appIdName);
    if (SUCCEEDED(hr) && reg.appIdKey) hr = SetKeyValue(std::wstring(L"AppID\\") + reg.appIdKey, L"AppID", appId.c_str());
  }
  if (SUCCEEDED(hr) && reg.programmable) hr = SetKeyValue(classKey + L"\\Programmable", nullptr, nullptr);
  if (SUCCEEDED(hr) && reg.typeLib) hr = SetKeyValue(classKey + L"\\TypeLib", nullptr, GuidString(*reg.typeLib).c_str());
  if (FAILED(hr)) UnregisterComClass(reg);
  return hr;
}

HRESULT UnregisterComClass(const ClassRegistration& reg) {
  if (!reg.clsid) return E_INVALIDARG;
  HRESULT result = S_OK;
  auto remove = [&result](const std::wstring& key) {
    HRESULT hr = DeleteTree(key);
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  };
  remove(L"CLSID\\" + GuidString(*reg.clsid));
  if (reg.progId) remove(reg.progId);
  if (reg.versionIndependentProgId) remove(reg.versionIndependentProgId);
  if (reg.appId) {
    remove(L"AppID\\" + GuidString(*reg.appId));
    if (reg.appIdKey) remove(std::wstring(L"AppID\\") + reg.appIdKey);
  }
  return result;
}

HRESULT RegisterEmbeddedTypeLib(const std::wstring& modulePath) {
  ComPtr<ITypeLib> lib;
  return LoadTypeLibEx(modulePath.c_str(), REGKIND_REGISTER, lib.put());
}

HRESULT UnregisterEmbeddedTypeLib(const std::wstring& modulePath) {
  ComPtr<ITypeLib> lib;
  HRESULT hr = LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, lib.put());
  if (FAILED(hr)) return hr;
  TLIBATTR* attr = nullptr;
  hr = lib->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  const TLIBATTR copy = *attr;
  lib->ReleaseTLibAttr(attr);
  hr = UnRegisterTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, copy.syskind);
  // Already unregistered is not a failure.
  if (hr == TYPE_E_REGISTRYACCESS) hr = S_OK;
  return hr;
}

HRESULT RegisterServerAndTypeLib(const ClassRegistration& reg) {
  const std::wstring path = ModulePath();
  HRESULT hr = RegisterComClass(reg, path);
  if (SUCCEEDED(hr)) hr = RegisterEmbeddedTypeLib(path);
  if (FAILED(hr)) UnregisterComClass(reg);
  return hr;
}

HRESULT UnregisterServerAndTypeLib(const ClassRegistration& reg) {
  HRESULT typeLib = UnregisterEmbeddedTypeLib(ModulePath());
  HRESULT classes = UnregisterComClass(reg);
  return FAILED(classes) ? classes : typeLib;
}

}  // namespace zelvo::com
