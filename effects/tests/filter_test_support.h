// Shared pieces of the filter tests: a generated YUY2 AVI, the library
// loaded from beside the test program, a sink filter that accepts exactly
// one media type and records what it receives, and graph helpers.
#pragma once

#include <dshow.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "common/com/com_ptr.h"
#include "effects/dshow/base_filter.h"
#include "effects/dshow/base_pin.h"

namespace effects::testing {

using zelvo::com::ComPtr;

constexpr REFERENCE_TIME kFrameTime = 400000;  // 25 frames a second

// The pixel pattern of frame `index` of a generated file: a YUY2 frame of
// width x height, different in every frame.
std::vector<uint8_t> PatternFrame(int width, int height, int index);

// Writes an uncompressed YUY2 AVI of `frames` pattern frames at 25 fps.
bool WriteYuy2Avi(const std::wstring& path, int width, int height, int frames);

// Folder of the test program, with a trailing backslash.
std::wstring ProgramFolder();

// VideoEffects.dll beside the test program.
std::wstring LibraryPath();
// A new object of the library's class clsid from its own class factory.
HRESULT CreateLibraryObject(REFCLSID clsid, REFIID iid, void** out);
// A new "Video Effects" filter from the library's own class factory.
HRESULT CreateEffectsFilter(IBaseFilter** filter);

// The library's DllCanUnloadNow: S_OK once no object of it is alive.
HRESULT LibraryCanUnload();

// A VideoInfo media type for an uncompressed picture (biHeight as given,
// negative for top-down).
void MakeVideoType(dshow::MediaType* type, REFGUID subtype, int width, int height, int bitCount);

struct ReceivedSample {
  REFERENCE_TIME start = 0;
  bool timed = false;
  std::vector<uint8_t> bytes;
};

class SinkFilter;

class SinkPin final : public dshow::BasePin, public IMemInputPin {
 public:
  explicit SinkPin(SinkFilter* filter);
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return BasePin::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return BasePin::Release(); }

  HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
  HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
  HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
  HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, long count, long* done) override;
  HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE EndOfStream() override;
  HRESULT STDMETHODCALLTYPE BeginFlush() override;
  HRESULT STDMETHODCALLTYPE EndFlush() override;

  HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
  HRESULT GetMediaType(int position, dshow::MediaType* type) override;

  // Every EndOfStream call, whatever the state.
  long EndOfStreamCalls() const { return endOfStreamCalls_; }

 private:
  SinkFilter* sink_;
  volatile bool flushing_ = false;
  volatile LONG endOfStreamCalls_ = 0;
};

// A renderer-like sink: it accepts only `accepted`, keeps a copy of each
// sample, sends EC_COMPLETE at end of stream and offers seeking upstream.
// With askStopPosition set it then asks upstream for the stop position, as
// Wine's renderers do: ConnectedTo, QueryInterface(IID_IMediaSeeking) on the
// upstream pin, GetStopPosition.
class SinkFilter final : public dshow::BaseFilter, public IAMFilterMiscFlags {
 public:
  static ComPtr<IBaseFilter> Create(const AM_MEDIA_TYPE& accepted, SinkFilter** self);

  ZELVO_DELEGATING_IUNKNOWN
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

  int GetPinCount() override { return 1; }
  dshow::BasePin* GetPin(int n) override { return n == 0 ? &pin_ : nullptr; }

  // Called on the streaming thread after each sample is stored (index from 0).
  std::function<void(int)> onSample;

  // Set before the graph runs. The wait (ms) between EC_COMPLETE and the
  // question widens the moment an application's Stop can meet it.
  bool askStopPosition = false;
  DWORD askDelayMs = 0;
  // The last answer, read once the graph has stopped.
  HRESULT StopQueryResult() const { return stopQuery_; }
  LONGLONG StopPositionSeen() const { return stopSeen_; }
  long EndOfStreamCalls() const { return pin_.EndOfStreamCalls(); }

  HRESULT STDMETHODCALLTYPE Pause() override;
  // Waits for end of stream in the current run.
  bool WaitForEnd(DWORD timeoutMs);

  std::vector<ReceivedSample> TakeSamples();
  size_t SampleCount();
  REFERENCE_TIME SegmentStart() { return pin_.SegmentStart(); }
  const dshow::MediaType& Accepted() const { return accepted_; }

 private:
  friend class SinkPin;
  SinkFilter();
  ~SinkFilter() override;
  void Store(IMediaSample* sample);
  void OnEndOfStream();

  SinkPin pin_;
  dshow::MediaType accepted_;
  volatile HRESULT stopQuery_ = E_PENDING;
  volatile LONGLONG stopSeen_ = -1;
  std::mutex samplesLock_;
  std::vector<ReceivedSample> samples_;
  ComPtr<IUnknown> seeking_;
  zelvo::com::KernelHandle ended_;
};

class PushSource;

class PushPin final : public dshow::BasePin {
 public:
  explicit PushPin(PushSource* filter);
  HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
  HRESULT GetMediaType(int position, dshow::MediaType* type) override;
  HRESULT CheckConnect(IPin* pin) override;
  HRESULT CompleteConnect(IPin* pin) override;
  void BreakConnect() override;
  HRESULT Active() override;
  HRESULT Inactive() override;

 private:
  friend class PushSource;
  PushSource* source_;
  ComPtr<IMemInputPin> peer_;
  ComPtr<IMemAllocator> allocator_;
};

// A source driven by the test: it offers one media type, takes the
// downstream pin's allocator (telling it whether its samples are read-only)
// and delivers frames on the calling thread.
class PushSource final : public dshow::BaseFilter {
 public:
  static ComPtr<IBaseFilter> Create(const AM_MEDIA_TYPE& type, bool readOnly, PushSource** self);

  int GetPinCount() override { return 1; }
  dshow::BasePin* GetPin(int n) override { return n == 0 ? &pin_ : nullptr; }
  IPin* OutputPin() { return &pin_; }

  // One sample of frame stamped start..start + kFrameTime, with a media type
  // attached when changed is given. `after` receives the sample's bytes as
  // they are once Receive has returned.
  HRESULT Deliver(const std::vector<uint8_t>& frame, REFERENCE_TIME start, const AM_MEDIA_TYPE* changed = nullptr,
                  std::vector<uint8_t>* after = nullptr);
  HRESULT DeliverEndOfStream();

 private:
  friend class PushPin;
  PushSource();
  PushPin pin_;
  dshow::MediaType type_;
  bool readOnly_ = false;
};

// Source, effects filter and sink connected pin to pin, with no graph
// manager: the test drives the states and the samples itself. The pins hold
// their peers, so the chain stops and disconnects them when it goes.
struct DirectChain {
  DirectChain() = default;
  DirectChain(const DirectChain&) = delete;
  DirectChain& operator=(const DirectChain&) = delete;
  ~DirectChain();

  ComPtr<IBaseFilter> source;
  ComPtr<IBaseFilter> effects;
  ComPtr<IBaseFilter> sink;
  PushSource* push = nullptr;
  SinkFilter* sinkFilter = nullptr;

  HRESULT Build(IBaseFilter* effectsFilter, const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output, bool readOnly);
  // Downstream first, as a graph manager does.
  HRESULT Pause();
  HRESULT Stop();
  void Disconnect();
  ComPtr<IPin> EffectsInput() const;
};

// A graph: file source and splitter (by intelligent connect), the filter and
// a downstream filter, connected and ready to run.
struct EffectsGraph {
  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
  ComPtr<IMediaEventEx> events;
  ComPtr<IMediaSeeking> seeking;
  ComPtr<IBaseFilter> effects;
  ComPtr<IBaseFilter> sink;
  SinkFilter* sinkFilter = nullptr;  // the test sink, when the graph has one

  // Builds file -> splitter -> effects -> downstream; any failure is returned.
  HRESULT Build(const std::wstring& file, IBaseFilter* effectsFilter, IBaseFilter* downstream);
  // Runs and waits for EC_COMPLETE; returns the final event code or 0 on timeout.
  // Runs until the sink (when set) has seen the end of the stream and the
  // graph reports completion; returns the completion code or 0.
  long RunToCompletion(DWORD timeoutMs);
  void Stop();
};

ComPtr<IPin> FindPinByDirection(IBaseFilter* filter, PIN_DIRECTION direction);

}  // namespace effects::testing
