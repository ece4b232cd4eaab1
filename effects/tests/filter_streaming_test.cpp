// The filter's streaming side driven sample by sample: a test source pushes
// frames straight into the filter's input pin (no graph manager), so the
// tests choose the allocator's read-only flag, the moment of end of stream
// and in-stream format changes.
#include <dshow.h>
#include <dvdmedia.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "effects/tests/filter_test_support.h"
#include "video_effects.h"

namespace effects::testing {
namespace {

constexpr int kWidth = 32;
constexpr int kHeight = 16;

class FilterStreaming : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
  static void TearDownTestSuite() { CoUninitialize(); }

  // A chain from a YUY2 source to a sink that takes `output`.
  void Build(DirectChain* chain, REFGUID output, int bitCount, bool readOnly) {
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(S_OK, CreateEffectsFilter(filter.put()));
    dshow::MediaType in, out;
    MakeVideoType(&in, MEDIASUBTYPE_YUY2, kWidth, kHeight, 16);
    MakeVideoType(&out, output, kWidth, kHeight, bitCount);
    ASSERT_EQ(S_OK, chain->Build(filter.get(), in, out, readOnly));
  }
};

// Upstream said its samples are read-only: the effects and the overlay go
// into a copy, the output is what a writable input would have given, and
// the input buffer keeps its bytes. A writable input is changed in place.
TEST_F(FilterStreaming, ReadOnlyInputIsNeverWrittenAndGetsTheSameOutput) {
  const std::vector<uint8_t> frame = PatternFrame(kWidth, kHeight, 5);
  std::vector<uint8_t> outputs[2];
  for (bool readOnly : {false, true}) {
    SCOPED_TRACE(readOnly ? "read-only" : "writable");
    DirectChain chain;
    Build(&chain, MEDIASUBTYPE_YUY2, 16, readOnly);
    if (HasFatalFailure()) return;
    ComPtr<IVideoEffects> effects;
    ASSERT_EQ(S_OK, chain.effects.query(IID_IVideoEffects, effects));
    ASSERT_EQ(S_OK, effects->SetBrightness(-40));
    ComPtr<IVideoOverlay> overlay;
    ASSERT_EQ(S_OK, chain.effects.query(IID_IVideoOverlay, overlay));
    HFONT font = CreateFontW(-10, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial");
    ASSERT_EQ(S_OK, overlay->SetEnableOverlay(1));
    ASSERT_EQ(S_OK, overlay->SetText(2, 2, 28, 12, 1, 10 * kFrameTime, "Ab", 2, RGB(255, 255, 255), font));
    DeleteObject(font);

    ASSERT_EQ(S_OK, chain.Pause());
    std::vector<uint8_t> after;
    ASSERT_EQ(S_OK, chain.push->Deliver(frame, kFrameTime, nullptr, &after));
    std::vector<ReceivedSample> samples = chain.sinkFilter->TakeSamples();
    ASSERT_EQ(1u, samples.size());
    ASSERT_EQ(frame.size(), samples[0].bytes.size());
    EXPECT_NE(frame, samples[0].bytes) << "the effects reached the output";
    if (readOnly)
      EXPECT_EQ(frame, after) << "a read-only input sample was written";
    else
      EXPECT_EQ(samples[0].bytes, after) << "a writable input is transformed in place";
    outputs[readOnly ? 1 : 0] = samples[0].bytes;
  }
  EXPECT_EQ(outputs[0], outputs[1]);
}

// The same through a conversion to RGB: the read-only input stays as it was.
TEST_F(FilterStreaming, ReadOnlyInputConvertedToRgbKeepsItsBytes) {
  const std::vector<uint8_t> frame = PatternFrame(kWidth, kHeight, 2);
  DirectChain chain;
  Build(&chain, MEDIASUBTYPE_RGB32, 32, true);
  ComPtr<IVideoEffects> effects;
  ASSERT_EQ(S_OK, chain.effects.query(IID_IVideoEffects, effects));
  ASSERT_EQ(S_OK, effects->SetSaturation(-256));
  ASSERT_EQ(S_OK, chain.Pause());
  std::vector<uint8_t> after;
  for (int i = 1; i <= 3; ++i) ASSERT_EQ(S_OK, chain.push->Deliver(frame, i * kFrameTime, nullptr, &after));
  EXPECT_EQ(frame, after);
  std::vector<ReceivedSample> samples = chain.sinkFilter->TakeSamples();
  ASSERT_EQ(3u, samples.size());
  // Saturation -256 leaves grey: every RGB32 pixel has equal channels.
  const std::vector<uint8_t>& rgb = samples[2].bytes;
  ASSERT_EQ(static_cast<size_t>(kWidth * kHeight * 4), rgb.size());
  for (size_t p = 0; p < rgb.size(); p += 4) {
    ASSERT_EQ(rgb[p], rgb[p + 1]) << "pixel " << p / 4;
    ASSERT_EQ(rgb[p], rgb[p + 2]) << "pixel " << p / 4;
  }
}

// Without an overlay a read-only input takes the effects and the conversion
// in one pass; its RGB32 output is the one a writable input gets.
TEST_F(FilterStreaming, ReadOnlyInputWithoutOverlayConvertsLikeAWritableOne) {
  const std::vector<uint8_t> frame = PatternFrame(kWidth, kHeight, 7);
  std::vector<uint8_t> outputs[2];
  for (bool readOnly : {false, true}) {
    SCOPED_TRACE(readOnly ? "read-only" : "writable");
    DirectChain chain;
    Build(&chain, MEDIASUBTYPE_RGB32, 32, readOnly);
    if (HasFatalFailure()) return;
    ComPtr<IVideoEffects> effects;
    ASSERT_EQ(S_OK, chain.effects.query(IID_IVideoEffects, effects));
    ASSERT_EQ(S_OK, effects->SetBrightness(12));
    ASSERT_EQ(S_OK, effects->SetContrast(-20));
    ASSERT_EQ(S_OK, effects->SetSaturation(70));
    ASSERT_EQ(S_OK, effects->SetHue(50));
    ASSERT_EQ(S_OK, chain.Pause());
    std::vector<uint8_t> after;
    ASSERT_EQ(S_OK, chain.push->Deliver(frame, kFrameTime, nullptr, &after));
    if (readOnly) {
      EXPECT_EQ(frame, after) << "a read-only input sample was written";
    }
    std::vector<ReceivedSample> samples = chain.sinkFilter->TakeSamples();
    ASSERT_EQ(1u, samples.size());
    outputs[readOnly ? 1 : 0] = samples[0].bytes;
  }
  ASSERT_EQ(outputs[0].size(), static_cast<size_t>(kWidth * kHeight * 4));
  EXPECT_EQ(outputs[0], outputs[1]);
}

// Asking what the output would accept is only a question: the frames keep
// the connected output's format afterwards.
TEST_F(FilterStreaming, AskingWhatTheOutputAcceptsChangesNothing) {
  DirectChain chain;
  Build(&chain, MEDIASUBTYPE_YUY2, 16, false);
  ComPtr<IPin> out = FindPinByDirection(chain.effects.get(), PINDIR_OUTPUT);
  dshow::MediaType rgb;
  MakeVideoType(&rgb, MEDIASUBTYPE_RGB32, kWidth, kHeight, 32);
  ASSERT_EQ(S_OK, out->QueryAccept(&rgb));
  ASSERT_EQ(S_OK, chain.Pause());
  // At time 0 a frame passes without effects: YUY2 out is YUY2 in.
  const std::vector<uint8_t> frame = PatternFrame(kWidth, kHeight, 4);
  ASSERT_EQ(S_OK, chain.push->Deliver(frame, 0));
  EXPECT_EQ(S_OK, out->QueryAccept(&rgb));
  dshow::MediaType in;
  MakeVideoType(&in, MEDIASUBTYPE_YUY2, kWidth, kHeight, 16);
  ASSERT_EQ(S_OK, chain.push->Deliver(frame, 0, &in));  // re-reads the geometry
  std::vector<ReceivedSample> samples = chain.sinkFilter->TakeSamples();
  ASSERT_EQ(2u, samples.size());
  EXPECT_EQ(frame, samples[0].bytes);
  EXPECT_EQ(frame, samples[1].bytes);
}

// End of stream goes downstream only while the filter streams: once it is
// stopped the downstream filters are stopped too and must not hear it.
TEST_F(FilterStreaming, EndOfStreamAfterStopIsNotPassedOn) {
  DirectChain chain;
  Build(&chain, MEDIASUBTYPE_YUY2, 16, false);
  ComPtr<IPin> in = chain.EffectsInput();
  ASSERT_EQ(S_OK, chain.Pause());
  ASSERT_EQ(S_OK, chain.push->Deliver(PatternFrame(kWidth, kHeight, 0), kFrameTime));
  ASSERT_EQ(S_OK, in->EndOfStream());
  EXPECT_EQ(1, chain.sinkFilter->EndOfStreamCalls());
  ASSERT_EQ(S_OK, chain.Stop());
  EXPECT_EQ(VFW_E_WRONG_STATE, in->EndOfStream());
  EXPECT_EQ(1, chain.sinkFilter->EndOfStreamCalls()) << "end of stream forwarded to a stopped sink";
  // Streaming again, the next end is passed on.
  ASSERT_EQ(S_OK, chain.Pause());
  ASSERT_EQ(S_OK, in->EndOfStream());
  EXPECT_EQ(2, chain.sinkFilter->EndOfStreamCalls());
}

// Upstream changes the format with every sample (VideoInfo and VideoInfo2
// of the same picture) while another thread copies the input pin's type and
// asks the output pin what it accepts: every copy is one whole type.
TEST_F(FilterStreaming, InStreamFormatChangesNeverTearTheConnectionType) {
  DirectChain chain;
  Build(&chain, MEDIASUBTYPE_YUY2, 16, false);
  dshow::MediaType plain, wide;
  MakeVideoType(&plain, MEDIASUBTYPE_YUY2, kWidth, kHeight, 16);
  {
    // The same picture in a VIDEOINFOHEADER2 block.
    const auto* v1 = reinterpret_cast<const VIDEOINFOHEADER*>(plain.pbFormat);
    BYTE* format = wide.AllocFormat(sizeof(VIDEOINFOHEADER2));
    auto* v2 = reinterpret_cast<VIDEOINFOHEADER2*>(format);
    v2->AvgTimePerFrame = v1->AvgTimePerFrame;
    v2->dwPictAspectRatioX = 2;
    v2->dwPictAspectRatioY = 1;
    v2->bmiHeader = v1->bmiHeader;
    wide.majortype = plain.majortype;
    wide.subtype = plain.subtype;
    wide.formattype = FORMAT_VideoInfo2;
    wide.bFixedSizeSamples = TRUE;
    wide.lSampleSize = plain.lSampleSize;
  }
  ComPtr<IPin> in = chain.EffectsInput();
  ComPtr<IPin> out = FindPinByDirection(chain.effects.get(), PINDIR_OUTPUT);
  ASSERT_EQ(S_OK, chain.Pause());

  constexpr int kSamples = 1500;
  std::atomic<bool> done{false};
  std::atomic<int> failedDeliveries{0};
  const std::vector<uint8_t> frame = PatternFrame(kWidth, kHeight, 1);
  std::thread streaming([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    for (int i = 0; i < kSamples; ++i)
      if (chain.push->Deliver(frame, (i + 1) * kFrameTime, i % 2 ? &plain : &wide) != S_OK) ++failedDeliveries;
    done = true;
    CoUninitialize();
  });
  int copies = 0, torn = 0, refused = 0;
  dshow::MediaType output;
  MakeVideoType(&output, MEDIASUBTYPE_YUY2, kWidth, kHeight, 16);
  while (!done) {
    AM_MEDIA_TYPE copy = {};
    if (in->ConnectionMediaType(&copy) == S_OK) {
      ++copies;
      if (!dshow::SameMediaType(copy, plain) && !dshow::SameMediaType(copy, wide)) ++torn;
      dshow::FreeMediaTypeContents(copy);
    }
    if (out->QueryAccept(&output) != S_OK) ++refused;
  }
  streaming.join();
  EXPECT_EQ(0, failedDeliveries.load());
  EXPECT_GT(copies, 0);
  EXPECT_EQ(0, torn) << "of " << copies << " copies";
  EXPECT_EQ(0, refused);
  EXPECT_EQ(static_cast<size_t>(kSamples), chain.sinkFilter->TakeSamples().size());
}

}  // namespace
}  // namespace effects::testing
