// Repaired copies of encoder-made files (damaged several ways) play to the
// end in Wine's DirectShow: RenderFile, Run, and EC_COMPLETE, with the
// duration of what they hold.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include "avirepair/files/system_files.h"
#include "avirepair/tests/media_variants.h"
#include "avirepair/tests/repair_test_util.h"
#include "avirepair/tests/win_test_util.h"
#include "common/com/com_ptr.h"

using zelvo::com::ComPtr;

namespace avirepair::test {
namespace {

std::string g_media;

// Plays the file without a reference clock (as fast as the graph can) and
// gives the event code that ended the wait and the duration the graph saw.
HRESULT PlayToEnd(const std::string& path, long* eventCode, LONGLONG* duration) {
  ComPtr<IGraphBuilder> graph;
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.put_void());
  if (FAILED(hr)) return hr;
  hr = graph->RenderFile(Wide(path).c_str(), nullptr);
  if (hr != S_OK) return FAILED(hr) ? hr : E_FAIL;  // a partial render leaves a stream unplayed
  ComPtr<IMediaFilter> filter;
  if (SUCCEEDED(graph.query(IID_IMediaFilter, filter))) filter->SetSyncSource(nullptr);
  ComPtr<IMediaControl> control;
  ComPtr<IMediaEvent> events;
  if (FAILED(hr = graph.query(IID_IMediaControl, control)) || FAILED(hr = graph.query(IID_IMediaEvent, events))) return hr;
  ComPtr<IMediaSeeking> seeking;
  if (FAILED(hr = graph.query(IID_IMediaSeeking, seeking)) || FAILED(hr = seeking->GetDuration(duration))) return hr;
  if (FAILED(hr = control->Run())) return hr;
  hr = events->WaitForCompletion(30000, eventCode);
  control->Stop();
  return hr;
}

class Playback : public ::testing::TestWithParam<const char*> {
 protected:
  static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  static void TearDownTestSuite() { CoUninitialize(); }
};

TEST_P(Playback, RepairedCopiesPlayToTheEnd) {
  std::string base = WinePath(g_media) + "\\" + GetParam();
  Bytes input = ReadWhole(base + ".avi");
  ASSERT_GT(input.size(), 10000u) << base << ".avi: run make-media.sh first";
  for (const MediaVariant& v : MediaVariants(input)) {
    std::string in = base + "-" + v.name + "-win.avi", out = base + "-" + v.name + "-win-repaired.avi";
    ASSERT_TRUE(WriteWhole(in, v.data));
    RepairReport report;
    RepairResult r = RunRepair(SystemFiles(), in, out, nullptr, &report);
    ASSERT_TRUE(r.Succeeded()) << v.name << ": " << r.reason;
    EXPECT_EQ(CheckRepaired(ParseAvi(ReadWhole(out))), "") << v.name;
    long code = 0;
    LONGLONG duration = 0;
    HRESULT hr = PlayToEnd(out, &code, &duration);
    EXPECT_EQ(hr, S_OK) << v.name << std::hex << " hr 0x" << hr;
    EXPECT_EQ(code, EC_COMPLETE) << v.name;
    // The graph's duration comes from the headers: what the repaired file
    // holds (25 frames a second; the sound may end a frame or two later).
    EXPECT_NEAR(double(duration), double(report.videoFramesKept) * 400000.0, 800000.0) << v.name;
  }
}

INSTANTIATE_TEST_SUITE_P(DirectShow, Playback, ::testing::Values("mpeg4_mp3", "mjpeg_pcm"));

}  // namespace
}  // namespace avirepair::test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc > 1) avirepair::test::g_media = argv[1];
  return RUN_ALL_TESTS();
}
