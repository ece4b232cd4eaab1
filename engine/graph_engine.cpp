#include "engine/graph_engine.h"

#include <cmath>

#include "engine/core/transport_rules.h"
#include "engine/graph_util.h"

namespace tessel {

namespace {

// {E06D802D-DB46-11CF-B4D1-00805F6CBBEA}
const GUID kDvdSubpicture = {0xE06D802D, 0xDB46, 0x11CF, {0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA}};
// {187463A0-5BB7-11D3-ACBE-0080C75E246E}
const CLSID kWmAsfReader = {0x187463A0, 0x5BB7, 0x11D3, {0xAC, 0xBE, 0x00, 0x80, 0xC7, 0x5E, 0x24, 0x6E}};

constexpr DWORD kPollIntervalMs = 100;
// The event queue is read this often, so the end of a file is noticed
// soon after the graph reports it while the poll keeps its 100 ms pace.
constexpr DWORD kEventCheckMs = 20;
constexpr DWORD kStopGiveUpMs = 5000;

// Waits for handle on a thread that owns windows: messages other threads
// send to those windows are dispatched meanwhile.
DWORD WaitDispatchingSent(HANDLE handle, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    DWORD left = timeoutMs == INFINITE ? INFINITE : (elapsed >= timeoutMs ? 0 : timeoutMs - elapsed);
    DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_SENDMESSAGE);
    if (r != WAIT_OBJECT_0 + 1) return r;
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

enum class PinKind { kNone, kVideo, kAudio };

PinKind DecidePinKind(IPin* pin) {
  ComPtr<IEnumMediaTypes> types;
  if (FAILED(pin->EnumMediaTypes(types.put())) || !types) return PinKind::kNone;
  AM_MEDIA_TYPE* mt = nullptr;
  PinKind kind = PinKind::kNone;
  while (kind == PinKind::kNone && types->Next(1, &mt, nullptr) == S_OK) {
    if (mt->majortype == MEDIATYPE_Video && mt->subtype != kDvdSubpicture) kind = PinKind::kVideo;
    else if (mt->majortype == MEDIATYPE_Audio) kind = PinKind::kAudio;
    DeleteMediaType(mt);
    mt = nullptr;
  }
  return kind;
}

}  // namespace

// The graph lock taken on the worker thread.
class WorkerLock {
 public:
  explicit WorkerLock(GraphEngine& engine) : engine_(engine) { engine_.LockGraph(); }
  ~WorkerLock() { engine_.UnlockGraph(); }
  WorkerLock(const WorkerLock&) = delete;
  WorkerLock& operator=(const WorkerLock&) = delete;

 private:
  GraphEngine& engine_;
};

GraphEngine::CallerLock::CallerLock(GraphEngine& engine) : engine_(engine) {
  while (!TryEnterCriticalSection(&engine_.graphLock_)) {
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_SENDMESSAGE) == WAIT_OBJECT_0) {
      MSG msg;
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
  }
}

GraphEngine::CallerLock::~CallerLock() { engine_.UnlockGraph(); }

GraphEngine::GraphEngine(const DecoderEnumerator* decoders) : decoders_(decoders) {
  InitializeCriticalSection(&graphLock_);
  InitializeCriticalSection(&threadLock_);
  InitializeCriticalSection(&notifyLock_);
  for (auto& e : commands_) e = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  backwardsMode_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  completedFlag_ = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  for (auto& e : done_) e = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  openLock_ = CreateEventW(nullptr, TRUE, TRUE, nullptr);
}

bool GraphEngine::Valid() const {
  for (HANDLE e : commands_)
    if (!e) return false;
  for (HANDLE e : done_)
    if (!e) return false;
  return backwardsMode_ && completedFlag_ && openLock_;
}

GraphEngine::~GraphEngine() {
  {
    CallerLock hold(*this);
    Teardown();
  }
  HANDLE thread;
  {
    EnterCriticalSection(&threadLock_);
    thread = thread_;
    thread_ = nullptr;
    LeaveCriticalSection(&threadLock_);
  }
  if (thread) {
    SetEvent(commands_[kQuit]);
    if (WaitDispatchingSent(thread, kCommandTimeoutMs) != WAIT_OBJECT_0) TerminateThread(thread, 0xFFFFFFFF);
    CloseHandle(thread);
  }
  for (HANDLE e : commands_)
    if (e) CloseHandle(e);
  for (HANDLE e : done_)
    if (e) CloseHandle(e);
  for (HANDLE e : {backwardsMode_, completedFlag_, openLock_})
    if (e) CloseHandle(e);
  if (notify_) notify_->Release();
  DeleteCriticalSection(&notifyLock_);
  DeleteCriticalSection(&threadLock_);
  DeleteCriticalSection(&graphLock_);
}

void GraphEngine::SetNotify(EngineNotify* notify) {
  if (notify) notify->AddRef();
  EnterCriticalSection(&notifyLock_);
  EngineNotify* old = notify_;
  notify_ = notify;
  LeaveCriticalSection(&notifyLock_);
  if (old) old->Release();
}

StreamBranch* GraphEngine::Branch(long n) const {
  if (n < 0 || n >= count_) return nullptr;
  return streams_[n].get();
}

// ------------------------------------------------------------ open and teardown

HRESULT GraphEngine::Open(const std::wstring& name, uintptr_t ownerAddress) {
  WaitDispatchingSent(openLock_, INFINITE);
  ResetEvent(openLock_);
  CallerLock hold(*this);
  Teardown();
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL, IID_IGraphBuilder, graph_.put_void());
  if (SUCCEEDED(hr)) hr = BuildSource(name);
  HRESULT built = hr;
  if (SUCCEEDED(hr)) hr = QueryControls();
  if (SUCCEEDED(hr)) {
    RemoveUnconnectedFilters(graph_.get());
    // A file without a single stream that plays is no open file.
    if (count_ == 0) hr = E_FAIL;
  }
  if (FAILED(hr)) {
    Teardown();
    SetEvent(openLock_);
    return hr;
  }
  RegisterInRunningObjectTable(ownerAddress);
  InterlockedExchange(&initialized_, 1);
  seeking_->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
  engineState_ = core::kStateStopped;
  ResetEvent(backwardsMode_);
  SetEvent(completedFlag_);
  SetEvent(openLock_);
  return built;
}

HRESULT GraphEngine::BuildSource(const std::wstring& name) {
  if (name.empty()) return E_POINTER;
  HRESULT hr = AddFilterByClsid(graph_.get(), CLSID_AsyncReader, L"Source filter", source_);
  if (SUCCEEDED(hr)) {
    ComPtr<IFileSourceFilter> file;
    hr = source_.query(IID_IFileSourceFilter, file);
    if (SUCCEEDED(hr)) hr = file->Load(name.c_str(), nullptr);
  }
  if (SUCCEEDED(hr)) {
    ComPtr<IPin> pin = FindPin(source_.get(), PINDIR_OUTPUT, true);
    std::vector<DecoderCandidate> candidates;
    if (pin && decoders_) candidates = decoders_->ListCandidates(pin.get());
    if (candidates.empty()) return hr;
    for (const auto& c : candidates) {
      ComPtr<IBaseFilter> splitter;
      if (FAILED(AddFilterByClsid(graph_.get(), c.clsid, c.friendlyName.c_str(), splitter))) continue;
      if (FAILED(ConnectFilters(graph_.get(), source_.get(), splitter.get(), true))) continue;
      HRESULT streams = BuildStreams(splitter.get());
      if (SUCCEEDED(streams)) {
        splitter_ = splitter;
        return streams;
      }
      // Nothing played through it: it goes, its connection with it.
      RemoveFromGraph(splitter.get());
    }
  }
  // Whatever the file source could not open may still be a Windows Media file.
  source_ = nullptr;
  hr = AddFilterByClsid(graph_.get(), kWmAsfReader, L"Source filter", source_);
  if (FAILED(hr)) return hr;
  ComPtr<IFileSourceFilter> file;
  hr = source_.query(IID_IFileSourceFilter, file);
  if (SUCCEEDED(hr)) hr = file->Load(name.c_str(), nullptr);
  if (FAILED(hr)) return hr;
  return BuildStreams(source_.get());
}

HRESULT GraphEngine::BuildStreams(IBaseFilter* filter) {
  std::vector<ComPtr<IPin>> pins;
  for (int i = 0;; ++i) {
    ComPtr<IPin> pin = FindPin(filter, PINDIR_OUTPUT, true, i);
    if (!pin) break;
    pins.push_back(pin);
  }
  int built = 0, failed = 0;
  HRESULT last = E_FAIL;
  for (auto& pin : pins) {
    // Output pins past the table's size are left unconnected.
    if (count_ >= kMaxStreams) break;
    PinKind kind = DecidePinKind(pin.get());
    if (kind == PinKind::kNone) continue;
    std::unique_ptr<StreamBranch> branch;
    if (kind == PinKind::kVideo) branch.reset(new VideoBranch(graph_.get(), decoders_, useVideoEffects_));
    else branch.reset(new AudioBranch(graph_.get(), decoders_));
    last = branch->Connect(pin.get());
    if (FAILED(last)) {
      branch->Disconnect();
      branch->Destroy();
      ++failed;
      continue;
    }
    streams_[count_++] = std::move(branch);
    ++built;
  }
  if (built == 0) return E_FAIL;
  // The streams that work play; the others (a sound device missing, say)
  // are reported as a partial success.
  return failed ? VFW_S_PARTIAL_RENDER : S_OK;
}

HRESULT GraphEngine::QueryControls() {
  HRESULT hr;
  if (FAILED(hr = graph_.query(IID_IMediaControl, control_))) return hr;
  if (FAILED(hr = graph_.query(IID_IMediaSeeking, seeking_))) return hr;
  if (FAILED(hr = graph_.query(IID_IMediaEventEx, events_))) return hr;
  if (FAILED(hr = graph_.query(IID_IGraphConfig, config_))) return hr;
  if (FAILED(hr = graph_.query(IID_IVideoWindow, videoWindow_))) return hr;
  if (FAILED(hr = graph_.query(IID_IBasicVideo, basicVideo_))) return hr;
  // Not every platform has frame stepping (nor chain removal, which the
  // engine does itself): its absence is no reason to refuse a file.
  graph_.query(IID_IVideoFrameStep, frameStep_);
  return S_OK;
}

void GraphEngine::RegisterInRunningObjectTable(uintptr_t ownerAddress) {
  std::wstring item = core::GraphItemName(ownerAddress, GetCurrentProcessId());
  // A registration can fail the first time in a fresh profile; one more try,
  // and the open goes on either way.
  for (int attempt = 0; attempt < 2 && !rotCookie_; ++attempt) {
    ComPtr<IRunningObjectTable> rot;
    ComPtr<IMoniker> moniker;
    if (FAILED(GetRunningObjectTable(0, rot.put())) || !rot) continue;
    if (FAILED(CreateItemMoniker(L"!", item.c_str(), moniker.put())) || !moniker) continue;
    DWORD cookie = 0;
    if (SUCCEEDED(rot->Register(0, graph_.get(), moniker.get(), &cookie))) rotCookie_ = cookie;
  }
}

HRESULT GraphEngine::StopWaiting() {
  const DWORD start = GetTickCount();
  HRESULT hr = control_->Stop();
  while (hr == S_FALSE && GetTickCount() - start < kStopGiveUpMs) {
    Sleep(10);
    hr = control_->Stop();
  }
  return hr;
}

void GraphEngine::StopGraphSettled() {
  if (!control_) return;
  for (int i = 0; i < 10; ++i) {
    HRESULT hr = control_->Stop();
    OAFilterState state = State_Running;
    if (hr == S_OK && control_->GetState(0, &state) == S_OK && state == State_Stopped) return;
    Sleep(10);
  }
}

void GraphEngine::Teardown() {
  CallerLock hold(*this);
  StopGraphSettled();
  if (rotCookie_) {
    ComPtr<IRunningObjectTable> rot;
    if (SUCCEEDED(GetRunningObjectTable(0, rot.put())) && rot) rot->Revoke(rotCookie_);
    rotCookie_ = 0;
  }
  control_ = nullptr;
  seeking_ = nullptr;
  events_ = nullptr;
  config_ = nullptr;
  frameStep_ = nullptr;
  videoWindow_ = nullptr;
  basicVideo_ = nullptr;
  // The branches hold the splitter's pins, and some splitters free their
  // output pins when their input is disconnected: branches go first.
  for (int i = 0; i < count_; ++i) {
    streams_[i]->Destroy();
    streams_[i].reset();
  }
  count_ = 0;
  RemoveFromGraph(splitter_.get());
  RemoveFromGraph(source_.get());
  splitter_ = nullptr;
  source_ = nullptr;
  graph_ = nullptr;
  InterlockedExchange(&initialized_, 0);
  heldPosition_ = -1;
  engineState_ = core::kStateNoGraph;
  // Commands still pending were meant for the graph that is gone.
  for (int c = kPlay; c < kQuit; ++c) ResetEvent(commands_[c]);
  ResetEvent(backwardsMode_);
}

// ------------------------------------------------------------ branches

HRESULT GraphEngine::RebuildBranch(StreamBranch* branch) {
  CallerLock hold(*this);
  if (!branch || !graph_) return E_POINTER;
  StopGraphSettled();
  branch->Disconnect();
  ComPtr<IPin> pin(branch->SourcePin());
  return branch->Connect(pin.get());
}

HRESULT GraphEngine::EnableBranch(StreamBranch* branch, bool enable) {
  CallerLock hold(*this);
  if (!branch || !graph_) return E_POINTER;
  branch->enabled = enable;
  if (branch->Kind() == StreamKind::kAudio) {
    HRESULT hr = static_cast<AudioBranch*>(branch)->ApplyLevels();
    return FAILED(hr) ? hr : S_OK;
  }
  StopGraphSettled();
  if (enable) {
    if (branch->SourceConnected()) return S_OK;
    ComPtr<IPin> pin(branch->SourcePin());
    return branch->Connect(pin.get());
  }
  if (!branch->SourceConnected()) return S_OK;
  branch->Disconnect();
  return S_OK;
}

// ------------------------------------------------------------ posting

HRESULT GraphEngine::StartThread() {
  EnterCriticalSection(&threadLock_);
  HRESULT hr = S_OK;
  if (!thread_) {
    ResetEvent(commands_[kQuit]);
    thread_ = CreateThread(nullptr, 0, &GraphEngine::ThreadMain, this, 0, nullptr);
    if (!thread_) hr = E_FAIL;
  }
  LeaveCriticalSection(&threadLock_);
  return hr;
}

HRESULT GraphEngine::Post(Command command, bool wait) {
  if (command == kPlay || command == kPause || command == kStop) {
    ResetEvent(backwardsMode_);
    for (Command other : {kPlay, kPause, kStop})
      if (other != command) ResetEvent(commands_[other]);
  }
  if (FAILED(StartThread())) return E_FAIL;
  ResetEvent(done_[command]);
  SetEvent(commands_[command]);
  if (!wait) return S_OK;
  if (WaitDispatchingSent(done_[command], kCommandTimeoutMs) != WAIT_OBJECT_0) return VFW_E_TIMEOUT;
  return results_[command];
}

HRESULT GraphEngine::PostPlay(bool wait) { return Post(kPlay, wait); }
HRESULT GraphEngine::PostPause(bool wait) { return Post(kPause, wait); }

HRESULT GraphEngine::PostStop(bool wait) {
  // A stop from the caller is never the end of the stream.
  ResetEvent(completedFlag_);
  return Post(kStop, wait);
}

HRESULT GraphEngine::PostSeek(LONGLONG position, bool wait) {
  InterlockedExchange64(&seekTarget_, position);
  return Post(kSeek, wait);
}

HRESULT GraphEngine::PostRate(double rate, bool wait) {
  rate_ = rate;
  return Post(kRate, wait);
}

HRESULT GraphEngine::PlayBackwards() {
  HRESULT hr = PostPause(true);
  if (FAILED(hr)) return hr;
  LONGLONG position = 0;
  if (FAILED(CurrentPosition(&position))) position = 0;
  InterlockedExchange64(&seekTarget_, position);
  SetEvent(backwardsMode_);
  return S_OK;
}

bool GraphEngine::InBackwardsMode() const { return WaitForSingleObject(backwardsMode_, 0) == WAIT_OBJECT_0; }

long GraphEngine::QueryState(DWORD timeoutMs) {
  WorkerLock hold(*this);
  if (!control_) return engineState_ = core::kStateNoGraph;
  OAFilterState state = State_Stopped;
  HRESULT hr = control_->GetState(timeoutMs, &state);
  return engineState_ = core::EngineStateFromQuery(hr, long(state));
}

HRESULT GraphEngine::CurrentPosition(LONGLONG* position) {
  CallerLock hold(*this);
  if (!seeking_) return E_INVALIDARG;
  if (heldPosition_ >= 0) {
    *position = heldPosition_;
    return S_OK;
  }
  return seeking_->GetCurrentPosition(position);
}

// ------------------------------------------------------------ worker

DWORD WINAPI GraphEngine::ThreadMain(void* self) {
  HRESULT init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  static_cast<GraphEngine*>(self)->Run();
  if (SUCCEEDED(init)) CoUninitialize();
  return 0;
}

void GraphEngine::Run() {
  HANDLE events[kCommandCount];
  for (int i = 0; i < kCommandCount; ++i) events[i] = commands_[i];
  DWORD nextPoll = GetTickCount() + kPollIntervalMs;
  for (;;) {
    DWORD now = GetTickCount();
    LONG untilPoll = LONG(nextPoll - now);
    DWORD timeout = untilPoll <= 0 ? 0 : DWORD(untilPoll) < kEventCheckMs ? DWORD(untilPoll) : kEventCheckMs;
    DWORD r = WaitForMultipleObjects(kCommandCount, events, FALSE, timeout);
    if (r >= WAIT_OBJECT_0 && r < WAIT_OBJECT_0 + kQuit) {
      const int c = int(r - WAIT_OBJECT_0);
      HRESULT hr = E_FAIL;
      switch (c) {
        case kPlay: hr = HandlePlay(); break;
        case kPause: hr = HandlePause(); break;
        case kStop: hr = HandleStop(); break;
        case kSeek: hr = HandleSeek(); break;
        case kRate: hr = HandleRate(); break;
        default: break;
      }
      results_[c] = hr;
      SetEvent(done_[c]);
      continue;
    }
    if (r == WAIT_OBJECT_0 + kQuit) return;
    if (r != WAIT_TIMEOUT) break;  // the wait itself failed
    if (DrainEvents()) {
      EndOfStream();
      nextPoll = GetTickCount() + kPollIntervalMs;
      continue;
    }
    if (LONG(GetTickCount() - nextPoll) >= 0) {
      Poll();
      nextPoll = GetTickCount() + kPollIntervalMs;
    }
  }
  // Leaving without a quit: the next post starts a new thread.
  EnterCriticalSection(&threadLock_);
  if (thread_) {
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  LeaveCriticalSection(&threadLock_);
}

HRESULT GraphEngine::HandlePlay() {
  WorkerLock hold(*this);
  if (!control_ || !initialized_) return E_FAIL;
  heldPosition_ = -1;
  engineState_ = core::kStateRunning;
  HRESULT hr = control_->Run();
  if (FAILED(hr)) {
    engineState_ = core::kStateError;
    return hr;
  }
  ResetEvent(completedFlag_);
  if (feed_) feed_->OnPlay();
  // S_FALSE only says some filter is still on its way to running.
  return S_OK;
}

HRESULT GraphEngine::HandlePause() {
  WorkerLock hold(*this);
  if (!control_ || !initialized_) return E_FAIL;
  heldPosition_ = -1;
  HRESULT hr = control_->Pause();
  if (FAILED(hr)) {
    engineState_ = core::kStateError;
    return hr;
  }
  engineState_ = core::kStateTransition;
  return S_OK;
}

HRESULT GraphEngine::HandleStop() {
  WorkerLock hold(*this);
  // The file may have been closed after its end was reported.
  if (!control_ || !initialized_) return S_FALSE;
  HRESULT hr = StopWaiting();
  if (FAILED(hr)) {
    engineState_ = core::kStateError;
    return hr;
  }
  engineState_ = core::kStateStopped;
  const bool completed = WaitForSingleObject(completedFlag_, 0) == WAIT_OBJECT_0;
  core::StopDecision d = core::DecideStop(rewindUponComplete != 0, repeat != 0, completed);
  heldPosition_ = -1;
  if (d.rewind) {
    LONGLONG zero = 0;
    seeking_->SetPositions(&zero, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    InterlockedExchange64(&seekTarget_, 0);
  }
  if (d.holdEndPosition) {
    // The stopped graph reads 0; the file's end is where playback stopped.
    LONGLONG duration = 0;
    if (SUCCEEDED(seeking_->GetDuration(&duration))) heldPosition_ = duration;
  }
  if (d.next == core::FollowUp::kPause) SetEvent(commands_[kPause]);
  if (d.next == core::FollowUp::kPlay) SetEvent(commands_[kPlay]);
  return hr == S_FALSE ? VFW_E_TIMEOUT : S_OK;
}

HRESULT GraphEngine::SeekSettled(LONGLONG target) {
  // Seeking a running or paused graph that holds sound and picture can
  // freeze some DirectShow implementations (Wine's among them: no end of
  // stream afterwards, and the next Stop never returns). Stopping first,
  // seeking, then returning to the previous state works everywhere.
  OAFilterState state = State_Stopped;
  control_->GetState(0, &state);
  if (state == State_Stopped)
    return seeking_->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  HRESULT hr = StopWaiting();
  if (FAILED(hr)) return hr;
  HRESULT seek = seeking_->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  HRESULT back = state == State_Running ? control_->Run() : control_->Pause();
  if (FAILED(seek)) return seek;
  return FAILED(back) ? back : S_OK;
}

HRESULT GraphEngine::HandleSeek() {
  WorkerLock hold(*this);
  if (!seeking_ || !control_ || !initialized_) return E_FAIL;
  heldPosition_ = -1;
  return SeekSettled(seekTarget_);
}

HRESULT GraphEngine::HandleRate() {
  WorkerLock hold(*this);
  if (!seeking_ || !initialized_) return E_FAIL;
  const double wanted = rate_;
  HRESULT hr = seeking_->SetRate(wanted);
  if (FAILED(hr)) return hr;
  // Some graphs accept a rate and keep playing at the old one: that is
  // reported, not passed off as done.
  double actual = 1.0;
  if (FAILED(seeking_->GetRate(&actual)) || std::fabs(actual - wanted) > 1e-9) return S_FALSE;
  return S_OK;
}

bool GraphEngine::DrainEvents() {
  WorkerLock hold(*this);
  if (!events_) return false;
  long code = 0;
  LONG_PTR p1 = 0, p2 = 0;
  while (events_->GetEvent(&code, &p1, &p2, 0) == S_OK) {
    events_->FreeEventParams(code, p1, p2);
    if (code == EC_COMPLETE) return true;
  }
  return false;
}

void GraphEngine::EndOfStream() {
  SetEvent(completedFlag_);
  SetEvent(commands_[kStop]);
  EnterCriticalSection(&notifyLock_);
  EngineNotify* notify = notify_;
  if (notify) notify->AddRef();
  LeaveCriticalSection(&notifyLock_);
  if (notify) {
    // A failing receiver does not end the reporting for later files.
    notify->OnComplete();
    notify->Release();
  }
}

void GraphEngine::Poll() {
  WorkerLock hold(*this);
  if (!initialized_) return;
  if (InBackwardsMode()) {
    bool atStart = false;
    LONGLONG target = core::BackwardTarget(seekTarget_, &atStart);
    PostSeek(target, false);
    if (atStart) ResetEvent(backwardsMode_);
  }
  if (QueryState(0) != core::kStateRunning || !feed_) return;
  LONGLONG position = 0;
  if (SUCCEEDED(seeking_->GetCurrentPosition(&position))) feed_->OnPoll(*this, position);
}

}  // namespace tessel
