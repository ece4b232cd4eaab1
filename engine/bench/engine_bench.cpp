// Figures of the engine against the platform's own graph in the same run:
// open to the first shown frame, a command's round trip, the end of a file
// to the player's notification, and a seek to a shown frame.
//
//   engine_bench.exe MEDIA-FOLDER [runs]
#include <windows.h>
#include <dshow.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "common/bench_figures.h"
#include "engine/tests/engine_test_support.h"

using namespace tessel::testing;

namespace {

using bench::Figures;
using bench::Now;
using bench::Summary;

void Print(const char* what, const Figures& engine, const Figures& baseline, const char* baselineName) {
  std::printf("%-34s engine   median %8.2f ms (min %8.2f, max %8.2f)\n", what, engine.median, engine.min, engine.max);
  if (baselineName) {
    std::printf("%-34s %-8s median %8.2f ms (min %8.2f, max %8.2f)  ratio %.2f\n", "", baselineName, baseline.median,
                baseline.min, baseline.max, baseline.median > 0 ? engine.median / baseline.median : 0.0);
  }
}

// The platform's graph for the same file, as an application without the
// engine would build it.
struct PlainGraph {
  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
  ComPtr<IMediaSeeking> seeking;
  ComPtr<IMediaEvent> events;
  bool Open(const std::wstring& file) {
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL, IID_IGraphBuilder, graph.put_void())))
      return false;
    if (FAILED(graph->RenderFile(file.c_str(), nullptr))) return false;
    graph.query(IID_IMediaControl, control);
    graph.query(IID_IMediaSeeking, seeking);
    graph.query(IID_IMediaEvent, events);
    return control && seeking && events;
  }
  void Settle() {
    OAFilterState s;
    control->GetState(5000, &s);
  }
  ~PlainGraph() {
    if (control) control->Stop();
  }
};

void Settle(Engine& e) {
  ComPtr<IFilterGraph> graph = FindEngineGraph(e.engine.get());
  ComPtr<IMediaControl> control;
  OAFilterState s;
  if (graph && SUCCEEDED(graph.query(IID_IMediaControl, control))) control->GetState(5000, &s);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: engine_bench MEDIA-FOLDER [runs]\n");
    return 2;
  }
  SetMediaFolder(argv[1]);
  const int runs = argc > 2 ? std::max(3, std::atoi(argv[2])) : 9;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ProvideVideoEffects(true);
  const std::wstring clip = Media("mjpeg_640.avi");
  std::printf("engine benchmark: %d runs each, 640 x 480 MJPEG (mjpeg_640.avi) unless said\n\n", runs);

  // Open to the first frame: put FileName + Pause, until the graph is paused.
  std::vector<double> engineOpen, plainOpen;
  for (int i = 0; i < runs; ++i) {
    {
      double t0 = Now();
      PlainGraph g;
      if (!g.Open(clip)) return 1;
      g.control->Pause();
      g.Settle();
      plainOpen.push_back(Now() - t0);
    }
    {
      Engine e;
      e.Create();
      double t0 = Now();
      if (FAILED(e.Open("mjpeg_640.avi"))) return 1;
      e.engine->Pause();
      Settle(e);
      engineOpen.push_back(Now() - t0);
    }
  }
  Print("open to first frame", Summary(engineOpen), Summary(plainOpen), "RenderFile");

  // A command's round trip: Pause while paused (the worker's answer only).
  Engine e;
  e.Create();
  e.Open("mjpeg_640.avi");
  e.engine->Pause();
  Settle(e);
  std::vector<double> trip;
  for (int i = 0; i < runs * 5; ++i) {
    double t0 = Now();
    e.engine->Pause();
    trip.push_back(Now() - t0);
    Sleep(i % 7 * 5);  // land at different points of the worker's poll
  }
  Print("command round trip (Pause)", Summary(trip), Figures(), nullptr);

  // Seek to a shown frame, paused: the engine's stop-seek-pause against a
  // plain paused seek of the platform's graph.
  std::vector<double> engineSeek, plainSeek;
  PlainGraph plain;
  plain.Open(clip);
  plain.control->Pause();
  plain.Settle();
  for (int i = 0; i < runs; ++i) {
    LONGLONG target = LONGLONG(5 + (i * 7) % 30) * 1000000;
    double t0 = Now();
    e.engine->put_CurrentPosition(target);
    Settle(e);
    engineSeek.push_back(Now() - t0);
    t0 = Now();
    plain.seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    plain.Settle();
    plainSeek.push_back(Now() - t0);
  }
  Print("seek to a shown frame (paused)", Summary(engineSeek), Summary(plainSeek), "SetPos");
  e.engine->Reset();

  // End of the file to OnComplete: a video-only clip played from its start;
  // the baseline is the platform's own EC_COMPLETE through WaitForCompletion.
  std::vector<double> engineEnd, plainEnd;
  CompletionRecorder recorder;
  e.engine->PutCallback(&recorder);
  for (int i = 0; i < std::max(3, runs / 3); ++i) {
    {
      PlainGraph g;
      g.Open(Media("video_only.avi"));
      double t0 = Now();
      g.control->Run();
      long code = 0;
      g.events->WaitForCompletion(10000, &code);
      plainEnd.push_back(Now() - t0);
    }
    e.Open("video_only.avi");
    long before = recorder.Count();
    double t0 = Now();
    e.engine->Play();
    WaitUntil([&] { return recorder.Count() > before; }, 10000);
    engineEnd.push_back(Now() - t0);
  }
  Figures ee = Summary(engineEnd), pe = Summary(plainEnd);
  Print("play 2 s clip to end notification", ee, pe, "EC_COMPLETE");
  std::printf("%-34s          median %8.2f ms (end of stream to OnComplete, beyond the graph's own)\n", "",
              ee.median - pe.median);
  e.engine->Reset();
  return 0;
}
