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

 private:
  SinkFilter* sink_;
  volatile bool flushing_ = false;
};

// A renderer-like sink: it accepts only `accepted`, keeps a copy of each
// sample, sends EC_COMPLETE at end of stream and offers seeking upstream.
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
  std::mutex samplesLock_;
  std::vector<ReceivedSample> samples_;
  ComPtr<IUnknown> seeking_;
  zelvo::com::KernelHandle ended_;
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
