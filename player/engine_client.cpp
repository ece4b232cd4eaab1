#include "player/engine_client.h"

#include <cstring>
#include <cwchar>

#include "player/command_ids.h"
#include "player/core/level_steps.h"
#include "player/player_settings.h"
#include "player/video_stream.h"

namespace {

constexpr wchar_t kEngineLibrary[] = L"Tessel.dll";

// The engine's library, loaded by its bare name so the normal search finds
// it beside the program, and its class factory for MediaEngine.
HRESULT FactoryFromTessel(IClassFactory** factory, HINSTANCE* library) {
  *factory = nullptr;
  *library = CoLoadLibrary(const_cast<LPOLESTR>(kEngineLibrary), TRUE);
  if (reinterpret_cast<UINT_PTR>(*library) < 32) *library = nullptr;
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto get_class_object = *library ? reinterpret_cast<GetClassObject>(
                                         reinterpret_cast<void*>(GetProcAddress(*library, "DllGetClassObject")))
                                   : nullptr;
  if (!get_class_object) return E_FAIL;
  return get_class_object(CLSID_MediaEngine, IID_IClassFactory, reinterpret_cast<void**>(factory));
}

template <typename T>
void ReleaseAndClear(T*& pointer) {
  if (pointer) pointer->Release();
  pointer = nullptr;
}

bool StreamTypeIs(IMediaStreams* streams, long stream, const wchar_t* type) {
  if (!streams) return false;
  BSTR name = nullptr;
  HRESULT hr = streams->GetStreamType(stream, &name);
  bool match = SUCCEEDED(hr) && name && std::wcscmp(name, type) == 0;
  SysFreeString(name);
  return match;
}

}  // namespace

// StreamObject ------------------------------------------------------------

StreamObject::StreamObject(const char* type_name, const char* display_name, long number,
                           PlayerSettings* settings, EngineClient* client)
    : type_name_(type_name), display_name_(display_name), number_(number), settings_(settings), client_(client) {}

StreamObject::~StreamObject() = default;

IMediaStreams* StreamObject::Streams() const { return client_ ? client_->streams() : nullptr; }

AudioStream::AudioStream(long number, PlayerSettings* settings, EngineClient* client)
    : StreamObject("Audio", "", number, settings, client) {}

HRESULT AudioStream::Init() {
  initialised_ = true;
  IMediaStreams* streams = Streams();
  if (!streams) return E_POINTER;
  HRESULT hr = streams->put_Volume(number_, settings_->muted ? kSilentVolume : settings_->volume);
  if (FAILED(hr)) return hr;
  return streams->put_Balance(number_, settings_->balance);
}

void AudioStream::Close() {
  IMediaStreams* streams = Streams();
  if (!active_ || !streams) return;
  LONG balance = 0;
  if (streams->get_Balance(number_, &balance) == S_OK) settings_->balance = balance;
}

// EngineClient ------------------------------------------------------------

EngineClient::EngineClient() : EngineClient(FactoryFromTessel) {}

EngineClient::EngineClient(FactorySource source) : source_(std::move(source)) {
  com_initialised_ = SUCCEEDED(CoInitialize(nullptr));
}

EngineClient::~EngineClient() {
  Unload();
  if (com_initialised_) CoUninitialize();
}

HRESULT STDMETHODCALLTYPE EngineClient::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(riid, IID_EngineNotify)) {
    *object = static_cast<EngineNotify*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE EngineClient::OnComplete() {
  HWND window = notify_window_.load();
  if (window) PostMessageA(window, WM_COMMAND, kCommandFileComplete, 0);
  return S_OK;
}

HRESULT EngineClient::Load(PlayerSettings* settings) {
  settings_ = settings;
  notify_window_.store(settings ? settings->command_window : nullptr);
  IClassFactory* factory = nullptr;
  HINSTANCE library = nullptr;
  HRESULT hr = source_ ? source_(&factory, &library) : E_FAIL;
  library_ = library;
  if (SUCCEEDED(hr) && !factory) hr = E_POINTER;
  if (SUCCEEDED(hr)) {
    hr = factory->CreateInstance(nullptr, IID_IMediaEngine, reinterpret_cast<void**>(&engine_));
  }
  if (factory) factory->Release();
  if (SUCCEEDED(hr)) hr = engine_->QueryInterface(IID_IMediaStreams, reinterpret_cast<void**>(&streams_));
  if (SUCCEEDED(hr)) hr = engine_->PutCallback(static_cast<EngineNotify*>(this));
  if (SUCCEEDED(hr)) hr = streams_->QueryInterface(IID_IPropertyPages, reinterpret_cast<void**>(&pages_));
  if (SUCCEEDED(hr)) hr = pages_->QueryInterface(IID_IDecoderSelector, reinterpret_cast<void**>(&decoders_));
  if (SUCCEEDED(hr)) hr = decoders_->QueryInterface(IID_IOverlayBmp, reinterpret_cast<void**>(&overlay_));
  if (SUCCEEDED(hr)) hr = overlay_->QueryInterface(IID_ISubtitles, reinterpret_cast<void**>(&subtitles_));
  if (SUCCEEDED(hr) && settings) {
    settings->engine = this;
    hr = engine_->UseVideoEffects(settings->use_picture_control);
  }
  if (library_) CoFreeUnusedLibraries();
  return hr;
}

void EngineClient::Unload() {
  Close();
  if (engine_) engine_->PutCallback(nullptr);
  ReleaseAndClear(streams_);
  ReleaseAndClear(engine_);
  ReleaseAndClear(pages_);
  ReleaseAndClear(decoders_);
  ReleaseAndClear(overlay_);
  ReleaseAndClear(subtitles_);
  if (settings_ && settings_->engine == this) settings_->engine = nullptr;
  // The library was loaded with automatic freeing: COM lets it go once
  // nothing of it is in use.
  if (library_) CoFreeUnusedLibraries();
  library_ = nullptr;
}

HRESULT EngineClient::BuildStreamObjects() {
  long count = StreamCount();
  if (count == 0) return E_FAIL;
  for (long i = 0; i < count; ++i) {
    StreamObject* stream = nullptr;
    if (IsVideo(i)) {
      stream = new VideoStream(i, settings_, this);
    } else if (IsAudio(i)) {
      stream = new AudioStream(i, settings_, this);
    } else {
      continue;
    }
    // A stream that fails its start is kept, so that close releases it.
    streams_list_.push_back(stream);
    HRESULT hr = stream->Init();
    if (FAILED(hr)) return hr;
  }
  media_loaded_ = true;
  return S_OK;
}

void EngineClient::DestroyStreamObjects() {
  for (StreamObject* stream : streams_list_) delete stream;
  streams_list_.clear();
}

HRESULT EngineClient::Open(const std::wstring& file_name) {
  Close();
  if (!engine_ || !settings_) return E_POINTER;
  engine_->UseVideoEffects(settings_->use_picture_control);
  BSTR name = SysAllocStringLen(file_name.data(), static_cast<UINT>(file_name.size()));
  if (!name) return E_OUTOFMEMORY;
  HRESULT hr = engine_->put_FileName(name);
  SysFreeString(name);
  if (FAILED(hr)) return hr;
  hr = BuildStreamObjects();
  if (FAILED(hr)) return hr;
  SelectVideoStream(0);
  bool first_audio = true;
  bool any_audio = false;
  for (StreamObject* stream : streams_list_) {
    if (std::strcmp(stream->TypeName(), "Audio") != 0) continue;
    any_audio = true;
    streams_->put_EnableStream(stream->Number(), first_audio ? 1 : 0);
    first_audio = false;
  }
  if (any_audio) {
    for (StreamObject* stream : streams_list_) {
      if (stream->AsVideo()) overlay_->put_EnableOverlay(stream->Number(), settings_->enable_subtitles);
    }
  }
  return S_OK;
}

void EngineClient::Close() {
  if (engine_) {
    for (StreamObject* stream : streams_list_) stream->Close();
    engine_->Reset();
    DestroyStreamObjects();
  }
  media_loaded_ = false;
}

HRESULT EngineClient::Play() {
  if (!engine_) return E_POINTER;
  HRESULT hr = engine_->Play();
  if (FAILED(hr)) return hr;
  for (StreamObject* stream : streams_list_) {
    hr = stream->OnPlay();
    if (FAILED(hr)) return hr;
  }
  if (settings_ && settings_->auto_switch_to_fullscreen) SetFullscreen(true);
  return hr;
}

HRESULT EngineClient::Pause() {
  if (!engine_) return E_POINTER;
  HRESULT hr = engine_->Pause();
  for (auto it = streams_list_.begin(); it != streams_list_.end() && SUCCEEDED(hr); ++it) hr = (*it)->OnPause();
  return hr;
}

HRESULT EngineClient::Stop() {
  if (!engine_) return E_POINTER;
  HRESULT hr = engine_->Stop();
  for (auto it = streams_list_.begin(); it != streams_list_.end() && SUCCEEDED(hr); ++it) hr = (*it)->OnStop();
  return hr;
}

int64_t EngineClient::Duration() {
  LONGLONG value = 0;
  if (!engine_ || FAILED(engine_->get_Duration(&value))) return 0;
  return value;
}

int64_t EngineClient::Position() {
  LONGLONG value = 0;
  if (!engine_ || FAILED(engine_->get_CurrentPosition(&value))) return 0;
  return value;
}

void EngineClient::Seek(int64_t position) {
  if (engine_) engine_->put_CurrentPosition(position);
}

bool EngineClient::IsInitialised() {
  VARIANT_BOOL value = VARIANT_FALSE;
  return engine_ && SUCCEEDED(engine_->get_Initialized(&value)) && value != VARIANT_FALSE;
}

long EngineClient::StreamCount() {
  LONG count = 0;
  if (!streams_ || FAILED(streams_->GetCount(&count)) || count < 0) return 0;
  return count;
}

bool EngineClient::IsVideo(long stream) { return StreamTypeIs(streams_, stream, L"Video"); }
bool EngineClient::IsAudio(long stream) { return StreamTypeIs(streams_, stream, L"Audio"); }

bool EngineClient::HasVideo() const { return FirstVideo() != nullptr; }

HRESULT EngineClient::SetVolume(long stream, long volume) {
  return streams_ ? streams_->put_Volume(stream, volume) : E_POINTER;
}

HRESULT EngineClient::SetBalance(long stream, long balance) {
  return streams_ ? streams_->put_Balance(stream, balance) : E_POINTER;
}

void EngineClient::ApplyVolume(long volume) {
  if (!IsInitialised()) return;
  long count = StreamCount();
  for (long i = 0; i < count; ++i) {
    if (IsAudio(i)) SetVolume(i, volume);
  }
}

void EngineClient::ApplyBalance(long balance) {
  if (!IsInitialised()) return;
  long count = StreamCount();
  for (long i = 0; i < count; ++i) {
    if (IsAudio(i)) {
      SetBalance(i, balance);
      return;
    }
  }
}

HRESULT EngineClient::StepPicture(bool brightness, bool up) {
  if (!streams_ || !settings_) return E_POINTER;
  HRESULT result = E_FAIL;
  int32_t& setting = brightness ? settings_->brightness : settings_->contrast;
  for (StreamObject* stream : streams_list_) {
    if (!stream->AsVideo() || !stream->Active()) continue;
    // The engine's value when it has one; a stream without the picture
    // filter answers S_FALSE and no value, and the setting stands instead.
    LONG value = setting;
    LONG current = 0;
    HRESULT got = brightness ? streams_->get_Brightness(stream->Number(), &current)
                             : streams_->get_Contrast(stream->Number(), &current);
    if (got == S_OK) value = current;
    value = up ? PictureLevelUp(value) : PictureLevelDown(value);
    result = brightness ? streams_->put_Brightness(stream->Number(), value)
                        : streams_->put_Contrast(stream->Number(), value);
    if (result == S_OK) setting = value;
  }
  return result;
}

HRESULT EngineClient::StepBrightness(bool up) { return StepPicture(true, up); }
HRESULT EngineClient::StepContrast(bool up) { return StepPicture(false, up); }

VideoStream* EngineClient::FirstActiveVideo() const {
  for (StreamObject* stream : streams_list_) {
    if (stream->AsVideo() && stream->Active()) return stream->AsVideo();
  }
  return nullptr;
}

VideoStream* EngineClient::FirstVideo() const {
  for (StreamObject* stream : streams_list_) {
    if (stream->AsVideo()) return stream->AsVideo();
  }
  return nullptr;
}

HRESULT EngineClient::Zoom(int percent) {
  VideoStream* video = FirstActiveVideo();
  return video ? video->Zoom(percent) : E_FAIL;
}

HRESULT EngineClient::ToggleFullscreen() {
  VideoStream* video = FirstActiveVideo();
  return video ? video->ToggleFullscreen() : E_FAIL;
}

bool EngineClient::IsFullscreen() const {
  VideoStream* video = FirstActiveVideo();
  return video && video->Fullscreen();
}

HRESULT EngineClient::SetFullscreen(bool on) {
  if (!FirstActiveVideo()) return E_FAIL;
  return on != IsFullscreen() ? ToggleFullscreen() : S_OK;
}

template <typename Select>
HRESULT EngineClient::SelectStream(int index, Select is_kind) {
  std::vector<StreamObject*> kind;
  for (StreamObject* stream : streams_list_) {
    if (is_kind(stream)) kind.push_back(stream);
  }
  if (kind.empty()) return S_FALSE;
  for (StreamObject* stream : kind) stream->Activate(false);
  if (index < 0 || static_cast<size_t>(index) >= kind.size()) return E_INVALIDARG;
  kind[static_cast<size_t>(index)]->Activate(true);
  return S_OK;
}

HRESULT EngineClient::SelectVideoStream(int index) {
  return SelectStream(index, [](StreamObject* s) { return s->AsVideo() != nullptr; });
}

HRESULT EngineClient::SelectAudioStream(int index) {
  return SelectStream(index, [](StreamObject* s) { return std::strcmp(s->TypeName(), "Audio") == 0; });
}

double EngineClient::RateFPS() {
  VideoStream* video = FirstVideo();
  double rate = 0.0;
  if (!media_loaded_ || !video || !streams_ || FAILED(streams_->get_RateFPS(video->Number(), &rate))) return 0.0;
  return rate;
}

double EngineClient::DefaultRateFPS() {
  VideoStream* video = FirstVideo();
  double rate = 0.0;
  if (!media_loaded_ || !video || !streams_ || FAILED(streams_->get_RateDefaultFPS(video->Number(), &rate))) {
    return 0.0;
  }
  return rate;
}

HRESULT EngineClient::SetRateFPS(double rate) { return streams_ ? streams_->put_RateFPS(0, rate) : E_POINTER; }
