// IPin plumbing shared by input and output pins: connection and media-type
// agreement, media-type enumeration, pin information and quality-control
// sink. A pin lives inside its filter and counts references on it.
//
// Connections are made and broken under the filter's lock (`lock_`) while
// the filter is stopped. What other threads read of a pin (its peer, its
// media type, the segment, the quality sink) sits behind the pin's own small
// `connectionLock_`, which is held only to copy or replace those members:
// asking a pin for its peer or type never waits for the filter's lock, so a
// downstream filter can ask from the streaming thread.
#pragma once

#include <dshow.h>

#include <string>

#include "common/com/com_ptr.h"
#include "common/com/handles.h"
#include "effects/dshow/media_type.h"

namespace effects::dshow {

class BaseFilter;

class BasePin : public IPin, public IQualityControl {
 public:
  BasePin(BaseFilter* filter, zelvo::com::CriticalSection* lock, const wchar_t* name, PIN_DIRECTION direction);
  virtual ~BasePin();
  BasePin(const BasePin&) = delete;
  BasePin& operator=(const BasePin&) = delete;

  // IUnknown: references go to the filter.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IPin
  HRESULT STDMETHODCALLTYPE Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE Disconnect() override;
  HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override;
  HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
  HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
  HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
  HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
  HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) override;
  HRESULT STDMETHODCALLTYPE EndOfStream() override;
  HRESULT STDMETHODCALLTYPE BeginFlush() override;
  HRESULT STDMETHODCALLTYPE EndFlush() override;
  HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  // IQualityControl
  HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* self, Quality q) override;
  HRESULT STDMETHODCALLTYPE SetSink(IQualityControl* sink) override;

  // Hooks.
  // S_OK when the pin takes the type; anything else refuses it.
  virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) = 0;
  // The type the pin offers at position: S_OK, VFW_S_NO_MORE_ITEMS or an error.
  virtual HRESULT GetMediaType(int position, MediaType* type);
  // Stores the agreed type; derived pins pass it on to the filter.
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE& type);
  virtual HRESULT CheckConnect(IPin* pin);
  virtual HRESULT CompleteConnect(IPin* pin);
  virtual void BreakConnect() {}
  // Streaming starts (stopped to paused) and ends (to stopped).
  virtual HRESULT Active() { return S_OK; }
  virtual HRESULT Inactive() { return S_OK; }

  // Snapshots, safe from any thread.
  bool IsConnected() const;
  zelvo::com::ComPtr<IPin> Peer() const;
  // A copy of the connection's media type (empty while unconnected).
  HRESULT CopyMediaType(MediaType* type) const;
  // The connection's subtype, or GUID_NULL.
  GUID MediaSubtype() const;
  IQualityControl* QualitySink() const;
  REFERENCE_TIME SegmentStart() const;
  REFERENCE_TIME SegmentStop() const;
  double SegmentRate() const;

  PIN_DIRECTION Direction() const { return direction_; }
  const std::wstring& Name() const { return name_; }
  BaseFilter* Filter() const { return filter_; }

 protected:
  void RememberSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);
  // Replaces the connection's media type (also in stream, from the
  // streaming thread).
  HRESULT StoreMediaType(const AM_MEDIA_TYPE& type);

  BaseFilter* filter_;
  zelvo::com::CriticalSection* lock_;

 private:
  HRESULT AttemptConnection(IPin* receivePin, const AM_MEDIA_TYPE& type);
  HRESULT TryMediaTypes(IPin* receivePin, const AM_MEDIA_TYPE* partial, IEnumMediaTypes* types);
  HRESULT AgreeMediaType(IPin* receivePin, const AM_MEDIA_TYPE* partial);
  void SetPeer(IPin* peer);
  // Forgets peer and type; the peer is released after the lock is left.
  void ClearConnection();

  // Innermost lock: nothing is called while it is held but AddRef.
  mutable zelvo::com::CriticalSection connectionLock_;
  zelvo::com::ComPtr<IPin> connected_;
  MediaType type_;
  IQualityControl* qualitySink_ = nullptr;
  REFERENCE_TIME segmentStart_ = 0;
  REFERENCE_TIME segmentStop_ = MAXLONGLONG;
  double segmentRate_ = 1.0;

  std::wstring name_;
  PIN_DIRECTION direction_;
};

}  // namespace effects::dshow
