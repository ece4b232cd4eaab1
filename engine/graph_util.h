// Small DirectShow helpers the graph building shares: adding and removing
// filters, finding pins, the two connection primitives, and removing the
// chain of filters downstream of a pin.
#pragma once

#include <dshow.h>

#include <string>

#include "common/com/com_ptr.h"

namespace tessel {

using zelvo::com::ComPtr;

// Frees what a media type holds (format block, unknown), and a type the
// callee allocated (enumerators) with it.
void FreeMediaType(AM_MEDIA_TYPE& type);
void DeleteMediaType(AM_MEDIA_TYPE* type);

// Creates the filter clsid and adds it to graph under name.
HRESULT AddFilterByClsid(IGraphBuilder* graph, REFCLSID clsid, const wchar_t* name, ComPtr<IBaseFilter>& filter);
// Removes filter from whatever graph it is in (nothing when it is in none).
void RemoveFromGraph(IBaseFilter* filter);

// The index-th pin of the given direction; with unconnectedOnly, only pins
// without a connection count.
ComPtr<IPin> FindPin(IBaseFilter* filter, PIN_DIRECTION direction, bool unconnectedOnly, int index = 0);
bool IsPinConnected(IPin* pin);
// The filter that owns pin.
ComPtr<IBaseFilter> PinOwner(IPin* pin);
// The filter on the other side of pin's connection (null when unconnected).
ComPtr<IBaseFilter> PeerFilter(IPin* pin);

// Connects output to the first free input pin of target that takes it,
// through the graph builder (intelligent) or directly. A target without
// free input pins counts as done.
HRESULT ConnectPinToFilter(IGraphBuilder* graph, IPin* output, IBaseFilter* target, bool direct);
// Connects the first free output pin of source that can be connected to target.
HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* source, IBaseFilter* target, bool direct);

// Removes from graph every filter reachable downstream of output's
// connection (the graph offers no chain removal of its own everywhere).
void RemoveChainDownstream(IGraphBuilder* graph, IPin* output);

// Removes every filter of graph none of whose pins is connected.
void RemoveUnconnectedFilters(IGraphBuilder* graph);

// The decoder of a chain the graph built by itself: walking upstream from
// renderer, the filter nearest to source whose output samples are larger
// than its input samples (decoded pictures and sound are).
ComPtr<IBaseFilter> FindUpstreamDecoder(IBaseFilter* renderer, IPin* source);

// The filter's name from its FILTER_INFO.
std::wstring FilterName(IBaseFilter* filter);

}  // namespace tessel
