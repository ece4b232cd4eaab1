// Loads the built type libraries through the real OLE Automation under Wine
// and checks every identifier, slot, dispatch id, flag and help string that
// callers of Tessel and Skarn rely on.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skarn.h"
#include "tessel.h"

namespace {

std::wstring GeneratedPath(const wchar_t* file) {
  wchar_t module[MAX_PATH];
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring path(module);
  path.erase(path.find_last_of(L'\\') + 1);
  return path + L"generated\\" + file;
}

struct Lib {
  ITypeLib* lib = nullptr;
  explicit Lib(const wchar_t* file) {
    HRESULT hr = LoadTypeLibEx(GeneratedPath(file).c_str(), REGKIND_NONE, &lib);
    EXPECT_EQ(S_OK, hr) << "LoadTypeLibEx failed";
  }
  ~Lib() {
    if (lib) lib->Release();
  }
};

std::wstring Doc(ITypeInfo* info, MEMBERID id, std::wstring* help = nullptr) {
  BSTR name = nullptr, doc = nullptr;
  EXPECT_EQ(S_OK, info->GetDocumentation(id, &name, &doc, nullptr, nullptr));
  std::wstring n = name ? name : L"";
  if (help) *help = doc ? doc : L"";
  SysFreeString(name);
  SysFreeString(doc);
  return n;
}

enum Kind { M, G, P };  // method, property get, property put

struct Member {
  int slot;
  int dispid;
  Kind kind;
  const wchar_t* name;
  int params;  // parameters, [retval] included
};

// Checks the vtable half of a dual interface member by member, in slot order.
void CheckDual(ITypeLib* lib, REFIID iid, const wchar_t* name, const wchar_t* help,
               const std::vector<Member>& members, const wchar_t* odd_help_member = nullptr,
               const wchar_t* odd_help = nullptr) {
  SCOPED_TRACE(std::string(name, name + wcslen(name)));
  ITypeInfo* disp = nullptr;
  ASSERT_EQ(S_OK, lib->GetTypeInfoOfGuid(iid, &disp));
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(S_OK, disp->GetTypeAttr(&attr));
  EXPECT_EQ(TKIND_DISPATCH, attr->typekind);
  EXPECT_TRUE(IsEqualGUID(iid, attr->guid));
  const WORD dual = TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;
  EXPECT_EQ(dual, attr->wTypeFlags & dual);
  disp->ReleaseTypeAttr(attr);

  std::wstring doc;
  EXPECT_EQ(name, Doc(disp, MEMBERID_NIL, &doc));
  EXPECT_EQ(help, doc);

  // The vtable interface behind the dispinterface.
  HREFTYPE ref;
  ASSERT_EQ(S_OK, disp->GetRefTypeOfImplType(-1, &ref));
  ITypeInfo* vt = nullptr;
  ASSERT_EQ(S_OK, disp->GetRefTypeInfo(ref, &vt));
  ASSERT_EQ(S_OK, vt->GetTypeAttr(&attr));
  EXPECT_EQ(TKIND_INTERFACE, attr->typekind);
  const WORD automation = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FNONEXTENSIBLE;
  EXPECT_EQ(automation, attr->wTypeFlags & automation);
  ASSERT_EQ(members.size(), attr->cFuncs);
  vt->ReleaseTypeAttr(attr);

  for (UINT i = 0; i < members.size(); ++i) {
    const Member& m = members[i];
    SCOPED_TRACE(std::string(m.name, m.name + wcslen(m.name)));
    FUNCDESC* fd = nullptr;
    ASSERT_EQ(S_OK, vt->GetFuncDesc(i, &fd));
    EXPECT_EQ(m.slot * static_cast<int>(sizeof(void*)), fd->oVft);
    EXPECT_EQ(m.dispid, fd->memid);
    const INVOKEKIND kinds[] = {INVOKE_FUNC, INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT};
    EXPECT_EQ(kinds[m.kind], fd->invkind);
    EXPECT_EQ(m.params, fd->cParams);
    EXPECT_EQ(VT_HRESULT, fd->elemdescFunc.tdesc.vt);
    std::wstring member_help;
    EXPECT_EQ(m.name, Doc(vt, fd->memid, &member_help));
    std::wstring expected_help =
        (odd_help_member && wcscmp(odd_help_member, m.name) == 0)
            ? odd_help
            : std::wstring(m.kind == M ? L"method " : L"property ") + m.name;
    // Help strings are per member id; a get/put pair shares one.
    EXPECT_EQ(expected_help, member_help);
    vt->ReleaseFuncDesc(fd);
  }
  vt->Release();
  disp->Release();
}

TEST(TesselTypeLibrary, LibraryAttributes) {
  Lib tl(L"tessel.tlb");
  ASSERT_TRUE(tl.lib);
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(S_OK, tl.lib->GetLibAttr(&attr));
  EXPECT_TRUE(IsEqualGUID(LIBID_TesselLib, attr->guid));
  EXPECT_EQ(1, attr->wMajorVerNum);
  EXPECT_EQ(0, attr->wMinorVerNum);
  EXPECT_EQ(1033u, attr->lcid);
  tl.lib->ReleaseTLibAttr(attr);
  BSTR name = nullptr, doc = nullptr;
  ASSERT_EQ(S_OK, tl.lib->GetDocumentation(-1, &name, &doc, nullptr, nullptr));
  EXPECT_STREQ(L"TesselLib", name);
  EXPECT_STREQ(L"Tessel 1.0 Type Library", doc);
  SysFreeString(name);
  SysFreeString(doc);

  GUID libid = {0xAE4BE380, 0x96E8, 0x42E0, {0x9C, 0xC6, 0xBD, 0x3A, 0xE3, 0x9E, 0xAB, 0x8A}};
  EXPECT_TRUE(IsEqualGUID(libid, LIBID_TesselLib));
}

TEST(TesselTypeLibrary, MediaEngineClassListsItsSixInterfaces) {
  Lib tl(L"tessel.tlb");
  ASSERT_TRUE(tl.lib);
  GUID clsid = {0xDDE62051, 0x2EDC, 0x45DA, {0xAB, 0xBE, 0xAB, 0x8F, 0x33, 0x0D, 0x61, 0xF2}};
  EXPECT_TRUE(IsEqualGUID(clsid, CLSID_MediaEngine));
  ITypeInfo* info = nullptr;
  ASSERT_EQ(S_OK, tl.lib->GetTypeInfoOfGuid(clsid, &info));
  std::wstring help;
  EXPECT_EQ(L"MediaEngine", Doc(info, MEMBERID_NIL, &help));
  EXPECT_EQ(L"MediaEngine Class", help);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
  EXPECT_EQ(TKIND_COCLASS, attr->typekind);
  ASSERT_EQ(6, attr->cImplTypes);
  info->ReleaseTypeAttr(attr);
  const IID* want[] = {&IID_IMediaEngine, &IID_IDecoderSelector, &IID_IPropertyPages,
                       &IID_IMediaStreams, &IID_IOverlayBmp,  &IID_ISubtitles};
  for (UINT i = 0; i < 6; ++i) {
    HREFTYPE ref;
    ASSERT_EQ(S_OK, info->GetRefTypeOfImplType(i, &ref));
    ITypeInfo* impl = nullptr;
    ASSERT_EQ(S_OK, info->GetRefTypeInfo(ref, &impl));
    TYPEATTR* ia = nullptr;
    ASSERT_EQ(S_OK, impl->GetTypeAttr(&ia));
    EXPECT_TRUE(IsEqualGUID(*want[i], ia->guid)) << "implemented interface " << i;
    impl->ReleaseTypeAttr(ia);
    impl->Release();
    INT flags = 0;
    ASSERT_EQ(S_OK, info->GetImplTypeFlags(i, &flags));
    EXPECT_EQ(i == 0, (flags & IMPLTYPEFLAG_FDEFAULT) != 0);
  }
  info->Release();
}

TEST(TesselTypeLibrary, InterfaceIdentifiers) {
  struct { const IID* iid; GUID want; } ids[] = {
      {&IID_IMediaEngine, {0x73D018BC, 0xA7D8, 0x482B, {0x91, 0x85, 0x50, 0xB7, 0x4D, 0x16, 0xB4, 0xA6}}},
      {&IID_IDecoderSelector, {0x45D06B4E, 0x8FA8, 0x4A90, {0xBB, 0x89, 0xBE, 0xB5, 0x3E, 0x2C, 0xBE, 0x01}}},
      {&IID_IPropertyPages, {0x76FB8775, 0x8B37, 0x424C, {0x95, 0x90, 0x82, 0xA3, 0x51, 0xC1, 0x10, 0x1E}}},
      {&IID_IMediaStreams, {0xCE40C322, 0x3657, 0x4BD8, {0xB0, 0x33, 0x1A, 0x50, 0xED, 0xC4, 0x8F, 0x20}}},
      {&IID_IOverlayBmp, {0x853B0CDC, 0x6FD4, 0x43DA, {0x95, 0xD6, 0xC4, 0x0C, 0x05, 0x73, 0x1C, 0x72}}},
      {&IID_ISubtitles, {0xF6A7520A, 0x6576, 0x405F, {0xAB, 0xDE, 0xD3, 0x35, 0xC3, 0xF2, 0x46, 0x67}}},
      {&IID_EngineNotify, {0xE9254723, 0x9359, 0x4C2A, {0x8F, 0xA5, 0xF6, 0x4B, 0xDB, 0x22, 0x69, 0xD3}}},
  };
  for (auto& id : ids) EXPECT_TRUE(IsEqualGUID(id.want, *id.iid));
}

TEST(TesselTypeLibrary, MediaEngineMembers) {
  Lib tl(L"tessel.tlb");
  ASSERT_TRUE(tl.lib);
  CheckDual(tl.lib, IID_IMediaEngine, L"IMediaEngine", L"IMediaEngine Interface",
            {{7, 1, G, L"FileName", 1},       {8, 1, P, L"FileName", 1},
             {9, 2, M, L"Play", 0},           {10, 3, M, L"Stop", 0},
             {11, 4, M, L"Pause", 0},         {12, 5, G, L"Duration", 1},
             {13, 6, G, L"CurrentPosition", 1}, {14, 6, P, L"CurrentPosition", 1},
             {15, 7, G, L"RewindUponComplete", 1}, {16, 7, P, L"RewindUponComplete", 1},
             {17, 8, G, L"Rate", 1},          {18, 8, P, L"Rate", 1},
             {19, 9, M, L"PlayBackwards", 0}, {20, 10, M, L"CanFrameStep", 2},
             {21, 11, M, L"FrameStep", 1},    {22, 12, M, L"PutCallback", 1},
             {23, 13, G, L"Repeat", 1},       {24, 13, P, L"Repeat", 1},
             {25, 27, G, L"Initialized", 1},  {26, 32, M, L"Reset", 0},
             {27, 33, M, L"UseVideoEffects", 1}});
}

TEST(TesselTypeLibrary, DecoderSelectorAndPropertyPagesMembers) {
  Lib tl(L"tessel.tlb");
  ASSERT_TRUE(tl.lib);
  CheckDual(tl.lib, IID_IDecoderSelector, L"IDecoderSelector", L"IDecoderSelector Interface",
            {{7, 1, G, L"EnableManualSelection", 2}, {8, 1, P, L"EnableManualSelection", 2},
             {9, 2, M, L"CountSuitableDecoders", 2}, {10, 3, M, L"GetDecoderNames", 2},
             {11, 4, M, L"UseDecoder", 2},           {12, 5, M, L"LoadDecoders", 1}});
  CheckDual(tl.lib, IID_IPropertyPages, L"IPropertyPages", L"IPropertyPages Interface",
            {{7, 1, M, L"ShowPages", 2}});
}

TEST(TesselTypeLibrary, MediaStreamsMembers) {
  Lib tl(L"tessel.tlb");
  ASSERT_TRUE(tl.lib);
  CheckDual(tl.lib, IID_IMediaStreams, L"IMediaStreams", L"IMediaStreams Interface",
            {{7, 1, M, L"GetCount", 1},          {8, 2, M, L"GetStreamType", 2},
             {9, 3, G, L"Brightness", 2},        {10, 3, P, L"Brightness", 2},
             {11, 4, G, L"VwDrain", 2},          {12, 4, P, L"VwDrain", 2},
             {13, 5, G, L"VwOwner", 2},          {14, 5, P, L"VwOwner", 2},
             {15, 7, G, L"VwRight", 2},          {16, 7, P, L"VwRight", 2},
             {17, 8, G, L"VwLeft", 2},           {18, 8, P, L"VwLeft", 2},
             {19, 9, G, L"VwTop", 2},            {20, 9, P, L"VwTop", 2},
             {21, 10, G, L"VwBottom", 2},        {22, 10, P, L"VwBottom", 2},
             {23, 11, G, L"VideoHeight", 2},     {24, 12, G, L"VideoWidth", 2},
             {25, 14, G, L"Volume", 2},          {26, 14, P, L"Volume", 2},
             {27, 15, G, L"Balance", 2},         {28, 15, P, L"Balance", 2},
             {29, 16, M, L"ShowVideoWindow", 2}, {30, 17, G, L"RateFPS", 2},
             {31, 17, P, L"RateFPS", 2},         {32, 18, M, L"NotifyOwnerMessage", 5},
             {33, 19, G, L"FramesPlayed", 2},    {34, 20, G, L"AspectRatio", 2},
             {35, 20, P, L"AspectRatio", 2},     {36, 21, M, L"ResizeVideoWindow", 1},
             {37, 22, G, L"CustomXAspect", 2},   {38, 22, P, L"CustomXAspect", 2},
             {39, 23, G, L"CustomYAspect", 2},   {40, 23, P, L"CustomYAspect", 2},
             {41, 24, G, L"Bitrate", 2},         {42, 25, G, L"EnableStream", 2},
             {43, 25, P, L"EnableStream", 2},    {44, 26, M, L"SetFullscreen", 2},
             {45, 27, M, L"ResetFullscreen", 1}, {46, 28, M, L"SetWindowZOrder", 2},
             {47, 29, G, L"Contrast", 2},        {48, 29, P, L"Contrast", 2},
             {49, 30, M, L"RebuildStream", 1},   {50, 31, M, L"ShowCursor", 2},
             {51, 32, G, L"RateDefaultFPS", 2}},
            L"RebuildStream", L"method RebuildBranch");
}

TEST(TesselTypeLibrary, OverlayAndSubtitlesMembers) {
  Lib tl(L"tessel.tlb");
  ASSERT_TRUE(tl.lib);
  CheckDual(tl.lib, IID_IOverlayBmp, L"IOverlayBmp", L"IOverlayBmp\tInterface",
            {{7, 1, G, L"EnableOverlay", 2}, {8, 1, P, L"EnableOverlay", 2},
             {9, 2, M, L"SetBitmap", 8},     {10, 3, M, L"SetText", 11}});
  CheckDual(tl.lib, IID_ISubtitles, L"ISubtitles", L"ISubtitles Interface",
            {{7, 1, M, L"SetFile", 1},      {8, 2, M, L"SetRect", 4},
             {9, 3, M, L"SetFontName", 1},  {10, 4, M, L"Enable", 1},
             {11, 5, M, L"SetFontSize", 1}, {12, 6, M, L"SetFontItalic", 1},
             {13, 7, M, L"SetFontBold", 1}, {14, 8, M, L"SetTextColor", 1}});
}

TEST(SkarnTypeLibrary, LibraryClassAndInterface) {
  Lib sl(L"skarn.tlb");
  ASSERT_TRUE(sl.lib);
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(S_OK, sl.lib->GetLibAttr(&attr));
  GUID libid = {0x4D028583, 0x2F64, 0x4D88, {0x87, 0x7F, 0xE7, 0x95, 0xE2, 0xA3, 0x86, 0x39}};
  EXPECT_TRUE(IsEqualGUID(libid, attr->guid));
  EXPECT_EQ(1, attr->wMajorVerNum);
  EXPECT_EQ(0, attr->wMinorVerNum);
  sl.lib->ReleaseTLibAttr(attr);
  BSTR name = nullptr, doc = nullptr;
  ASSERT_EQ(S_OK, sl.lib->GetDocumentation(-1, &name, &doc, nullptr, nullptr));
  EXPECT_STREQ(L"SkarnLib", name);
  EXPECT_STREQ(L"Skarn 1.0 Type Library", doc);
  SysFreeString(name);
  SysFreeString(doc);

  GUID clsid = {0x2225E9BC, 0xAFB3, 0x4ED4, {0xB2, 0x0E, 0x4F, 0x6C, 0xF1, 0xC3, 0x9F, 0x8B}};
  EXPECT_TRUE(IsEqualGUID(clsid, CLSID_Skarner));
  ITypeInfo* info = nullptr;
  ASSERT_EQ(S_OK, sl.lib->GetTypeInfoOfGuid(clsid, &info));
  std::wstring help;
  EXPECT_EQ(L"Skarner", Doc(info, MEMBERID_NIL, &help));
  EXPECT_EQ(L"Skarner Class", help);
  info->Release();

  GUID iid = {0xEEC46E30, 0xC3E2, 0x47A0, {0x84, 0x3B, 0x1D, 0xFF, 0x5D, 0x96, 0xC0, 0x8E}};
  EXPECT_TRUE(IsEqualGUID(iid, IID_ISkarner));
  CheckDual(sl.lib, IID_ISkarner, L"ISkarner", L"ISkarner Interface",
            {{7, 1, M, L"StartFix", 0},          {8, 2, M, L"Cancel", 0},
             {9, 3, M, L"SetInputFile", 1},      {10, 4, M, L"SetOutputFile", 1},
             {11, 5, M, L"GetPercentComplete", 1}, {12, 6, M, L"IsCompleted", 1}});
}

}  // namespace
