#include "effects/dshow/base_pin.h"

#include <cstring>

#include "effects/dshow/base_filter.h"
#include "effects/dshow/enumerators.h"

namespace effects::dshow {

using zelvo::com::ComPtr;
using zelvo::com::CritSecLock;

BasePin::BasePin(BaseFilter* filter, zelvo::com::CriticalSection* lock, const wchar_t* name,
                 PIN_DIRECTION direction)
    : filter_(filter), lock_(lock), name_(name), direction_(direction) {}

BasePin::~BasePin() = default;

HRESULT STDMETHODCALLTYPE BasePin::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPin)) {
    *out = static_cast<IPin*>(this);
  } else if (IsEqualIID(iid, IID_IQualityControl)) {
    *out = static_cast<IQualityControl*>(this);
  } else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE BasePin::AddRef() { return filter_->AddRef(); }
ULONG STDMETHODCALLTYPE BasePin::Release() { return filter_->Release(); }

HRESULT STDMETHODCALLTYPE BasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
  if (!receivePin) return E_POINTER;
  CritSecLock lock(*lock_);
  if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
  if (!filter_->IsStopped()) return VFW_E_NOT_STOPPED;
  if (type && IsFullySpecified(*type)) return AttemptConnection(receivePin, *type);
  return AgreeMediaType(receivePin, type);
}

HRESULT BasePin::AgreeMediaType(IPin* receivePin, const AM_MEDIA_TYPE* partial) {
  // The receiving pin's preferences first, then our own.
  HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
  ComPtr<IEnumMediaTypes> theirs;
  if (SUCCEEDED(receivePin->EnumMediaTypes(theirs.put()))) {
    HRESULT hr = TryMediaTypes(receivePin, partial, theirs.get());
    if (SUCCEEDED(hr)) return hr;
    if (hr != VFW_E_NO_ACCEPTABLE_TYPES) last = hr;
  }
  ComPtr<IEnumMediaTypes> ours;
  if (SUCCEEDED(EnumMediaTypes(ours.put()))) {
    HRESULT hr = TryMediaTypes(receivePin, partial, ours.get());
    if (SUCCEEDED(hr)) return hr;
    if (hr != VFW_E_NO_ACCEPTABLE_TYPES) last = hr;
  }
  return last;
}

HRESULT BasePin::TryMediaTypes(IPin* receivePin, const AM_MEDIA_TYPE* partial, IEnumMediaTypes* types) {
  HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
  for (;;) {
    AM_MEDIA_TYPE* type = nullptr;
    ULONG fetched = 0;
    if (types->Next(1, &type, &fetched) != S_OK || fetched != 1 || !type) return last;
    HRESULT hr = VFW_E_NO_ACCEPTABLE_TYPES;
    if (!partial || MatchesPartialType(*type, *partial)) hr = AttemptConnection(receivePin, *type);
    DeleteMediaTypeCopy(type);
    if (SUCCEEDED(hr)) return hr;
    if (hr != VFW_E_NO_ACCEPTABLE_TYPES && hr != VFW_E_TYPE_NOT_ACCEPTED) last = hr;
  }
}

HRESULT BasePin::AttemptConnection(IPin* receivePin, const AM_MEDIA_TYPE& type) {
  HRESULT hr = CheckConnect(receivePin);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  if (CheckMediaType(type) != S_OK) {
    BreakConnect();
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  SetPeer(receivePin);
  hr = SetMediaType(type);
  bool peerConnected = false;
  if (SUCCEEDED(hr)) {
    hr = receivePin->ReceiveConnection(this, &type);
    peerConnected = SUCCEEDED(hr);
  }
  if (SUCCEEDED(hr)) hr = CompleteConnect(receivePin);
  if (SUCCEEDED(hr)) return S_OK;
  if (peerConnected) receivePin->Disconnect();
  ClearConnection();
  BreakConnect();
  return hr;
}

HRESULT STDMETHODCALLTYPE BasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
  if (!connector || !type) return E_POINTER;
  CritSecLock lock(*lock_);
  if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
  if (!filter_->IsStopped()) return VFW_E_NOT_STOPPED;
  HRESULT hr = CheckConnect(connector);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  if (CheckMediaType(*type) != S_OK) {
    BreakConnect();
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  SetPeer(connector);
  hr = SetMediaType(*type);
  if (SUCCEEDED(hr)) hr = CompleteConnect(connector);
  if (SUCCEEDED(hr)) return S_OK;
  ClearConnection();
  BreakConnect();
  return hr;
}

HRESULT STDMETHODCALLTYPE BasePin::Disconnect() {
  CritSecLock lock(*lock_);
  if (!filter_->IsStopped()) return VFW_E_NOT_STOPPED;
  if (!IsConnected()) return S_FALSE;
  BreakConnect();
  ClearConnection();
  return S_OK;
}

// Asked by neighbours at any time, the streaming thread included (a
// renderer's end of stream looks upstream for the stop position): only the
// pin's own lock.
HRESULT STDMETHODCALLTYPE BasePin::ConnectedTo(IPin** pin) {
  if (!pin) return E_POINTER;
  CritSecLock lock(connectionLock_);
  *pin = nullptr;
  if (!connected_) return VFW_E_NOT_CONNECTED;
  return connected_.copy_to(pin);
}

HRESULT STDMETHODCALLTYPE BasePin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  CritSecLock lock(connectionLock_);
  if (!connected_) {
    std::memset(type, 0, sizeof(*type));
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaTypeTo(type, type_);
}

HRESULT STDMETHODCALLTYPE BasePin::QueryPinInfo(PIN_INFO* info) {
  if (!info) return E_POINTER;
  std::memset(info, 0, sizeof(*info));
  info->pFilter = filter_;
  filter_->AddRef();
  info->dir = direction_;
  lstrcpynW(info->achName, name_.c_str(), MAX_PIN_NAME);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE BasePin::QueryDirection(PIN_DIRECTION* direction) {
  if (!direction) return E_POINTER;
  *direction = direction_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE BasePin::QueryId(LPWSTR* id) {
  if (!id) return E_POINTER;
  size_t bytes = (name_.size() + 1) * sizeof(wchar_t);
  *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (!*id) return E_OUTOFMEMORY;
  std::memcpy(*id, name_.c_str(), bytes);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE BasePin::QueryAccept(const AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  return CheckMediaType(*type) == S_OK ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE BasePin::EnumMediaTypes(IEnumMediaTypes** types) {
  return CreateMediaTypeEnumerator(this, 0, types);
}

HRESULT STDMETHODCALLTYPE BasePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE BasePin::EndOfStream() { return E_UNEXPECTED; }
HRESULT STDMETHODCALLTYPE BasePin::BeginFlush() { return E_UNEXPECTED; }
HRESULT STDMETHODCALLTYPE BasePin::EndFlush() { return E_UNEXPECTED; }

HRESULT STDMETHODCALLTYPE BasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  RememberSegment(start, stop, rate);
  return S_OK;
}

void BasePin::RememberSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  CritSecLock lock(connectionLock_);
  segmentStart_ = start;
  segmentStop_ = stop;
  segmentRate_ = rate;
}

HRESULT STDMETHODCALLTYPE BasePin::Notify(IBaseFilter*, Quality) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE BasePin::SetSink(IQualityControl* sink) {
  // Not referenced: the sink is the graph or a filter that outlives the link.
  CritSecLock lock(connectionLock_);
  qualitySink_ = sink;
  return S_OK;
}

HRESULT BasePin::GetMediaType(int position, MediaType*) {
  return position < 0 ? E_INVALIDARG : VFW_S_NO_MORE_ITEMS;
}

HRESULT BasePin::SetMediaType(const AM_MEDIA_TYPE& type) { return StoreMediaType(type); }

HRESULT BasePin::StoreMediaType(const AM_MEDIA_TYPE& type) {
  CritSecLock lock(connectionLock_);
  return type_.Set(type);
}

void BasePin::SetPeer(IPin* peer) {
  CritSecLock lock(connectionLock_);
  connected_ = ComPtr<IPin>(peer);
}

void BasePin::ClearConnection() {
  ComPtr<IPin> old;
  {
    CritSecLock lock(connectionLock_);
    old = std::move(connected_);
    type_.Clear();
  }
}

bool BasePin::IsConnected() const {
  CritSecLock lock(connectionLock_);
  return connected_.get() != nullptr;
}

ComPtr<IPin> BasePin::Peer() const {
  CritSecLock lock(connectionLock_);
  return connected_;
}

HRESULT BasePin::CopyMediaType(MediaType* type) const {
  CritSecLock lock(connectionLock_);
  return type->Set(type_);
}

GUID BasePin::MediaSubtype() const {
  CritSecLock lock(connectionLock_);
  return type_.subtype;
}

IQualityControl* BasePin::QualitySink() const {
  CritSecLock lock(connectionLock_);
  return qualitySink_;
}

REFERENCE_TIME BasePin::SegmentStart() const {
  CritSecLock lock(connectionLock_);
  return segmentStart_;
}

REFERENCE_TIME BasePin::SegmentStop() const {
  CritSecLock lock(connectionLock_);
  return segmentStop_;
}

double BasePin::SegmentRate() const {
  CritSecLock lock(connectionLock_);
  return segmentRate_;
}

HRESULT BasePin::CheckConnect(IPin* pin) {
  PIN_DIRECTION theirs;
  HRESULT hr = pin->QueryDirection(&theirs);
  if (FAILED(hr)) return hr;
  return theirs == direction_ ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT BasePin::CompleteConnect(IPin*) { return S_OK; }

}  // namespace effects::dshow
