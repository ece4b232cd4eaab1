// Many files in a row: open and close cycles, opens torn down at once while
// the worker starts, and destroying a playing engine. Handles, GDI objects
// and threads must come back to where they were.
#include <gtest/gtest.h>

#include <ole2.h>
#include <tlhelp32.h>

#include "engine/tests/engine_test_support.h"

namespace tessel::testing {
namespace {

struct Resources {
  DWORD handles = 0;
  DWORD gdi = 0;
  int threads = 0;
};

Resources Measure() {
  Resources r;
  GetProcessHandleCount(GetCurrentProcess(), &r.handles);
  r.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 t = {};
  t.dwSize = sizeof t;
  if (Thread32First(snap, &t)) {
    do {
      if (t.th32OwnerProcessID == GetCurrentProcessId()) ++r.threads;
    } while (Thread32Next(snap, &t));
  }
  CloseHandle(snap);
  return r;
}

class Stress : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ProvideVideoEffects(true);
  }
};

// Threads a plain graph of the platform's own (RenderFile, Run, Stop,
// release) leaves behind per run of clip: Wine 8 keeps one for every graph
// with sound and picture that ran. The engine must add nothing to that.
int PlatformThreadsPerRun(const char* clip) {
  int before = Measure().threads;
  const int runs = 4;
  for (int i = 0; i < runs; ++i) {
    ComPtr<IGraphBuilder> graph;
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL, IID_IGraphBuilder, graph.put_void());
    graph->RenderFile(Media(clip).c_str(), nullptr);
    ComPtr<IMediaControl> control;
    graph.query(IID_IMediaControl, control);
    control->Run();
    OAFilterState state;
    control->GetState(1000, &state);
    control->Stop();
  }
  PumpFor(300);
  int grown = Measure().threads - before;
  return grown <= 0 ? 0 : (grown + runs - 1) / runs;
}

// Wine's own worker threads come and go; a leak grows with the cycles.
void ExpectFlat(const Resources& before, const Resources& after, int cycles, int platformThreads = 0) {
  EXPECT_LE(after.handles, before.handles + 30) << "handles after " << cycles << " cycles";
  EXPECT_LE(after.gdi, before.gdi + 10) << "GDI objects";
  EXPECT_LE(after.threads, before.threads + platformThreads + 6) << "threads (the platform's own: " << platformThreads << ")";
}

TEST_F(Stress, HundredOpenAndCloseCyclesLeaveNothingBehind) {
  Engine e;
  ASSERT_EQ(e.Create(), S_OK);
  e.engine->UseVideoEffects(1);
  // Warm up: the first graph loads the libraries and Wine's services.
  ASSERT_TRUE(SUCCEEDED(e.Open("mjpeg_pcm.avi")));
  e.engine->Reset();
  PumpFor(200);
  const int platform = PlatformThreadsPerRun("mjpeg_pcm.avi");
  Resources before = Measure();
  const char* clips[] = {"yuy2_pcm.avi", "mjpeg_pcm.avi", "tone.wav", "video_only.avi"};
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(SUCCEEDED(e.Open(clips[i % 4]))) << i;
    if (i % 10 == 0) {
      ASSERT_EQ(e.engine->Play(), S_OK);
    }
    e.engine->Reset();
  }
  PumpFor(300);
  // Ten plays, half of them of files with sound and picture.
  ExpectFlat(before, Measure(), 100, 5 * platform);
}

TEST_F(Stress, OpensTornDownAtOnceWhileTheWorkerRuns) {
  Engine e;
  ASSERT_EQ(e.Create(), S_OK);
  ASSERT_TRUE(SUCCEEDED(e.Open("yuy2_pcm.avi")));
  e.engine->Reset();
  PumpFor(200);
  const int platform = PlatformThreadsPerRun("mjpeg_pcm.avi");
  Resources before = Measure();
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(SUCCEEDED(e.Open(i % 2 ? "yuy2_pcm.avi" : "mjpeg_pcm.avi"))) << i;
    e.engine->Play();
    e.engine->put_CurrentPosition(LONGLONG(i % 3) * 5000000);
    e.engine->Reset();
    VARIANT_BOOL init = 1;
    e.engine->get_Initialized(&init);
    ASSERT_EQ(init, 0);
    EXPECT_EQ(e.engine->Play(), E_INVALIDARG);
  }
  PumpFor(300);
  ExpectFlat(before, Measure(), 50, 25 * platform);
}

TEST_F(Stress, DestroyingAPlayingEngineIsQuick) {
  for (int i = 0; i < 3; ++i) {
    Engine e;
    ASSERT_EQ(e.Create(), S_OK);
    ASSERT_TRUE(SUCCEEDED(e.Open("mjpeg_pcm.avi")));
    ASSERT_EQ(e.engine->Play(), S_OK);
    PumpFor(300);
    DWORD start = GetTickCount();
    e = Engine();
    EXPECT_LT(GetTickCount() - start, 1000u);
  }
  EXPECT_EQ(TesselCanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace tessel::testing

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc > 1) tessel::testing::SetMediaFolder(argv[1]);
  return RUN_ALL_TESTS();
}
