#include "engine/media_engine.h"

#include <oleauto.h>
#include <olectl.h>

#include <new>

#include "engine/core/transport_rules.h"
#include "engine/graph_util.h"

namespace tessel {

using Lock = GraphEngine::CallerLock;

HRESULT MediaEngine::Create(IUnknown* outer, REFIID iid, void** out) {
  auto* object = new (std::nothrow) MediaEngine(outer);
  if (!object) return E_OUTOFMEMORY;
  HRESULT hr = object->Init();
  if (FAILED(hr)) {
    object->NonDelegatingRelease();
    return hr;
  }
  return zelvo::com::FinishCreate(object, iid, out);
}

MediaEngine::MediaEngine(IUnknown* outer) : UnknownBase(outer) {}

HRESULT MediaEngine::Init() {
  decoders_.reset(new (std::nothrow) DecoderEnumerator());
  if (!decoders_) return E_OUTOFMEMORY;
  graph_.reset(new (std::nothrow) GraphEngine(decoders_.get()));
  subtitles_.reset(new (std::nothrow) EngineSubtitles());
  if (!graph_ || !subtitles_) return E_OUTOFMEMORY;
  if (!graph_->Valid()) return E_FAIL;
  graph_->SetSubtitleFeed(subtitles_.get());
  return S_OK;
}

MediaEngine::~MediaEngine() {
  graph_.reset();
  subtitles_.reset();
  decoders_.reset();
}

HRESULT STDMETHODCALLTYPE MediaEngine::NonDelegatingQueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IMediaEngine) || IsEqualIID(iid, IID_IDispatch))
    return GetInterface(static_cast<IMediaEngine*>(this), out);
  if (IsEqualIID(iid, IID_IDecoderSelector)) return GetInterface(static_cast<IDecoderSelector*>(this), out);
  if (IsEqualIID(iid, IID_IPropertyPages)) return GetInterface(static_cast<IPropertyPages*>(this), out);
  if (IsEqualIID(iid, IID_IMediaStreams)) return GetInterface(static_cast<IMediaStreams*>(this), out);
  if (IsEqualIID(iid, IID_IOverlayBmp)) return GetInterface(static_cast<IOverlayBmp*>(this), out);
  if (IsEqualIID(iid, IID_ISubtitles)) return GetInterface(static_cast<ISubtitles*>(this), out);
  return UnknownBase::NonDelegatingQueryInterface(iid, out);
}

template <class Branch, class Fn>
HRESULT MediaEngine::WithStream(LONG stream, bool needEnabled, Fn fn) {
  Lock hold(*graph_);
  StreamBranch* branch = graph_->Branch(stream);
  if (!branch) return E_POINTER;
  const StreamKind wanted = std::is_same<Branch, VideoBranch>::value ? StreamKind::kVideo : StreamKind::kAudio;
  if (branch->Kind() != wanted) return S_FALSE;
  if (needEnabled && !branch->enabled) return S_FALSE;
  return fn(*static_cast<Branch*>(branch));
}

template <class Fn>
HRESULT MediaEngine::WithAnyStream(LONG stream, bool needEnabled, Fn fn) {
  Lock hold(*graph_);
  StreamBranch* branch = graph_->Branch(stream);
  if (!branch) return E_POINTER;
  if (needEnabled && !branch->enabled) return S_FALSE;
  return fn(*branch);
}

// ------------------------------------------------------------ IMediaEngine

HRESULT STDMETHODCALLTYPE MediaEngine::get_FileName(BSTR* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = SysAllocStringLen(fileName_.data(), UINT(fileName_.size()));
  return *pVal ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_FileName(BSTR newVal) {
  std::wstring name = newVal ? std::wstring(newVal, SysStringLen(newVal)) : std::wstring();
  name = core::StripQuotes(name);
  if (name.empty()) return E_INVALIDARG;
  fileName_ = name;
  HRESULT hr = graph_->Open(name, reinterpret_cast<uintptr_t>(static_cast<IMediaEngine*>(this)));
  if (SUCCEEDED(hr)) subtitles_->Resync(0);
  return hr;
}

HRESULT MediaEngine::PrepareStreams() {
  Lock hold(*graph_);
  for (int i = 0; i < graph_->Count(); ++i) {
    StreamBranch* branch = graph_->Branch(i);
    if (!branch->enabled) continue;
    HRESULT hr = S_OK;
    if (branch->Kind() == StreamKind::kVideo) {
      hr = static_cast<VideoBranch*>(branch)->PrepareForPlay();
    } else {
      auto* audio = static_cast<AudioBranch*>(branch);
      hr = audio->Audio() ? audio->ApplyLevels() : S_OK;
    }
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE MediaEngine::Play() {
  if (!graph_->Initialized()) return E_INVALIDARG;
  HRESULT hr = PrepareStreams();
  if (FAILED(hr)) return hr;
  return graph_->PostPlay();
}

HRESULT STDMETHODCALLTYPE MediaEngine::Stop() {
  if (!graph_->Initialized()) return E_INVALIDARG;
  HRESULT hr = graph_->PostStop();
  if (SUCCEEDED(hr)) subtitles_->Resync(0);
  return hr;
}

HRESULT STDMETHODCALLTYPE MediaEngine::Pause() {
  if (!graph_->Initialized()) return E_INVALIDARG;
  return graph_->PostPause();
}

HRESULT STDMETHODCALLTYPE MediaEngine::get_Duration(LONGLONG* pVal) {
  if (!pVal) return E_POINTER;
  Lock hold(*graph_);
  if (!graph_->Initialized() || !graph_->Seeking()) return E_INVALIDARG;
  graph_->Seeking()->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
  return graph_->Seeking()->GetDuration(pVal);
}

HRESULT STDMETHODCALLTYPE MediaEngine::get_CurrentPosition(LONGLONG* pVal) {
  if (!pVal) return E_POINTER;
  if (!graph_->Initialized()) return E_INVALIDARG;
  return graph_->CurrentPosition(pVal);
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_CurrentPosition(LONGLONG newVal) {
  if (!graph_->Initialized()) return E_INVALIDARG;
  HRESULT hr = graph_->PostSeek(newVal);
  subtitles_->Resync(newVal);
  return hr;
}

HRESULT STDMETHODCALLTYPE MediaEngine::get_RewindUponComplete(VARIANT_BOOL* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = VARIANT_BOOL(graph_->rewindUponComplete);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_RewindUponComplete(VARIANT_BOOL newVal) {
  InterlockedExchange(&graph_->rewindUponComplete, LONG(newVal));
  return S_OK;
}

HRESULT STDMETHODCALLTYPE MediaEngine::get_Rate(double* pVal) {
  if (!pVal) return E_POINTER;
  Lock hold(*graph_);
  if (!graph_->Initialized() || !graph_->Seeking()) return E_INVALIDARG;
  return graph_->Seeking()->GetRate(pVal);
}

HRESULT MediaEngine::SetRateNow(double rate) {
  if (!graph_->Initialized()) return E_INVALIDARG;
  if (!core::IsUsableRate(rate)) return E_INVALIDARG;
  HRESULT hr;
  if (graph_->InBackwardsMode() || graph_->EngineState() == core::kStateStopped ||
      graph_->EngineState() == core::kStatePaused || graph_->EngineState() == core::kStateTransition) {
    hr = Play();
    if (FAILED(hr)) return hr;
  }
  return graph_->PostRate(rate);
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_Rate(double newVal) { return SetRateNow(newVal); }

HRESULT STDMETHODCALLTYPE MediaEngine::PlayBackwards() {
  if (!graph_->Initialized()) return E_INVALIDARG;
  return graph_->PlayBackwards();
}

HRESULT STDMETHODCALLTYPE MediaEngine::CanFrameStep(LONG nFrames, VARIANT_BOOL* pCan) {
  if (!pCan) return E_POINTER;
  Lock hold(*graph_);
  IVideoFrameStep* step = graph_->FrameStep();
  *pCan = (step && SUCCEEDED(step->CanStep(nFrames, nullptr))) ? 1 : 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE MediaEngine::FrameStep(LONG nFrames) {
  Lock hold(*graph_);
  if (!graph_->Initialized()) return E_INVALIDARG;
  IVideoFrameStep* step = graph_->FrameStep();
  if (!step) return E_NOTIMPL;
  return step->Step(DWORD(nFrames), nullptr);
}

HRESULT STDMETHODCALLTYPE MediaEngine::PutCallback(IUnknown* pCallback) {
  if (!pCallback) return E_POINTER;
  EngineNotify* notify = nullptr;
  HRESULT hr = pCallback->QueryInterface(IID_EngineNotify, reinterpret_cast<void**>(&notify));
  if (FAILED(hr)) return hr;
  graph_->SetNotify(notify);
  notify->Release();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE MediaEngine::get_Repeat(VARIANT_BOOL* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = VARIANT_BOOL(graph_->repeat);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_Repeat(VARIANT_BOOL newVal) {
  InterlockedExchange(&graph_->repeat, LONG(newVal));
  return S_OK;
}

HRESULT STDMETHODCALLTYPE MediaEngine::get_Initialized(VARIANT_BOOL* pVal) {
  if (!pVal) return E_POINTER;
  *pVal = graph_->Initialized() ? 1 : 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE MediaEngine::Reset() {
  graph_->Teardown();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE MediaEngine::UseVideoEffects(LONG bUse) {
  Lock hold(*graph_);
  graph_->SetUseVideoEffects(bUse != 0);
  for (int i = 0; i < graph_->Count(); ++i) {
    StreamBranch* b = graph_->Branch(i);
    if (b->Kind() == StreamKind::kVideo) static_cast<VideoBranch*>(b)->useVideoEffects = bUse != 0;
  }
  return S_OK;
}

// ------------------------------------------------------------ IDecoderSelector

HRESULT STDMETHODCALLTYPE MediaEngine::get_EnableManualSelection(LONG stream, VARIANT_BOOL* pVal) {
  if (!pVal) return E_POINTER;
  return WithAnyStream(stream, false, [&](StreamBranch& b) {
    *pVal = b.manualSelection ? 1 : 0;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_EnableManualSelection(LONG stream, VARIANT_BOOL newVal) {
  return WithAnyStream(stream, false, [&](StreamBranch& b) {
    b.manualSelection = newVal != 0;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::CountSuitableDecoders(LONG stream, LONG* count) {
  if (!count) return E_POINTER;
  return WithAnyStream(stream, false, [&](StreamBranch& b) {
    b.reportedCount = b.Candidates().size();
    *count = LONG(b.reportedCount);
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::GetDecoderNames(LONG stream, BSTR* names) {
  if (!names) return E_POINTER;
  return WithAnyStream(stream, false, [&](StreamBranch& b) {
    // The caller made room for the count it was last told; a list loaded
    // afresh in between is never written past that.
    const auto& list = b.Candidates();
    for (size_t i = 0; i < list.size() && i < b.reportedCount; ++i)
      names[i] = SysAllocStringLen(list[i].friendlyName.data(), UINT(list[i].friendlyName.size()));
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::UseDecoder(LONG stream, BSTR name) {
  return WithAnyStream(stream, false, [&](StreamBranch& b) {
    if (!b.enabled) return S_FALSE;
    if (name) {
      b.chosenDecoder.assign(name, SysStringLen(name));
      b.manualSelection = true;
    } else {
      b.chosenDecoder.clear();
      b.manualSelection = false;
    }
    return graph_->RebuildBranch(&b);
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::LoadDecoders(LONG stream) {
  return WithAnyStream(stream, false, [&](StreamBranch& b) {
    b.LoadDecoders();
    return S_OK;
  });
}

// ------------------------------------------------------------ IPropertyPages

HRESULT STDMETHODCALLTYPE MediaEngine::ShowPages(LONG stream, LONG hWnd) {
  ComPtr<IBaseFilter> decoder;
  HRESULT hr = WithAnyStream(stream, true, [&](StreamBranch& b) {
    if (!b.Decoder()) b.SetDecoder(FindUpstreamDecoder(b.Renderer(), b.SourcePin()).get());
    if (!b.Decoder()) return E_POINTER;
    decoder = ComPtr<IBaseFilter>(b.Decoder());
    return S_OK;
  });
  if (hr != S_OK) return hr;
  ComPtr<ISpecifyPropertyPages> specify;
  if (FAILED(hr = decoder.query(IID_ISpecifyPropertyPages, specify))) return hr;
  CAUUID pages = {};
  if (FAILED(hr = specify->GetPages(&pages))) return hr;
  std::wstring caption = FilterName(decoder.get());
  IUnknown* object = decoder.get();
  // Modal: returns when the user closes the frame. The graph lock is not
  // held meanwhile, so the worker goes on playing.
  hr = OleCreatePropertyFrame(HWND(LongToHandle(hWnd)), 0, 0, caption.c_str(), 1, &object, pages.cElems,
                              pages.pElems, 0, 0, nullptr);
  CoTaskMemFree(pages.pElems);
  return hr;
}

// ------------------------------------------------------------ IMediaStreams

HRESULT STDMETHODCALLTYPE MediaEngine::GetCount(LONG* pStreams) {
  if (!pStreams) return E_POINTER;
  Lock hold(*graph_);
  *pStreams = graph_->Initialized() ? graph_->Count() : 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE MediaEngine::GetStreamType(LONG stream, BSTR* type) {
  if (!type) return E_POINTER;
  *type = nullptr;
  return WithAnyStream(stream, false, [&](StreamBranch& b) {
    *type = SysAllocString(b.TypeName());
    return *type ? S_OK : E_OUTOFMEMORY;
  });
}

#define TESSEL_VIDEO_GET(Name, field)                                              \
  HRESULT STDMETHODCALLTYPE MediaEngine::get_##Name(LONG stream, LONG* pVal) {     \
    if (!pVal) return E_POINTER;                                                   \
    return WithVideo(stream, true, [&](VideoBranch& v) {                           \
      *pVal = LONG(field);                                                         \
      return S_OK;                                                                 \
    });                                                                            \
  }

TESSEL_VIDEO_GET(Brightness, v.brightness)
TESSEL_VIDEO_GET(Contrast, v.contrast)
TESSEL_VIDEO_GET(VwDrain, v.drain)
TESSEL_VIDEO_GET(VwOwner, v.owner)
TESSEL_VIDEO_GET(VwLeft, v.placement.left)
TESSEL_VIDEO_GET(VwTop, v.placement.top)
TESSEL_VIDEO_GET(VwRight, v.placement.right)
TESSEL_VIDEO_GET(VwBottom, v.placement.bottom)
TESSEL_VIDEO_GET(VideoHeight, v.nativeHeight)
TESSEL_VIDEO_GET(VideoWidth, v.nativeWidth)
#undef TESSEL_VIDEO_GET

HRESULT STDMETHODCALLTYPE MediaEngine::put_Brightness(LONG stream, LONG newVal) {
  return WithVideo(stream, true, [&](VideoBranch& v) {
    v.brightness = newVal;
    return v.Effects() ? v.Effects()->SetBrightness(newVal) : S_OK;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_Contrast(LONG stream, LONG newVal) {
  return WithVideo(stream, true, [&](VideoBranch& v) {
    v.contrast = newVal;
    return v.Effects() ? v.Effects()->SetContrast(newVal) : S_OK;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_VwDrain(LONG stream, LONG newVal) {
  return WithVideo(stream, true, [&](VideoBranch& v) {
    v.drain = newVal;
    return v.Window() ? v.Window()->put_MessageDrain(OAHWND(newVal)) : E_POINTER;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_VwOwner(LONG stream, LONG newVal) {
  return WithVideo(stream, true, [&](VideoBranch& v) {
    v.owner = newVal;
    return v.Window() ? v.Window()->put_Owner(OAHWND(newVal)) : E_POINTER;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_VwLeft(LONG stream, LONG newVal) {
  return WithVideo(stream, true, [&](VideoBranch& v) {
    if (!v.Window()) return E_POINTER;
    HRESULT hr = v.Window()->put_Left(newVal);
    if (SUCCEEDED(hr)) v.placement.left = newVal;
    return hr;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_VwTop(LONG stream, LONG newVal) {
  return WithVideo(stream, true, [&](VideoBranch& v) {
    if (!v.Window()) return E_POINTER;
    HRESULT hr = v.Window()->put_Top(newVal);
    if (SUCCEEDED(hr)) v.placement.top = newVal;
    return hr;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_VwRight(LONG stream, LONG newVal) {
  return WithVideo(stream, true, [&](VideoBranch& v) {
    if (!v.Window()) return E_POINTER;
    // The renderer never gets a negative size.
    HRESULT hr = v.Window()->put_Width(newVal < 0 ? 0 : newVal);
    if (SUCCEEDED(hr)) v.placement.right = newVal;
    return hr;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_VwBottom(LONG stream, LONG newVal) {
  return WithVideo(stream, true, [&](VideoBranch& v) {
    if (!v.Window()) return E_POINTER;
    HRESULT hr = v.Window()->put_Height(newVal < 0 ? 0 : newVal);
    if (SUCCEEDED(hr)) v.placement.bottom = newVal;
    return hr;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::get_Volume(LONG stream, LONG* pVal) {
  if (!pVal) return E_POINTER;
  return WithAudio(stream, false, [&](AudioBranch& a) {
    *pVal = a.volume;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_Volume(LONG stream, LONG newVal) {
  return WithAudio(stream, false, [&](AudioBranch& a) {
    if (!a.Audio()) return E_POINTER;
    if (!a.enabled) return S_FALSE;
    a.volume = core::ClampVolume(newVal);
    HRESULT hr = a.Audio()->put_Volume(a.volume);
    return hr == E_NOTIMPL ? S_FALSE : hr;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::get_Balance(LONG stream, LONG* pVal) {
  if (!pVal) return E_POINTER;
  return WithAudio(stream, false, [&](AudioBranch& a) {
    *pVal = a.balance;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_Balance(LONG stream, LONG newVal) {
  return WithAudio(stream, false, [&](AudioBranch& a) {
    if (!a.Audio()) return E_POINTER;
    if (!a.enabled) return S_FALSE;
    a.balance = core::ClampBalance(newVal);
    HRESULT hr = a.Audio()->put_Balance(a.balance);
    return hr == E_NOTIMPL ? S_FALSE : hr;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::ShowVideoWindow(LONG stream, VARIANT_BOOL bShow) {
  return WithVideo(stream, true, [&](VideoBranch& v) {
    return v.Window() ? v.Window()->put_Visible(bShow ? OATRUE : OAFALSE) : E_POINTER;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::get_RateFPS(LONG stream, double* pVal) {
  if (!pVal) return E_POINTER;
  return WithVideo(stream, false, [&](VideoBranch& v) {
    *pVal = v.rateFps;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_RateFPS(LONG, double newVal) {
  if (!graph_->Initialized()) return E_INVALIDARG;
  double defaultFps = 0.0;
  {
    Lock hold(*graph_);
    for (int i = 0; i < graph_->Count(); ++i) {
      StreamBranch* b = graph_->Branch(i);
      if (b->Kind() != StreamKind::kVideo) continue;
      defaultFps = b->rateDefaultFps;
    }
  }
  double rate = 0.0;
  // No video stream, an unknown frame rate or a rate of 0 or less: nothing
  // to divide by, nothing to play at.
  if (!core::RateForFramesPerSecond(newVal, defaultFps, &rate)) return E_INVALIDARG;
  {
    Lock hold(*graph_);
    for (int i = 0; i < graph_->Count(); ++i) {
      StreamBranch* b = graph_->Branch(i);
      if (b->Kind() == StreamKind::kVideo) b->rateFps = newVal;
    }
  }
  return SetRateNow(rate);
}

HRESULT STDMETHODCALLTYPE MediaEngine::NotifyOwnerMessage(LONG stream, LONG hWnd, LONG lMessage, LONG wParam,
                                                          LONG lParam) {
  return WithVideo(stream, false, [&](VideoBranch& v) {
    return v.Window() ? v.Window()->NotifyOwnerMessage(OAHWND(hWnd), lMessage, wParam, lParam) : E_POINTER;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::get_FramesPlayed(LONG stream, LONGLONG* pVal) {
  if (!pVal) return E_POINTER;
  return WithVideo(stream, false, [&](VideoBranch& v) {
    int frames = 0;
    *pVal = (v.FrameCounter() && SUCCEEDED(v.FrameCounter()->GetFrameCount(&frames))) ? LONGLONG(frames) : 0;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::get_AspectRatio(LONG stream, LONG* pVal) {
  if (!pVal) return E_POINTER;
  return WithVideo(stream, false, [&](VideoBranch& v) {
    *pVal = v.aspectRatio;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_AspectRatio(LONG stream, LONG newVal) {
  return WithVideo(stream, false, [&](VideoBranch& v) {
    v.aspectRatio = newVal;
    return v.Resize();
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::ResizeVideoWindow(LONG stream) {
  return WithVideo(stream, false, [&](VideoBranch& v) { return v.Resize(); });
}

HRESULT STDMETHODCALLTYPE MediaEngine::get_CustomXAspect(LONG stream, double* pVal) {
  if (!pVal) return E_POINTER;
  return WithVideo(stream, false, [&](VideoBranch& v) {
    *pVal = v.customXAspect;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_CustomXAspect(LONG stream, double newVal) {
  return WithVideo(stream, false, [&](VideoBranch& v) {
    v.customXAspect = newVal;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::get_CustomYAspect(LONG stream, double* pVal) {
  if (!pVal) return E_POINTER;
  return WithVideo(stream, false, [&](VideoBranch& v) {
    *pVal = v.customYAspect;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_CustomYAspect(LONG stream, double newVal) {
  return WithVideo(stream, false, [&](VideoBranch& v) {
    v.customYAspect = newVal;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::get_Bitrate(LONG stream, LONG* pVal) {
  if (!pVal) return E_POINTER;
  return WithAnyStream(stream, false, [&](StreamBranch& b) {
    if (!b.SourceConnected()) return VFW_E_NOT_CONNECTED;
    *pVal = b.bitrate;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::get_EnableStream(LONG stream, LONG* pVal) {
  if (!pVal) return E_POINTER;
  return WithAnyStream(stream, false, [&](StreamBranch& b) {
    *pVal = b.enabled ? 1 : 0;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_EnableStream(LONG stream, LONG newVal) {
  return WithAnyStream(stream, false, [&](StreamBranch& b) { return graph_->EnableBranch(&b, newVal != 0); });
}

HRESULT STDMETHODCALLTYPE MediaEngine::SetFullscreen(LONG stream, LONG) {
  return WithVideo(stream, false, [&](VideoBranch& v) { return v.EnterFullscreen(); });
}

HRESULT STDMETHODCALLTYPE MediaEngine::ResetFullscreen(LONG stream) {
  return WithVideo(stream, false, [&](VideoBranch& v) { return v.LeaveFullscreen(); });
}

HRESULT STDMETHODCALLTYPE MediaEngine::SetWindowZOrder(LONG stream, LONG hWndInsertAfter) {
  return WithVideo(stream, false, [&](VideoBranch& v) {
    if (!v.Window()) return S_FALSE;
    SetWindowPos(HWND(LongToHandle(v.owner)), HWND(LongToHandle(hWndInsertAfter)), 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE);
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::RebuildStream(LONG stream) {
  return WithAnyStream(stream, false, [&](StreamBranch& b) { return graph_->RebuildBranch(&b); });
}

HRESULT STDMETHODCALLTYPE MediaEngine::ShowCursor(LONG stream, LONG bShow) {
  return WithVideo(stream, false, [&](VideoBranch& v) {
    return v.Window() ? v.Window()->HideCursor(bShow ? OAFALSE : OATRUE) : E_POINTER;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::get_RateDefaultFPS(LONG stream, double* pVal) {
  if (!pVal) return E_POINTER;
  return WithVideo(stream, false, [&](VideoBranch& v) {
    *pVal = v.rateDefaultFps;
    return S_OK;
  });
}

// ------------------------------------------------------------ IOverlayBmp

HRESULT STDMETHODCALLTYPE MediaEngine::get_EnableOverlay(LONG stream, LONG* pVal) {
  if (!pVal) return E_POINTER;
  return WithVideo(stream, false, [&](VideoBranch& v) {
    int enabled = 0;
    if (v.Overlay() && FAILED(v.Overlay()->GetEnableOverlay(&enabled))) enabled = 0;
    *pVal = enabled;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::put_EnableOverlay(LONG stream, LONG newVal) {
  return WithVideo(stream, false, [&](VideoBranch& v) {
    return v.Overlay() ? v.Overlay()->SetEnableOverlay(newVal) : E_POINTER;
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::SetBitmap(LONG stream, LONG lLeft, LONG lTop, LONGLONG llStart,
                                                 LONGLONG llEnd, LONG hdc, LONG lBitmap, LONG lclTransparent) {
  return WithVideo(stream, false, [&](VideoBranch& v) {
    if (!v.Overlay()) return E_POINTER;
    return v.Overlay()->SetBitmap(lLeft, lTop, llStart, llEnd, HDC(LongToHandle(hdc)), HBITMAP(LongToHandle(lBitmap)),
                                  COLORREF(lclTransparent));
  });
}

HRESULT STDMETHODCALLTYPE MediaEngine::SetText(LONG stream, LONG lLeft, LONG lTop, LONG lWidth, LONG lHeight,
                                               LONGLONG llStart, LONGLONG llEnd, unsigned char* strText, LONG lSize,
                                               LONG lColor, LONG lFont) {
  return WithVideo(stream, false, [&](VideoBranch& v) {
    if (!v.Overlay()) return E_POINTER;
    return v.Overlay()->SetText(lLeft, lTop, lWidth, lHeight, llStart, llEnd, reinterpret_cast<const char*>(strText),
                                lSize, COLORREF(lColor), HFONT(LongToHandle(lFont)));
  });
}

// ------------------------------------------------------------ ISubtitles

HRESULT STDMETHODCALLTYPE MediaEngine::SetFile(BSTR bstrFile) {
  std::wstring name = bstrFile ? std::wstring(bstrFile, SysStringLen(bstrFile)) : std::wstring();
  return subtitles_->LoadFile(name);
}

HRESULT STDMETHODCALLTYPE MediaEngine::SetRect(LONG lLeft, LONG lTop, LONG lWidth, LONG lHeight) {
  subtitles_->SetRect(lLeft, lTop, lWidth, lHeight);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE MediaEngine::SetFontName(BSTR bstrFontName) {
  subtitles_->SetFontName(bstrFontName ? std::wstring(bstrFontName, SysStringLen(bstrFontName)) : std::wstring());
  return S_OK;
}

HRESULT STDMETHODCALLTYPE MediaEngine::Enable(VARIANT_BOOL bEnable) {
  subtitles_->Enable(bEnable != 0);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE MediaEngine::SetFontSize(LONG lFontSize) {
  subtitles_->SetFontSize(lFontSize);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE MediaEngine::SetFontItalic(VARIANT_BOOL bItalic) {
  subtitles_->SetFontItalic(bItalic);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE MediaEngine::SetFontBold(VARIANT_BOOL bBold) {
  subtitles_->SetFontBold(bBold);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE MediaEngine::SetTextColor(LONG lTextColor) {
  subtitles_->SetTextColour(static_cast<unsigned long>(lTextColor));
  return S_OK;
}

}  // namespace tessel
