// Skarn.dll's four in-process server entry points.
#include <windows.h>

#include "avirepair/skarn/skarner.h"
#include "common/com/registration.h"
#include "common/com/server.h"
#include "skarn.h"

namespace {

// {B7F126A7-ACA2-4EEA-AABA-D02B0A25A152}
const GUID kSkarnAppId = {0xB7F126A7, 0xACA2, 0x4EEA, {0xAA, 0xBA, 0xD0, 0x2B, 0x0A, 0x25, 0xA1, 0x52}};

const zelvo::com::ClassEntry kClasses[] = {{&CLSID_Skarner, &skarn::Skarner::Create, false}};

zelvo::com::ClassRegistration SkarnerRegistration() {
  zelvo::com::ClassRegistration reg;
  reg.clsid = &CLSID_Skarner;
  reg.description = L"Skarner Class";
  reg.threadingModel = L"Apartment";
  reg.progId = L"Skarn.Skarner.1";
  reg.versionIndependentProgId = L"Skarn.Skarner";
  reg.appId = &kSkarnAppId;
  reg.appIdName = L"Skarn";
  reg.appIdKey = L"Skarn.DLL";
  reg.programmable = true;
  reg.typeLib = &LIBID_SkarnLib;
  return reg;
}

}  // namespace

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return zelvo::com::GetClassObject(kClasses, 1, clsid, iid, out);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return zelvo::com::CanUnloadServer(); }

HRESULT STDAPICALLTYPE DllRegisterServer() { return zelvo::com::RegisterServerAndTypeLib(SkarnerRegistration()); }

HRESULT STDAPICALLTYPE DllUnregisterServer() { return zelvo::com::UnregisterServerAndTypeLib(SkarnerRegistration()); }

}  // extern "C"
