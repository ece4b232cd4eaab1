#include "avirepair/skarn/skarner.h"

#include <oleauto.h>

#include <new>

#include "avirepair/files/system_files.h"

namespace skarn {

using zelvo::com::CritSecLock;

// The run's view of the object: progress goes to percent under the lock,
// cancellation comes from the flag that mirrors the cancel event. The run
// asks once per chunk, and a wait on the event costs a trip to the system
// (under Wine to its server) each time.
class Skarner::RunObserver final : public avirepair::RepairObserver {
 public:
  explicit RunObserver(Skarner& owner) : owner_(owner) {}
  void OnProgress(int percent) override {
    CritSecLock hold(owner_.lock_);
    owner_.percent_ = percent;
  }
  bool CancelRequested() override { return InterlockedCompareExchange(&owner_.cancelRequested_, 0, 0) != 0; }

 private:
  Skarner& owner_;
};

namespace {

std::string Narrow(BSTR text) {
  if (!text || !*text) return std::string();
  int wide = int(SysStringLen(text));
  int bytes = WideCharToMultiByte(CP_ACP, 0, text, wide, nullptr, 0, nullptr, nullptr);
  std::string out(size_t(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, text, wide, &out[0], bytes, nullptr, nullptr);
  return out;
}

}  // namespace

HRESULT Skarner::Create(IUnknown* outer, REFIID iid, void** out) {
  auto* object = new (std::nothrow) Skarner();
  if (!object) return E_OUTOFMEMORY;
  HRESULT hr = object->Init();
  if (FAILED(hr)) {
    object->NonDelegatingRelease();
    return hr;
  }
  return zelvo::com::FinishCreate(object, iid, out);
}

Skarner::Skarner()
    : UnknownBase(nullptr),
      cancelEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      idleEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

HRESULT Skarner::Init() {
  if (!cancelEvent_ || !idleEvent_ || !queue_.Valid()) return E_FAIL;
  thread_.reset(CreateThread(nullptr, 0, &Skarner::WorkerMain, this, 0, nullptr));
  if (!thread_) return E_FAIL;
  InterlockedExchange(&cancelRequested_, 0);
  ResetEvent(cancelEvent_.get());
  SetEvent(idleEvent_.get());
  completed_ = 0;
  return S_OK;
}

Skarner::~Skarner() {
  if (thread_) {
    Cancel();
    queue_.Put({kRequestExit, 0, 0, nullptr});
    WaitForSingleObject(thread_.get(), INFINITE);
    DWORD exitCode = 0;
    GetExitCodeThread(thread_.get(), &exitCode);
  }
}

HRESULT STDMETHODCALLTYPE Skarner::NonDelegatingQueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_ISkarner) || IsEqualIID(iid, IID_IDispatch))
    return GetInterface(static_cast<ISkarner*>(this), out);
  if (IsEqualIID(iid, IID_ISkarnerResult)) return GetInterface(static_cast<ISkarnerResult*>(this), out);
  return UnknownBase::NonDelegatingQueryInterface(iid, out);
}

DWORD WINAPI Skarner::WorkerMain(void* param) {
  auto* self = static_cast<Skarner*>(param);
  HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  for (;;) {
    Request request = self->queue_.Take();
    if (request.code == kRequestExit) break;
    if (request.code == kRequestRepair) self->RunRequestedRepair();
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return 0;
}

void Skarner::RunRequestedRepair() {
  ResetEvent(idleEvent_.get());
  std::string input, output;
  {
    CritSecLock hold(lock_);
    completed_ = 0;
    percent_ = 0;
    input = inputPath_;
    output = outputPath_;
  }
  RunObserver observer(*this);
  avirepair::RepairResult result;
  // A request taken while the cancel event is signalled was cancelled
  // before it began (Cancel, or destruction, came after StartFix): the files
  // are not touched. Checked after the idle event is reset, so a Cancel that
  // found the object idle has signalled the event by now.
  if (observer.CancelRequested()) {
    result.code = avirepair::kResultUnexpected;
    result.reason = "the repair was cancelled";
  } else {
    result = avirepair::RunRepair(avirepair::SystemFiles(), input, output, &observer, nullptr);
  }
  {
    CritSecLock hold(lock_);
    if (WaitForSingleObject(cancelEvent_.get(), 0) != WAIT_OBJECT_0) completed_ = 1;
    result_ = result;
    hasResult_ = true;
  }
  SetEvent(idleEvent_.get());
}

HRESULT STDMETHODCALLTYPE Skarner::StartFix() {
  // While a run is in progress the request is ignored.
  if (WaitForSingleObject(idleEvent_.get(), 0) == WAIT_OBJECT_0) {
    InterlockedExchange(&cancelRequested_, 0);
    ResetEvent(cancelEvent_.get());
    {
      // Until the worker takes the request, the last run's completion must
      // not be read as this one's.
      CritSecLock hold(lock_);
      completed_ = 0;
      percent_ = 0;
      hasResult_ = false;
    }
    queue_.Put({kRequestRepair, 0, 0, nullptr});
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Skarner::Cancel() {
  InterlockedExchange(&cancelRequested_, 1);
  SetEvent(cancelEvent_.get());
  WaitForSingleObject(idleEvent_.get(), INFINITE);
  CritSecLock hold(lock_);
  percent_ = 0;
  completed_ = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Skarner::SetInputFile(BSTR bstrInputFile) {
  std::string path = Narrow(bstrInputFile);
  CritSecLock hold(lock_);
  inputPath_ = path;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Skarner::SetOutputFile(BSTR bstrOutputFile) {
  std::string path = Narrow(bstrOutputFile);
  CritSecLock hold(lock_);
  outputPath_ = path;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Skarner::GetPercentComplete(LONG* pPercent) {
  if (!pPercent) return E_POINTER;
  CritSecLock hold(lock_);
  *pPercent = percent_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Skarner::IsCompleted(VARIANT_BOOL* bCompleted) {
  if (!bCompleted) return E_POINTER;
  CritSecLock hold(lock_);
  *bCompleted = VARIANT_BOOL(completed_);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE Skarner::GetResult(LONG* phrResult, BSTR* pbstrReason) {
  if (!phrResult || !pbstrReason) return E_POINTER;
  std::string reason;
  bool has;
  {
    CritSecLock hold(lock_);
    has = hasResult_;
    *phrResult = has ? LONG(result_.code) : 0;
    reason = has ? result_.reason : std::string();
  }
  // The reasons carry the system's messages, which come in the ANSI code page.
  int chars = MultiByteToWideChar(CP_ACP, 0, reason.c_str(), int(reason.size()), nullptr, 0);
  *pbstrReason = SysAllocStringLen(nullptr, UINT(chars));
  if (!*pbstrReason) return E_OUTOFMEMORY;
  if (chars) MultiByteToWideChar(CP_ACP, 0, reason.c_str(), int(reason.size()), *pbstrReason, chars);
  return has ? S_OK : S_FALSE;
}

}  // namespace skarn
