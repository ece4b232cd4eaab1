// Streams seen from the player: decoder choice through a pass-through
// decoder of the test's own, the video window's fitted rectangles and full
// screen read back through Win32, and subtitles drawn into the played
// picture inside their time window only.
#include <gtest/gtest.h>

#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "effects/dshow/filter_registration.h"
#include "effects/dshow/transform_filter.h"
#include "engine/tests/engine_test_support.h"

namespace tessel::testing {
namespace {

constexpr LONGLONG kSecond = 10000000;

// {6A1E4D4B-2C55-4E0B-9D3E-7D6B1E6A8C21}
const CLSID kTestDecoder = {0x6a1e4d4b, 0x2c55, 0x4e0b, {0x9d, 0x3e, 0x7d, 0x6b, 0x1e, 0x6a, 0x8c, 0x21}};
const wchar_t kTestDecoderName[] = L"Zelvo Test YUY2 Pass-Through";

// {0E6F7A51-93B2-4C1D-8E2A-5C3D9B7F1A04}
const CLSID kTestPage = {0x0e6f7a51, 0x93b2, 0x4c1d, {0x8e, 0x2a, 0x5c, 0x3d, 0x9b, 0x7f, 0x1a, 0x04}};

// The smallest property page: a blank panel that counts its activations.
class TestPage final : public IPropertyPage {
 public:
  static inline volatile LONG activated = 0;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = (iid == IID_IUnknown || iid == IID_IPropertyPage) ? static_cast<IPropertyPage*>(this) : nullptr;
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG n = InterlockedDecrement(&refs_);
    if (!n) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT r, BOOL) override {
    InterlockedIncrement(&activated);
    window_ = CreateWindowExW(0, L"STATIC", L"test page", WS_CHILD | WS_VISIBLE, r->left, r->top, r->right - r->left,
                              r->bottom - r->top, parent, nullptr, nullptr, nullptr);
    return window_ ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE Deactivate() override {
    if (window_) DestroyWindow(window_);
    window_ = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override {
    static wchar_t title[] = L"Test";
    *info = {};
    info->cb = sizeof *info;
    info->pszTitle = static_cast<LPOLESTR>(CoTaskMemAlloc(sizeof title));
    memcpy(info->pszTitle, title, sizeof title);
    info->size = {200, 100};
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetObjects(ULONG, IUnknown**) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Show(UINT show) override {
    if (window_) ShowWindow(window_, show);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Move(LPCRECT r) override {
    if (window_) MoveWindow(window_, r->left, r->top, r->right - r->left, r->bottom - r->top, TRUE);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsPageDirty() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE Apply() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Help(LPCOLESTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return S_FALSE; }

 private:
  volatile LONG refs_ = 1;
  HWND window_ = nullptr;
};

class PageFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = (iid == IID_IUnknown || iid == IID_IClassFactory) ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** out) override {
    auto* page = new TestPage();
    HRESULT hr = page->QueryInterface(iid, out);
    page->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

// Copies YUY2 frames unchanged: a "decoder" the filter mapper lists for
// the splitter's YUY2 pins.
class PassThrough final : public effects::dshow::TransformFilter, public ISpecifyPropertyPages {
 public:
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override {
    if (iid == IID_ISpecifyPropertyPages) return GetInterface(static_cast<ISpecifyPropertyPages*>(this), out);
    return TransformFilter::NonDelegatingQueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override {
    pages->cElems = 1;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    pages->pElems[0] = kTestPage;
    return S_OK;
  }
  static inline volatile LONG transformed = 0;
  static inline volatile LONG tooSmall = 0;
  static HRESULT Create(IUnknown* outer, REFIID iid, void** out) {
    auto* f = new PassThrough();
    return zelvo::com::FinishCreate(f, iid, out);
  }
  ZELVO_DELEGATING_IUNKNOWN
  HRESULT CheckInputType(const AM_MEDIA_TYPE& t) override {
    return t.majortype == MEDIATYPE_Video && t.subtype == MEDIASUBTYPE_YUY2 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT CheckTransform(const AM_MEDIA_TYPE& in, const AM_MEDIA_TYPE& out) override {
    return in.subtype == out.subtype ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT GetMediaType(int position, effects::dshow::MediaType* type) override {
    if (position < 0) return E_INVALIDARG;
    if (position > 0 || !InputPin()) return VFW_S_NO_MORE_ITEMS;
    return InputPin()->CopyMediaType(type);
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override {
    effects::dshow::MediaType in;
    InputPin()->CopyMediaType(&in);
    request->cBuffers = 2;
    const BITMAPINFOHEADER* header = effects::dshow::VideoBitmapHeader(in);
    long frame = header ? long(header->biWidth) * std::abs(long(header->biHeight)) * 2 : 1 << 20;
    request->cbBuffer = std::max(frame, long(in.lSampleSize));
    if (request->cbAlign < 1) request->cbAlign = 1;
    ALLOCATOR_PROPERTIES actual = {};
    return allocator->SetProperties(request, &actual);
  }
  HRESULT Transform(IMediaSample* input, IMediaSample* output) override {
    InterlockedIncrement(&transformed);
    BYTE *src = nullptr, *dst = nullptr;
    input->GetPointer(&src);
    output->GetPointer(&dst);
    long n = input->GetActualDataLength();
    if (n > output->GetSize()) {
      InterlockedIncrement(&tooSmall);
      return E_FAIL;
    }
    memcpy(dst, src, size_t(n));
    output->SetActualDataLength(n);
    REFERENCE_TIME a, b;
    if (input->GetTime(&a, &b) == S_OK) output->SetTime(&a, &b);
    output->SetSyncPoint(TRUE);
    return S_OK;
  }

 private:
  PassThrough() : TransformFilter(nullptr, kTestDecoder) {}
};

class Factory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = (iid == IID_IUnknown || iid == IID_IClassFactory) ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    return PassThrough::Create(outer, iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

// The decoder known to this process and listed by the filter mapper for
// the lifetime of the object.
class RegisteredDecoder {
 public:
  RegisteredDecoder() {
    static Factory factory;
    static PageFactory pages;
    CoRegisterClassObject(kTestPage, &pages, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &pageCookie_);
    CoRegisterClassObject(kTestDecoder, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
    static const effects::dshow::FilterPinTypes yuy2 = {&MEDIATYPE_Video, &MEDIASUBTYPE_YUY2};
    static const effects::dshow::FilterPinDescription pins[] = {
        {L"In", false, false, false, false, nullptr, &yuy2, 1},
        {L"Out", false, true, false, false, nullptr, &yuy2, 1}};
    // Just above the lowest merit the engine lists, so that graphs built
    // by others meanwhile prefer the platform's own filters.
    effects::dshow::FilterDescription d = {&kTestDecoder, kTestDecoderName, MERIT_UNLIKELY + 2, pins, 2};
    registered_ = SUCCEEDED(effects::dshow::RegisterFilter(d));
  }
  ~RegisteredDecoder() {
    effects::dshow::UnregisterFilter(kTestDecoder);
    if (cookie_) CoRevokeClassObject(cookie_);
    if (pageCookie_) CoRevokeClassObject(pageCookie_);
  }
  bool ok() const { return registered_ && cookie_; }

 private:
  DWORD cookie_ = 0;
  DWORD pageCookie_ = 0;
  bool registered_ = false;
};

class Streams : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ProvideVideoEffects(true);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"EngineTestOwner";
    RegisterClassW(&wc);
  }
  void SetUp() override {
    ASSERT_EQ(e.Create(), S_OK);
    owner = CreateWindowExW(0, L"EngineTestOwner", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 40, 700, 560,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(owner);
  }
  void TearDown() override {
    e.engine->Reset();
    DestroyWindow(owner);
  }
  // The renderer's window: the owner's only child.
  HWND VideoChild() { return GetWindow(owner, GW_CHILD); }
  void Place(long l, long t, long r, long b) {
    e.streams->put_VwLeft(0, l);
    e.streams->put_VwTop(0, t);
    e.streams->put_VwRight(0, r);
    e.streams->put_VwBottom(0, b);
  }
  RECT ChildRect() {
    RECT r = {};
    HWND child = VideoChild();
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, owner, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  Engine e;
  HWND owner = nullptr;
};

TEST_F(Streams, ADecoderChosenByNameIsBuiltIntoTheBranch) {
  RegisteredDecoder decoder;
  ASSERT_TRUE(decoder.ok());
  e.engine->UseVideoEffects(1);
  ASSERT_TRUE(SUCCEEDED(e.Open("video_only.avi")));
  ASSERT_EQ(e.decoders->LoadDecoders(0), S_OK);
  long count = 0;
  ASSERT_EQ(e.decoders->CountSuitableDecoders(0, &count), S_OK);
  ASSERT_GE(count, 1);
  std::vector<BSTR> names(size_t(count) + 4, nullptr);
  ASSERT_EQ(e.decoders->GetDecoderNames(0, names.data()), S_OK);
  bool listed = false;
  for (long i = 0; i < count; ++i) listed = listed || (names[i] && std::wstring(names[i]) == kTestDecoderName);
  for (size_t i = size_t(count); i < names.size(); ++i) EXPECT_EQ(names[i], nullptr) << "written past the count";
  for (BSTR b : names) SysFreeString(b);
  ASSERT_TRUE(listed);
  BSTR name = SysAllocString(kTestDecoderName);
  EXPECT_EQ(e.decoders->UseDecoder(0, name), S_OK);
  SysFreeString(name);
  ComPtr<IFilterGraph> graph = FindEngineGraph(e.engine.get());
  EXPECT_TRUE(FindFilter(graph.get(), kTestDecoderName));
  EXPECT_TRUE(FindFilter(graph.get(), L"Video Effects"));
  e.streams->put_VwOwner(0, LONG(HandleToLong(owner)));
  ASSERT_EQ(e.engine->Play(), S_OK);
  EXPECT_TRUE(WaitUntil([&] { return e.Position() > kSecond / 2; }, 3000));
  LONGLONG frames = 0;
  EXPECT_EQ(e.streams->get_FramesPlayed(0, &frames), S_OK);
  EXPECT_GT(frames, 3) << "frames went through the effects filter; the decoder saw " << PassThrough::transformed << ", too small " << PassThrough::tooSmall;
  // A disabled stream takes no decoder.
  e.streams->put_EnableStream(0, 0);
  name = SysAllocString(kTestDecoderName);
  EXPECT_EQ(e.decoders->UseDecoder(0, name), S_FALSE);
  SysFreeString(name);
}

// Closes the first visible top-level window whose title holds text, from
// another thread, and tells what it found.
struct FrameCloser {
  std::wstring text;
  std::wstring found;
  HANDLE thread = nullptr;
  static BOOL CALLBACK Look(HWND w, LPARAM p) {
    auto* c = reinterpret_cast<FrameCloser*>(p);
    wchar_t title[256] = {};
    GetWindowTextW(w, title, 256);
    if (IsWindowVisible(w) && wcsstr(title, c->text.c_str())) {
      c->found = title;
      PostMessageW(w, WM_CLOSE, 0, 0);
      return FALSE;
    }
    return TRUE;
  }
  static DWORD WINAPI Run(void* self) {
    auto* c = static_cast<FrameCloser*>(self);
    for (int i = 0; i < 200 && c->found.empty(); ++i) {
      Sleep(25);
      EnumWindows(&Look, reinterpret_cast<LPARAM>(c));
    }
    return 0;
  }
  void Start() { thread = CreateThread(nullptr, 0, &Run, this, 0, nullptr); }
  void Join() {
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
  }
};

TEST_F(Streams, ThePagesOfTheDecoderOpenInAFrameNamedAfterIt) {
  RegisteredDecoder decoder;
  ASSERT_TRUE(decoder.ok());
  e.engine->UseVideoEffects(1);
  ASSERT_TRUE(SUCCEEDED(e.Open("video_only.avi")));
  BSTR name = SysAllocString(kTestDecoderName);
  ASSERT_EQ(e.decoders->UseDecoder(0, name), S_OK);
  SysFreeString(name);
  FrameCloser closer;
  closer.text = kTestDecoderName;
  closer.Start();
  HRESULT hr = e.pages->ShowPages(0, LONG(HandleToLong(owner)));
  closer.Join();
  EXPECT_EQ(hr, S_OK) << std::hex << hr;
  EXPECT_NE(closer.found.find(kTestDecoderName), std::wstring::npos);
  EXPECT_GE(TestPage::activated, 1);
  // A disabled stream shows nothing; no stream there is E_POINTER.
  e.streams->put_EnableStream(0, 0);
  EXPECT_EQ(e.pages->ShowPages(0, LONG(HandleToLong(owner))), S_FALSE);
  EXPECT_EQ(e.pages->ShowPages(5, LONG(HandleToLong(owner))), E_POINTER);
}

TEST_F(Streams, TheVideoWindowFitsEveryAspectCode) {
  ASSERT_TRUE(SUCCEEDED(e.Open("video_only.avi")));  // 176 x 144
  ASSERT_EQ(e.streams->put_VwOwner(0, LONG(HandleToLong(owner))), S_OK);
  ASSERT_EQ(e.engine->Pause(), S_OK);
  ASSERT_TRUE(VideoChild());
  struct Case {
    long code, l, t, r, b;
    RECT want;
  };
  const Case cases[] = {
      {3, 0, 0, 640, 480, {0, 60, 640, 420}},     // 16:9 in 4:3
      {2, 0, 0, 640, 480, {0, 0, 640, 480}},      // 4:3 fills
      {2, 0, 0, 800, 400, {133, 0, 667, 400}},    // too wide
      {0, 10, 20, 300, 200, {10, 20, 300, 200}},  // stretch
      {4, 0, 0, 470, 400, {0, 100, 470, 300}},    // 2.35
      {1, 0, 0, 352, 400, {0, 56, 352, 344}},     // native 176 x 144
      {7, 0, 0, 352, 400, {0, 56, 352, 344}},     // unknown codes as native
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    Place(c.l, c.t, c.r, c.b);
    ASSERT_EQ(e.streams->put_AspectRatio(0, c.code), S_OK);
    RECT got = ChildRect();
    EXPECT_EQ(got.left, c.want.left);
    EXPECT_EQ(got.top, c.want.top);
    EXPECT_EQ(got.right, c.want.right);
    EXPECT_EQ(got.bottom, c.want.bottom);
    long bottom = 0;
    e.streams->get_VwBottom(0, &bottom);
    EXPECT_EQ(bottom, c.want.bottom);
  }
  // A custom Y of 0 fills instead of dividing by it.
  e.streams->put_CustomYAspect(0, 0.0);
  Place(0, 0, 300, 100);
  ASSERT_EQ(e.streams->put_AspectRatio(0, 4), S_OK);
  RECT got = ChildRect();
  EXPECT_EQ(got.right - got.left, 300);
  EXPECT_EQ(got.bottom - got.top, 100);
}

TEST_F(Streams, FullScreenCoversTheScreenAndResetRestoresExactly) {
  ASSERT_TRUE(SUCCEEDED(e.Open("video_only.avi")));
  ASSERT_EQ(e.streams->put_VwOwner(0, LONG(HandleToLong(owner))), S_OK);
  ASSERT_EQ(e.engine->Pause(), S_OK);
  // Reset without Set changes nothing.
  LONG style = GetWindowLongW(owner, GWL_STYLE), exStyle = GetWindowLongW(owner, GWL_EXSTYLE);
  RECT before = {};
  GetWindowRect(owner, &before);
  Place(0, 0, 400, 300);
  e.streams->put_AspectRatio(0, 0);
  EXPECT_EQ(e.streams->ResetFullscreen(0), S_OK);
  RECT now = {};
  GetWindowRect(owner, &now);
  EXPECT_TRUE(EqualRect(&now, &before));
  EXPECT_EQ(GetWindowLongW(owner, GWL_STYLE), style);

  ASSERT_EQ(e.streams->SetFullscreen(0, 0), S_OK);
  ASSERT_EQ(e.streams->SetFullscreen(0, 0), S_OK);  // the first saved placement stays
  GetWindowRect(owner, &now);
  EXPECT_EQ(now.right - now.left, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(now.bottom - now.top, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_TRUE(GetWindowLongW(owner, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_FALSE(GetWindowLongW(owner, GWL_STYLE) & WS_CAPTION);
  RECT child = ChildRect();
  EXPECT_EQ(child.right - child.left, GetSystemMetrics(SM_CXSCREEN));

  ASSERT_EQ(e.streams->ResetFullscreen(0), S_OK);
  GetWindowRect(owner, &now);
  EXPECT_TRUE(EqualRect(&now, &before));
  EXPECT_EQ(GetWindowLongW(owner, GWL_STYLE), style);
  EXPECT_EQ(GetWindowLongW(owner, GWL_EXSTYLE), exStyle);
  child = ChildRect();
  EXPECT_EQ(child.right, 400);
  EXPECT_EQ(child.bottom, 300);
}

std::wstring WriteSrt(const char* name, const char* text) {
  std::wstring path = ProgramFolder() + std::wstring(name, name + strlen(name));
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(f, text, DWORD(strlen(text)), &written, nullptr);
  CloseHandle(f);
  return path;
}

// The paused picture, as the renderer holds it.
std::vector<BYTE> Picture(Engine& e) {
  ComPtr<IFilterGraph> graph = FindEngineGraph(e.engine.get());
  ComPtr<IBasicVideo> video;
  std::vector<BYTE> bytes;
  if (!graph || FAILED(graph.query(IID_IBasicVideo, video))) return bytes;
  long size = 0;
  if (FAILED(video->GetCurrentImage(&size, nullptr)) && size <= 0) {
    size = 1 << 20;
  }
  if (size <= 0) size = 1 << 20;
  bytes.resize(size_t(size));
  if (FAILED(video->GetCurrentImage(&size, reinterpret_cast<long*>(bytes.data())))) bytes.clear();
  return bytes;
}

// Pixels of the picture that stand out of the plain grey clip: drawn text.
int MarkedPixels(const std::vector<BYTE>& picture) {
  if (picture.size() < sizeof(BITMAPINFOHEADER)) return -1;
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(picture.data());
  const int bytesPerPixel = header->biBitCount / 8;
  if (bytesPerPixel < 3) return -1;
  const size_t pixels = size_t(header->biWidth) * size_t(std::abs(header->biHeight));
  const BYTE* p = picture.data() + header->biSize;
  if (picture.size() < header->biSize + pixels * size_t(bytesPerPixel)) return -1;
  int marked = 0;
  for (size_t i = 0; i < pixels; ++i, p += bytesPerPixel)
    if (p[0] > 200 && p[1] > 200 && p[2] > 200) ++marked;
  return marked;
}

class Subtitles : public Streams {
 protected:
  void SetUp() override {
    Streams::SetUp();
    srt_ = WriteSrt("engine-test.srt",
                    "1\r\n00:00:00,500 --> 00:00:01,000\r\nHELLO\r\n\r\n"
                    "2\r\n00:00:01,300 --> 00:00:02,000\r\nWORLD\r\n\r\n");
    e.engine->UseVideoEffects(1);
    ASSERT_TRUE(SUCCEEDED(e.Open("gray_pcm.avi")));
    e.streams->put_VwOwner(0, LONG(HandleToLong(owner)));
    BSTR b = Bstr(srt_);
    ASSERT_EQ(e.subtitles->SetFile(b), S_OK);
    SysFreeString(b);
    e.subtitles->SetRect(0, 0, 160, 60);
    e.subtitles->SetFontSize(30);
    e.subtitles->SetFontBold(-1);
    e.subtitles->SetTextColor(0xFFFFFF);
    e.subtitles->Enable(-1);
  }
  // Plays until the position passes `at`, pauses, and counts the text's pixels.
  int TextPixelsWhenPausedAfter(LONGLONG at) {
    if (e.engine->Play() != S_OK) return -2;
    if (!WaitUntil([&] { return e.Position() >= at; }, 4000)) return -3;
    e.engine->Pause();
    PumpFor(150);
    return MarkedPixels(Picture(e));
  }
  int TextPixelsPausedAt(LONGLONG at) {
    e.engine->Pause();
    e.engine->put_CurrentPosition(at);
    PumpFor(150);
    return MarkedPixels(Picture(e));
  }
  std::wstring srt_;
};

TEST_F(Subtitles, AppearInThePictureInsideTheirTimeOnly) {
  EXPECT_EQ(TextPixelsPausedAt(3000000), 0) << "0.3 s: before the entry";
  EXPECT_GT(TextPixelsWhenPausedAfter(7000000), 30) << "0.7 s: inside the first entry";
  EXPECT_EQ(TextPixelsPausedAt(11500000), 0) << "1.15 s: between the entries";
  EXPECT_EQ(TextPixelsPausedAt(25000000), 0) << "2.5 s: after the last";
}

// Once the second entry was shown, the filter holds its text and time; the
// first shows again only when the track goes back to it.
TEST_F(Subtitles, ShowAgainAfterASeekBackAndAfterStopAndPlay) {
  EXPECT_GT(TextPixelsWhenPausedAfter(16000000), 30) << "the second entry";
  e.engine->put_CurrentPosition(2000000);
  EXPECT_GT(TextPixelsWhenPausedAfter(7000000), 30) << "the first again after a seek back";
  EXPECT_GT(TextPixelsWhenPausedAfter(16000000), 30);
  EXPECT_EQ(e.engine->Stop(), S_OK);
  EXPECT_GT(TextPixelsWhenPausedAfter(7000000), 30) << "the first again after Stop and Play";
}

TEST_F(Subtitles, SeekingIntoAnEntryShowsItAtTheNextPoll) {
  ASSERT_EQ(e.engine->Play(), S_OK);
  ASSERT_TRUE(WaitUntil([&] { return e.Position() > 1000000; }, 3000));
  e.engine->put_CurrentPosition(15000000);
  EXPECT_GT(TextPixelsWhenPausedAfter(16000000), 30);
}

TEST_F(Streams, SubtitleFilesAreCheckedAndReloadingWhilePlayingIsSafe) {
  std::wstring srt = WriteSrt("engine-test2.srt", "1\r\n00:00:00,100 --> 00:00:02,000\r\nA\r\nB\r\n");
  std::wstring upper = WriteSrt("engine-test3.SRT", "1\n00:00:00,100 --> 00:00:02,000\nLF only\n");
  std::wstring empty = WriteSrt("engine-empty.srt", "\r\n\r\n");
  BSTR b = Bstr(srt);
  EXPECT_EQ(e.subtitles->SetFile(b), S_OK) << "the last entry needs no empty line after it";
  SysFreeString(b);
  b = Bstr(upper);
  EXPECT_EQ(e.subtitles->SetFile(b), S_OK);
  SysFreeString(b);
  b = Bstr(empty);
  EXPECT_EQ(e.subtitles->SetFile(b), E_FAIL) << "nothing in it";
  SysFreeString(b);
  b = SysAllocString(L"");
  EXPECT_EQ(e.subtitles->SetFile(b), S_FALSE);
  SysFreeString(b);
  b = Bstr(ProgramFolder() + L"missing.srt");
  EXPECT_EQ(e.subtitles->SetFile(b), E_FAIL);
  SysFreeString(b);
  b = Bstr(ProgramFolder() + L"x.sub");
  EXPECT_EQ(e.subtitles->SetFile(b), E_FAIL);
  SysFreeString(b);

  e.engine->UseVideoEffects(1);
  ASSERT_TRUE(SUCCEEDED(e.Open("yuy2_pcm.avi")));
  e.streams->put_VwOwner(0, LONG(HandleToLong(owner)));
  e.subtitles->Enable(-1);
  ASSERT_EQ(e.engine->Play(), S_OK);
  b = Bstr(srt);
  for (int i = 0; i < 200; ++i) {
    EXPECT_EQ(e.subtitles->SetFile(b), S_OK);
    if (i % 20 == 0) PumpFor(20);
  }
  SysFreeString(b);
  EXPECT_TRUE(WaitUntil([&] { return e.Position() > kSecond; }, 3000));
}

}  // namespace
}  // namespace tessel::testing

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc > 1) tessel::testing::SetMediaFolder(argv[1]);
  return RUN_ALL_TESTS();
}
