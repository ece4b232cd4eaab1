#include "player/tests/fake_engine.h"

#include <climits>
#include <cstdio>

namespace {

std::atomic<long> g_live{0};

std::string Utf8(const wchar_t* text) {
  if (!text || !*text) return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string out(size - 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, nullptr, nullptr);
  return out;
}

std::string Num(long long value) { return std::to_string(value); }

std::string Dbl(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

std::string Args(const std::string& name, std::initializer_list<std::string> args) {
  std::string line = name + "(";
  bool first = true;
  for (const std::string& a : args) {
    if (!first) line += ",";
    line += a;
    first = false;
  }
  return line + ")";
}

std::string Stream(const char* name, long n) { return std::string(name) + "(" + Num(n) + ")"; }

}  // namespace

// ---------------------------------------------------------------------------
// Log and helpers

FakeEngine::FakeEngine() { ++g_live; }

FakeEngine::~FakeEngine() {
  if (notify_) notify_->Release();
  --g_live;
}

long FakeEngine::LiveObjects() { return g_live; }

std::string FakeEngine::Hex(long value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
  return text;
}

void FakeEngine::Log(std::string line) { calls.push_back(std::move(line)); }

bool FakeEngine::Called(const std::string& exact) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const std::string& c : calls)
    if (c == exact) return true;
  return false;
}

int FakeEngine::Count(const std::string& prefix) const {
  std::lock_guard<std::mutex> lock(mutex_);
  int n = 0;
  for (const std::string& c : calls)
    if (c.compare(0, prefix.size(), prefix) == 0) ++n;
  return n;
}

std::vector<std::string> FakeEngine::CallsWithPrefix(const std::string& prefix) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> out;
  for (const std::string& c : calls)
    if (c.compare(0, prefix.size(), prefix) == 0) out.push_back(c);
  return out;
}

void FakeEngine::ClearCalls() {
  std::lock_guard<std::mutex> lock(mutex_);
  calls.clear();
}

HRESULT FakeEngine::FireComplete() {
  EngineNotify* sink;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    sink = notify_;
    if (!sink) return E_POINTER;
    sink->AddRef();
  }
  // Called without the lock, so the sink may call back into the engine.
  HRESULT hr = sink->OnComplete();
  sink->Release();
  return hr;
}

bool FakeEngine::HasCallback() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return notify_ != nullptr;
}

void FakeEngine::DropCallback() {
  EngineNotify* old;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    old = notify_;
    notify_ = nullptr;
  }
  if (old) old->Release();
}

HRESULT FakeEngine::Configured(const std::string& key, HRESULT fallback) const {
  auto it = results.find(key);
  return it == results.end() ? fallback : it->second;
}

HRESULT FakeEngine::NeedsGraph(const std::string& key) const {
  return Configured(key, engine_rules && !initialized ? E_INVALIDARG : S_OK);
}

HRESULT FakeEngine::Guard(const std::string& key, long n, Kind kind, bool needs_enabled, FakeStream** stream) {
  long count = engine_rules && !initialized ? 0 : static_cast<long>(streams.size());
  *stream = nullptr;
  if (n < 0 || n >= count) return E_POINTER;
  FakeStream& s = streams[n];
  *stream = &s;
  HRESULT hr = S_OK;
  if (engine_rules) {
    bool video = s.type == L"Video", audio = s.type == L"Audio";
    if ((kind == Kind::Video && !video) || (kind == Kind::Audio && !audio) ||
        (kind == Kind::VideoOrAudio && !video && !audio))
      hr = S_FALSE;
    else if (needs_enabled && !s.enabled)
      hr = S_FALSE;
  }
  return Configured(key, hr);
}

HRESULT FakeEngine::GetLong(const char* name, long n, long FakeStream::*field, Kind kind, bool needs_enabled,
                            LONG* out) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Stream(name, n) + "?");
  if (!out) return E_POINTER;
  FakeStream* s;
  HRESULT hr = Guard(std::string(name) + " get", n, kind, needs_enabled, &s);
  if (hr == S_OK) *out = s->*field;
  return hr;
}

HRESULT FakeEngine::PutLong(const char* name, long n, long FakeStream::*field, Kind kind, bool needs_enabled,
                            LONG value, Format format) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Stream(name, n) + "=" + (format == Format::Hex ? Hex(value) : Num(value)));
  FakeStream* s;
  HRESULT hr = Guard(std::string(name) + " put", n, kind, needs_enabled, &s);
  if (hr == S_OK) s->*field = value;
  return hr;
}

HRESULT FakeEngine::GetDouble(const char* name, long n, double FakeStream::*field, Kind kind, double* out) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Stream(name, n) + "?");
  if (!out) return E_POINTER;
  FakeStream* s;
  HRESULT hr = Guard(std::string(name) + " get", n, kind, false, &s);
  if (hr == S_OK) *out = s->*field;
  return hr;
}

HRESULT FakeEngine::PutDouble(const char* name, long n, double FakeStream::*field, Kind kind, double value) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Stream(name, n) + "=" + Dbl(value));
  FakeStream* s;
  HRESULT hr = Guard(std::string(name) + " put", n, kind, false, &s);
  if (hr == S_OK) s->*field = value;
  return hr;
}

HRESULT FakeEngine::PutLevel(const char* name, long n, long FakeStream::*field, LONG value, long low, long high) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Stream(name, n) + "=" + Num(value));
  FakeStream* s;
  HRESULT hr = Guard(std::string(name) + " put", n, Kind::Audio, true, &s);
  if (hr != S_OK) return hr;
  if (engine_rules) value = value < low ? low : value > high ? high : value;
  s->*field = value;
  return hr;
}

HRESULT FakeEngine::StreamMethod(const std::string& line, const char* key, long n, Kind kind, bool needs_enabled,
                                 FakeStream** stream) {
  Log(line);
  return Guard(key, n, kind, needs_enabled, stream);
}

// ---------------------------------------------------------------------------
// IUnknown, IDispatch

STDMETHODIMP FakeEngine::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IMediaEngine))
    *ppv = static_cast<IMediaEngine*>(this);
  else if (IsEqualIID(riid, IID_IDecoderSelector))
    *ppv = static_cast<IDecoderSelector*>(this);
  else if (IsEqualIID(riid, IID_IPropertyPages))
    *ppv = static_cast<IPropertyPages*>(this);
  else if (IsEqualIID(riid, IID_IMediaStreams))
    *ppv = static_cast<IMediaStreams*>(this);
  else if (IsEqualIID(riid, IID_IOverlayBmp))
    *ppv = static_cast<IOverlayBmp*>(this);
  else if (IsEqualIID(riid, IID_ISubtitles))
    *ppv = static_cast<ISubtitles*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) FakeEngine::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) FakeEngine::Release() {
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP FakeEngine::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return E_NOTIMPL;
}
STDMETHODIMP FakeEngine::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP FakeEngine::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
STDMETHODIMP FakeEngine::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return E_NOTIMPL;
}

// ---------------------------------------------------------------------------
// IMediaEngine

STDMETHODIMP FakeEngine::get_FileName(BSTR* pVal) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("FileName?");
  if (!pVal) return E_POINTER;
  HRESULT hr = Configured("FileName get", S_OK);
  if (hr == S_OK) *pVal = SysAllocString(file_name.c_str());
  return hr;
}

STDMETHODIMP FakeEngine::put_FileName(BSTR newVal) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::wstring name = newVal ? newVal : L"";
  Log("FileName=" + Utf8(name.c_str()));
  // As the engine does: a trailing, then a leading double quote goes.
  if (engine_rules && !name.empty() && name.back() == L'"') name.pop_back();
  if (engine_rules && !name.empty() && name.front() == L'"') name.erase(0, 1);
  HRESULT hr = Configured("FileName put", engine_rules && name.empty() ? E_INVALIDARG : open_result);
  if (hr == S_FALSE) return hr;
  file_name = name;
  initialized = hr == S_OK;
  position = 0;
  transport = Transport::Stopped;
  backwards = false;
  return hr;
}

STDMETHODIMP FakeEngine::Play() {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("Play");
  HRESULT hr = NeedsGraph("Play");
  if (hr == S_OK) transport = Transport::Playing, backwards = false;
  return hr;
}

STDMETHODIMP FakeEngine::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("Stop");
  HRESULT hr = NeedsGraph("Stop");
  if (hr == S_OK) transport = Transport::Stopped, backwards = false;
  return hr;
}

STDMETHODIMP FakeEngine::Pause() {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("Pause");
  HRESULT hr = NeedsGraph("Pause");
  if (hr == S_OK) transport = Transport::Paused;
  return hr;
}

STDMETHODIMP FakeEngine::get_Duration(LONGLONG* pVal) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("Duration?");
  if (!pVal) return E_POINTER;
  HRESULT hr = NeedsGraph("Duration get");
  if (hr == S_OK) *pVal = duration;
  return hr;
}

STDMETHODIMP FakeEngine::get_CurrentPosition(LONGLONG* pVal) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("CurrentPosition?");
  if (!pVal) return E_POINTER;
  HRESULT hr = NeedsGraph("CurrentPosition get");
  if (hr == S_OK) *pVal = position;
  return hr;
}

STDMETHODIMP FakeEngine::put_CurrentPosition(LONGLONG newVal) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("CurrentPosition=" + Num(newVal));
  HRESULT hr = NeedsGraph("CurrentPosition put");
  if (hr == S_OK) position = newVal;
  return hr;
}

STDMETHODIMP FakeEngine::get_RewindUponComplete(VARIANT_BOOL* pVal) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("RewindUponComplete?");
  if (!pVal) return E_POINTER;
  HRESULT hr = Configured("RewindUponComplete get", S_OK);
  if (hr == S_OK) *pVal = rewind_upon_complete;
  return hr;
}

STDMETHODIMP FakeEngine::put_RewindUponComplete(VARIANT_BOOL newVal) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("RewindUponComplete=" + Num(newVal));
  HRESULT hr = Configured("RewindUponComplete put", S_OK);
  if (hr == S_OK) rewind_upon_complete = newVal;
  return hr;
}

STDMETHODIMP FakeEngine::get_Rate(double* pVal) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("Rate?");
  if (!pVal) return E_POINTER;
  HRESULT hr = NeedsGraph("Rate get");
  if (hr == S_OK) *pVal = rate;
  return hr;
}

STDMETHODIMP FakeEngine::put_Rate(double newVal) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("Rate=" + Dbl(newVal));
  HRESULT hr = NeedsGraph("Rate put");
  if (hr == S_OK) rate = newVal, backwards = false;
  return hr;
}

STDMETHODIMP FakeEngine::PlayBackwards() {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("PlayBackwards");
  HRESULT hr = Configured("PlayBackwards", S_OK);
  if (hr == S_OK) transport = Transport::Paused, backwards = true;
  return hr;
}

STDMETHODIMP FakeEngine::CanFrameStep(LONG nFrames, VARIANT_BOOL* pCan) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Args("CanFrameStep", {Num(nFrames)}));
  if (!pCan) return E_POINTER;
  HRESULT hr = Configured("CanFrameStep", S_OK);
  if (hr == S_OK) *pCan = can_frame_step;
  return hr;
}

STDMETHODIMP FakeEngine::FrameStep(LONG nFrames) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Args("FrameStep", {Num(nFrames)}));
  return Configured("FrameStep", S_OK);
}

STDMETHODIMP FakeEngine::PutCallback(IUnknown* pCallback) {
  EngineNotify* old = nullptr;
  HRESULT hr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Log(pCallback ? "PutCallback" : "PutCallback(null)");
    // The real engine refuses null and keeps the sink it has.
    if (!pCallback) return Configured("PutCallback", E_POINTER);
    hr = Configured("PutCallback", S_OK);
    if (hr != S_OK) return hr;
    EngineNotify* sink = nullptr;
    hr = pCallback->QueryInterface(IID_EngineNotify, reinterpret_cast<void**>(&sink));
    if (FAILED(hr) || !sink) return FAILED(hr) ? hr : E_NOINTERFACE;
    old = notify_;
    notify_ = sink;
  }
  if (old) old->Release();
  return S_OK;
}

STDMETHODIMP FakeEngine::get_Repeat(VARIANT_BOOL* pVal) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("Repeat?");
  if (!pVal) return E_POINTER;
  HRESULT hr = Configured("Repeat get", S_OK);
  if (hr == S_OK) *pVal = repeat;
  return hr;
}

STDMETHODIMP FakeEngine::put_Repeat(VARIANT_BOOL newVal) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("Repeat=" + Num(newVal));
  HRESULT hr = Configured("Repeat put", S_OK);
  if (hr == S_OK) repeat = newVal;
  return hr;
}

STDMETHODIMP FakeEngine::get_Initialized(VARIANT_BOOL* pVal) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("Initialized?");
  if (!pVal) return E_POINTER;
  HRESULT hr = Configured("Initialized get", S_OK);
  // The engine writes 1, not VARIANT_TRUE, while a graph is built.
  if (hr == S_OK) *pVal = initialized ? 1 : 0;
  return hr;
}

STDMETHODIMP FakeEngine::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("Reset");
  HRESULT hr = Configured("Reset", S_OK);
  if (hr == S_OK) {
    initialized = false;
    transport = Transport::Stopped;
    backwards = false;
    position = 0;
  }
  return hr;
}

STDMETHODIMP FakeEngine::UseVideoEffects(LONG bUse) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Args("UseVideoEffects", {Num(bUse)}));
  HRESULT hr = Configured("UseVideoEffects", S_OK);
  if (hr == S_OK) use_video_effects = bUse;
  return hr;
}

// ---------------------------------------------------------------------------
// IDecoderSelector

STDMETHODIMP FakeEngine::get_EnableManualSelection(LONG n, VARIANT_BOOL* pVal) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Stream("EnableManualSelection", n) + "?");
  if (!pVal) return E_POINTER;
  FakeStream* s;
  HRESULT hr = Guard("EnableManualSelection get", n, Kind::VideoOrAudio, false, &s);
  if (hr == S_OK) *pVal = s->manual_selection;
  return hr;
}

STDMETHODIMP FakeEngine::put_EnableManualSelection(LONG n, VARIANT_BOOL newVal) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Stream("EnableManualSelection", n) + "=" + Num(newVal));
  FakeStream* s;
  HRESULT hr = Guard("EnableManualSelection put", n, Kind::VideoOrAudio, false, &s);
  if (hr == S_OK) s->manual_selection = newVal;
  return hr;
}

STDMETHODIMP FakeEngine::CountSuitableDecoders(LONG n, LONG* pDecodersNumber) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Args("CountSuitableDecoders", {Num(n)}));
  if (!pDecodersNumber) return E_POINTER;
  FakeStream* s;
  HRESULT hr = Guard("CountSuitableDecoders", n, Kind::VideoOrAudio, false, &s);
  if (hr == S_OK) *pDecodersNumber = static_cast<LONG>(s->decoders.size());
  return hr;
}

STDMETHODIMP FakeEngine::GetDecoderNames(LONG n, BSTR* pbstrNames) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Args("GetDecoderNames", {Num(n)}));
  if (!pbstrNames) return E_POINTER;
  FakeStream* s;
  HRESULT hr = Guard("GetDecoderNames", n, Kind::VideoOrAudio, false, &s);
  if (hr == S_OK)
    for (size_t i = 0; i < s->decoders.size(); ++i) pbstrNames[i] = SysAllocString(s->decoders[i].c_str());
  return hr;
}

STDMETHODIMP FakeEngine::UseDecoder(LONG n, BSTR bstrDecoder) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Args("UseDecoder", {Num(n), bstrDecoder ? Utf8(bstrDecoder) : std::string("<null>")}));
  FakeStream* s;
  HRESULT hr = Guard("UseDecoder", n, Kind::VideoOrAudio, true, &s);
  if (!s || hr == S_FALSE) return hr;
  bool rules_apply = results.find("UseDecoder") == results.end() && engine_rules;
  if (FAILED(hr)) return hr;
  if (bstrDecoder) {
    s->chosen_decoder = bstrDecoder;
    s->manual_selection = 1;
    // The rebuild finds the chosen decoder by exact name or fails.
    if (rules_apply) {
      bool known = false;
      for (const std::wstring& d : s->decoders) known = known || d == s->chosen_decoder;
      if (!known) return E_FAIL;
    }
  } else {
    s->chosen_decoder.clear();
    s->manual_selection = 0;
  }
  return hr;
}

STDMETHODIMP FakeEngine::LoadDecoders(LONG n) {
  std::lock_guard<std::mutex> lock(mutex_);
  FakeStream* s;
  return StreamMethod(Args("LoadDecoders", {Num(n)}), "LoadDecoders", n, Kind::VideoOrAudio, false, &s);
}

// ---------------------------------------------------------------------------
// IPropertyPages

STDMETHODIMP FakeEngine::ShowPages(LONG n, LONG hWnd) {
  std::lock_guard<std::mutex> lock(mutex_);
  FakeStream* s;
  return StreamMethod(Args("ShowPages", {Num(n), Hex(hWnd)}), "ShowPages", n, Kind::VideoOrAudio, true, &s);
}

// ---------------------------------------------------------------------------
// IMediaStreams

STDMETHODIMP FakeEngine::GetCount(LONG* pStreams) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log("GetCount");
  if (!pStreams) return E_POINTER;
  HRESULT hr = Configured("GetCount", S_OK);
  if (hr == S_OK) *pStreams = engine_rules && !initialized ? 0 : static_cast<LONG>(streams.size());
  return hr;
}

STDMETHODIMP FakeEngine::GetStreamType(LONG n, BSTR* pbstrStreamType) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Args("GetStreamType", {Num(n)}));
  if (!pbstrStreamType) return E_POINTER;
  FakeStream* s;
  HRESULT hr = Guard("GetStreamType", n, Kind::Any, false, &s);
  if (hr == S_OK) *pbstrStreamType = SysAllocString(s->type.c_str());
  return hr;
}

#define FAKE_LONG_PROPERTY(Name, field, kind, enabled, format)                                      \
  STDMETHODIMP FakeEngine::get_##Name(LONG n, LONG* pVal) {                                         \
    return GetLong(#Name, n, &FakeStream::field, Kind::kind, enabled, pVal);                        \
  }                                                                                                 \
  STDMETHODIMP FakeEngine::put_##Name(LONG n, LONG newVal) {                                        \
    return PutLong(#Name, n, &FakeStream::field, Kind::kind, enabled, newVal, Format::format);      \
  }

#define FAKE_DOUBLE_PROPERTY(Name, field)                                                           \
  STDMETHODIMP FakeEngine::get_##Name(LONG n, double* pVal) {                                       \
    return GetDouble(#Name, n, &FakeStream::field, Kind::Video, pVal);                              \
  }                                                                                                 \
  STDMETHODIMP FakeEngine::put_##Name(LONG n, double newVal) {                                      \
    return PutDouble(#Name, n, &FakeStream::field, Kind::Video, newVal);                            \
  }

FAKE_LONG_PROPERTY(Brightness, brightness, Video, true, Decimal)
FAKE_LONG_PROPERTY(Contrast, contrast, Video, true, Decimal)
FAKE_LONG_PROPERTY(VwDrain, vw_drain, Video, true, Hex)
FAKE_LONG_PROPERTY(VwOwner, vw_owner, Video, true, Hex)
FAKE_LONG_PROPERTY(VwRight, vw_right, Video, true, Decimal)
FAKE_LONG_PROPERTY(VwLeft, vw_left, Video, true, Decimal)
FAKE_LONG_PROPERTY(VwTop, vw_top, Video, true, Decimal)
FAKE_LONG_PROPERTY(VwBottom, vw_bottom, Video, true, Decimal)
FAKE_LONG_PROPERTY(AspectRatio, aspect_ratio, Video, false, Decimal)
FAKE_LONG_PROPERTY(EnableStream, enabled, Any, false, Decimal)
FAKE_LONG_PROPERTY(EnableOverlay, overlay, Video, false, Decimal)
FAKE_DOUBLE_PROPERTY(CustomXAspect, custom_x)
FAKE_DOUBLE_PROPERTY(CustomYAspect, custom_y)

#undef FAKE_LONG_PROPERTY
#undef FAKE_DOUBLE_PROPERTY

STDMETHODIMP FakeEngine::get_VideoHeight(LONG n, LONG* pVal) {
  return GetLong("VideoHeight", n, &FakeStream::height, Kind::Video, true, pVal);
}
STDMETHODIMP FakeEngine::get_VideoWidth(LONG n, LONG* pVal) {
  return GetLong("VideoWidth", n, &FakeStream::width, Kind::Video, true, pVal);
}
STDMETHODIMP FakeEngine::get_Bitrate(LONG n, LONG* pVal) {
  return GetLong("Bitrate", n, &FakeStream::bitrate, Kind::VideoOrAudio, false, pVal);
}
STDMETHODIMP FakeEngine::get_Volume(LONG n, LONG* pVal) {
  return GetLong("Volume", n, &FakeStream::volume, Kind::Audio, false, pVal);
}
STDMETHODIMP FakeEngine::put_Volume(LONG n, LONG newVal) {
  return PutLevel("Volume", n, &FakeStream::volume, newVal, -10000, 0);
}
STDMETHODIMP FakeEngine::get_Balance(LONG n, LONG* pVal) {
  return GetLong("Balance", n, &FakeStream::balance, Kind::Audio, false, pVal);
}
STDMETHODIMP FakeEngine::put_Balance(LONG n, LONG newVal) {
  return PutLevel("Balance", n, &FakeStream::balance, newVal, -10000, 10000);
}
STDMETHODIMP FakeEngine::get_RateFPS(LONG n, double* pVal) {
  return GetDouble("RateFPS", n, &FakeStream::rate_fps, Kind::Video, pVal);
}
STDMETHODIMP FakeEngine::get_RateDefaultFPS(LONG n, double* pVal) {
  return GetDouble("RateDefaultFPS", n, &FakeStream::rate_default_fps, Kind::Video, pVal);
}

STDMETHODIMP FakeEngine::put_RateFPS(LONG n, double newVal) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Stream("RateFPS", n) + "=" + Dbl(newVal));
  // The engine ignores the stream number: every video stream takes the rate.
  HRESULT hr = NeedsGraph("RateFPS put");
  if (hr != S_OK) return hr;
  double default_fps = 0;
  for (FakeStream& s : streams)
    if (s.type == L"Video") s.rate_fps = newVal, default_fps = s.rate_default_fps;
  if (default_fps > 0) rate = newVal / default_fps;
  return hr;
}

STDMETHODIMP FakeEngine::get_FramesPlayed(LONG n, LONGLONG* pVal) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Stream("FramesPlayed", n) + "?");
  if (!pVal) return E_POINTER;
  FakeStream* s;
  HRESULT hr = Guard("FramesPlayed get", n, Kind::Video, false, &s);
  if (hr == S_OK) *pVal = s->frames_played;
  return hr;
}

STDMETHODIMP FakeEngine::ShowVideoWindow(LONG n, VARIANT_BOOL bShow) {
  std::lock_guard<std::mutex> lock(mutex_);
  FakeStream* s;
  HRESULT hr = StreamMethod(Args("ShowVideoWindow", {Num(n), Num(bShow)}), "ShowVideoWindow", n, Kind::Video,
                            true, &s);
  if (hr == S_OK) s->window_visible = bShow != 0;
  return hr;
}

STDMETHODIMP FakeEngine::NotifyOwnerMessage(LONG n, LONG hWnd, LONG lMessage, LONG wParam, LONG lParam) {
  std::lock_guard<std::mutex> lock(mutex_);
  FakeStream* s;
  return StreamMethod(Args("NotifyOwnerMessage", {Num(n), Hex(hWnd), Num(lMessage), Num(wParam), Num(lParam)}),
                      "NotifyOwnerMessage", n, Kind::Video, false, &s);
}

STDMETHODIMP FakeEngine::ResizeVideoWindow(LONG n) {
  std::lock_guard<std::mutex> lock(mutex_);
  FakeStream* s;
  return StreamMethod(Args("ResizeVideoWindow", {Num(n)}), "ResizeVideoWindow", n, Kind::Video, false, &s);
}

STDMETHODIMP FakeEngine::SetFullscreen(LONG n, LONG hWnd) {
  std::lock_guard<std::mutex> lock(mutex_);
  FakeStream* s;
  HRESULT hr = StreamMethod(Args("SetFullscreen", {Num(n), Hex(hWnd)}), "SetFullscreen", n, Kind::Video, false, &s);
  if (hr == S_OK) s->fullscreen = 1;
  return hr;
}

STDMETHODIMP FakeEngine::ResetFullscreen(LONG n) {
  std::lock_guard<std::mutex> lock(mutex_);
  FakeStream* s;
  HRESULT hr = StreamMethod(Args("ResetFullscreen", {Num(n)}), "ResetFullscreen", n, Kind::Video, false, &s);
  if (hr == S_OK) s->fullscreen = 0;
  return hr;
}

STDMETHODIMP FakeEngine::SetWindowZOrder(LONG n, LONG hWndInsertAfter) {
  std::lock_guard<std::mutex> lock(mutex_);
  FakeStream* s;
  return StreamMethod(Args("SetWindowZOrder", {Num(n), Hex(hWndInsertAfter)}), "SetWindowZOrder", n, Kind::Video,
                      false, &s);
}

STDMETHODIMP FakeEngine::RebuildStream(LONG n) {
  std::lock_guard<std::mutex> lock(mutex_);
  FakeStream* s;
  return StreamMethod(Args("RebuildStream", {Num(n)}), "RebuildStream", n, Kind::Any, false, &s);
}

STDMETHODIMP FakeEngine::ShowCursor(LONG n, LONG bShow) {
  std::lock_guard<std::mutex> lock(mutex_);
  FakeStream* s;
  HRESULT hr = StreamMethod(Args("ShowCursor", {Num(n), Num(bShow)}), "ShowCursor", n, Kind::Video, false, &s);
  if (hr == S_OK) s->cursor_shown = bShow != 0;
  return hr;
}

// ---------------------------------------------------------------------------
// IOverlayBmp

STDMETHODIMP FakeEngine::SetBitmap(LONG n, LONG lLeft, LONG lTop, LONGLONG llStart, LONGLONG llEnd, LONG hdc,
                                   LONG lBitmap, LONG lclTransparent) {
  std::lock_guard<std::mutex> lock(mutex_);
  FakeStream* s;
  return StreamMethod(Args("SetBitmap", {Num(n), Num(lLeft), Num(lTop), Num(llStart), Num(llEnd), Hex(hdc),
                                         Hex(lBitmap), Hex(lclTransparent)}),
                      "SetBitmap", n, Kind::Video, false, &s);
}

STDMETHODIMP FakeEngine::SetText(LONG n, LONG lLeft, LONG lTop, LONG lWidth, LONG lHeight, LONGLONG llStart,
                                 LONGLONG llEnd, unsigned char* strText, LONG lSize, LONG lColor, LONG lFont) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string text;
  if (strText && lSize > 0) text.assign(reinterpret_cast<const char*>(strText), static_cast<size_t>(lSize));
  FakeStream* s;
  return StreamMethod(Args("SetText", {Num(n), Num(lLeft), Num(lTop), Num(lWidth), Num(lHeight), Num(llStart),
                                       Num(llEnd), "\"" + text + "\"", Num(lSize), Hex(lColor), Hex(lFont)}),
                      "SetText", n, Kind::Video, false, &s);
}

// ---------------------------------------------------------------------------
// ISubtitles

STDMETHODIMP FakeEngine::SetFile(BSTR bstrFile) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Args("SetFile", {Utf8(bstrFile)}));
  HRESULT hr = Configured("SetFile", engine_rules && (!bstrFile || !*bstrFile) ? S_FALSE : S_OK);
  if (hr == S_OK) subtitles.file = bstrFile ? bstrFile : L"";
  return hr;
}

STDMETHODIMP FakeEngine::SetRect(LONG lLeft, LONG lTop, LONG lWidth, LONG lHeight) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Args("SetRect", {Num(lLeft), Num(lTop), Num(lWidth), Num(lHeight)}));
  HRESULT hr = Configured("SetRect", S_OK);
  if (hr == S_OK) {
    subtitles.left = lLeft;
    subtitles.top = lTop;
    subtitles.width = lWidth;
    subtitles.height = lHeight;
  }
  return hr;
}

STDMETHODIMP FakeEngine::SetFontName(BSTR bstrFontName) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Args("SetFontName", {Utf8(bstrFontName)}));
  HRESULT hr = Configured("SetFontName", S_OK);
  if (hr == S_OK) subtitles.font_name = bstrFontName ? bstrFontName : L"";
  return hr;
}

STDMETHODIMP FakeEngine::Enable(VARIANT_BOOL bEnable) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Args("Enable", {Num(bEnable)}));
  HRESULT hr = Configured("Enable", S_OK);
  if (hr == S_OK) subtitles.enabled = bEnable;
  return hr;
}

STDMETHODIMP FakeEngine::SetFontSize(LONG lFontSize) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Args("SetFontSize", {Num(lFontSize)}));
  HRESULT hr = Configured("SetFontSize", S_OK);
  if (hr == S_OK) subtitles.font_size = lFontSize;
  return hr;
}

STDMETHODIMP FakeEngine::SetFontItalic(VARIANT_BOOL bItalic) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Args("SetFontItalic", {Num(bItalic)}));
  HRESULT hr = Configured("SetFontItalic", S_OK);
  if (hr == S_OK) subtitles.italic = bItalic;
  return hr;
}

STDMETHODIMP FakeEngine::SetFontBold(VARIANT_BOOL bBold) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Args("SetFontBold", {Num(bBold)}));
  HRESULT hr = Configured("SetFontBold", S_OK);
  if (hr == S_OK) subtitles.bold = bBold;
  return hr;
}

STDMETHODIMP FakeEngine::SetTextColor(LONG lTextColor) {
  std::lock_guard<std::mutex> lock(mutex_);
  Log(Args("SetTextColor", {Hex(lTextColor)}));
  HRESULT hr = Configured("SetTextColor", S_OK);
  if (hr == S_OK) subtitles.text_color = lTextColor;
  return hr;
}

// ---------------------------------------------------------------------------
// FakeEngineFactory

FakeEngineFactory::~FakeEngineFactory() { ForgetLast(); }

void FakeEngineFactory::ForgetLast() {
  if (last_) last_->Release();
  last_ = nullptr;
}

STDMETHODIMP FakeEngineFactory::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
  *ppv = static_cast<IClassFactory*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) FakeEngineFactory::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) FakeEngineFactory::Release() {
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP FakeEngineFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  if (FAILED(create_result)) return create_result;
  FakeEngine* engine = new FakeEngine;
  if (prepare) prepare(*engine);
  HRESULT hr = engine->QueryInterface(riid, ppv);
  if (SUCCEEDED(hr)) {
    ++created;
    ForgetLast();
    last_ = engine;  // keeps the creation reference
  } else {
    engine->Release();
  }
  return hr;
}

STDMETHODIMP FakeEngineFactory::LockServer(BOOL) { return S_OK; }
