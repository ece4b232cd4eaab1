// A transform filter: one input pin, one output pin, one Transform per
// sample. The base owns allocators, state changes, flushing, end of stream,
// new segments, quality messages and seeking (handed upstream through the
// platform's seeking pass-through); a concrete filter overrides the hooks.
//
// Lock order, outermost first; a thread holding one lock takes only locks
// further down the list:
//   1. filterLock_ (BaseFilter): state changes, connections, allocator
//      agreement, flushing. Taken only by calls from the application, the
//      graph manager and an upstream seek: Stop, Pause, Run, Connect,
//      Disconnect, BeginFlush, EndFlush.
//   2. receiveLock_: the sample in hand on the streaming thread, held while
//      it is transformed and delivered downstream, and an end of stream
//      while it is checked and the filter's EndOfStream hook runs. Stop takes
//      it (with filterLock_ held) to wait for that sample, so nothing a
//      downstream filter can call back into while it handles a delivery may
//      take filterLock_: ConnectedTo, ConnectionMediaType, QueryAccept,
//      QueryInterface and the seeking pass-through behind IMediaSeeking,
//      quality notifications, ReceiveCanBlock, QueryFilterInfo.
//   3. endOfStreamLock_: held (taken before receiveLock_ is left) while an
//      end of stream is passed downstream. EndFlush waits for it, Stop does
//      not: the downstream filters are stopped first and drop a late end,
//      and a Stop that waited for their end-of-stream handling would return
//      at the very moment the upstream thread comes back from it.
//   4. the pins' connectionLock_ and allocatorLock_ and the filter's
//      infoLock_: copies of peer, media type, segment, allocator and graph,
//      replaced by connections and by in-stream format changes. Nothing but
//      AddRef is called while one of them is held.
// The pins and the seeking pass-through are made with the filter and live as
// long as it, so reaching them takes no lock. state_ becomes State_Stopped
// under receiveLock_: a sample waiting for that lock sees it and is refused.
#pragma once

#include <dshow.h>

#include <atomic>
#include <memory>

#include "effects/dshow/base_filter.h"
#include "effects/dshow/base_pin.h"

namespace effects::dshow {

class TransformFilter;

class TransformInputPin final : public BasePin, public IMemInputPin {
 public:
  TransformInputPin(TransformFilter* filter, const wchar_t* name);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return BasePin::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return BasePin::Release(); }

  // IMemInputPin
  HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
  HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
  HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
  HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
  HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override;

  // IPin streaming calls from upstream
  HRESULT STDMETHODCALLTYPE EndOfStream() override;
  HRESULT STDMETHODCALLTYPE BeginFlush() override;
  HRESULT STDMETHODCALLTYPE EndFlush() override;
  HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE& type) override;
  HRESULT CheckConnect(IPin* pin) override;
  HRESULT CompleteConnect(IPin* pin) override;
  void BreakConnect() override;
  HRESULT Active() override;
  HRESULT Inactive() override;

  // The allocator upstream delivers with (null until agreed).
  zelvo::com::ComPtr<IMemAllocator> Allocator() const;
  // Upstream's samples may not be written (the allocator's read-only flag).
  bool ReadOnly() const;
  bool IsFlushing() const { return flushing_; }

 private:
  TransformFilter* transform_;
  mutable zelvo::com::CriticalSection allocatorLock_;  // innermost
  zelvo::com::ComPtr<IMemAllocator> allocator_;
  bool readOnly_ = false;
  std::atomic<bool> flushing_{false};
  std::atomic<bool> endOfStream_{false};
  // Between Active and Inactive: samples and ends of stream are taken.
  std::atomic<bool> active_{false};
};

class TransformOutputPin final : public BasePin {
 public:
  TransformOutputPin(TransformFilter* filter, const wchar_t* name);
  ~TransformOutputPin() override;

  // Adds IMediaSeeking and IMediaPosition, answered upstream by the
  // pass-through made with the pin.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  // Quality messages from downstream.
  HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* self, Quality q) override;

  HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
  HRESULT GetMediaType(int position, MediaType* type) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE& type) override;
  HRESULT CheckConnect(IPin* pin) override;
  HRESULT CompleteConnect(IPin* pin) override;
  void BreakConnect() override;
  HRESULT Active() override;
  HRESULT Inactive() override;

  // A buffer from the downstream allocator for the output of input.
  HRESULT GetDeliveryBuffer(IMediaSample* input, IMediaSample** out);
  HRESULT Deliver(IMediaSample* sample);
  HRESULT DeliverEndOfStream();
  HRESULT DeliverBeginFlush();
  HRESULT DeliverEndFlush();
  HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

  // Stores a type downstream announced on a sample (no checks, no reconnect).
  HRESULT ChangeMediaTypeInStream(const AM_MEDIA_TYPE& type);

 private:
  HRESULT DecideAllocator(IMemInputPin* peer);
  void CreateSeekingPassThru(TransformInputPin* input);

  TransformFilter* transform_;
  // Set while connecting (filter stopped), read by the streaming thread.
  zelvo::com::ComPtr<IMemInputPin> peerInput_;
  zelvo::com::ComPtr<IMemAllocator> allocator_;
  zelvo::com::ComPtr<IUnknown> seeking_;  // inner unknown of the pass-through
};

class TransformFilter : public BaseFilter {
 public:
  TransformFilter(IUnknown* outer, REFCLSID clsid);
  ~TransformFilter() override;

  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE Pause() override;

  int GetPinCount() override { return 2; }
  // Index 0 "XForm In", 1 "XForm Out", both made with the filter (null when
  // that failed).
  BasePin* GetPin(int n) override;

  // What a concrete filter decides. The two checks and GetMediaType only
  // answer: they may run on any thread, at any time, and change nothing.
  virtual HRESULT CheckInputType(const AM_MEDIA_TYPE& type) = 0;
  virtual HRESULT CheckTransform(const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output) = 0;
  virtual HRESULT GetMediaType(int position, MediaType* type) = 0;
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
  // S_OK delivers the output sample, S_FALSE drops it, a failure stops the stream.
  virtual HRESULT Transform(IMediaSample* input, IMediaSample* output) = 0;

  // Optional hooks; the defaults do what a plain transform needs.
  // SetMediaType runs while connecting (filterLock_, stopped) or for an
  // in-stream change of the input (streaming thread, receiveLock_).
  virtual HRESULT SetMediaType(PIN_DIRECTION direction, const AM_MEDIA_TYPE& type);
  virtual HRESULT CheckConnect(PIN_DIRECTION direction, IPin* pin);
  virtual HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* pin);
  virtual HRESULT BreakConnect(PIN_DIRECTION direction);
  // Both run with filterLock_ and receiveLock_ held.
  virtual HRESULT StartStreaming();
  virtual HRESULT StopStreaming();
  // Receive and EndOfStream run on the streaming thread with receiveLock_;
  // EndOfStream finishes the filter's own stream (the default has nothing
  // to finish) before the end is passed downstream.
  virtual HRESULT Receive(IMediaSample* input);
  virtual HRESULT EndOfStream();
  virtual HRESULT BeginFlush();
  virtual HRESULT EndFlush();
  virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);
  // S_FALSE passes the message upstream.
  virtual HRESULT AlterQuality(const Quality& q);

  TransformInputPin* InputPin() { return input_.get(); }
  TransformOutputPin* OutputPin() { return output_.get(); }
  zelvo::com::CriticalSection& ReceiveLock() { return receiveLock_; }
  zelvo::com::CriticalSection& EndOfStreamLock() { return endOfStreamLock_; }

  // Asks the graph to reconnect pin (and its peer) with a fresh type.
  HRESULT ReconnectPin(IPin* pin);

 protected:
  // Held while a sample is processed and delivered and while an end of
  // stream is checked; Stop takes it to wait for the sample in hand.
  zelvo::com::CriticalSection receiveLock_;
  // Held while an end of stream is passed downstream.
  zelvo::com::CriticalSection endOfStreamLock_;

 private:
  void CreatePins();

  std::unique_ptr<TransformInputPin> input_;
  std::unique_ptr<TransformOutputPin> output_;
};

}  // namespace effects::dshow
