// IBaseFilter plumbing: state, reference clock, graph membership, name and
// pin enumeration. A derived filter supplies its pins and may extend the
// state changes.
//
// `filterLock_` serialises state changes and connections; it is taken by
// calls from the application and the graph manager, never by a call a
// neighbour may make from its streaming thread. The graph, name, event sink
// and clock are read behind the small `infoLock_` instead, so the filter's
// information can be asked for while a state change is under way.
#pragma once

#include <dshow.h>

#include <string>

#include "common/com/com_ptr.h"
#include "common/com/handles.h"
#include "common/com/server.h"

namespace effects::dshow {

class BasePin;

class BaseFilter : public zelvo::com::UnknownBase, public IBaseFilter {
 public:
  BaseFilter(IUnknown* outer, REFCLSID clsid);

  ZELVO_DELEGATING_IUNKNOWN
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override;

  // IPersist
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
  // IMediaFilter
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE Pause() override;
  HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
  HRESULT STDMETHODCALLTYPE GetState(DWORD timeoutMs, FILTER_STATE* state) override;
  HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
  HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;
  // IBaseFilter
  HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
  HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
  HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
  HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* info) override;

  virtual int GetPinCount() = 0;
  // The pin at index n (no reference added), or null. The pins exist for the
  // filter's whole life, so this takes no lock.
  virtual BasePin* GetPin(int n) = 0;

  bool IsStopped() const { return state_ == State_Stopped; }
  FILTER_STATE State() const { return state_; }
  // The graph the filter has joined (not referenced: the graph owns us).
  IFilterGraph* Graph() const;
  zelvo::com::CriticalSection& FilterLock() { return filterLock_; }

  // Sends an event to the graph's event sink, if the graph has one.
  HRESULT NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);

 protected:
  // Serialises state changes and connections; state_ is written under it.
  zelvo::com::CriticalSection filterLock_;
  volatile FILTER_STATE state_ = State_Stopped;
  REFERENCE_TIME start_ = 0;

 private:
  // Innermost: guards the members below; nothing is called while it is held
  // but AddRef.
  mutable zelvo::com::CriticalSection infoLock_;
  CLSID clsid_;
  zelvo::com::ComPtr<IReferenceClock> clock_;
  IFilterGraph* graph_ = nullptr;  // the graph holds us, not the other way
  IMediaEventSink* eventSink_ = nullptr;
  std::wstring name_;
};

}  // namespace effects::dshow
