// Play to the end and stop, hundreds of times, in real Wine graphs whose
// renderer asks upstream for the stop position when the stream ends. A Stop
// that deadlocks cannot fail a test in the usual way, so a watchdog ends the
// program with a message when Stop (or Run) takes longer than its limit.
#include <dshow.h>
#include <dvdmedia.h>
#include <gtest/gtest.h>
#include <qedit.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "effects/tests/filter_test_support.h"
#include "video_effects.h"

namespace effects::testing {
namespace {

constexpr int kWidth = 32;
constexpr int kHeight = 16;
constexpr int kFrames = 3;
constexpr DWORD kCallLimitMs = 5000;

// qedit's Sample Grabber and Null Renderer; the headers name only the
// grabber's interface.
const CLSID kSampleGrabberClass = {0xc1f400a0, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};
const CLSID kNullRendererClass = {0xc1f400a4, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};
const IID kSampleGrabberIid = {0x6b652fff, 0x11fe, 0x4fce, {0x92, 0xad, 0x02, 0x66, 0xb5, 0xd7, 0xc7, 0x8f}};

// Ends the process when an armed call is still running after the limit.
class CallWatchdog {
 public:
  CallWatchdog() : thread_([this] { Watch(); }) {}
  ~CallWatchdog() {
    {
      std::lock_guard<std::mutex> lock(lock_);
      quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

  void Arm(const char* call, int run) {
    std::lock_guard<std::mutex> lock(lock_);
    call_ = call;
    run_ = run;
    armed_ = true;
    ++generation_;
    changed_.notify_all();
  }
  void Disarm() {
    std::lock_guard<std::mutex> lock(lock_);
    armed_ = false;
    changed_.notify_all();
  }

 private:
  void Watch() {
    std::unique_lock<std::mutex> lock(lock_);
    while (!quit_) {
      if (!armed_) {
        changed_.wait(lock);
        continue;
      }
      const unsigned generation = generation_;
      if (changed_.wait_for(lock, std::chrono::milliseconds(kCallLimitMs),
                            [&] { return quit_ || !armed_ || generation_ != generation; }))
        continue;
      std::fprintf(stderr, "FAILED: %s did not return within %lu ms in run %d: the graph is deadlocked\n", call_,
                   static_cast<unsigned long>(kCallLimitMs), run_);
      std::fflush(stderr);
      std::fflush(stdout);
      TerminateProcess(GetCurrentProcess(), 3);
    }
  }

  std::mutex lock_;
  std::condition_variable changed_;
  const char* call_ = "";
  int run_ = 0;
  bool armed_ = false;
  bool quit_ = false;
  unsigned generation_ = 0;
  std::thread thread_;
};

class StopStress : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    file_ = ProgramFolder() + L"effects_stress_32x16.avi";
    ASSERT_TRUE(WriteYuy2Avi(file_, kWidth, kHeight, kFrames));
  }
  static void TearDownTestSuite() {
    DeleteFileW(file_.c_str());
    CoUninitialize();
  }

  HRESULT Rewind(EffectsGraph& graph) {
    LONGLONG position = 0;
    return graph.seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  }
  HRESULT Stop(EffectsGraph& graph, int run) {
    watchdog_.Arm("IMediaControl::Stop", run);
    HRESULT hr = graph.control->Stop();
    watchdog_.Disarm();
    return hr;
  }

  static std::wstring file_;
  CallWatchdog watchdog_;
};
std::wstring StopStress::file_;

// The sink answers end of stream as Wine's renderers do: EC_COMPLETE, then
// ConnectedTo, QueryInterface(IID_IMediaSeeking) on the filter's output pin
// and GetStopPosition, which the filter passes on through its input pin. The
// application stops the graph as soon as it hears EC_COMPLETE, so the Stop
// meets the streaming thread inside the filter's end of stream; the sink's
// short waits before asking move that meeting around.
TEST_F(StopStress, StopRightAfterTheEndNeverHangsWhileTheRendererAsksForTheStopPosition) {
  constexpr int kRuns = 600;
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(S_OK, CreateEffectsFilter(filter.put()));
  dshow::MediaType type;
  MakeVideoType(&type, MEDIASUBTYPE_RGB32, kWidth, kHeight, 32);
  SinkFilter* sink = nullptr;
  ComPtr<IBaseFilter> sinkHolder = SinkFilter::Create(type, &sink);
  EffectsGraph graph;
  ASSERT_EQ(S_OK, graph.Build(file_, filter.get(), sinkHolder.get()));
  graph.sinkFilter = sink;
  sink->askStopPosition = true;

  const DWORD started = GetTickCount();
  for (int run = 0; run < kRuns; ++run) {
    SCOPED_TRACE(run);
    sink->askDelayMs = static_cast<DWORD>(run % 3);
    ASSERT_EQ(S_OK, Rewind(graph));
    watchdog_.Arm("IMediaControl::Run and the wait for EC_COMPLETE", run);
    const long code = graph.RunToCompletion(kCallLimitMs);
    watchdog_.Disarm();
    ASSERT_EQ(EC_COMPLETE, code);
    ASSERT_EQ(S_OK, Stop(graph, run));
    // Stop has waited for the streaming thread, so the sink's question is
    // answered by now, with the file's end.
    ASSERT_EQ(S_OK, sink->StopQueryResult());
    ASSERT_EQ(kFrames * kFrameTime, sink->StopPositionSeen());
    ASSERT_EQ(static_cast<size_t>(kFrames), sink->TakeSamples().size());
  }
  std::printf("%d play-to-end-then-Stop runs through the asking sink in %lu ms\n", kRuns,
              static_cast<unsigned long>(GetTickCount() - started));
}

// Stop while samples are on their way, with a source thread that pushes
// frames into the filter as fast as it can and only the filter stopped at
// first, so a sample that got through after Stop returned would still reach
// the sink. The frames are large, so Stop usually meets one in Transform. (Wine's own AVI splitter is not used here: its streaming thread
// can miss the wake-up of its own Stop when it reaches the end of the file at
// that moment.)
TEST_F(StopStress, StopWhileSamplesAreInFlightWaitsForThemAndLetsNoneThrough) {
  constexpr int kRuns = 300;
  constexpr int kLargeWidth = 640, kLargeHeight = 480;
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(S_OK, CreateEffectsFilter(filter.put()));
  ComPtr<IVideoEffects> effects;
  ASSERT_EQ(S_OK, filter.query(IID_IVideoEffects, effects));
  ASSERT_EQ(S_OK, effects->SetHue(30));
  dshow::MediaType yuy2, rgb;
  MakeVideoType(&yuy2, MEDIASUBTYPE_YUY2, kLargeWidth, kLargeHeight, 16);
  MakeVideoType(&rgb, MEDIASUBTYPE_RGB32, kLargeWidth, kLargeHeight, 32);
  DirectChain chain;
  ASSERT_EQ(S_OK, chain.Build(filter.get(), yuy2, rgb, false));
  ComPtr<IFrameCounter> counter;
  ASSERT_EQ(S_OK, filter.query(IID_IFrameCounter, counter));

  std::atomic<bool> quit{false};
  std::atomic<long> delivered{0};
  const std::vector<uint8_t> frame = PatternFrame(kLargeWidth, kLargeHeight, 3);
  std::thread source([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    for (REFERENCE_TIME start = kFrameTime; !quit; start += kFrameTime) {
      if (chain.push->Deliver(frame, start) == S_OK)
        ++delivered;
      else
        Sleep(0);  // stopped: the allocator is decommitted until the next run
    }
    CoUninitialize();
  });
  struct Join {
    std::atomic<bool>& quit;
    std::thread& thread;
    ~Join() {
      quit = true;
      thread.join();
    }
  } join{quit, source};

  for (int run = 0; run < kRuns; ++run) {
    SCOPED_TRACE(run);
    chain.sinkFilter->TakeSamples();
    ASSERT_EQ(S_OK, chain.Pause());
    const long target = delivered + 1 + run % 7;
    const DWORD waitStart = GetTickCount();
    while (delivered < target && GetTickCount() - waitStart < kCallLimitMs) Sleep(0);
    ASSERT_GE(delivered.load(), target);
    watchdog_.Arm("IBaseFilter::Stop of the filter", run);
    HRESULT hr = filter->Stop();
    watchdog_.Disarm();
    ASSERT_EQ(S_OK, hr);
    const size_t seen = chain.sinkFilter->SampleCount();
    int frames = 0;
    ASSERT_EQ(S_OK, counter->GetFrameCount(&frames));
    Sleep(2);
    ASSERT_EQ(seen, chain.sinkFilter->SampleCount()) << "a sample went through after Stop returned";
    int later = 0;
    ASSERT_EQ(S_OK, counter->GetFrameCount(&later));
    ASSERT_EQ(frames, later) << "a sample was transformed after Stop returned";
    ASSERT_EQ(static_cast<size_t>(frames), seen);
    ASSERT_EQ(S_OK, chain.Stop());
  }
}

// The graph of the first report: AVI splitter, the filter, Wine's Sample
// Grabber set to an RGB type, and Wine's Null Renderer, whose end of stream
// asks for the stop position through the grabber and the filter.
TEST_F(StopStress, SampleGrabberAndNullRendererGraphStopsAtEveryEnd) {
  constexpr int kRuns = 600;
  ComPtr<IBaseFilter> grabber;
  ComPtr<IBaseFilter> renderer;
  if (FAILED(CoCreateInstance(kSampleGrabberClass, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              grabber.put_void())) ||
      FAILED(CoCreateInstance(kNullRendererClass, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              renderer.put_void())))
    GTEST_SKIP() << "this Wine has no Sample Grabber or Null Renderer";
  ComPtr<ISampleGrabber> grab;
  ASSERT_EQ(S_OK, grabber.query(kSampleGrabberIid, grab));
  AM_MEDIA_TYPE rgb = {};
  rgb.majortype = MEDIATYPE_Video;
  rgb.subtype = MEDIASUBTYPE_RGB32;
  rgb.formattype = FORMAT_VideoInfo;
  ASSERT_EQ(S_OK, grab->SetMediaType(&rgb));
  ASSERT_EQ(S_OK, grab->SetBufferSamples(FALSE));

  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(S_OK, CreateEffectsFilter(filter.put()));
  ComPtr<IFrameCounter> counter;
  ASSERT_EQ(S_OK, filter.query(IID_IFrameCounter, counter));
  EffectsGraph graph;
  ASSERT_EQ(S_OK, graph.Build(file_, filter.get(), grabber.get()));
  ASSERT_EQ(S_OK, graph.graph->AddFilter(renderer.get(), L"Null Renderer"));
  ASSERT_EQ(S_OK, graph.graph->Connect(FindPinByDirection(grabber.get(), PINDIR_OUTPUT).get(),
                                       FindPinByDirection(renderer.get(), PINDIR_INPUT).get()));
  AM_MEDIA_TYPE connected = {};
  ASSERT_EQ(S_OK, FindPinByDirection(filter.get(), PINDIR_OUTPUT)->ConnectionMediaType(&connected));
  EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_RGB32, connected.subtype));
  dshow::FreeMediaTypeContents(connected);
  // No clock: the renderer shows each frame at once, so a run takes
  // milliseconds instead of the file's length.
  ComPtr<IMediaFilter> timing;
  ASSERT_EQ(S_OK, graph.graph.query(IID_IMediaFilter, timing));
  ASSERT_EQ(S_OK, timing->SetSyncSource(nullptr));

  const DWORD started = GetTickCount();
  for (int run = 0; run < kRuns; ++run) {
    SCOPED_TRACE(run);
    ASSERT_EQ(S_OK, Rewind(graph));
    // Events left from the run before.
    long code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    while (graph.events->GetEvent(&code, &p1, &p2, 0) == S_OK) graph.events->FreeEventParams(code, p1, p2);
    watchdog_.Arm("IMediaControl::Run", run);
    HRESULT hr = graph.control->Run();
    watchdog_.Disarm();
    ASSERT_TRUE(SUCCEEDED(hr));
    bool complete = false;
    while (!complete && graph.events->GetEvent(&code, &p1, &p2, static_cast<long>(kCallLimitMs)) == S_OK) {
      complete = code == EC_COMPLETE;
      graph.events->FreeEventParams(code, p1, p2);
    }
    ASSERT_TRUE(complete) << "no EC_COMPLETE";
    ASSERT_EQ(S_OK, Stop(graph, run));
    int frames = 0;
    ASSERT_EQ(S_OK, counter->GetFrameCount(&frames));
    ASSERT_EQ(kFrames, frames);
  }
  std::printf("%d play-to-end-then-Stop runs through Sample Grabber and Null Renderer in %lu ms\n", kRuns,
              static_cast<unsigned long>(GetTickCount() - started));
}

}  // namespace
}  // namespace effects::testing
