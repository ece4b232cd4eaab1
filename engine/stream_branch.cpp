#include "engine/stream_branch.h"

#include <cmath>

#include "engine/core/transport_rules.h"
#include "engine/core/video_fit.h"
#include "engine/graph_util.h"

namespace tessel {

namespace {

// {79376820-07D0-11CF-A24D-0020AFD79767}
const CLSID kDirectSoundRenderer = {0x79376820, 0x07D0, 0x11CF, {0xA2, 0x4D, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x67}};

const DecoderCandidate* FindCandidate(const std::vector<DecoderCandidate>& list, const std::wstring& name) {
  for (const auto& c : list)
    if (c.friendlyName == name) return &c;
  return nullptr;
}

}  // namespace

bool StreamBranch::SourceConnected() const { return IsPinConnected(pin_.get()); }

void StreamBranch::LoadDecoders() {
  candidates_ = decoders_ ? decoders_->ListCandidates(pin_.get()) : std::vector<DecoderCandidate>();
  candidatesLoaded_ = true;
}

const std::vector<DecoderCandidate>& StreamBranch::Candidates() {
  if (candidates_.empty()) LoadDecoders();
  return candidates_;
}

HRESULT StreamBranch::Connect(IPin* pin) {
  pin_ = ComPtr<IPin>(pin);
  HRESULT hr = BuildChain();
  if (FAILED(hr)) return hr;
  HRESULT q = QueryInterfaces();
  if (FAILED(q)) return q;
  ReadFormat();
  return hr;
}

HRESULT StreamBranch::AddChosenDecoder() {
  const DecoderCandidate* c = FindCandidate(Candidates(), chosenDecoder);
  if (!c) return E_FAIL;
  HRESULT hr = AddFilterByClsid(graph_.get(), c->clsid, c->friendlyName.c_str(), decoder_);
  if (FAILED(hr)) return hr;
  return ConnectPinToFilter(graph_.get(), pin_.get(), decoder_.get(), true);
}

void StreamBranch::ReadFormat() {
  AM_MEDIA_TYPE mt = {};
  if (pin_ && SUCCEEDED(pin_->ConnectionMediaType(&mt))) {
    if ((mt.formattype == FORMAT_VideoInfo || mt.formattype == FORMAT_VideoInfo2 ||
         mt.formattype == FORMAT_MPEGVideo || mt.formattype == FORMAT_MPEG2Video) &&
        mt.pbFormat && mt.cbFormat >= 48) {
      LONGLONG average = 0;
      memcpy(&average, mt.pbFormat + 40, sizeof average);
      rateFps = rateDefaultFps = core::FramesPerSecond(average);
    }
    FreeMediaType(mt);
  }
  bitrate = 1000;
}

void StreamBranch::Disconnect() {
  ReleaseInterfaces();
  if (SourceConnected()) {
    RemoveChainDownstream(graph_.get(), pin_.get());
  } else {
    RemoveOwnFilters();
  }
  if (pin_) pin_->Disconnect();
  decoder_ = nullptr;
  renderer_ = nullptr;
}

void StreamBranch::RemoveOwnFilters() {
  RemoveFromGraph(decoder_.get());
  RemoveFromGraph(renderer_.get());
  decoder_ = nullptr;
  renderer_ = nullptr;
}

void StreamBranch::Destroy() {
  ReleaseInterfaces();
  RemoveOwnFilters();
  pin_ = nullptr;
  graph_ = nullptr;
}

// ------------------------------------------------------------ video

HRESULT VideoBranch::BuildChain() {
  IGraphBuilder* graph = graph_.get();
  // Without the effects filter the branch still plays.
  if (FAILED(AddFilterByClsid(graph, CLSID_VideoEffects, L"Video Effects", effectsFilter_))) effectsFilter_ = nullptr;
  HRESULT hr = AddFilterByClsid(graph, CLSID_VideoRenderer, L"Video Renderer", renderer_);
  if (FAILED(hr)) return hr;
  const bool effects = effectsFilter_ && useVideoEffects;
  if (!manualSelection) {
    if (effects) {
      hr = ConnectPinToFilter(graph, pin_.get(), effectsFilter_.get(), false);
      if (FAILED(hr)) {
        RemoveFromGraph(effectsFilter_.get());
        effectsFilter_ = nullptr;
        return ConnectPinToFilter(graph, pin_.get(), renderer_.get(), false);
      }
      return ConnectFilters(graph, effectsFilter_.get(), renderer_.get(), true);
    }
    return ConnectPinToFilter(graph, pin_.get(), renderer_.get(), false);
  }
  hr = AddChosenDecoder();
  if (FAILED(hr)) return hr;
  if (effects) {
    hr = ConnectFilters(graph, decoder_.get(), effectsFilter_.get(), true);
    if (FAILED(hr)) {
      RemoveFromGraph(effectsFilter_.get());
      effectsFilter_ = nullptr;
      return ConnectFilters(graph, decoder_.get(), renderer_.get(), true);
    }
    return ConnectFilters(graph, effectsFilter_.get(), renderer_.get(), true);
  }
  return ConnectFilters(graph, decoder_.get(), renderer_.get(), true);
}

HRESULT VideoBranch::QueryInterfaces() {
  HRESULT hr;
  // An effects filter left unconnected (not wanted) is not part of the branch.
  if (effectsFilter_ && !IsPinConnected(FindPin(effectsFilter_.get(), PINDIR_OUTPUT, false).get())) {
    RemoveFromGraph(effectsFilter_.get());
    effectsFilter_ = nullptr;
  }
  if (effectsFilter_) {
    if (FAILED(hr = effectsFilter_.query(IID_IVideoEffects, effects_))) return hr;
    if (FAILED(hr = effectsFilter_.query(IID_IFrameCounter, frameCounter_))) return hr;
    if (FAILED(hr = effectsFilter_.query(IID_IVideoOverlay, overlay_))) return hr;
  }
  if (FAILED(hr = renderer_.query(IID_IVideoWindow, window_))) return hr;
  if (FAILED(hr = renderer_.query(IID_IBasicVideo, basicVideo_))) return hr;
  long w = 0, h = 0;
  if (SUCCEEDED(basicVideo_->get_SourceWidth(&w)) && SUCCEEDED(basicVideo_->get_SourceHeight(&h))) {
    nativeWidth = w;
    nativeHeight = h;
  }
  int frames = 0;
  if (frameCounter_ && SUCCEEDED(frameCounter_->GetFrameCount(&frames))) framesCounted = frames;
  return S_OK;
}

void VideoBranch::ReleaseInterfaces() {
  effects_ = nullptr;
  frameCounter_ = nullptr;
  overlay_ = nullptr;
  window_ = nullptr;
  basicVideo_ = nullptr;
}

void VideoBranch::RemoveOwnFilters() {
  RemoveFromGraph(effectsFilter_.get());
  effectsFilter_ = nullptr;
  StreamBranch::RemoveOwnFilters();
}

void VideoBranch::Destroy() {
  if (window_) {
    window_->put_Visible(OAFALSE);
    window_->put_Owner(0);
    window_->put_MessageDrain(0);
  }
  StreamBranch::Destroy();
}

HRESULT VideoBranch::PrepareForPlay() {
  if (!window_) return E_POINTER;
  HRESULT hr;
  if (FAILED(hr = window_->put_Owner(OAHWND(owner)))) return hr;
  if (FAILED(hr = window_->put_MessageDrain(OAHWND(drain)))) return hr;
  if (FAILED(hr = window_->put_WindowStyle(WS_CHILD))) return hr;
  if (FAILED(hr = window_->SetWindowForeground(OATRUE))) return hr;
  if (FAILED(hr = window_->put_AutoShow(OAFALSE))) return hr;
  return Resize();
}

HRESULT VideoBranch::Resize() {
  if (!window_) return E_POINTER;
  core::AspectSettings aspect;
  aspect.code = aspectRatio;
  aspect.customX = customXAspect;
  aspect.customY = customYAspect;
  aspect.nativeWidth = nativeWidth;
  aspect.nativeHeight = nativeHeight;
  core::VideoRect fit = core::FitVideo(placement, aspect);
  HRESULT hr = window_->SetWindowPosition(fit.left, fit.top, fit.width, fit.height);
  if (SUCCEEDED(hr)) placement = core::PlacementOf(fit);
  return hr;
}

HRESULT VideoBranch::EnterFullscreen() {
  if (!window_) return S_FALSE;
  HWND ownerWindow = HWND(LongToHandle(owner));
  core::WindowedState windowed;
  windowed.placement = placement;
  RECT r = {};
  GetWindowRect(ownerWindow, &r);
  windowed.ownerRect = {int32_t(r.left), int32_t(r.top), int32_t(r.right), int32_t(r.bottom)};
  windowed.style = uint32_t(GetWindowLongW(ownerWindow, GWL_STYLE));
  windowed.exStyle = uint32_t(GetWindowLongW(ownerWindow, GWL_EXSTYLE));
  // A second call keeps the windowed state the first one saved.
  fullscreenState_.Enter(windowed);
  SetWindowLongW(ownerWindow, GWL_STYLE, LONG(core::FullscreenStyle(windowed.style)));
  SetWindowLongW(ownerWindow, GWL_EXSTYLE, LONG(core::FullscreenExStyle(windowed.exStyle)));
  int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
  SetWindowPos(ownerWindow, HWND_TOPMOST, 0, 0, cx, cy, 0);
  placement = {0, 0, cx, cy};
  Resize();
  window_->HideCursor(OATRUE);
  return S_OK;
}

HRESULT VideoBranch::LeaveFullscreen() {
  if (!window_) return S_FALSE;
  // Without full screen there is nothing to go back to.
  std::optional<core::WindowedState> saved = fullscreenState_.Leave();
  if (!saved) return S_OK;
  HWND ownerWindow = HWND(LongToHandle(owner));
  SetWindowLongW(ownerWindow, GWL_STYLE, LONG(saved->style));
  SetWindowLongW(ownerWindow, GWL_EXSTYLE, LONG(saved->exStyle));
  const core::WindowEdges& r = saved->ownerRect;
  SetWindowPos(ownerWindow, HWND_NOTOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top, 0);
  placement = saved->placement;
  Resize();
  window_->HideCursor(OAFALSE);
  return S_OK;
}

// ------------------------------------------------------------ audio

HRESULT AudioBranch::BuildChain() {
  IGraphBuilder* graph = graph_.get();
  HRESULT hr = AddFilterByClsid(graph, kDirectSoundRenderer, L"Direct Sound Renderer", renderer_);
  if (FAILED(hr)) return hr;
  if (!manualSelection) return graph->Render(pin_.get());
  hr = AddChosenDecoder();
  if (FAILED(hr)) return hr;
  ComPtr<IPin> out = FindPin(decoder_.get(), PINDIR_OUTPUT, true);
  if (!out) return VFW_E_NOT_CONNECTED;
  return graph->Render(out.get());
}

HRESULT AudioBranch::QueryInterfaces() {
  // The renderer the graph chose is the one downstream of the pin.
  return renderer_.query(IID_IBasicAudio, audio_);
}

HRESULT AudioBranch::ApplyLevels() {
  if (!audio_) return E_POINTER;
  HRESULT hr = audio_->put_Volume(enabled ? core::ClampVolume(volume) : core::kVolumeMin);
  if (SUCCEEDED(hr) && enabled) hr = audio_->put_Balance(core::ClampBalance(balance));
  return hr == E_NOTIMPL ? S_FALSE : hr;
}

}  // namespace tessel
