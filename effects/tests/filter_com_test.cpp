// The library as a COM server: registration through regsvr32, the offered
// media types, and the property page in the platform's property frame.
#include <dshow.h>
#include <dvdmedia.h>
#include <commctrl.h>
#include <olectl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

#include "effects/filter/video_effects_filter.h"
#include "effects/tests/filter_test_support.h"
#include "video_effects.h"

namespace effects::testing {
namespace {

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

std::wstring RegValue(const std::wstring& key, const wchar_t* name = nullptr) {
  wchar_t buffer[512] = {};
  DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &bytes) != ERROR_SUCCESS)
    return L"<missing>";
  return buffer;
}

bool RegValueExists(const std::wstring& key, const wchar_t* name) {
  return RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// Runs the system's regsvr32 silently; returns its exit code.
DWORD RunRegsvr32(bool unregister) {
  std::wstring command = L"regsvr32.exe /s ";
  if (unregister) command += L"/u ";
  command += L"\"" + LibraryPath() + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return 0xFFFFFFFF;
  WaitForSingleObject(process.hProcess, 30000);
  DWORD code = 0xFFFFFFFF;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

// True when the filter mapper lists the "Video Effects" filter among the
// filters of at least `merit`.
bool MapperListsFilter(DWORD merit) {
  ComPtr<IFilterMapper2> mapper;
  if (FAILED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                              mapper.put_void())))
    return false;
  ComPtr<IEnumMoniker> found;
  if (mapper->EnumMatchingFilters(found.put(), 0, FALSE, merit, FALSE, 0, nullptr, nullptr, nullptr, FALSE, FALSE, 0,
                                  nullptr, nullptr, nullptr) != S_OK)
    return false;
  for (;;) {
    ComPtr<IMoniker> moniker;
    if (found->Next(1, moniker.put(), nullptr) != S_OK) return false;
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.put_void()))) continue;
    VARIANT clsid;
    VariantInit(&clsid);
    const bool ours = SUCCEEDED(bag->Read(L"CLSID", &clsid, nullptr)) && clsid.vt == VT_BSTR &&
                      GuidText(CLSID_VideoEffects) == clsid.bstrVal;
    VariantClear(&clsid);
    if (ours) return true;
  }
}

const std::wstring kFilterKey = L"CLSID\\" + GuidText(CLSID_VideoEffects);
const std::wstring kPageKey = L"CLSID\\" + GuidText(CLSID_VideoEffectsPage);
const std::wstring kMapperKey =
    L"CLSID\\" + GuidText(CLSID_LegacyAmFilterCategory) + L"\\Instance\\" + GuidText(CLSID_VideoEffects);

class ComServer : public ::testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(ComServer, Regsvr32RegistersBothClassesAndTheFilterMapperEntryAndRemovesThem) {
  ASSERT_EQ(0u, RunRegsvr32(false));
  EXPECT_EQ(L"Video Effects", RegValue(kFilterKey));
  EXPECT_EQ(LibraryPath(), RegValue(kFilterKey + L"\\InprocServer32"));
  EXPECT_EQ(L"Both", RegValue(kFilterKey + L"\\InprocServer32", L"ThreadingModel"));
  EXPECT_EQ(L"Video EffectsProperty Page", RegValue(kPageKey));
  EXPECT_EQ(LibraryPath(), RegValue(kPageKey + L"\\InprocServer32"));
  EXPECT_EQ(L"Both", RegValue(kPageKey + L"\\InprocServer32", L"ThreadingModel"));
  EXPECT_EQ(L"IVideo Effects", RegValue(kMapperKey, L"FriendlyName"));
  EXPECT_TRUE(RegValueExists(kMapperKey, L"FilterData"));
  // Listed at MERIT_DO_NOT_USE, so automatic graph building never picks it.
  EXPECT_TRUE(MapperListsFilter(MERIT_DO_NOT_USE));
  EXPECT_FALSE(MapperListsFilter(MERIT_DO_NOT_USE + 1));

  // Registered, the classes can be created by id like any other.
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_VideoEffects, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                   filter.put_void()));
  ComPtr<IPropertyPage> page;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_VideoEffectsPage, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                                   page.put_void()));
  ComPtr<IBaseFilter> aggregated;
  EXPECT_EQ(CLASS_E_NOAGGREGATION, CoCreateInstance(CLSID_VideoEffects, page.get(), CLSCTX_INPROC_SERVER,
                                                    IID_IBaseFilter, aggregated.put_void()));
  filter = nullptr;
  page = nullptr;

  ASSERT_EQ(0u, RunRegsvr32(true));
  EXPECT_EQ(L"<missing>", RegValue(kFilterKey));
  EXPECT_EQ(L"<missing>", RegValue(kPageKey));
  EXPECT_EQ(L"<missing>", RegValue(kMapperKey, L"FriendlyName"));
  EXPECT_FALSE(MapperListsFilter(MERIT_DO_NOT_USE));
}

TEST_F(ComServer, FilterAnswersItsInterfacesAndNamesItsPage) {
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(S_OK, CreateEffectsFilter(filter.put()));
  ComPtr<ISpecifyPropertyPages> pages;
  ASSERT_EQ(S_OK, filter.query(IID_ISpecifyPropertyPages, pages));
  CAUUID ids = {};
  ASSERT_EQ(S_OK, pages->GetPages(&ids));
  ASSERT_EQ(1u, ids.cElems);
  EXPECT_TRUE(IsEqualGUID(CLSID_VideoEffectsPage, ids.pElems[0]));
  CoTaskMemFree(ids.pElems);

  ComPtr<IVideoEffects> effects;
  ASSERT_EQ(S_OK, filter.query(IID_IVideoEffects, effects));
  int value = -1;
  effects->GetBrightnessEnabled(&value);
  EXPECT_EQ(1, value);
  effects->GetHue(&value);
  EXPECT_EQ(0, value);
  ComPtr<IVideoOverlay> overlay;
  ASSERT_EQ(S_OK, filter.query(IID_IVideoOverlay, overlay));
  overlay->GetEnableOverlay(&value);
  EXPECT_EQ(0, value);

  // Pins: "XForm In" and "XForm Out", found by name too.
  ComPtr<IPin> in, out;
  ASSERT_EQ(S_OK, filter->FindPin(L"XForm In", in.put()));
  ASSERT_EQ(S_OK, filter->FindPin(L"XForm Out", out.put()));
  PIN_DIRECTION direction;
  out->QueryDirection(&direction);
  EXPECT_EQ(PINDIR_OUTPUT, direction);
  CLSID clsid = {};
  ComPtr<IPersist> persist;
  ASSERT_EQ(S_OK, filter.query(IID_IPersist, persist));
  persist->GetClassID(&clsid);
  EXPECT_TRUE(IsEqualGUID(CLSID_VideoEffects, clsid));
}

// ------------------------------------------------------------- media types

VideoEffectsFilter* NewFilter(ComPtr<IBaseFilter>* holder) {
  EXPECT_EQ(S_OK, VideoEffectsFilter::Create(nullptr, IID_IBaseFilter, holder->put_void()));
  return static_cast<VideoEffectsFilter*>(static_cast<dshow::BaseFilter*>(holder->get()));
}

TEST_F(ComServer, InputTakesYuy2InEitherVideoFormatAndRefusesRgb24) {
  ComPtr<IBaseFilter> holder;
  VideoEffectsFilter* filter = NewFilter(&holder);
  dshow::MediaType type;
  MakeVideoType(&type, MEDIASUBTYPE_RGB24, 64, 32, 24);
  EXPECT_EQ(VFW_E_TYPE_NOT_ACCEPTED, filter->CheckInputType(type));
  ComPtr<IPin> in;
  ASSERT_EQ(S_OK, holder->FindPin(L"XForm In", in.put()));
  EXPECT_EQ(S_FALSE, in->QueryAccept(&type));
  MakeVideoType(&type, MEDIASUBTYPE_YUY2, 64, 32, 16);
  EXPECT_EQ(S_OK, filter->CheckInputType(type));
  type.formattype = FORMAT_VideoInfo2;
  EXPECT_EQ(S_OK, filter->CheckInputType(type));
  type.majortype = MEDIATYPE_Audio;
  EXPECT_EQ(VFW_E_TYPE_NOT_ACCEPTED, filter->CheckInputType(type));
}

TEST_F(ComServer, OutputGeometryFollowsTheBitmapOrientation) {
  dshow::MediaType type;
  OutputGeometry g;
  MakeVideoType(&type, MEDIASUBTYPE_RGB32, 640, 480, 32);
  ASSERT_TRUE(ReadOutputGeometry(type, &g));
  EXPECT_EQ(-2560, g.stride);
  EXPECT_EQ(0, g.outputTopDown);
  MakeVideoType(&type, MEDIASUBTYPE_RGB32, 640, -480, 32);
  ASSERT_TRUE(ReadOutputGeometry(type, &g));
  EXPECT_EQ(2560, g.stride);
  EXPECT_EQ(1, g.outputTopDown);
  EXPECT_EQ(480, g.height);
  MakeVideoType(&type, MEDIASUBTYPE_YUY2, 640, 480, 16);
  ASSERT_TRUE(ReadOutputGeometry(type, &g));
  EXPECT_EQ(1280, g.stride);
  MakeVideoType(&type, MEDIASUBTYPE_RGB24, 642, 10, 24);
  ASSERT_TRUE(ReadOutputGeometry(type, &g));
  EXPECT_EQ(-1928, g.stride) << "rows round up to whole 32-bit words";
  // A target rectangle gives the picture size.
  auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat);
  SetRect(&info->rcTarget, 0, 0, 320, 8);
  ASSERT_TRUE(ReadOutputGeometry(type, &g));
  EXPECT_EQ(320, g.width);
  EXPECT_EQ(8, g.height);
}

TEST_F(ComServer, OfferedOutputTypesFollowTheConnectedInput) {
  ComPtr<IBaseFilter> holder;
  VideoEffectsFilter* filter = NewFilter(&holder);
  dshow::MediaType type;
  EXPECT_EQ(E_INVALIDARG, filter->GetMediaType(-1, &type));
  EXPECT_EQ(VFW_S_NO_MORE_ITEMS, filter->GetMediaType(0, &type)) << "nothing is offered before the input connects";

  const std::wstring file = ProgramFolder() + L"effects_types_640x480.avi";
  ASSERT_TRUE(WriteYuy2Avi(file, 640, 480, 2));
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   graph.put_void()));
  ComPtr<IBaseFilter> source;
  ASSERT_EQ(S_OK, graph->AddSourceFilter(file.c_str(), L"Source", source.put()));
  ASSERT_EQ(S_OK, graph->AddFilter(holder.get(), L"Video Effects"));
  ComPtr<IPin> in;
  ASSERT_EQ(S_OK, holder->FindPin(L"XForm In", in.put()));
  ASSERT_EQ(S_OK, graph->Connect(FindPinByDirection(source.get(), PINDIR_OUTPUT).get(), in.get()));

  struct Row {
    const GUID* subtype;
    bool info2;
    WORD bits;
    DWORD compression;
    ULONG formatBytes;
  };
  const Row table[10] = {
      {&MEDIASUBTYPE_YUY2, true, 16, MAKEFOURCC('Y', 'U', 'Y', '2'), 112},
      {&MEDIASUBTYPE_YUY2, false, 16, MAKEFOURCC('Y', 'U', 'Y', '2'), 88},
      {&MEDIASUBTYPE_RGB32, true, 32, BI_RGB, 112},   {&MEDIASUBTYPE_RGB32, false, 32, BI_RGB, 88},
      {&MEDIASUBTYPE_RGB24, true, 24, BI_RGB, 112},   {&MEDIASUBTYPE_RGB24, false, 24, BI_RGB, 88},
      {&MEDIASUBTYPE_RGB565, true, 16, BI_BITFIELDS, 124}, {&MEDIASUBTYPE_RGB565, false, 16, BI_BITFIELDS, 100},
      {&MEDIASUBTYPE_RGB555, true, 16, BI_RGB, 112},  {&MEDIASUBTYPE_RGB555, false, 16, BI_RGB, 88},
  };
  for (int position = 0; position < 10; ++position) {
    SCOPED_TRACE(position);
    const Row& row = table[position];
    ASSERT_EQ(S_OK, filter->GetMediaType(position, &type));
    EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Video, type.majortype));
    EXPECT_TRUE(IsEqualGUID(*row.subtype, type.subtype));
    EXPECT_TRUE(IsEqualGUID(row.info2 ? FORMAT_VideoInfo2 : FORMAT_VideoInfo, type.formattype));
    EXPECT_EQ(row.formatBytes, type.cbFormat);
    EXPECT_FALSE(type.bTemporalCompression);
    const BITMAPINFOHEADER* header = dshow::VideoBitmapHeader(type);
    ASSERT_NE(nullptr, header);
    const DWORD image = 640u * 480u * row.bits / 8;
    EXPECT_EQ(40u, header->biSize);
    EXPECT_EQ(640, header->biWidth);
    EXPECT_EQ(480, header->biHeight);
    EXPECT_EQ(row.bits, header->biBitCount);
    EXPECT_EQ(row.compression, header->biCompression);
    EXPECT_EQ(image, header->biSizeImage);
    EXPECT_EQ(static_cast<ULONG>(image), type.lSampleSize);
    const auto* common = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
    EXPECT_EQ(kFrameTime, common->AvgTimePerFrame);
    EXPECT_EQ(static_cast<DWORD>(MulDiv(static_cast<int>(image), 80000000, 400000)), common->dwBitRate);
    EXPECT_EQ(640, common->rcTarget.right);
    EXPECT_EQ(480, common->rcSource.bottom);
    if (row.info2) {
      const auto* info2 = reinterpret_cast<const VIDEOINFOHEADER2*>(type.pbFormat);
      EXPECT_EQ(0x80u, info2->dwInterlaceFlags);
      EXPECT_EQ(1u, info2->dwCopyProtectFlags);
      EXPECT_EQ(640u, info2->dwPictAspectRatioX) << "a VideoInfo input gives the picture size as aspect";
      EXPECT_EQ(480u, info2->dwPictAspectRatioY);
    }
    if (row.compression == BI_BITFIELDS) {
      const DWORD* masks = reinterpret_cast<const DWORD*>(type.pbFormat + type.cbFormat - 12);
      EXPECT_EQ(0xF800u, masks[0]);
      EXPECT_EQ(0x07E0u, masks[1]);
      EXPECT_EQ(0x001Fu, masks[2]);
    }
  }
  ASSERT_EQ(S_OK, filter->GetMediaType(3, &type));
  const auto* rgb32 = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
  EXPECT_EQ(1228800u, rgb32->bmiHeader.biSizeImage);
  EXPECT_EQ(245760000u, rgb32->dwBitRate);
  EXPECT_EQ(VFW_S_NO_MORE_ITEMS, filter->GetMediaType(10, &type));
  EXPECT_EQ(E_INVALIDARG, filter->GetMediaType(-1, &type));

  // The same list through the output pin's enumerator.
  ComPtr<IPin> out;
  ASSERT_EQ(S_OK, holder->FindPin(L"XForm Out", out.put()));
  ComPtr<IEnumMediaTypes> types;
  ASSERT_EQ(S_OK, out->EnumMediaTypes(types.put()));
  AM_MEDIA_TYPE* got[12] = {};
  ULONG fetched = 0;
  EXPECT_EQ(S_FALSE, types->Next(12, got, &fetched));
  EXPECT_EQ(10u, fetched);
  for (ULONG i = 0; i < fetched; ++i) dshow::DeleteMediaTypeCopy(got[i]);

  graph = nullptr;
  source = nullptr;
  DeleteFileW(file.c_str());
}

// ----------------------------------------------------------- property page

struct PageSearch {
  DWORD process;
  HWND dialog;
};

BOOL CALLBACK FindPageChild(HWND child, LPARAM param) {
  if (GetDlgCtrlID(child) != 1015) return TRUE;
  HWND parent = GetParent(child);
  if (!GetDlgItem(parent, 1003)) return TRUE;
  reinterpret_cast<PageSearch*>(param)->dialog = parent;
  return FALSE;
}

BOOL CALLBACK FindPageTop(HWND top, LPARAM param) {
  auto* search = reinterpret_cast<PageSearch*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(top, &process);
  if (process != search->process || !IsWindowVisible(top)) return TRUE;
  EnumChildWindows(top, &FindPageChild, param);
  return search->dialog ? FALSE : TRUE;
}

// The page's dialog inside whatever frame of this process shows it.
HWND FindPageDialog() {
  PageSearch search = {GetCurrentProcessId(), nullptr};
  EnumWindows(&FindPageTop, reinterpret_cast<LPARAM>(&search));
  return search.dialog;
}

std::string Text(HWND dialog, int id) {
  char text[256] = {};
  GetDlgItemTextA(dialog, id, text, sizeof(text));
  return text;
}

void MoveSlider(HWND dialog, int id, int position) {
  HWND slider = GetDlgItem(dialog, id);
  SendMessageW(slider, TBM_SETPOS, TRUE, position);
  SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(slider));
}

// Saves what the screen shows of `window` as a 24-bit BMP; returns the
// number of distinct colours seen (a blank capture has one).
int SaveScreenshot(HWND window, const std::wstring& path) {
  RECT rect;
  GetWindowRect(window, &rect);
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (w <= 0 || h <= 0) return 0;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, w, h, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  const DWORD rowBytes = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
  const DWORD imageBytes = rowBytes * static_cast<DWORD>(h);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + imageBytes;
  HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written;
  WriteFile(out, &file, sizeof(file), &written, nullptr);
  WriteFile(out, &info.bmiHeader, sizeof(BITMAPINFOHEADER), &written, nullptr);
  WriteFile(out, bits, imageBytes, &written, nullptr);
  CloseHandle(out);
  std::vector<uint32_t> colours;
  const auto* p = static_cast<const uint8_t*>(bits);
  for (int y = 0; y < h && colours.size() < 16; ++y)
    for (int x = 0; x < w && colours.size() < 16; ++x) {
      const uint8_t* px = p + y * rowBytes + x * 3;
      uint32_t c = px[0] | (px[1] << 8) | (px[2] << 16);
      if (std::find(colours.begin(), colours.end(), c) == colours.end()) colours.push_back(c);
    }
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return static_cast<int>(colours.size());
}

TEST_F(ComServer, PropertyPageInThePropertyFrameDrivesTheLiveFilter) {
  ASSERT_EQ(0u, RunRegsvr32(false));
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(S_OK, CreateEffectsFilter(filter.put()));
  ComPtr<IVideoEffects> effects;
  ASSERT_EQ(S_OK, filter.query(IID_IVideoEffects, effects));

  std::atomic<bool> done{false};
  std::string failures;
  std::thread driver([&] {
    auto check = [&failures](bool ok, const char* what) {
      if (!ok) failures += std::string(what) + "; ";
    };
    HWND dialog = nullptr;
    for (int i = 0; i < 100 && !dialog; ++i) {
      Sleep(100);
      dialog = FindPageDialog();
    }
    if (!dialog) {
      failures = "the page never appeared";
      done = true;
      return;
    }
    HWND frame = GetAncestor(dialog, GA_ROOT);
    Sleep(300);
    // A fresh filter: every box ticked, sliders at 0, labels with 0.
    for (int box : {1005, 1006, 1008, 1010}) check(IsDlgButtonChecked(dialog, box) == BST_CHECKED, "box ticked");
    check(Text(dialog, 1011) == "Brightness ( 0 )", "brightness label");
    check(Text(dialog, 1014) == "Hue ( 0 )", "hue label");
    check(SendDlgItemMessageW(dialog, 1007, TBM_GETRANGEMIN, 0, 0) == -256, "saturation range");
    check(SaveScreenshot(frame, ProgramFolder() + L"effects_property_page.bmp") > 3, "screenshot shows the page");

    MoveSlider(dialog, 1007, -256);
    int value = 0;
    effects->GetSaturation(&value);
    check(value == -256, "slider move reaches the filter");
    check(Text(dialog, 1013) == "Saturation ( -256 )", "saturation label");

    MoveSlider(dialog, 1003, 40);
    MoveSlider(dialog, 1009, 90);
    SendDlgItemMessageW(dialog, 1010, BM_CLICK, 0, 0);
    effects->GetHueEnabled(&value);
    check(value == 0, "unticking hue reaches the filter");
    check(!IsWindowEnabled(GetDlgItem(dialog, 1009)) && !IsWindowEnabled(GetDlgItem(dialog, 1014)),
          "hue slider and label disabled");
    effects->GetHue(&value);
    check(value == 90, "hue value kept when disabled");

    SendDlgItemMessageW(dialog, 1015, BM_CLICK, 0, 0);
    int b = -1, c = -1, s = -1, h = -1, hueOn = -1;
    effects->GetBrightness(&b);
    effects->GetContrast(&c);
    effects->GetSaturation(&s);
    effects->GetHue(&h);
    effects->GetHueEnabled(&hueOn);
    check(b == 0 && c == 0 && s == 0 && h == 0, "Default resets the four values");
    check(hueOn == 0 && IsDlgButtonChecked(dialog, 1010) == BST_UNCHECKED, "Default leaves the boxes");
    check(Text(dialog, 1011) == "Brightness ( 0 )", "labels after Default");

    // The help line follows the pointer.
    RECT button;
    GetWindowRect(GetDlgItem(dialog, 1015), &button);
    SetCursorPos((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    for (int i = 0; i < 20 && Text(dialog, 1016) != "Setting of default values on effects"; ++i) Sleep(100);
    check(Text(dialog, 1016) == "Setting of default values on effects", "help text over Default");

    PostMessageW(frame, WM_CLOSE, 0, 0);
    done = true;
  });

  IUnknown* objects[] = {filter.get()};
  CLSID page = CLSID_VideoEffectsPage;
  HRESULT hr = OleCreatePropertyFrame(nullptr, 100, 100, L"Video Effects", 1, objects, 1, &page, 0, 0, nullptr);
  driver.join();
  EXPECT_EQ(S_OK, hr);
  EXPECT_EQ("", failures);

  // The page's mouse hook went with its dialog: pointer moves over a window
  // of this thread now reach no page.
  HWND probe = CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr, nullptr,
                               nullptr, nullptr);
  SetCursorPos(50, 50);
  SetCursorPos(60, 60);
  for (int i = 0; i < 20; ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
  DestroyWindow(probe);
  effects = nullptr;
  filter = nullptr;
  EXPECT_EQ(0u, RunRegsvr32(true));
}

// Puts the pointer on a point of the dialog (in dialog units) and lets this
// thread's messages run until the help line shows `want` or a second passes.
std::string PointAt(HWND dialog, int x, int y, const std::string& want) {
  RECT units = {x, y, x, y};
  MapDialogRect(dialog, &units);
  POINT point = {units.left, units.top};
  ClientToScreen(dialog, &point);
  SetCursorPos(point.x, point.y);
  for (int i = 0; i < 100 && Text(dialog, 1016) != want; ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
  return Text(dialog, 1016);
}

// The page in a window of the test's own: page information, the connect
// rules, a page that never turns dirty, the help line over a control and
// over empty space, and a dialog that goes with its parent window instead
// of through Deactivate.
TEST_F(ComServer, PageInAHostWindowOfItsOwn) {
  ComPtr<IPropertyPage> page;
  ASSERT_EQ(S_OK, CreateLibraryObject(CLSID_VideoEffectsPage, IID_IPropertyPage, page.put_void()));
  PROPPAGEINFO info = {};
  ASSERT_EQ(S_OK, page->GetPageInfo(&info));
  EXPECT_EQ(std::wstring(L"Video Effects"), info.pszTitle);
  EXPECT_GT(info.size.cx, 0);
  EXPECT_GT(info.size.cy, 0);
  CoTaskMemFree(info.pszTitle);
  EXPECT_EQ(E_NOTIMPL, page->Help(nullptr));
  EXPECT_EQ(E_NOTIMPL, page->TranslateAccelerator(nullptr));

  // Only an object with IVideoEffects connects; with none held there is
  // nothing to disconnect.
  IUnknown* stranger[] = {page.get()};
  EXPECT_EQ(E_NOINTERFACE, page->SetObjects(1, stranger));
  EXPECT_EQ(E_UNEXPECTED, page->SetObjects(0, nullptr));
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(S_OK, CreateEffectsFilter(filter.put()));
  ComPtr<IVideoEffects> effects;
  ASSERT_EQ(S_OK, filter.query(IID_IVideoEffects, effects));
  IUnknown* objects[] = {filter.get()};
  ASSERT_EQ(S_OK, page->SetObjects(1, objects));

  HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 0, 0, 520, 420, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_NE(nullptr, host);
  RECT area = {0, 0, 500, 400};
  ASSERT_EQ(S_OK, page->Activate(host, &area, FALSE));
  ASSERT_EQ(S_OK, page->Show(SW_SHOW));
  HWND dialog = GetWindow(host, GW_CHILD);
  ASSERT_NE(nullptr, GetDlgItem(dialog, 1015));

  MoveSlider(dialog, 1003, 30);
  int value = 0;
  effects->GetBrightness(&value);
  EXPECT_EQ(30, value);
  EXPECT_EQ("Brightness ( 30 )", Text(dialog, 1011));
  EXPECT_EQ(S_FALSE, page->IsPageDirty()) << "changes are applied as they are made";
  EXPECT_EQ(S_OK, page->Apply());

  EXPECT_EQ("Setting of default values on effects", PointAt(dialog, 200, 129, "Setting of default values on effects"));
  EXPECT_EQ("Move slider to change hue of image", PointAt(dialog, 130, 101, "Move slider to change hue of image"));
  EXPECT_EQ(" ", PointAt(dialog, 100, 116, " ")) << "empty space inside the frame";

  // The parent window takes the dialog with it; the page lets go of it (and
  // of its mouse hook) and can be shown again.
  DestroyWindow(host);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(E_UNEXPECTED, page->Show(SW_SHOW));
  host = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 0, 0, 520, 420, nullptr, nullptr, nullptr,
                         nullptr);
  PointAt(host, 10, 10, "");
  ASSERT_EQ(S_OK, page->Activate(host, &area, FALSE));
  dialog = GetWindow(host, GW_CHILD);
  EXPECT_EQ("Brightness ( 30 )", Text(dialog, 1011));
  EXPECT_EQ(S_OK, page->Deactivate());
  EXPECT_FALSE(IsWindow(dialog));
  DestroyWindow(host);
  EXPECT_EQ(S_OK, page->SetObjects(0, nullptr));
  EXPECT_EQ(E_UNEXPECTED, page->SetObjects(0, nullptr));
}

}  // namespace
}  // namespace effects::testing
