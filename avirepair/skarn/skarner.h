// The Skarner COM object: AVI repair on a worker thread of its own, driven
// through ISkarner (dual) and reporting its outcome through ISkarnerResult.
#pragma once

#include <windows.h>

#include <string>

#include "avirepair/core/repair_run.h"
#include "avirepair/skarn/request_queue.h"
#include "common/com/dispatch.h"
#include "common/com/handles.h"
#include "common/com/server.h"
#include "skarn.h"

namespace skarn {

class Skarner final : public zelvo::com::UnknownBase,
                      public zelvo::com::DualDispatch<ISkarner, IID_ISkarner>,
                      public ISkarnerResult {
 public:
  static HRESULT Create(IUnknown* outer, REFIID iid, void** out);

  ZELVO_DELEGATING_IUNKNOWN
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override;

  // ISkarner
  HRESULT STDMETHODCALLTYPE StartFix() override;
  HRESULT STDMETHODCALLTYPE Cancel() override;
  HRESULT STDMETHODCALLTYPE SetInputFile(BSTR bstrInputFile) override;
  HRESULT STDMETHODCALLTYPE SetOutputFile(BSTR bstrOutputFile) override;
  HRESULT STDMETHODCALLTYPE GetPercentComplete(LONG* pPercent) override;
  HRESULT STDMETHODCALLTYPE IsCompleted(VARIANT_BOOL* bCompleted) override;

  // ISkarnerResult
  HRESULT STDMETHODCALLTYPE GetResult(LONG* phrResult, BSTR* pbstrReason) override;

 private:
  class RunObserver;

  Skarner();
  ~Skarner() override;
  HRESULT Init();
  static DWORD WINAPI WorkerMain(void* self);
  void RunRequestedRepair();

  zelvo::com::CriticalSection lock_;  // guards the fields below that both threads touch
  zelvo::com::KernelHandle cancelEvent_;  // manual reset; signalled: cancellation requested
  volatile LONG cancelRequested_ = 0;     // 1 while cancelEvent_ is signalled, set and cleared with it
  zelvo::com::KernelHandle idleEvent_;    // manual reset; signalled: no repair is running
  std::string inputPath_, outputPath_;
  LONG percent_ = 0;
  LONG completed_ = 0;
  bool hasResult_ = false;
  avirepair::RepairResult result_;
  RequestQueue queue_;
  zelvo::com::KernelHandle thread_;
};

}  // namespace skarn
