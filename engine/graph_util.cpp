#include "engine/graph_util.h"

#include <vector>

namespace tessel {

void FreeMediaType(AM_MEDIA_TYPE& type) {
  if (type.cbFormat && type.pbFormat) CoTaskMemFree(type.pbFormat);
  type.pbFormat = nullptr;
  type.cbFormat = 0;
  if (type.pUnk) type.pUnk->Release();
  type.pUnk = nullptr;
}

void DeleteMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return;
  FreeMediaType(*type);
  CoTaskMemFree(type);
}

HRESULT AddFilterByClsid(IGraphBuilder* graph, REFCLSID clsid, const wchar_t* name, ComPtr<IBaseFilter>& filter) {
  filter = nullptr;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.put_void());
  if (FAILED(hr)) return hr;
  hr = graph->AddFilter(filter.get(), name);
  if (FAILED(hr)) filter = nullptr;
  return hr;
}

void RemoveFromGraph(IBaseFilter* filter) {
  if (!filter) return;
  FILTER_INFO info = {};
  if (SUCCEEDED(filter->QueryFilterInfo(&info)) && info.pGraph) {
    info.pGraph->RemoveFilter(filter);
    info.pGraph->Release();
  }
}

bool IsPinConnected(IPin* pin) {
  if (!pin) return false;
  ComPtr<IPin> peer;
  return SUCCEEDED(pin->ConnectedTo(peer.put())) && peer;
}

ComPtr<IPin> FindPin(IBaseFilter* filter, PIN_DIRECTION direction, bool unconnectedOnly, int index) {
  ComPtr<IPin> found;
  if (!filter) return found;
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.put())) || !pins) return found;
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.put(), nullptr) == S_OK) {
    PIN_DIRECTION dir;
    if (FAILED(pin->QueryDirection(&dir)) || dir != direction) continue;
    if (unconnectedOnly && IsPinConnected(pin.get())) continue;
    if (index-- == 0) return pin;
  }
  return found;
}

ComPtr<IBaseFilter> PinOwner(IPin* pin) {
  ComPtr<IBaseFilter> owner;
  PIN_INFO info = {};
  if (pin && SUCCEEDED(pin->QueryPinInfo(&info)) && info.pFilter) owner.attach(info.pFilter);
  return owner;
}

ComPtr<IBaseFilter> PeerFilter(IPin* pin) {
  ComPtr<IPin> peer;
  if (!pin || FAILED(pin->ConnectedTo(peer.put())) || !peer) return ComPtr<IBaseFilter>();
  return PinOwner(peer.get());
}

HRESULT ConnectPinToFilter(IGraphBuilder* graph, IPin* output, IBaseFilter* target, bool direct) {
  if (!graph || !output || !target) return E_POINTER;
  HRESULT last = S_OK;
  bool anyInput = false;
  for (int i = 0;; ++i) {
    ComPtr<IPin> input = FindPin(target, PINDIR_INPUT, true, i);
    if (!input) break;
    anyInput = true;
    last = direct ? graph->ConnectDirect(output, input.get(), nullptr) : graph->Connect(output, input.get());
    if (SUCCEEDED(last)) return last;
  }
  return anyInput ? last : S_OK;
}

HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* source, IBaseFilter* target, bool direct) {
  if (!source || !target) return E_POINTER;
  HRESULT last = VFW_E_NOT_CONNECTED;
  for (int i = 0;; ++i) {
    ComPtr<IPin> output = FindPin(source, PINDIR_OUTPUT, true, i);
    if (!output) break;
    last = ConnectPinToFilter(graph, output.get(), target, direct);
    if (SUCCEEDED(last)) return last;
  }
  return last;
}

namespace {

void CollectDownstream(IBaseFilter* filter, std::vector<ComPtr<IBaseFilter>>& found, int depth) {
  if (!filter || depth > 64) return;
  for (auto& f : found)
    if (f.get() == filter) return;
  found.emplace_back(filter);
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.put())) || !pins) return;
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.put(), nullptr) == S_OK) {
    PIN_DIRECTION dir;
    if (FAILED(pin->QueryDirection(&dir)) || dir != PINDIR_OUTPUT) continue;
    ComPtr<IBaseFilter> next = PeerFilter(pin.get());
    if (next) CollectDownstream(next.get(), found, depth + 1);
  }
}

}  // namespace

void RemoveChainDownstream(IGraphBuilder* graph, IPin* output) {
  ComPtr<IBaseFilter> first = PeerFilter(output);
  if (!graph || !first) return;
  std::vector<ComPtr<IBaseFilter>> chain;
  CollectDownstream(first.get(), chain, 0);
  for (auto& f : chain) graph->RemoveFilter(f.get());
}

void RemoveUnconnectedFilters(IGraphBuilder* graph) {
  if (!graph) return;
  std::vector<ComPtr<IBaseFilter>> idle;
  ComPtr<IEnumFilters> filters;
  if (FAILED(graph->EnumFilters(filters.put())) || !filters) return;
  ComPtr<IBaseFilter> filter;
  while (filters->Next(1, filter.put(), nullptr) == S_OK) {
    bool connected = false;
    ComPtr<IEnumPins> pins;
    if (SUCCEEDED(filter->EnumPins(pins.put())) && pins) {
      ComPtr<IPin> pin;
      while (!connected && pins->Next(1, pin.put(), nullptr) == S_OK) connected = IsPinConnected(pin.get());
    }
    if (!connected) idle.push_back(filter);
  }
  for (auto& f : idle) graph->RemoveFilter(f.get());
}

namespace {

// The fixed sample size of pin's connection (0 when samples vary); false
// when the pin has no valid connection type.
bool ConnectionSampleSize(IPin* pin, unsigned long* size) {
  AM_MEDIA_TYPE mt = {};
  if (!pin || FAILED(pin->ConnectionMediaType(&mt))) return false;
  bool valid = mt.majortype != GUID_NULL;
  *size = mt.bFixedSizeSamples ? mt.lSampleSize : 0;
  FreeMediaType(mt);
  return valid;
}

}  // namespace

ComPtr<IBaseFilter> FindUpstreamDecoder(IBaseFilter* renderer, IPin* source) {
  ComPtr<IBaseFilter> found;
  ComPtr<IBaseFilter> filter(renderer);
  for (int depth = 0; filter && depth < 32; ++depth) {
    ComPtr<IPin> input = FindPin(filter.get(), PINDIR_INPUT, false);
    ComPtr<IPin> output = FindPin(filter.get(), PINDIR_OUTPUT, false);
    unsigned long in = 0, out = 0;
    if (ConnectionSampleSize(input.get(), &in) && ConnectionSampleSize(output.get(), &out) && out > in) found = filter;
    ComPtr<IPin> upstream;
    if (!input || FAILED(input->ConnectedTo(upstream.put())) || !upstream || upstream.get() == source) break;
    filter = PinOwner(upstream.get());
  }
  return found;
}

std::wstring FilterName(IBaseFilter* filter) {
  FILTER_INFO info = {};
  if (!filter || FAILED(filter->QueryFilterInfo(&info))) return std::wstring();
  if (info.pGraph) info.pGraph->Release();
  return info.achName;
}

}  // namespace tessel
