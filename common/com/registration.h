// Registry entries of an in-process COM class and of a type library carried
// in the module's resources (resource type "TYPELIB").
#pragma once

#include <windows.h>

#include <string>

namespace zelvo::com {

// What to write for one class. Null members are left out.
struct ClassRegistration {
  const CLSID* clsid = nullptr;
  const wchar_t* description = nullptr;     // CLSID\{clsid} default value
  const wchar_t* threadingModel = nullptr;  // "Apartment", "Both", ...
  const wchar_t* progId = nullptr;          // "Lib.Class.1"
  const wchar_t* versionIndependentProgId = nullptr;  // "Lib.Class", CurVer = progId
  const GUID* appId = nullptr;
  const wchar_t* appIdName = nullptr;       // AppID\{appId} default value
  const wchar_t* appIdKey = nullptr;        // AppID\<appIdKey> with value AppID = {appId}
  bool programmable = false;
  const GUID* typeLib = nullptr;            // CLSID\{clsid}\TypeLib default value
};

// "{XXXXXXXX-...}" in upper case.
std::wstring GuidString(REFGUID guid);

// Writes the entries under HKEY_CLASSES_ROOT with InprocServer32 = modulePath.
HRESULT RegisterComClass(const ClassRegistration& reg, const std::wstring& modulePath);
// Removes what RegisterComClass wrote; entries already gone are no error.
HRESULT UnregisterComClass(const ClassRegistration& reg);

// Registers / unregisters the type library embedded in the module at path
// (the first TYPELIB resource).
HRESULT RegisterEmbeddedTypeLib(const std::wstring& modulePath);
HRESULT UnregisterEmbeddedTypeLib(const std::wstring& modulePath);

// DllRegisterServer / DllUnregisterServer of a module with one class and
// an embedded type library: the class and the library together, nothing
// left behind when either fails.
HRESULT RegisterServerAndTypeLib(const ClassRegistration& reg);
HRESULT UnregisterServerAndTypeLib(const ClassRegistration& reg);

}  // namespace zelvo::com
