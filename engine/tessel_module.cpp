// Tessel.dll's four in-process server entry points.
#include <windows.h>

#include "common/com/registration.h"
#include "common/com/server.h"
#include "engine/media_engine.h"
#include "tessel.h"

namespace {

// {1E987568-EC98-479F-9C8B-DE6D815ABB39}
const GUID kTesselAppId = {0x1E987568, 0xEC98, 0x479F, {0x9C, 0x8B, 0xDE, 0x6D, 0x81, 0x5A, 0xBB, 0x39}};

const zelvo::com::ClassEntry kClasses[] = {{&CLSID_MediaEngine, &tessel::MediaEngine::Create, true}};

zelvo::com::ClassRegistration MediaEngineRegistration() {
  zelvo::com::ClassRegistration reg;
  reg.clsid = &CLSID_MediaEngine;
  reg.description = L"MediaEngine Class";
  reg.threadingModel = L"Apartment";
  reg.progId = L"Tessel.MediaEngine.1";
  reg.versionIndependentProgId = L"Tessel.MediaEngine";
  reg.appId = &kTesselAppId;
  reg.appIdName = L"Tessel";
  reg.appIdKey = L"Tessel.DLL";
  reg.programmable = true;
  reg.typeLib = &LIBID_TesselLib;
  return reg;
}

}  // namespace

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return zelvo::com::GetClassObject(kClasses, 1, clsid, iid, out);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return zelvo::com::CanUnloadServer(); }

HRESULT STDAPICALLTYPE DllRegisterServer() { return zelvo::com::RegisterServerAndTypeLib(MediaEngineRegistration()); }

HRESULT STDAPICALLTYPE DllUnregisterServer() { return zelvo::com::UnregisterServerAndTypeLib(MediaEngineRegistration()); }

}  // extern "C"
