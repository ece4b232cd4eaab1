// One stream of the open file: the source pin it serves and the chain of
// filters from that pin to a renderer. Video branches carry the effects
// filter and the renderer's window; audio branches the sound levels.
#pragma once

#include <dshow.h>

#include <string>
#include <vector>

#include "common/com/com_ptr.h"
#include "engine/core/video_fit.h"
#include "engine/decoder_enumerator.h"
#include "video_effects.h"

namespace tessel {

using zelvo::com::ComPtr;

enum class StreamKind { kVideo, kAudio };

class StreamBranch {
 public:
  StreamBranch(IGraphBuilder* graph, const DecoderEnumerator* decoders) : graph_(graph), decoders_(decoders) {}
  virtual ~StreamBranch() = default;
  StreamBranch(const StreamBranch&) = delete;
  StreamBranch& operator=(const StreamBranch&) = delete;

  virtual StreamKind Kind() const = 0;
  const wchar_t* TypeName() const { return Kind() == StreamKind::kVideo ? L"Video" : L"Audio"; }

  // Builds the chain from pin to a renderer and queries its interfaces.
  HRESULT Connect(IPin* pin);
  // Takes the branch out of the graph again: its interfaces, then the
  // filters downstream of the source pin, then the pin's connection.
  void Disconnect();
  // Everything the branch added leaves the graph (teardown).
  virtual void Destroy();

  // The decoder list for the source pin (refilled by LoadDecoders).
  void LoadDecoders();
  const std::vector<DecoderCandidate>& Candidates();

  IPin* SourcePin() const { return pin_.get(); }
  bool SourceConnected() const;
  IBaseFilter* Decoder() const { return decoder_.get(); }
  void SetDecoder(IBaseFilter* filter) { decoder_ = ComPtr<IBaseFilter>(filter); }
  IBaseFilter* Renderer() const { return renderer_.get(); }

  bool enabled = true;
  bool manualSelection = false;
  std::wstring chosenDecoder;
  bool hasChosenDecoder = false;
  double rateFps = 0.0;
  double rateDefaultFps = 0.0;
  long bitrate = 0;
  // The decoder count last reported to the caller: names are never written past it.
  size_t reportedCount = 0;

 protected:
  virtual HRESULT BuildChain() = 0;
  virtual HRESULT QueryInterfaces() = 0;
  virtual void ReleaseInterfaces() = 0;
  virtual void RemoveOwnFilters();
  // The chosen decoder added to the graph and fed directly from the pin.
  HRESULT AddChosenDecoder();
  void ReadFormat();

  ComPtr<IGraphBuilder> graph_;
  const DecoderEnumerator* decoders_;
  ComPtr<IPin> pin_;
  ComPtr<IBaseFilter> decoder_;
  ComPtr<IBaseFilter> renderer_;
  std::vector<DecoderCandidate> candidates_;
  bool candidatesLoaded_ = false;
};

class VideoBranch final : public StreamBranch {
 public:
  VideoBranch(IGraphBuilder* graph, const DecoderEnumerator* decoders, bool useEffects)
      : StreamBranch(graph, decoders), useVideoEffects(useEffects) {}
  StreamKind Kind() const override { return StreamKind::kVideo; }
  void Destroy() override;

  IVideoEffects* Effects() const { return effects_.get(); }
  IFrameCounter* FrameCounter() const { return frameCounter_.get(); }
  IVideoOverlay* Overlay() const { return overlay_.get(); }
  IVideoWindow* Window() const { return window_.get(); }
  IBasicVideo* BasicVideo() const { return basicVideo_.get(); }
  bool HasEffectsFilter() const { return effectsFilter_.get() != nullptr; }

  // Sets the renderer window's owner, drain, style and shows it fitted;
  // the first failure is returned.
  HRESULT PrepareForPlay();
  // Fits the video into the stored placement (see FitRect).
  HRESULT Resize();
  HRESULT EnterFullscreen();
  HRESULT LeaveFullscreen();

  bool useVideoEffects;
  long brightness = 0;
  long contrast = 0;
  long nativeWidth = 0;
  long nativeHeight = 0;
  long framesCounted = 0;
  long owner = 0;
  long drain = 0;
  core::VideoPlacement placement;
  long aspectRatio = 0;
  double customXAspect = 2.35;
  double customYAspect = 1.0;
  bool Fullscreen() const { return fullscreenState_.IsFullscreen(); }

 private:
  HRESULT BuildChain() override;
  HRESULT QueryInterfaces() override;
  void ReleaseInterfaces() override;
  void RemoveOwnFilters() override;

  ComPtr<IBaseFilter> effectsFilter_;
  ComPtr<IVideoEffects> effects_;
  ComPtr<IFrameCounter> frameCounter_;
  ComPtr<IVideoOverlay> overlay_;
  ComPtr<IVideoWindow> window_;
  ComPtr<IBasicVideo> basicVideo_;

  core::FullscreenState fullscreenState_;
};

class AudioBranch final : public StreamBranch {
 public:
  using StreamBranch::StreamBranch;
  StreamKind Kind() const override { return StreamKind::kAudio; }

  IBasicAudio* Audio() const { return audio_.get(); }
  // Applies the stored levels (or silence while disabled).
  HRESULT ApplyLevels();

  long volume = 0;
  long balance = 0;

 private:
  HRESULT BuildChain() override;
  HRESULT QueryInterfaces() override;
  void ReleaseInterfaces() override { audio_ = nullptr; }

  ComPtr<IBasicAudio> audio_;
};

}  // namespace tessel
