// The filter in real Wine filter graphs: a generated YUY2 AVI through the AVI
// splitter, the filter, and a sink accepting one chosen output type.
#include <dshow.h>
#include <dvdmedia.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "effects/core/effect_tables.h"
#include "effects/core/frame_converter.h"
#include "effects/tests/filter_test_support.h"
#include "video_effects.h"

namespace effects::testing {
namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;
constexpr int kFrames = 30;

struct OutputCase {
  const GUID* subtype;
  int kind;
  int bitCount;
  const char* name;
};
const OutputCase kOutputs[] = {
    {&MEDIASUBTYPE_YUY2, 0, 16, "YUY2"},     {&MEDIASUBTYPE_RGB32, 1, 32, "RGB32"},
    {&MEDIASUBTYPE_RGB24, 2, 24, "RGB24"},   {&MEDIASUBTYPE_RGB565, 3, 16, "RGB565"},
    {&MEDIASUBTYPE_RGB555, 4, 16, "RGB555"},
};

// Effect settings the engine is given, in the filter's setter order.
struct Settings {
  int brightness = 0, contrast = 0, saturation = 0, hue = 0;
  int brightnessOn = 1, contrastOn = 1, saturationOn = 1, hueOn = 1;
};

void ApplySettings(EffectTables& tables, const Settings& s) {
  tables.SetBrightnessEnabled(s.brightnessOn);
  tables.SetContrastEnabled(s.contrastOn);
  tables.SetSaturationEnabled(s.saturationOn);
  tables.SetHueEnabled(s.hueOn);
  tables.SetBrightness(s.brightness);
  tables.SetContrast(s.contrast);
  tables.SetSaturation(s.saturation);
  tables.SetHue(s.hue);
}

void ApplySettings(IVideoEffects* effects, const Settings& s) {
  effects->SetBrightnessEnabled(s.brightnessOn);
  effects->SetContrastEnabled(s.contrastOn);
  effects->SetSaturationEnabled(s.saturationOn);
  effects->SetHueEnabled(s.hueOn);
  effects->SetBrightness(s.brightness);
  effects->SetContrast(s.contrast);
  effects->SetSaturation(s.saturation);
  effects->SetHue(s.hue);
}

// What the pixel engine makes of frame `index` at time `start`, for frames
// of width x height pixels; output rows are padded to whole 32-bit words.
std::vector<uint8_t> Expected(int index, REFERENCE_TIME start, const Settings& s, const OutputCase& out, bool topDown,
                              int width = kWidth, int height = kHeight) {
  std::vector<uint8_t> frame = PatternFrame(width, height, index);
  if (start > 0) {
    static EffectTables tables;
    ApplySettings(tables, s);
    tables.SetPixelCount(width * height);
    tables.Apply(frame.data(), frame.size());
  }
  const int rowBytes = ((out.bitCount / 8) * width + 3) & ~3;
  const int stride = (topDown || out.kind == 0) ? rowBytes : -rowBytes;
  FrameConverter converter;
  converter.Initialise(stride, width, height, out.kind, topDown ? 1 : 0);
  std::vector<uint8_t> result(static_cast<size_t>(rowBytes) * height);
  EXPECT_TRUE(converter.Convert(frame.data(), frame.size(), result.data(), result.size()));
  return result;
}

int FrameIndex(REFERENCE_TIME time) { return static_cast<int>((time + kFrameTime / 2) / kFrameTime); }

class FilterGraph : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    file_ = ProgramFolder() + L"effects_graph_160x120.avi";
    ASSERT_TRUE(WriteYuy2Avi(file_, kWidth, kHeight, kFrames));
  }
  static void TearDownTestSuite() {
    DeleteFileW(file_.c_str());
    CoUninitialize();
  }

  // A connected graph ending in a sink that accepts only `out` with the
  // given orientation.
  void Build(const OutputCase& out, bool topDown, const std::wstring& file = file_, int width = kWidth,
             int height = kHeight) {
    ASSERT_EQ(S_OK, CreateEffectsFilter(filter_.put()));
    dshow::MediaType type;
    MakeVideoType(&type, *out.subtype, width, topDown ? -height : height, out.bitCount);
    ComPtr<IBaseFilter> sinkFilter = SinkFilter::Create(type, &sink_);
    ASSERT_EQ(S_OK, graph_.Build(file, filter_.get(), sinkFilter.get()));
    graph_.sinkFilter = sink_;
    ASSERT_EQ(S_OK, filter_.query(IID_IVideoEffects, effects_));
    ASSERT_EQ(S_OK, filter_.query(IID_IFrameCounter, counter_));
    ASSERT_EQ(S_OK, filter_.query(IID_IVideoOverlay, overlay_));
  }
  void TearDown() override { graph_.Stop(); }

  static std::wstring file_;
  ComPtr<IBaseFilter> filter_;
  SinkFilter* sink_ = nullptr;
  EffectsGraph graph_;
  ComPtr<IVideoEffects> effects_;
  ComPtr<IFrameCounter> counter_;
  ComPtr<IVideoOverlay> overlay_;
};
std::wstring FilterGraph::file_;

TEST_F(FilterGraph, EveryOutputKindInBothOrientationsMatchesThePixelEngine) {
  Settings neutral;
  Settings changed;
  changed.brightness = 20;
  changed.contrast = 30;
  changed.saturation = -100;
  changed.hue = 45;
  changed.contrastOn = 1;
  constexpr int kSwitchAfter = 12;
  for (const OutputCase& out : kOutputs) {
    for (bool topDown : {false, true}) {
      SCOPED_TRACE(std::string(out.name) + (topDown ? " top-down" : " bottom-up"));
      filter_ = nullptr;
      graph_ = EffectsGraph();
      Build(out, topDown);
      if (HasFatalFailure()) return;
      // Non-neutral settings arrive while the graph runs, between two frames.
      IVideoEffects* effects = effects_.get();
      sink_->onSample = [effects, &changed](int index) {
        if (index == kSwitchAfter) ApplySettings(effects, changed);
      };
      ASSERT_EQ(EC_COMPLETE, graph_.RunToCompletion(10000));
      graph_.Stop();
      std::vector<ReceivedSample> samples = sink_->TakeSamples();
      ASSERT_EQ(static_cast<size_t>(kFrames), samples.size());
      for (size_t i = 0; i < samples.size(); ++i) {
        const ReceivedSample& s = samples[i];
        ASSERT_TRUE(s.timed);
        int index = FrameIndex(s.start);
        ASSERT_EQ(static_cast<int>(i), index);
        std::vector<uint8_t> want = Expected(index, s.start, i <= kSwitchAfter ? neutral : changed, out, topDown);
        ASSERT_GE(s.bytes.size(), want.size());
        ASSERT_TRUE(std::equal(want.begin(), want.end(), s.bytes.begin())) << "frame " << index;
      }
    }
  }
}

// RGB24 rows of 150 pixels take 450 bytes and are padded to 452: the output
// buffers must hold the padded rows, or no frame could be converted.
TEST_F(FilterGraph, PaddedRgb24RowsFitTheOutputBuffers) {
  constexpr int kPaddedWidth = 150, kPaddedHeight = 16, kPaddedFrames = 4;
  const std::wstring file = ProgramFolder() + L"effects_graph_150x16.avi";
  ASSERT_TRUE(WriteYuy2Avi(file, kPaddedWidth, kPaddedHeight, kPaddedFrames));
  for (bool topDown : {false, true}) {
    SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
    filter_ = nullptr;
    graph_ = EffectsGraph();
    Build(kOutputs[2], topDown, file, kPaddedWidth, kPaddedHeight);
    if (HasFatalFailure()) break;
    // The offered RGB24 type counts the padded rows too.
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(S_OK, FindPinByDirection(filter_.get(), PINDIR_OUTPUT)->EnumMediaTypes(types.put()));
    AM_MEDIA_TYPE* offered[6] = {};
    ULONG fetched = 0;
    ASSERT_EQ(S_OK, types->Next(6, offered, &fetched));
    ASSERT_TRUE(IsEqualGUID(MEDIASUBTYPE_RGB24, offered[5]->subtype));
    EXPECT_EQ(452u * kPaddedHeight, dshow::VideoBitmapHeader(*offered[5])->biSizeImage);
    EXPECT_EQ(452 * kPaddedHeight, offered[5]->lSampleSize);
    for (AM_MEDIA_TYPE* type : offered) dshow::DeleteMediaTypeCopy(type);
    ASSERT_EQ(EC_COMPLETE, graph_.RunToCompletion(10000));
    graph_.Stop();
    std::vector<ReceivedSample> samples = sink_->TakeSamples();
    ASSERT_EQ(static_cast<size_t>(kPaddedFrames), samples.size());
    for (const ReceivedSample& s : samples) {
      const std::vector<uint8_t> want =
          Expected(FrameIndex(s.start), s.start, Settings(), kOutputs[2], topDown, kPaddedWidth, kPaddedHeight);
      ASSERT_GE(s.bytes.size(), want.size());
      ASSERT_TRUE(std::equal(want.begin(), want.end(), s.bytes.begin())) << "frame at " << s.start;
    }
  }
  filter_ = nullptr;
  graph_ = EffectsGraph();
  DeleteFileW(file.c_str());
}

TEST_F(FilterGraph, FirstFrameAtTimeZeroPassesUnchanged) {
  Build(kOutputs[0], false);
  Settings dark;
  dark.brightness = -60;
  ApplySettings(effects_.get(), dark);
  ASSERT_EQ(EC_COMPLETE, graph_.RunToCompletion(10000));
  std::vector<ReceivedSample> samples = sink_->TakeSamples();
  ASSERT_EQ(static_cast<size_t>(kFrames), samples.size());
  ASSERT_EQ(0, samples[0].start);
  std::vector<uint8_t> original = PatternFrame(kWidth, kHeight, 0);
  EXPECT_TRUE(std::equal(original.begin(), original.end(), samples[0].bytes.begin()));
  std::vector<uint8_t> second = PatternFrame(kWidth, kHeight, 1);
  EXPECT_FALSE(std::equal(second.begin(), second.end(), samples[1].bytes.begin())) << "effects apply from time > 0";
}

TEST_F(FilterGraph, CountsEverySampleAndRestartsWhenStreamingStarts) {
  const std::wstring file = ProgramFolder() + L"effects_graph_100.avi";
  ASSERT_TRUE(WriteYuy2Avi(file, 32, 16, 100));
  Build(kOutputs[1], false, file, 32, 16);
  ASSERT_EQ(EC_COMPLETE, graph_.RunToCompletion(10000));
  int count = -1;
  ASSERT_EQ(S_OK, counter_->GetFrameCount(&count));
  EXPECT_EQ(100, count);
  EXPECT_EQ(100u, sink_->TakeSamples().size());

  // Stopped and started again from frame 90: the count starts from 0.
  graph_.Stop();
  LONGLONG position = 90 * kFrameTime;
  ASSERT_EQ(S_OK, graph_.seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                               AM_SEEKING_NoPositioning));
  ASSERT_EQ(EC_COMPLETE, graph_.RunToCompletion(10000));
  ASSERT_EQ(S_OK, counter_->GetFrameCount(&count));
  EXPECT_EQ(10, count);
  graph_.Stop();
  graph_ = EffectsGraph();
  DeleteFileW(file.c_str());
}

// Frames that show the overlay: any byte different from the frame without it.
std::vector<int> FramesWithOverlay(const std::vector<ReceivedSample>& samples, REFERENCE_TIME offset) {
  std::vector<int> shown;
  for (const ReceivedSample& s : samples) {
    if (!s.timed || s.start <= 0) continue;
    int index = FrameIndex(s.start + offset);
    std::vector<uint8_t> plain = Expected(index, s.start, Settings(), kOutputs[0], false);
    if (!std::equal(plain.begin(), plain.end(), s.bytes.begin())) shown.push_back(index);
  }
  return shown;
}

TEST_F(FilterGraph, TextOverlayShowsOnlyInsideItsTimeWindowAndAfterASeek) {
  Build(kOutputs[0], false);
  HFONT font = CreateFontW(-24, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial");
  ASSERT_NE(nullptr, font);
  ASSERT_EQ(S_OK, overlay_->SetEnableOverlay(1));
  // Frames 10 to 15 (start 4,000,000 to 6,000,000, both ends inclusive).
  ASSERT_EQ(S_OK, overlay_->SetText(10, 40, 140, 40, 10 * kFrameTime, 15 * kFrameTime, "Hello", 5, RGB(255, 255, 255), font));
  DeleteObject(font);
  ASSERT_EQ(EC_COMPLETE, graph_.RunToCompletion(10000));
  graph_.Stop();
  std::vector<int> shown = FramesWithOverlay(sink_->TakeSamples(), 0);
  EXPECT_EQ((std::vector<int>{10, 11, 12, 13, 14, 15}), shown);

  // Seek into the window: the splitter starts a segment there and stamps
  // samples from 0; the filter adds the segment start back.
  LONGLONG position = 12 * kFrameTime;
  ASSERT_EQ(S_OK, graph_.seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                               AM_SEEKING_NoPositioning));
  ASSERT_EQ(EC_COMPLETE, graph_.RunToCompletion(10000));
  graph_.Stop();
  ASSERT_EQ(12 * kFrameTime, sink_->SegmentStart());
  shown = FramesWithOverlay(sink_->TakeSamples(), 12 * kFrameTime);
  EXPECT_EQ((std::vector<int>{13, 14, 15}), shown) << "frame 12 is stamped 0 and left alone";

  // Back to the start (as a stop and play again does): the segment starts at
  // 0 again and the window is where it was.
  position = 0;
  ASSERT_EQ(S_OK, graph_.seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                               AM_SEEKING_NoPositioning));
  ASSERT_EQ(EC_COMPLETE, graph_.RunToCompletion(10000));
  graph_.Stop();
  ASSERT_EQ(0, sink_->SegmentStart());
  shown = FramesWithOverlay(sink_->TakeSamples(), 0);
  EXPECT_EQ((std::vector<int>{10, 11, 12, 13, 14, 15}), shown) << "no offset left over from the earlier seek";
}

// A white bitmap stamped into a darkened picture: after the effects it keeps
// its own luma (254); drawn first it is darkened with the rest.
TEST_F(FilterGraph, OverlayIsDrawnAfterTheEffectsUnlessAskedFirst) {
  Build(kOutputs[0], false);
  Settings dark;
  dark.brightness = -50;
  ApplySettings(effects_.get(), dark);
  EffectTables tables;
  ApplySettings(tables, dark);
  const int darkened = tables.LumaTable()[254];
  ASSERT_NE(254, darkened);

  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP white = CreateCompatibleBitmap(dc, 8, 4);  // one bit per pixel, all white once filled
  HGDIOBJ old = SelectObject(dc, white);
  PatBlt(dc, 0, 0, 8, 4, WHITENESS);
  SelectObject(dc, old);
  ASSERT_EQ(S_OK, overlay_->SetEnableOverlay(1));
  ASSERT_EQ(S_OK, overlay_->SetBitmap(20, 30, 1, 100 * kFrameTime, dc, white, RGB(15, 0, 15)));
  DeleteObject(white);
  DeleteDC(dc);

  // Pixel 21 of row 30 carries the image's first word.
  auto lumaAt = [](const ReceivedSample& s) { return static_cast<int>(s.bytes[(30 * kWidth + 21) * 2]); };
  ASSERT_EQ(EC_COMPLETE, graph_.RunToCompletion(10000));
  graph_.Stop();
  std::vector<ReceivedSample> samples = sink_->TakeSamples();
  ASSERT_EQ(static_cast<size_t>(kFrames), samples.size());
  EXPECT_EQ(254, lumaAt(samples[1]));

  ASSERT_EQ(S_OK, overlay_->SetOverlayFirst(1));
  LONGLONG position = 0;
  ASSERT_EQ(S_OK, graph_.seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                               AM_SEEKING_NoPositioning));
  ASSERT_EQ(EC_COMPLETE, graph_.RunToCompletion(10000));
  graph_.Stop();
  samples = sink_->TakeSamples();
  ASSERT_EQ(static_cast<size_t>(kFrames), samples.size());
  EXPECT_EQ(darkened, lumaAt(samples[1]));
  EXPECT_EQ(PatternFrame(kWidth, kHeight, 0), samples[0].bytes) << "time 0: neither overlay nor effects";
}

TEST_F(FilterGraph, PlaysPausesSeeksAndStopsWithWinesVideoRenderer) {
  ASSERT_EQ(S_OK, CreateEffectsFilter(filter_.put()));
  ComPtr<IBaseFilter> renderer;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                   renderer.put_void()));
  ASSERT_EQ(S_OK, graph_.Build(file_, filter_.get(), renderer.get()));
  ASSERT_EQ(S_OK, filter_.query(IID_IFrameCounter, counter_));
  ComPtr<IPin> out = FindPinByDirection(filter_.get(), PINDIR_OUTPUT);
  AM_MEDIA_TYPE type = {};
  ASSERT_EQ(S_OK, out->ConnectionMediaType(&type));
  EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Video, type.majortype));
  dshow::FreeMediaTypeContents(type);

  LONGLONG duration = 0;
  ASSERT_EQ(S_OK, graph_.seeking->GetDuration(&duration));
  EXPECT_EQ(kFrames * kFrameTime, duration);
  ASSERT_EQ(EC_COMPLETE, graph_.RunToCompletion(15000));
  int count = 0;
  counter_->GetFrameCount(&count);
  EXPECT_EQ(kFrames, count);

  // Pause, seek to frame 20 and play the rest through the filter.
  ASSERT_EQ(S_OK, graph_.control->Pause());
  OAFilterState state = State_Stopped;
  graph_.control->GetState(5000, &state);
  EXPECT_EQ(State_Paused, state);
  LONGLONG position = 20 * kFrameTime;
  ASSERT_EQ(S_OK, graph_.seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                               AM_SEEKING_NoPositioning));
  ASSERT_TRUE(SUCCEEDED(graph_.control->Run()));
  // The renderer gives no end signal of its own here: wait for the frames.
  for (int waited = 0; waited < 150; ++waited) {
    counter_->GetFrameCount(&count);
    if (count >= kFrames + 10) break;
    Sleep(100);
  }
  long code = 0;
  EXPECT_EQ(S_OK, graph_.events->WaitForCompletion(15000, &code));
  EXPECT_EQ(EC_COMPLETE, code);
  counter_->GetFrameCount(&count);
  EXPECT_GE(count, kFrames + 10) << "frames 20 to 29 played again";
  EXPECT_LE(count, kFrames + 11);
  ASSERT_EQ(S_OK, graph_.control->Stop());
  graph_.control->GetState(5000, &state);
  EXPECT_EQ(State_Stopped, state);

  // Nothing of the library stays alive once the graph is gone.
  graph_ = EffectsGraph();
  filter_ = nullptr;
  counter_ = nullptr;
  out = nullptr;
  renderer = nullptr;
  EXPECT_EQ(S_OK, LibraryCanUnload());
}

}  // namespace
}  // namespace effects::testing
