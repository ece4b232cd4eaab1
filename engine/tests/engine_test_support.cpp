#include "engine/tests/engine_test_support.h"

#include <ole2.h>

#include "video_effects.h"

namespace tessel::testing {

namespace {

std::wstring g_media;

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();

HMODULE Library(const wchar_t* name) {
  return LoadLibraryW((ProgramFolder() + name).c_str());
}

HRESULT FactoryOf(const wchar_t* dll, REFCLSID clsid, IClassFactory** factory) {
  HMODULE module = Library(dll);
  if (!module) return HRESULT_FROM_WIN32(GetLastError());
  auto get = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
  if (!get) return E_FAIL;
  return get(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory));
}

// A factory that answers as for a class nobody registered.
class RefusingFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, void** out) override {
    *out = nullptr;
    return REGDB_E_CLASSNOTREG;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

DWORD g_effectsCookie = 0;

}  // namespace

void SetMediaFolder(const char* unixPath) {
  std::string p = unixPath ? unixPath : "";
  std::wstring w(p.begin(), p.end());
  for (auto& c : w)
    if (c == L'/') c = L'\\';
  g_media = L"Z:" + w;
}

std::wstring Media(const char* name) {
  std::string n = name;
  return g_media + L"\\" + std::wstring(n.begin(), n.end());
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

HRESULT CreateEngine(IMediaEngine** engine, IUnknown* outer, REFIID iid) {
  ComPtr<IClassFactory> factory;
  HRESULT hr = FactoryOf(L"Tessel.dll", CLSID_MediaEngine, factory.put());
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(outer, iid, reinterpret_cast<void**>(engine));
}

HRESULT TesselCanUnloadNow() {
  auto can = reinterpret_cast<CanUnloadFn>(
      reinterpret_cast<void*>(GetProcAddress(Library(L"Tessel.dll"), "DllCanUnloadNow")));
  return can ? can() : E_FAIL;
}

void ProvideVideoEffects(bool available) {
  static RefusingFactory refusing;
  if (g_effectsCookie) CoRevokeClassObject(g_effectsCookie);
  g_effectsCookie = 0;
  ComPtr<IClassFactory> factory;
  if (available) {
    if (FAILED(FactoryOf(L"VideoEffects.dll", CLSID_VideoEffects, factory.put()))) return;
  } else {
    factory = ComPtr<IClassFactory>(&refusing);
  }
  CoRegisterClassObject(CLSID_VideoEffects, factory.get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &g_effectsCookie);
}

void RefuseClass(REFCLSID clsid, bool refuse) {
  static RefusingFactory refusing;
  static DWORD cookie = 0;
  if (cookie) CoRevokeClassObject(cookie);
  cookie = 0;
  if (refuse) CoRegisterClassObject(clsid, &refusing, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= timeoutMs) return done();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

void PumpFor(DWORD ms) {
  WaitUntil([] { return false; }, ms);
}

HRESULT STDMETHODCALLTYPE CompletionRecorder::QueryInterface(REFIID iid, void** out) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_EngineNotify)) {
    *out = static_cast<EngineNotify*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE CompletionRecorder::OnComplete() {
  lastTick_ = GetTickCount();
  InterlockedIncrement(&count_);
  return result;
}

ComPtr<IFilterGraph> FindEngineGraph(IMediaEngine* engine) {
  ComPtr<IFilterGraph> found;
  ComPtr<IRunningObjectTable> rot;
  if (FAILED(GetRunningObjectTable(0, rot.put()))) return found;
  wchar_t wanted[64];
  wsprintfW(wanted, L"!FilterGraph %lx pid %lx", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(engine)),
            GetCurrentProcessId());
  ComPtr<IEnumMoniker> monikers;
  if (FAILED(rot->EnumRunning(monikers.put())) || !monikers) return found;
  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.put(), nullptr) == S_OK) {
    ComPtr<IBindCtx> context;
    CreateBindCtx(0, context.put());
    LPOLESTR name = nullptr;
    if (FAILED(moniker->GetDisplayName(context.get(), nullptr, &name)) || !name) continue;
    bool match = lstrcmpiW(name, wanted) == 0;
    CoTaskMemFree(name);
    if (!match) continue;
    ComPtr<IUnknown> object;
    if (SUCCEEDED(rot->GetObject(moniker.get(), object.put())) && object) object.query(IID_IFilterGraph, found);
    break;
  }
  return found;
}

ComPtr<IBaseFilter> FindFilter(IFilterGraph* graph, const wchar_t* name) {
  ComPtr<IBaseFilter> filter;
  if (graph) graph->FindFilterByName(name, filter.put());
  return filter;
}

int CountFilters(IFilterGraph* graph) {
  int n = 0;
  ComPtr<IEnumFilters> filters;
  if (!graph || FAILED(graph->EnumFilters(filters.put()))) return -1;
  ComPtr<IBaseFilter> f;
  while (filters->Next(1, f.put(), nullptr) == S_OK) ++n;
  return n;
}

HRESULT Engine::Create() {
  HRESULT hr = CreateEngine(engine.put());
  if (FAILED(hr)) return hr;
  engine.query(IID_IMediaStreams, streams);
  engine.query(IID_IDecoderSelector, decoders);
  engine.query(IID_IPropertyPages, pages);
  engine.query(IID_IOverlayBmp, overlay);
  engine.query(IID_ISubtitles, subtitles);
  return S_OK;
}

BSTR Bstr(const std::wstring& text) { return SysAllocStringLen(text.data(), UINT(text.size())); }

HRESULT Engine::Open(const char* clip) {
  BSTR name = Bstr(Media(clip));
  HRESULT hr = engine->put_FileName(name);
  SysFreeString(name);
  return hr;
}

LONGLONG Engine::Position() const {
  LONGLONG p = -1;
  engine->get_CurrentPosition(&p);
  return p;
}

OAFilterState Engine::GraphState() {
  ComPtr<IFilterGraph> graph = FindEngineGraph(engine.get());
  ComPtr<IMediaControl> control;
  OAFilterState state = -1;
  if (graph && SUCCEEDED(graph.query(IID_IMediaControl, control))) control->GetState(2000, &state);
  return state;
}

}  // namespace tessel::testing
