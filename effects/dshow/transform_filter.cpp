#include "effects/dshow/transform_filter.h"

#include <new>
#include <utility>

namespace effects::dshow {
namespace {

using zelvo::com::ComPtr;
using zelvo::com::CritSecLock;

// quartz's seeking pass-through object and its interface.
const CLSID kSeekingPassThruClass = {0x060af76c, 0x68dd, 0x11d0, {0x8f, 0xc1, 0x00, 0xc0, 0x4f, 0xd9, 0x18, 0x9d}};
const IID kSeekingPassThruIid = {0x36b73883, 0xc2c8, 0x11cf, {0x8b, 0x46, 0x00, 0x80, 0x5f, 0x6c, 0xef, 0x60}};

}  // namespace

// ---------------------------------------------------------------- input pin

TransformInputPin::TransformInputPin(TransformFilter* filter, const wchar_t* name)
    : BasePin(filter, &filter->FilterLock(), name, PINDIR_INPUT), transform_(filter) {}

HRESULT STDMETHODCALLTYPE TransformInputPin::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IMemInputPin)) {
    *out = static_cast<IMemInputPin*>(this);
    AddRef();
    return S_OK;
  }
  return BasePin::QueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE TransformInputPin::GetAllocator(IMemAllocator** allocator) {
  if (!allocator) return E_POINTER;
  *allocator = nullptr;
  ComPtr<IMemAllocator> current = Allocator();
  if (current) return current.copy_to(allocator);
  ComPtr<IMemAllocator> created;
  HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                created.put_void());
  if (FAILED(hr)) return hr;
  {
    CritSecLock lock(allocatorLock_);
    if (!allocator_) allocator_ = created;
    current = allocator_;  // another caller's, if it was first
  }
  return current.copy_to(allocator);
}

HRESULT STDMETHODCALLTYPE TransformInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
  if (!allocator) return E_POINTER;
  ComPtr<IMemAllocator> incoming(allocator);
  CritSecLock lock(allocatorLock_);
  std::swap(allocator_, incoming);
  readOnly_ = readOnly != FALSE;
  return S_OK;
}

ComPtr<IMemAllocator> TransformInputPin::Allocator() const {
  CritSecLock lock(allocatorLock_);
  return allocator_;
}

bool TransformInputPin::ReadOnly() const {
  CritSecLock lock(allocatorLock_);
  return readOnly_;
}

HRESULT STDMETHODCALLTYPE TransformInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE TransformInputPin::Receive(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  CritSecLock lock(transform_->ReceiveLock());
  if (filter_->IsStopped() || !active_) return VFW_E_WRONG_STATE;
  if (flushing_) return S_FALSE;
  if (endOfStream_) return VFW_E_SAMPLE_REJECTED_EOS;
  // Upstream may change the format with a sample.
  AM_MEDIA_TYPE* changed = nullptr;
  if (sample->GetMediaType(&changed) == S_OK && changed) {
    HRESULT hr = CheckMediaType(*changed) == S_OK ? SetMediaType(*changed) : VFW_E_INVALIDMEDIATYPE;
    DeleteMediaTypeCopy(changed);
    if (FAILED(hr)) return hr;
  }
  return transform_->Receive(sample);
}

HRESULT STDMETHODCALLTYPE TransformInputPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
  if (!samples || !processed) return E_POINTER;
  *processed = 0;
  HRESULT hr = S_OK;
  while (*processed < count) {
    hr = Receive(samples[*processed]);
    if (hr != S_OK) break;
    ++*processed;
  }
  return hr;
}

HRESULT STDMETHODCALLTYPE TransformInputPin::ReceiveCanBlock() {
  // The output's Deliver can block whenever the downstream pin can.
  TransformOutputPin* output = transform_->OutputPin();
  ComPtr<IPin> downstream = output ? output->Peer() : ComPtr<IPin>();
  if (!downstream) return S_FALSE;
  ComPtr<IMemInputPin> peer;
  if (FAILED(downstream->QueryInterface(IID_IMemInputPin, peer.put_void()))) return S_OK;
  return peer->ReceiveCanBlock() == S_FALSE ? S_FALSE : S_OK;
}

HRESULT STDMETHODCALLTYPE TransformInputPin::EndOfStream() {
  zelvo::com::CriticalSection& receiving = transform_->ReceiveLock();
  zelvo::com::CriticalSection& delivering = transform_->EndOfStreamLock();
  receiving.lock();
  HRESULT hr = S_OK;
  bool pass = false;
  if (filter_->IsStopped() || !active_) {
    hr = VFW_E_WRONG_STATE;  // stopping: the filters downstream are stopped already
  } else if (!flushing_) {
    endOfStream_ = true;
    hr = transform_->EndOfStream();
    pass = SUCCEEDED(hr);
  }
  // Passed on under the end-of-stream lock alone: Stop does not wait for the
  // downstream filters' handling of it (they are stopped first and drop it),
  // EndFlush does, so no end from before a flush arrives after it.
  delivering.lock();
  receiving.unlock();
  if (pass) hr = transform_->OutputPin()->DeliverEndOfStream();
  delivering.unlock();
  return hr;
}

HRESULT STDMETHODCALLTYPE TransformInputPin::BeginFlush() {
  CritSecLock lock(*lock_);
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  flushing_ = true;
  return transform_->BeginFlush();
}

HRESULT STDMETHODCALLTYPE TransformInputPin::EndFlush() {
  CritSecLock lock(*lock_);
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  {
    // Downstream still flushes, so a sample or an end in flight returns
    // quickly.
    CritSecLock waitSample(transform_->ReceiveLock());
    CritSecLock waitEnd(transform_->EndOfStreamLock());
  }
  HRESULT hr = transform_->EndFlush();
  endOfStream_ = false;
  flushing_ = false;
  return hr;
}

HRESULT STDMETHODCALLTYPE TransformInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  RememberSegment(start, stop, rate);
  return transform_->NewSegment(start, stop, rate);
}

HRESULT TransformInputPin::CheckMediaType(const AM_MEDIA_TYPE& type) {
  HRESULT hr = transform_->CheckInputType(type);
  if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
  TransformOutputPin* output = transform_->OutputPin();
  MediaType downstream;
  if (!output || FAILED(output->CopyMediaType(&downstream)) || downstream.Empty()) return S_OK;
  return transform_->CheckTransform(type, downstream);
}

HRESULT TransformInputPin::SetMediaType(const AM_MEDIA_TYPE& type) {
  HRESULT hr = BasePin::SetMediaType(type);
  if (FAILED(hr)) return hr;
  return transform_->SetMediaType(PINDIR_INPUT, type);
}

HRESULT TransformInputPin::CheckConnect(IPin* pin) {
  HRESULT hr = BasePin::CheckConnect(pin);
  if (FAILED(hr)) return hr;
  return transform_->CheckConnect(PINDIR_INPUT, pin);
}

HRESULT TransformInputPin::CompleteConnect(IPin* pin) { return transform_->CompleteConnect(PINDIR_INPUT, pin); }

void TransformInputPin::BreakConnect() {
  ComPtr<IMemAllocator> old;
  {
    CritSecLock lock(allocatorLock_);
    std::swap(old, allocator_);
    readOnly_ = false;
  }
  transform_->BreakConnect(PINDIR_INPUT);
}

HRESULT TransformInputPin::Active() {
  flushing_ = false;
  endOfStream_ = false;
  active_ = true;
  return S_OK;
}

HRESULT TransformInputPin::Inactive() {
  // From here samples and ends of stream are refused. Decommitting
  // upstream's allocator makes its next GetBuffer fail, so no new sample
  // arrives while the filter stops.
  active_ = false;
  if (ComPtr<IMemAllocator> allocator = Allocator()) allocator->Decommit();
  return S_OK;
}

// --------------------------------------------------------------- output pin

TransformOutputPin::TransformOutputPin(TransformFilter* filter, const wchar_t* name)
    : BasePin(filter, &filter->FilterLock(), name, PINDIR_OUTPUT), transform_(filter) {
  CreateSeekingPassThru(filter->InputPin());
}

// Made once, with the pin: a renderer asks for IMediaSeeking from its
// streaming thread at end of stream, and the answer must not wait for the
// filter's lock. Without the pass-through the pin answers no seeking.
void TransformOutputPin::CreateSeekingPassThru(TransformInputPin* input) {
  if (!input) return;
  ComPtr<IUnknown> inner;
  if (FAILED(CoCreateInstance(kSeekingPassThruClass, static_cast<IPin*>(this), CLSCTX_INPROC_SERVER, IID_IUnknown,
                              inner.put_void())))
    return;
  ISeekingPassThru* passThru = nullptr;
  if (FAILED(inner->QueryInterface(kSeekingPassThruIid, reinterpret_cast<void**>(&passThru)))) return;
  HRESULT hr = passThru->Init(FALSE, input);
  passThru->Release();  // counted on this pin (aggregation)
  if (SUCCEEDED(hr)) seeking_ = std::move(inner);
}

TransformOutputPin::~TransformOutputPin() {
  // The pass-through's interfaces count on this pin; its inner unknown goes
  // first, while the pin still exists.
  seeking_ = nullptr;
}

HRESULT STDMETHODCALLTYPE TransformOutputPin::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IMediaSeeking) || IsEqualIID(iid, IID_IMediaPosition)) {
    if (seeking_) return seeking_->QueryInterface(iid, out);
    *out = nullptr;
    return E_NOINTERFACE;
  }
  return BasePin::QueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE TransformOutputPin::Notify(IBaseFilter*, Quality q) {
  HRESULT hr = transform_->AlterQuality(q);
  if (hr != S_FALSE) return hr;
  TransformInputPin* input = transform_->InputPin();
  if (!input) return VFW_E_NOT_FOUND;
  if (IQualityControl* sink = input->QualitySink()) return sink->Notify(transform_, q);
  ComPtr<IPin> upstream = input->Peer();
  if (!upstream) return VFW_E_NOT_FOUND;
  ComPtr<IQualityControl> control;
  if (FAILED(upstream->QueryInterface(IID_IQualityControl, control.put_void()))) return VFW_E_NOT_FOUND;
  return control->Notify(transform_, q);
}

HRESULT TransformOutputPin::CheckMediaType(const AM_MEDIA_TYPE& type) {
  TransformInputPin* input = transform_->InputPin();
  MediaType upstream;
  if (!input || FAILED(input->CopyMediaType(&upstream)) || upstream.Empty()) return VFW_E_NOT_CONNECTED;
  return transform_->CheckTransform(upstream, type);
}

HRESULT TransformOutputPin::GetMediaType(int position, MediaType* type) {
  return transform_->GetMediaType(position, type);
}

HRESULT TransformOutputPin::SetMediaType(const AM_MEDIA_TYPE& type) {
  HRESULT hr = BasePin::SetMediaType(type);
  if (FAILED(hr)) return hr;
  return transform_->SetMediaType(PINDIR_OUTPUT, type);
}

HRESULT TransformOutputPin::ChangeMediaTypeInStream(const AM_MEDIA_TYPE& type) { return StoreMediaType(type); }

HRESULT TransformOutputPin::CheckConnect(IPin* pin) {
  HRESULT hr = BasePin::CheckConnect(pin);
  if (FAILED(hr)) return hr;
  hr = pin->QueryInterface(IID_IMemInputPin, peerInput_.put_void());
  if (FAILED(hr)) return E_NOINTERFACE;
  return transform_->CheckConnect(PINDIR_OUTPUT, pin);
}

HRESULT TransformOutputPin::CompleteConnect(IPin* pin) {
  if (!peerInput_) return E_UNEXPECTED;
  HRESULT hr = DecideAllocator(peerInput_.get());
  if (FAILED(hr)) return hr;
  return transform_->CompleteConnect(PINDIR_OUTPUT, pin);
}

HRESULT TransformOutputPin::DecideAllocator(IMemInputPin* peer) {
  ALLOCATOR_PROPERTIES wanted = {};
  peer->GetAllocatorRequirements(&wanted);
  if (wanted.cbAlign == 0) wanted.cbAlign = 1;

  ComPtr<IMemAllocator> allocator;
  if (SUCCEEDED(peer->GetAllocator(allocator.put()))) {
    ALLOCATOR_PROPERTIES request = wanted;
    HRESULT hr = transform_->DecideBufferSize(allocator.get(), &request);
    if (SUCCEEDED(hr) && SUCCEEDED(peer->NotifyAllocator(allocator.get(), FALSE))) {
      allocator_ = std::move(allocator);
      return S_OK;
    }
  }
  // The downstream pin has no allocator we can use: offer our own.
  HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                allocator.put_void());
  if (FAILED(hr)) return hr;
  ALLOCATOR_PROPERTIES request = wanted;
  hr = transform_->DecideBufferSize(allocator.get(), &request);
  if (FAILED(hr)) return hr;
  hr = peer->NotifyAllocator(allocator.get(), FALSE);
  if (FAILED(hr)) return hr;
  allocator_ = std::move(allocator);
  return S_OK;
}

void TransformOutputPin::BreakConnect() {
  if (allocator_) allocator_->Decommit();
  allocator_ = nullptr;
  peerInput_ = nullptr;
  transform_->BreakConnect(PINDIR_OUTPUT);
}

HRESULT TransformOutputPin::Active() { return allocator_ ? allocator_->Commit() : VFW_E_NO_ALLOCATOR; }

HRESULT TransformOutputPin::Inactive() { return allocator_ ? allocator_->Decommit() : VFW_E_NO_ALLOCATOR; }

HRESULT TransformOutputPin::GetDeliveryBuffer(IMediaSample* input, IMediaSample** out) {
  if (!allocator_) return VFW_E_NO_ALLOCATOR;
  REFERENCE_TIME start = 0, stop = 0;
  bool timed = input && input->GetTime(&start, &stop) == S_OK;
  return allocator_->GetBuffer(out, timed ? &start : nullptr, timed ? &stop : nullptr, 0);
}

HRESULT TransformOutputPin::Deliver(IMediaSample* sample) {
  if (!peerInput_) return VFW_E_NOT_CONNECTED;
  return peerInput_->Receive(sample);
}

HRESULT TransformOutputPin::DeliverEndOfStream() {
  ComPtr<IPin> peer = Peer();
  return peer ? peer->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT TransformOutputPin::DeliverBeginFlush() {
  ComPtr<IPin> peer = Peer();
  return peer ? peer->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT TransformOutputPin::DeliverEndFlush() {
  ComPtr<IPin> peer = Peer();
  return peer ? peer->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT TransformOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  RememberSegment(start, stop, rate);
  ComPtr<IPin> peer = Peer();
  return peer ? peer->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}

// ------------------------------------------------------------------- filter

TransformFilter::TransformFilter(IUnknown* outer, REFCLSID clsid) : BaseFilter(outer, clsid) { CreatePins(); }

TransformFilter::~TransformFilter() {
  output_.reset();
  input_.reset();
}

// Both pins or none: without the output pin the input pin goes again.
void TransformFilter::CreatePins() {
  input_.reset(new (std::nothrow) TransformInputPin(this, L"XForm In"));
  if (!input_) return;
  output_.reset(new (std::nothrow) TransformOutputPin(this, L"XForm Out"));
  if (!output_) input_.reset();
}

BasePin* TransformFilter::GetPin(int n) {
  if (n == 0) return input_.get();
  if (n == 1) return output_.get();
  return nullptr;
}

HRESULT STDMETHODCALLTYPE TransformFilter::Stop() {
  CritSecLock lock(filterLock_);
  if (state_ == State_Stopped) return S_OK;
  // The input refuses what arrives from now on, and a Receive waiting for a
  // buffer is released, before the wait for the sample in hand below.
  if (input_ && input_->IsConnected()) input_->Inactive();
  if (output_ && output_->IsConnected()) output_->Inactive();
  HRESULT hr = S_OK;
  CritSecLock receiving(receiveLock_);
  if (input_ && input_->IsConnected() && output_ && output_->IsConnected()) hr = StopStreaming();
  state_ = State_Stopped;
  return hr;
}

HRESULT STDMETHODCALLTYPE TransformFilter::Pause() {
  CritSecLock lock(filterLock_);
  if (state_ == State_Paused) return S_OK;
  bool inputConnected = input_ && input_->IsConnected();
  bool outputConnected = output_ && output_->IsConnected();
  bool starting = state_ == State_Stopped;
  if (inputConnected && outputConnected && starting) {
    CritSecLock receiving(receiveLock_);
    HRESULT hr = StartStreaming();
    if (FAILED(hr)) return hr;
  }
  HRESULT hr = BaseFilter::Pause();
  if (FAILED(hr)) return hr;
  // Nothing will ever arrive: tell downstream at once so it can complete.
  if (!inputConnected && outputConnected && starting) output_->DeliverEndOfStream();
  return S_OK;
}

HRESULT TransformFilter::SetMediaType(PIN_DIRECTION, const AM_MEDIA_TYPE&) { return S_OK; }
HRESULT TransformFilter::CheckConnect(PIN_DIRECTION, IPin*) { return S_OK; }
HRESULT TransformFilter::CompleteConnect(PIN_DIRECTION, IPin*) { return S_OK; }
HRESULT TransformFilter::BreakConnect(PIN_DIRECTION) { return S_OK; }
HRESULT TransformFilter::StartStreaming() { return S_OK; }
HRESULT TransformFilter::StopStreaming() { return S_OK; }
HRESULT TransformFilter::AlterQuality(const Quality&) { return S_FALSE; }

HRESULT TransformFilter::Receive(IMediaSample* input) {
  if (!output_ || !output_->IsConnected()) return VFW_E_NOT_CONNECTED;
  ComPtr<IMediaSample> output;
  HRESULT hr = output_->GetDeliveryBuffer(input, output.put());
  if (FAILED(hr)) return hr;
  hr = Transform(input, output.get());
  if (hr == S_OK) return output_->Deliver(output.get());
  return hr == S_FALSE ? S_OK : hr;
}

HRESULT TransformFilter::EndOfStream() { return S_OK; }
HRESULT TransformFilter::BeginFlush() { return output_ ? output_->DeliverBeginFlush() : VFW_E_NOT_CONNECTED; }
HRESULT TransformFilter::EndFlush() { return output_ ? output_->DeliverEndFlush() : VFW_E_NOT_CONNECTED; }

HRESULT TransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  return output_ ? output_->DeliverNewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}

HRESULT TransformFilter::ReconnectPin(IPin* pin) {
  IFilterGraph* graph = Graph();
  if (!graph) return E_NOINTERFACE;
  ComPtr<IFilterGraph2> graph2;
  if (SUCCEEDED(graph->QueryInterface(IID_IFilterGraph2, graph2.put_void()))) return graph2->ReconnectEx(pin, nullptr);
  return graph->Reconnect(pin);
}

}  // namespace effects::dshow
