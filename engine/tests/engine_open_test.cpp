// Opening files: the streams each clip gives, the guards of the per-stream
// members, the effects filter in the video branch, and files that do not
// open. Also the object itself: aggregation, IDispatch by name, unloading.
#include <gtest/gtest.h>

#include <ole2.h>

#include "engine/tests/engine_test_support.h"
#include "video_effects.h"

namespace tessel::testing {
namespace {

void ExpectPlays(Engine& e) {
  HRESULT hr = e.engine->Play();
  EXPECT_EQ(hr, S_OK) << std::hex << hr;
  EXPECT_TRUE(WaitUntil([&] { return e.Position() > 2000000; }, 3000)) << e.Position();
}

class Open : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ProvideVideoEffects(true);
  }
  void SetUp() override { ASSERT_EQ(e.Create(), S_OK); }
  std::wstring Type(long n) {
    BSTR t = nullptr;
    e.streams->GetStreamType(n, &t);
    std::wstring s = t ? t : L"";
    SysFreeString(t);
    return s;
  }
  long Count() {
    long n = -1;
    e.streams->GetCount(&n);
    return n;
  }
  Engine e;
};

struct ClipStreams {
  const char* clip;
  const wchar_t* types[3];
  long width, height;
  double fps;
};

TEST_F(Open, EachClipGivesItsStreamsSizesAndFrameRates) {
  const ClipStreams clips[] = {
      {"yuy2_pcm.avi", {L"Video", L"Audio"}, 160, 120, 25.0},
      {"mjpeg_pcm.avi", {L"Video", L"Audio"}, 160, 120, 25.0},
      {"video_only.avi", {L"Video"}, 176, 144, 25.0},
      {"two_audio.avi", {L"Video", L"Audio", L"Audio"}, 160, 120, 25.0},
      {"tone.wav", {L"Audio"}, 0, 0, 0},
      {"tone.mp3", {L"Audio"}, 0, 0, 0},
  };
  for (const auto& c : clips) {
    SCOPED_TRACE(c.clip);
    HRESULT hr = e.Open(c.clip);
    ASSERT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
    VARIANT_BOOL init = 0;
    e.engine->get_Initialized(&init);
    EXPECT_EQ(init, 1);
    long expected = 0;
    while (expected < 3 && c.types[expected]) ++expected;
    ASSERT_EQ(Count(), expected);
    for (long i = 0; i < expected; ++i) EXPECT_EQ(Type(i), c.types[i]) << i;
    if (c.width) {
      long w = 0, h = 0;
      EXPECT_EQ(e.streams->get_VideoWidth(0, &w), S_OK);
      EXPECT_EQ(e.streams->get_VideoHeight(0, &h), S_OK);
      EXPECT_EQ(w, c.width);
      EXPECT_EQ(h, c.height);
      double fps = 0;
      EXPECT_EQ(e.streams->get_RateDefaultFPS(0, &fps), S_OK);
      EXPECT_NEAR(fps, c.fps, 0.01);
    }
    LONGLONG duration = 0;
    EXPECT_EQ(e.engine->get_Duration(&duration), S_OK);
    EXPECT_GT(duration, 10000000);
    BSTR name = nullptr;
    e.engine->get_FileName(&name);
    EXPECT_EQ(std::wstring(name), Media(c.clip));
    SysFreeString(name);
  }
}

TEST_F(Open, GarbageMissingAndEmptyNamesFailWithoutAGraph) {
  ASSERT_TRUE(SUCCEEDED(e.Open("yuy2_pcm.avi")));
  for (const char* clip : {"random.avi", "no-such-file.avi"}) {
    SCOPED_TRACE(clip);
    EXPECT_TRUE(FAILED(e.Open(clip)));
    VARIANT_BOOL init = 1;
    e.engine->get_Initialized(&init);
    EXPECT_EQ(init, 0);
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(e.engine->Play(), E_INVALIDARG);
    LONGLONG d = 0;
    EXPECT_EQ(e.engine->get_Duration(&d), E_INVALIDARG);
  }
  BSTR empty = SysAllocString(L"");
  EXPECT_EQ(e.engine->put_FileName(empty), E_INVALIDARG);
  SysFreeString(empty);
  BSTR quotes = SysAllocString(L"\"\"");
  EXPECT_EQ(e.engine->put_FileName(quotes), E_INVALIDARG);
  SysFreeString(quotes);
  EXPECT_EQ(e.engine->put_FileName(nullptr), E_INVALIDARG);
}

TEST_F(Open, WithoutASoundDeviceThePictureStillOpens) {
  // {79376820-07D0-11CF-A24D-0020AFD79767}: the DirectSound renderer.
  const CLSID directSound = {0x79376820, 0x07D0, 0x11CF, {0xA2, 0x4D, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x67}};
  RefuseClass(directSound, true);
  HRESULT sound = e.Open("tone.wav");
  RefuseClass(directSound, false);
  EXPECT_EQ(sound, E_FAIL) << "nothing left to play";
  ASSERT_TRUE(SUCCEEDED(e.Open("yuy2_pcm.avi")));
  RefuseClass(directSound, true);
  HRESULT video = e.Open("yuy2_pcm.avi");
  RefuseClass(directSound, false);
  EXPECT_EQ(video, VFW_S_PARTIAL_RENDER) << std::hex << video;
  EXPECT_EQ(Count(), 1);
  EXPECT_EQ(Type(0), L"Video");
  VARIANT_BOOL init = 0;
  e.engine->get_Initialized(&init);
  EXPECT_EQ(init, 1);
}

TEST_F(Open, AQuotedNameOpensWithoutItsQuotes) {
  BSTR quoted = Bstr(L"\"" + Media("tone.wav") + L"\"");
  EXPECT_TRUE(SUCCEEDED(e.engine->put_FileName(quoted)));
  SysFreeString(quoted);
  EXPECT_EQ(Count(), 1);
}

TEST_F(Open, MembersBeforeAnyFileAndAfterReset) {
  EXPECT_EQ(e.engine->Play(), E_INVALIDARG);
  EXPECT_EQ(e.engine->Pause(), E_INVALIDARG);
  EXPECT_EQ(e.engine->Stop(), E_INVALIDARG);
  EXPECT_EQ(e.engine->PlayBackwards(), E_INVALIDARG);
  EXPECT_EQ(e.engine->put_CurrentPosition(0), E_INVALIDARG);
  EXPECT_EQ(e.engine->put_Rate(2.0), E_INVALIDARG);
  EXPECT_EQ(e.streams->put_RateFPS(0, 25.0), E_INVALIDARG);
  EXPECT_EQ(Count(), 0);
  long v = 0;
  EXPECT_EQ(e.streams->get_Volume(0, &v), E_POINTER);
  ASSERT_TRUE(SUCCEEDED(e.Open("tone.wav")));
  EXPECT_EQ(e.engine->Reset(), S_OK);
  VARIANT_BOOL init = 1;
  e.engine->get_Initialized(&init);
  EXPECT_EQ(init, 0);
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(e.engine->Reset(), S_OK);
}

TEST_F(Open, StreamNumberAndTypeGuards) {
  ASSERT_TRUE(SUCCEEDED(e.Open("yuy2_pcm.avi")));
  long v = 0;
  double d = 0;
  // No stream there: E_POINTER from every kind of member.
  for (long n : {2L, 3L, -1L, 1000L}) {
    EXPECT_EQ(e.streams->get_Brightness(n, &v), E_POINTER);
    EXPECT_EQ(e.streams->get_Volume(n, &v), E_POINTER);
    EXPECT_EQ(e.streams->get_EnableStream(n, &v), E_POINTER);
    EXPECT_EQ(e.streams->put_EnableStream(n, 1), E_POINTER);
    EXPECT_EQ(e.streams->RebuildStream(n), E_POINTER);
    EXPECT_EQ(e.streams->get_Bitrate(n, &v), E_POINTER);
    EXPECT_EQ(e.overlay->put_EnableOverlay(n, 1), E_POINTER);
    EXPECT_EQ(e.decoders->CountSuitableDecoders(n, &v), E_POINTER);
  }
  // Wrong type: S_FALSE.
  EXPECT_EQ(e.streams->get_VideoWidth(1, &v), S_FALSE);
  EXPECT_EQ(e.streams->get_RateDefaultFPS(1, &d), S_FALSE);
  EXPECT_EQ(e.streams->get_Volume(0, &v), S_FALSE);
  EXPECT_EQ(e.streams->put_Balance(0, 5), S_FALSE);
  EXPECT_EQ(e.streams->get_Bitrate(0, &v), S_OK);
  EXPECT_EQ(v, 1000);
  EXPECT_EQ(e.streams->get_Bitrate(1, &v), S_OK);
  // Disabled video: "enabled" members answer S_FALSE.
  EXPECT_EQ(e.streams->put_EnableStream(0, 0), S_OK);
  EXPECT_EQ(e.streams->get_Brightness(0, &v), S_FALSE);
  EXPECT_EQ(e.streams->get_EnableStream(0, &v), S_OK);
  EXPECT_EQ(v, 0);
}

TEST_F(Open, VolumeAndBalanceAreClampedAndDisablingSilences) {
  ASSERT_TRUE(SUCCEEDED(e.Open("yuy2_pcm.avi")));
  long v = 1;
  EXPECT_EQ(e.streams->put_Volume(1, 5), S_OK);
  e.streams->get_Volume(1, &v);
  EXPECT_EQ(v, 0);
  EXPECT_EQ(e.streams->put_Volume(1, -20000), S_OK);
  e.streams->get_Volume(1, &v);
  EXPECT_EQ(v, -10000);
  EXPECT_EQ(e.streams->put_Volume(1, -1234), S_OK);
  EXPECT_EQ(e.streams->put_Balance(1, 20000), S_OK);
  e.streams->get_Balance(1, &v);
  EXPECT_EQ(v, 10000);
  // The renderer itself hears silence while the stream is disabled, and the
  // stored volume again once it is enabled.
  ComPtr<IFilterGraph> graph = FindEngineGraph(e.engine.get());
  ASSERT_TRUE(graph);
  ComPtr<IBasicAudio> audio;
  ASSERT_EQ(graph.query(IID_IBasicAudio, audio), S_OK);
  EXPECT_EQ(e.streams->put_EnableStream(1, 0), S_OK);
  long level = 0;
  audio->get_Volume(&level);
  EXPECT_EQ(level, -10000);
  EXPECT_EQ(e.streams->put_Volume(1, -100), S_FALSE);
  EXPECT_EQ(e.streams->put_EnableStream(1, 1), S_OK);
  audio->get_Volume(&level);
  EXPECT_EQ(level, -1234);
}

TEST_F(Open, VideoEffectsSitInTheVideoBranchAndTakeTheBrightness) {
  EXPECT_EQ(e.engine->UseVideoEffects(1), S_OK);
  ASSERT_TRUE(SUCCEEDED(e.Open("yuy2_pcm.avi")));
  ComPtr<IFilterGraph> graph = FindEngineGraph(e.engine.get());
  ASSERT_TRUE(graph) << "the graph is in the running object table";
  ComPtr<IBaseFilter> effects = FindFilter(graph.get(), L"Video Effects");
  ASSERT_TRUE(effects);
  EXPECT_TRUE(FindFilter(graph.get(), L"Video Renderer"));
  EXPECT_TRUE(FindFilter(graph.get(), L"Direct Sound Renderer"));
  EXPECT_EQ(e.streams->put_Brightness(0, 37), S_OK);
  ComPtr<IVideoEffects> fx;
  ASSERT_EQ(effects.query(IID_IVideoEffects, fx), S_OK);
  int value = 0;
  fx->GetBrightness(&value);
  EXPECT_EQ(value, 37);
  EXPECT_EQ(e.streams->put_Contrast(0, -12), S_OK);
  fx->GetContrast(&value);
  EXPECT_EQ(value, -12);
  long enabled = 5;
  EXPECT_EQ(e.overlay->put_EnableOverlay(0, 1), S_OK);
  EXPECT_EQ(e.overlay->get_EnableOverlay(0, &enabled), S_OK);
  EXPECT_EQ(enabled, 1);
}

TEST_F(Open, WithoutEffectsWantedOrRegisteredVideoStillPlays) {
  ASSERT_TRUE(SUCCEEDED(e.Open("yuy2_pcm.avi")));
  ComPtr<IFilterGraph> graph = FindEngineGraph(e.engine.get());
  EXPECT_FALSE(FindFilter(graph.get(), L"Video Effects")) << "not wanted: not left in the graph";
  ProvideVideoEffects(false);
  e.engine->UseVideoEffects(1);
  HRESULT hr = e.Open("yuy2_pcm.avi");
  ProvideVideoEffects(true);
  ASSERT_TRUE(SUCCEEDED(hr));
  graph = FindEngineGraph(e.engine.get());
  EXPECT_FALSE(FindFilter(graph.get(), L"Video Effects"));
  EXPECT_TRUE(FindFilter(graph.get(), L"Video Renderer"));
  long enabled = 7;
  EXPECT_EQ(e.overlay->get_EnableOverlay(0, &enabled), S_OK);
  EXPECT_EQ(enabled, 0);
  EXPECT_EQ(e.overlay->put_EnableOverlay(0, 1), E_POINTER);
  EXPECT_EQ(e.streams->put_Brightness(0, 10), S_OK);
  LONGLONG frames = 9;
  EXPECT_EQ(e.streams->get_FramesPlayed(0, &frames), S_OK);
  EXPECT_EQ(frames, 0);
  ExpectPlays(e);
}

TEST_F(Open, DisablingAndEnablingVideoTakesTheChainOutAndBack) {
  ASSERT_TRUE(SUCCEEDED(e.Open("video_only.avi")));
  ComPtr<IFilterGraph> graph = FindEngineGraph(e.engine.get());
  ASSERT_TRUE(FindFilter(graph.get(), L"Video Renderer"));
  EXPECT_EQ(e.streams->put_EnableStream(0, 0), S_OK);
  EXPECT_FALSE(FindFilter(graph.get(), L"Video Renderer"));
  long v = 0;
  EXPECT_EQ(e.streams->get_Bitrate(0, &v), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(e.streams->put_EnableStream(0, 1), S_OK);
  EXPECT_TRUE(FindFilter(graph.get(), L"Video Renderer"));
  EXPECT_EQ(e.streams->RebuildStream(0), S_OK);
  EXPECT_TRUE(FindFilter(graph.get(), L"Video Renderer"));
  ExpectPlays(e);
}

TEST_F(Open, DecoderChoiceByAnUnknownNameLeavesTheBranchWithoutAChain) {
  ASSERT_TRUE(SUCCEEDED(e.Open("video_only.avi")));
  long count = -1;
  EXPECT_EQ(e.decoders->CountSuitableDecoders(0, &count), S_OK);
  EXPECT_GE(count, 0);
  BSTR unknown = SysAllocString(L"No Such Decoder");
  EXPECT_EQ(e.decoders->UseDecoder(0, unknown), E_FAIL);
  SysFreeString(unknown);
  VARIANT_BOOL manual = 0;
  e.decoders->get_EnableManualSelection(0, &manual);
  EXPECT_EQ(manual, 1);
  // Back to automatic choice: the branch plays again.
  EXPECT_EQ(e.decoders->UseDecoder(0, nullptr), S_OK);
  e.decoders->get_EnableManualSelection(0, &manual);
  EXPECT_EQ(manual, 0);
  ExpectPlays(e);
}

TEST(Object, AggregationAskingForMoreThanIUnknownIsRefused) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IMediaEngine* engine = nullptr;
  ComPtr<IUnknown> fakeOuter;
  CreateStreamOnHGlobal(nullptr, TRUE, reinterpret_cast<IStream**>(fakeOuter.put()));
  EXPECT_EQ(CreateEngine(&engine, fakeOuter.get(), IID_IMediaEngine), CLASS_E_NOAGGREGATION);
  IUnknown* inner = nullptr;
  EXPECT_EQ(CreateEngine(reinterpret_cast<IMediaEngine**>(&inner), fakeOuter.get(), IID_IUnknown), S_OK);
  ASSERT_TRUE(inner);
  inner->Release();
}

TEST(Object, EveryInterfaceAnswersByNameThroughIDispatch) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  Engine e;
  ASSERT_EQ(e.Create(), S_OK);
  struct Call {
    REFIID iid;
    const wchar_t* member;
  };
  const Call calls[] = {{IID_IMediaEngine, L"Initialized"}, {IID_IMediaStreams, L"GetCount"},
                        {IID_IDecoderSelector, L"LoadDecoders"}, {IID_IPropertyPages, L"ShowPages"},
                        {IID_IOverlayBmp, L"EnableOverlay"}, {IID_ISubtitles, L"SetTextColor"}};
  for (const auto& c : calls) {
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(e.engine->QueryInterface(c.iid, dispatch.put_void()), S_OK);
    DISPID id = -1;
    LPOLESTR name = const_cast<LPOLESTR>(c.member);
    ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK) << c.member;
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(dispatch->GetTypeInfo(0, 0, info.put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, c.iid)) << c.member << ": each interface has its own type information";
    info->ReleaseTypeAttr(attr);
  }
  // Calls that do something, by name.
  ComPtr<IDispatch> engineDispatch;
  e.engine.query(IID_IDispatch, engineDispatch);
  DISPID id = 0;
  LPOLESTR name = const_cast<LPOLESTR>(L"FileName");
  ASSERT_EQ(engineDispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_BSTR;
  arg.bstrVal = Bstr(Media("tone.wav"));
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params = {&arg, &put, 1, 1};
  EXPECT_EQ(engineDispatch->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr), S_OK);
  VariantClear(&arg);
  ComPtr<IDispatch> streamsDispatch;
  ASSERT_EQ(e.engine->QueryInterface(IID_IMediaStreams, streamsDispatch.put_void()), S_OK);
  name = const_cast<LPOLESTR>(L"GetCount");
  streamsDispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id);
  VARIANT result;
  VariantInit(&result);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(streamsDispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr), S_OK);
  EXPECT_EQ(result.vt, VT_I4);
  EXPECT_EQ(result.lVal, 1);
}

TEST(Object, TheLibraryUnloadsOnceTheLastEngineIsGone) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    Engine e;
    ASSERT_EQ(e.Create(), S_OK);
    ASSERT_TRUE(SUCCEEDED(e.Open("tone.wav")));
    EXPECT_EQ(TesselCanUnloadNow(), S_FALSE);
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
