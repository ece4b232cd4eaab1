// The filter graph of one open file and the worker thread that drives it.
//
// Threads and locks. The caller's (apartment) thread opens, tears down and
// rebuilds the graph and posts transport commands; the worker thread runs
// the commands, watches for the end of the stream and feeds subtitles.
// graphLock_ guards the graph, its interfaces and the stream table; every
// handler, the poll and every caller-side use hold it. It is never held
// while waiting for a command to complete or while calling out to the
// player (EngineNotify). On the caller's thread it is taken while
// dispatching sent messages, so a renderer window that sends to the
// player's windows while the worker holds the lock cannot deadlock.
#pragma once

#include <dshow.h>

#include <memory>
#include <string>
#include <vector>

#include "common/com/com_ptr.h"
#include "common/com/handles.h"
#include "engine/decoder_enumerator.h"
#include "engine/stream_branch.h"
#include "tessel.h"

namespace tessel {

constexpr int kMaxStreams = 20;
constexpr DWORD kCommandTimeoutMs = 5000;

// The worker's hook for subtitles: called under the graph lock.
class SubtitleFeed {
 public:
  virtual ~SubtitleFeed() = default;
  // Playback (re)started: the font may be made anew.
  virtual void OnPlay() = 0;
  // Running at position: hand the due entry to the video branches.
  virtual void OnPoll(class GraphEngine& engine, LONGLONG position) = 0;
};

class GraphEngine {
 public:
  explicit GraphEngine(const DecoderEnumerator* decoders);
  ~GraphEngine();
  GraphEngine(const GraphEngine&) = delete;
  GraphEngine& operator=(const GraphEngine&) = delete;

  bool Valid() const;

  // Holds the graph lock on the caller's thread.
  class CallerLock {
   public:
    explicit CallerLock(GraphEngine& engine);
    ~CallerLock();
    CallerLock(const CallerLock&) = delete;
    CallerLock& operator=(const CallerLock&) = delete;

   private:
    GraphEngine& engine_;
  };

  // Builds the graph for name (teardown of the old one first).
  HRESULT Open(const std::wstring& name, uintptr_t ownerAddress);
  void Teardown();
  bool Initialized() const { return initialized_ != 0; }

  // Transport, posted to the worker. With wait, the command's own result
  // (VFW_E_TIMEOUT when it did not complete in time).
  HRESULT PostPlay(bool wait = true);
  HRESULT PostPause(bool wait = true);
  HRESULT PostStop(bool wait = true);
  HRESULT PostSeek(LONGLONG position, bool wait = true);
  HRESULT PostRate(double rate, bool wait = true);
  HRESULT PlayBackwards();
  bool InBackwardsMode() const;
  long EngineState() const { return engineState_; }
  // Refreshes and returns EngineState from the graph.
  long QueryState(DWORD timeoutMs);

  // Position for the caller: where the rules leave it at the end of the
  // file it reads the end, although the stopped graph reads 0.
  HRESULT CurrentPosition(LONGLONG* position);

  // Stream table (hold the lock while using a branch).
  int Count() const { return count_; }
  StreamBranch* Branch(long n) const;
  HRESULT RebuildBranch(StreamBranch* branch);
  HRESULT EnableBranch(StreamBranch* branch, bool enable);

  IMediaControl* Control() const { return control_.get(); }
  IMediaSeeking* Seeking() const { return seeking_.get(); }
  IVideoFrameStep* FrameStep() const { return frameStep_.get(); }
  IGraphBuilder* Graph() const { return graph_.get(); }

  void SetNotify(EngineNotify* notify);
  void SetSubtitleFeed(SubtitleFeed* feed) { feed_ = feed; }
  void SetUseVideoEffects(bool use) { useVideoEffects_ = use; }
  bool UseVideoEffects() const { return useVideoEffects_; }

  volatile LONG rewindUponComplete = 0;
  volatile LONG repeat = 0;

 private:
  enum Command { kPlay, kPause, kStop, kSeek, kRate, kQuit, kCommandCount };

  HRESULT BuildSource(const std::wstring& name);
  HRESULT BuildStreams(IBaseFilter* filter);
  HRESULT QueryControls();
  void RegisterInRunningObjectTable(uintptr_t ownerAddress);
  void StopGraphSettled();
  // Stop, called again while the graph answers S_FALSE (still changing
  // state), for at most 5 s.
  HRESULT StopWaiting();

  HRESULT Post(Command command, bool wait);
  HRESULT StartThread();
  static DWORD WINAPI ThreadMain(void* self);
  void Run();
  HRESULT HandlePlay();
  HRESULT HandlePause();
  HRESULT HandleStop();
  HRESULT HandleSeek();
  HRESULT HandleRate();
  // Drains the graph's events; true when the stream ended.
  bool DrainEvents();
  void EndOfStream();
  void Poll();
  // Seeks a graph that may be running or paused by stopping it first.
  HRESULT SeekSettled(LONGLONG target);

  void LockGraph() { EnterCriticalSection(&graphLock_); }
  void UnlockGraph() { LeaveCriticalSection(&graphLock_); }
  friend class WorkerLock;

  // graph side
  CRITICAL_SECTION graphLock_;
  const DecoderEnumerator* decoders_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IMediaControl> control_;
  ComPtr<IMediaSeeking> seeking_;
  ComPtr<IMediaEventEx> events_;
  ComPtr<IGraphConfig> config_;
  ComPtr<IVideoFrameStep> frameStep_;
  ComPtr<IVideoWindow> videoWindow_;
  ComPtr<IBasicVideo> basicVideo_;
  ComPtr<IBaseFilter> source_;
  ComPtr<IBaseFilter> splitter_;
  std::unique_ptr<StreamBranch> streams_[kMaxStreams];
  int count_ = 0;
  DWORD rotCookie_ = 0;
  volatile LONG initialized_ = 0;
  bool useVideoEffects_ = false;
  LONGLONG heldPosition_ = -1;  // under the lock; -1: read the graph

  // thread side
  HANDLE commands_[kCommandCount] = {};
  HANDLE done_[kQuit] = {};
  HRESULT results_[kQuit] = {};
  HANDLE backwardsMode_ = nullptr;
  HANDLE completedFlag_ = nullptr;
  HANDLE openLock_ = nullptr;
  HANDLE thread_ = nullptr;
  CRITICAL_SECTION threadLock_;  // guards thread_ between posters and the worker's exit
  volatile LONGLONG seekTarget_ = 0;
  volatile double rate_ = 1.0;
  volatile long engineState_ = 32;
  CRITICAL_SECTION notifyLock_;
  EngineNotify* notify_ = nullptr;
  SubtitleFeed* feed_ = nullptr;
};

}  // namespace tessel
