#include "common/com/registration.h"

#include <gtest/gtest.h>
#include <oleauto.h>

#include "common/com/handles.h"
#include "common/com/module.h"

namespace {

using namespace zelvo::com;

const CLSID kClass = {0x6a3e1f70, 0x0c4b, 0x4d7a, {0x9e, 0x21, 0x5b, 0x8c, 0x7d, 0x2f, 0x9a, 0x10}};
const GUID kAppId = {0x6a3e1f71, 0x0c4b, 0x4d7a, {0x9e, 0x21, 0x5b, 0x8c, 0x7d, 0x2f, 0x9a, 0x10}};
const GUID kLibId = {0x6a3e1f52, 0x0c4b, 0x4d7a, {0x9e, 0x21, 0x5b, 0x8c, 0x7d, 0x2f, 0x9a, 0x10}};

bool KeyExists(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::wstring Value(const std::wstring& path, const wchar_t* name = nullptr) {
  wchar_t buffer[512] = {};
  DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &bytes) != ERROR_SUCCESS)
    return L"<missing>";
  return buffer;
}

ClassRegistration FullRegistration() {
  ClassRegistration reg;
  reg.clsid = &kClass;
  reg.description = L"Zelvo Test Class";
  reg.threadingModel = L"Apartment";
  reg.progId = L"Zelvo.ComTest.1";
  reg.versionIndependentProgId = L"Zelvo.ComTest";
  reg.appId = &kAppId;
  reg.appIdName = L"ZelvoComTest";
  reg.appIdKey = L"ZelvoComTest.DLL";
  reg.programmable = true;
  reg.typeLib = &kLibId;
  return reg;
}

TEST(Registration, GuidStringIsBracedUpperCase) {
  EXPECT_EQ(L"{6A3E1F70-0C4B-4D7A-9E21-5B8C7D2F9A10}", GuidString(kClass));
}

TEST(Registration, WritesEveryClassEntryAndRemovesThemAgain) {
  const ClassRegistration reg = FullRegistration();
  const std::wstring path = ModulePath();
  ASSERT_FALSE(path.empty());
  ASSERT_EQ(S_OK, RegisterComClass(reg, path));

  const std::wstring key = L"CLSID\\" + GuidString(kClass);
  const std::wstring app = GuidString(kAppId);
  EXPECT_EQ(L"Zelvo Test Class", Value(key));
  EXPECT_EQ(path, Value(key + L"\\InprocServer32"));
  EXPECT_EQ(L"Apartment", Value(key + L"\\InprocServer32", L"ThreadingModel"));
  EXPECT_EQ(L"Zelvo.ComTest.1", Value(key + L"\\ProgID"));
  EXPECT_EQ(L"Zelvo.ComTest", Value(key + L"\\VersionIndependentProgID"));
  EXPECT_EQ(app, Value(key, L"AppID"));
  EXPECT_TRUE(KeyExists(key + L"\\Programmable"));
  EXPECT_EQ(GuidString(kLibId), Value(key + L"\\TypeLib"));
  EXPECT_EQ(GuidString(kClass), Value(L"Zelvo.ComTest.1\\CLSID"));
  EXPECT_EQ(L"Zelvo.ComTest.1", Value(L"Zelvo.ComTest\\CurVer"));
  EXPECT_EQ(GuidString(kClass), Value(L"Zelvo.ComTest\\CLSID"));
  EXPECT_EQ(L"ZelvoComTest", Value(L"AppID\\" + app));
  EXPECT_EQ(app, Value(L"AppID\\ZelvoComTest.DLL", L"AppID"));

  CLSID fromProgId = {};
  EXPECT_EQ(S_OK, CLSIDFromProgID(L"Zelvo.ComTest", &fromProgId));
  EXPECT_TRUE(IsEqualCLSID(kClass, fromProgId));

  ASSERT_EQ(S_OK, UnregisterComClass(reg));
  EXPECT_FALSE(KeyExists(key));
  EXPECT_FALSE(KeyExists(L"Zelvo.ComTest.1"));
  EXPECT_FALSE(KeyExists(L"Zelvo.ComTest"));
  EXPECT_FALSE(KeyExists(L"AppID\\" + app));
  EXPECT_FALSE(KeyExists(L"AppID\\ZelvoComTest.DLL"));
  EXPECT_EQ(S_OK, UnregisterComClass(reg)) << "removing twice is not an error";
}

TEST(Registration, RefusesAClassWithoutId) {
  ClassRegistration reg;
  EXPECT_EQ(E_INVALIDARG, RegisterComClass(reg, L"C:\\x.dll"));
  reg.clsid = &kClass;
  EXPECT_EQ(E_INVALIDARG, RegisterComClass(reg, L""));
}

TEST(Registration, EmbeddedTypeLibraryRegistersAndUnregisters) {
  const std::wstring path = ModulePath();
  const std::wstring key = L"TypeLib\\" + GuidString(kLibId);
  ASSERT_EQ(S_OK, RegisterEmbeddedTypeLib(path));
  EXPECT_TRUE(KeyExists(key + L"\\1.0"));
  ITypeLib* lib = nullptr;
  ASSERT_EQ(S_OK, LoadRegTypeLib(kLibId, 1, 0, 0, &lib));
  lib->Release();
  ASSERT_EQ(S_OK, UnregisterEmbeddedTypeLib(path));
  EXPECT_FALSE(KeyExists(key + L"\\1.0"));
}

TEST(Registration, ModuleWithoutTypeLibraryFails) {
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  EXPECT_TRUE(FAILED(RegisterEmbeddedTypeLib(std::wstring(system) + L"\\kernel32.dll")));
  EXPECT_TRUE(FAILED(RegisterEmbeddedTypeLib(L"Z:\\no\\such\\module.dll")));
}

}  // namespace
