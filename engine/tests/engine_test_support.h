// Shared pieces of the engine tests: Tessel.dll loaded from beside the test
// program and asked for a MediaEngine through its own class factory, the
// clips made by make-media.sh, a recording EngineNotify, the "Video
// Effects" filter made available to this process only, and waits that keep
// the thread's messages flowing.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <functional>
#include <string>

#include "common/com/com_ptr.h"
#include "tessel.h"

namespace tessel::testing {

using zelvo::com::ComPtr;

// The media folder given on the command line, as a Windows path.
void SetMediaFolder(const char* unixPath);
std::wstring Media(const char* name);

// Tessel.dll beside the test program.
std::wstring ProgramFolder();
HRESULT CreateEngine(IMediaEngine** engine, IUnknown* outer = nullptr, REFIID iid = IID_IMediaEngine);
HRESULT TesselCanUnloadNow();

// Makes CoCreateInstance of the "Video Effects" class in this process reach
// VideoEffects.dll beside the test program (true), or fail as for a class
// that is not registered (false), whatever the registry holds.
void ProvideVideoEffects(bool available);

// Makes CoCreateInstance of clsid in this process fail as for a class that
// is not registered (refuse), or reach the registry again.
void RefuseClass(REFCLSID clsid, bool refuse);

// Dispatches messages until done() or the time is up; gives done().
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD ms);

// Counts OnComplete calls; answers with result.
class CompletionRecorder final : public EngineNotify {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&refs_); }
  HRESULT STDMETHODCALLTYPE OnComplete() override;

  long Count() const { return count_; }
  DWORD LastTick() const { return lastTick_; }
  volatile HRESULT result = S_OK;
  volatile LONG refs_ = 1;

 private:
  volatile LONG count_ = 0;
  volatile DWORD lastTick_ = 0;
};

// The graph the engine registered in the running object table.
ComPtr<IFilterGraph> FindEngineGraph(IMediaEngine* engine);
ComPtr<IBaseFilter> FindFilter(IFilterGraph* graph, const wchar_t* name);
int CountFilters(IFilterGraph* graph);

// The engine's six interfaces, queried once.
struct Engine {
  ComPtr<IMediaEngine> engine;
  ComPtr<IMediaStreams> streams;
  ComPtr<IDecoderSelector> decoders;
  ComPtr<IPropertyPages> pages;
  ComPtr<IOverlayBmp> overlay;
  ComPtr<ISubtitles> subtitles;
  HRESULT Create();
  HRESULT Open(const char* clip);
  long EngineStateOf() const;
  LONGLONG Position() const;
  // Waits until the position stops moving: the graph is paused or stopped.
  OAFilterState GraphState();
};

BSTR Bstr(const std::wstring& text);

}  // namespace tessel::testing
