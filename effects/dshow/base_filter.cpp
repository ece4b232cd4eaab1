#include "effects/dshow/base_filter.h"

#include <cstring>
#include <utility>

#include "effects/dshow/base_pin.h"
#include "effects/dshow/enumerators.h"

namespace effects::dshow {

using zelvo::com::CritSecLock;

BaseFilter::BaseFilter(IUnknown* outer, REFCLSID clsid) : UnknownBase(outer), clsid_(clsid) {}

HRESULT STDMETHODCALLTYPE BaseFilter::NonDelegatingQueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IBaseFilter)) return GetInterface(static_cast<IBaseFilter*>(this), out);
  if (IsEqualIID(iid, IID_IMediaFilter)) return GetInterface(static_cast<IMediaFilter*>(this), out);
  if (IsEqualIID(iid, IID_IPersist)) return GetInterface(static_cast<IPersist*>(this), out);
  return UnknownBase::NonDelegatingQueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE BaseFilter::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = clsid_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE BaseFilter::Stop() {
  CritSecLock lock(filterLock_);
  HRESULT result = S_OK;
  if (state_ != State_Stopped) {
    for (int i = 0; i < GetPinCount(); ++i) {
      BasePin* pin = GetPin(i);
      if (pin && pin->IsConnected()) {
        HRESULT hr = pin->Inactive();
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
      }
    }
  }
  state_ = State_Stopped;
  return result;
}

HRESULT STDMETHODCALLTYPE BaseFilter::Pause() {
  CritSecLock lock(filterLock_);
  if (state_ == State_Stopped) {
    for (int i = 0; i < GetPinCount(); ++i) {
      BasePin* pin = GetPin(i);
      if (pin && pin->IsConnected()) {
        HRESULT hr = pin->Active();
        if (FAILED(hr)) return hr;
      }
    }
  }
  state_ = State_Paused;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE BaseFilter::Run(REFERENCE_TIME start) {
  CritSecLock lock(filterLock_);
  if (state_ == State_Stopped) {
    HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
  }
  start_ = start;
  state_ = State_Running;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE BaseFilter::GetState(DWORD, FILTER_STATE* state) {
  if (!state) return E_POINTER;
  *state = state_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE BaseFilter::SetSyncSource(IReferenceClock* clock) {
  zelvo::com::ComPtr<IReferenceClock> incoming(clock);
  {
    CritSecLock lock(infoLock_);
    std::swap(clock_, incoming);
  }
  return S_OK;  // the old clock is released here, outside the lock
}

HRESULT STDMETHODCALLTYPE BaseFilter::GetSyncSource(IReferenceClock** clock) {
  if (!clock) return E_POINTER;
  CritSecLock lock(infoLock_);
  return clock_.copy_to(clock);
}

HRESULT STDMETHODCALLTYPE BaseFilter::EnumPins(IEnumPins** pins) {
  return CreatePinEnumerator(this, 0, pins);
}

HRESULT STDMETHODCALLTYPE BaseFilter::FindPin(LPCWSTR id, IPin** pin) {
  if (!id || !pin) return E_POINTER;
  *pin = nullptr;
  for (int i = 0; i < GetPinCount(); ++i) {
    BasePin* candidate = GetPin(i);
    if (candidate && candidate->Name() == id) {
      *pin = candidate;
      candidate->AddRef();
      return S_OK;
    }
  }
  return VFW_E_NOT_FOUND;
}

HRESULT STDMETHODCALLTYPE BaseFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (!info) return E_POINTER;
  CritSecLock lock(infoLock_);
  std::memset(info, 0, sizeof(*info));
  lstrcpynW(info->achName, name_.c_str(), MAX_FILTER_NAME);
  info->pGraph = graph_;
  if (graph_) graph_->AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE BaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  CritSecLock state(filterLock_);
  // Held without a reference: the graph owns the filter.
  IMediaEventSink* sink = nullptr;
  if (graph && SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink))))
    sink->Release();
  else
    sink = nullptr;
  CritSecLock lock(infoLock_);
  graph_ = graph;
  eventSink_ = sink;
  name_ = name ? name : L"";
  return S_OK;
}

IFilterGraph* BaseFilter::Graph() const {
  CritSecLock lock(infoLock_);
  return graph_;
}

HRESULT STDMETHODCALLTYPE BaseFilter::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

HRESULT BaseFilter::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2) {
  IMediaEventSink* sink;
  {
    CritSecLock lock(infoLock_);
    sink = eventSink_;
  }
  if (!sink) return E_NOTIMPL;
  return sink->Notify(code, param1, param2);
}

}  // namespace effects::dshow
