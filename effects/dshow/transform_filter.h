// A transform filter: one input pin, one output pin, one Transform per
// sample. The base owns allocators, state changes, flushing, end of stream,
// new segments, quality messages and seeking (handed upstream through the
// platform's seeking pass-through); a concrete filter overrides the hooks.
#pragma once

#include <dshow.h>

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

  // The allocator upstream delivers with (null until notified).
  IMemAllocator* Allocator() const { return allocator_.get(); }
  bool IsFlushing() const { return flushing_; }

 private:
  TransformFilter* transform_;
  zelvo::com::ComPtr<IMemAllocator> allocator_;
  bool readOnly_ = false;
  volatile bool flushing_ = false;
  volatile bool endOfStream_ = false;
};

class TransformOutputPin final : public BasePin {
 public:
  TransformOutputPin(TransformFilter* filter, const wchar_t* name);
  ~TransformOutputPin() override;

  // Adds IMediaSeeking and IMediaPosition, answered upstream.
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

  IMemAllocator* Allocator() const { return allocator_.get(); }

 private:
  HRESULT DecideAllocator(IMemInputPin* peer);

  TransformFilter* transform_;
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
  // Index 0 "XForm In", 1 "XForm Out", both made on the first request.
  BasePin* GetPin(int n) override;

  // What a concrete filter decides.
  virtual HRESULT CheckInputType(const AM_MEDIA_TYPE& type) = 0;
  virtual HRESULT CheckTransform(const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output) = 0;
  virtual HRESULT GetMediaType(int position, MediaType* type) = 0;
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
  // S_OK delivers the output sample, S_FALSE drops it, a failure stops the stream.
  virtual HRESULT Transform(IMediaSample* input, IMediaSample* output) = 0;

  // Optional hooks; the defaults do what a plain transform needs.
  virtual HRESULT SetMediaType(PIN_DIRECTION direction, const AM_MEDIA_TYPE& type);
  virtual HRESULT CheckConnect(PIN_DIRECTION direction, IPin* pin);
  virtual HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* pin);
  virtual HRESULT BreakConnect(PIN_DIRECTION direction);
  virtual HRESULT StartStreaming();
  virtual HRESULT StopStreaming();
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

  // Asks the graph to reconnect pin (and its peer) with a fresh type.
  HRESULT ReconnectPin(IPin* pin);

 protected:
  // Held while a sample is processed; Stop takes it to wait for the sample.
  zelvo::com::CriticalSection receiveLock_;

 private:
  bool CreatePins();

  std::unique_ptr<TransformInputPin> input_;
  std::unique_ptr<TransformOutputPin> output_;
};

}  // namespace effects::dshow
