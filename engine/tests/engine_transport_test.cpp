// Transport through the worker thread: the end-of-stream rules for every
// combination of rewind and repeat, a user's Stop, seeking a playing file
// with sound and picture, rate changes, backward play and frame stepping.
#include <gtest/gtest.h>

#include <ole2.h>

#include "engine/tests/engine_test_support.h"

namespace tessel::testing {
namespace {

constexpr LONGLONG kSecond = 10000000;

class Transport : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ProvideVideoEffects(true);
  }
  void SetUp() override {
    ASSERT_EQ(e.Create(), S_OK);
    ASSERT_EQ(e.engine->PutCallback(&recorder), S_OK);
  }
  void TearDown() override { e.engine->Reset(); }
  void Flags(bool rewind, bool repeat) {
    e.engine->put_RewindUponComplete(rewind ? 1 : 0);
    e.engine->put_Repeat(repeat ? 1 : 0);
  }
  LONGLONG Duration() {
    LONGLONG d = 0;
    e.engine->get_Duration(&d);
    return d;
  }
  bool Completions(long n, DWORD ms) {
    return WaitUntil([&] { return recorder.Count() >= n; }, ms);
  }
  Engine e;
  CompletionRecorder recorder;
};

TEST_F(Transport, WithoutRewindTheEndIsReportedOnceAndThePositionStaysThere) {
  Flags(false, false);
  ASSERT_TRUE(SUCCEEDED(e.Open("video_only.avi")));
  ASSERT_EQ(e.engine->Play(), S_OK);
  ASSERT_TRUE(Completions(1, 6000));
  PumpFor(600);
  EXPECT_EQ(recorder.Count(), 1);
  EXPECT_GE(e.Position(), Duration() - kSecond / 5);
  EXPECT_EQ(e.GraphState(), State_Stopped);
}

TEST_F(Transport, RewindAndRepeatPlayAgainWithAReportAtEveryEnd) {
  Flags(true, true);
  ASSERT_TRUE(SUCCEEDED(e.Open("video_only.avi")));
  ASSERT_EQ(e.engine->Play(), S_OK);
  ASSERT_TRUE(Completions(2, 9000)) << recorder.Count();
  EXPECT_TRUE(WaitUntil([&] { return e.GraphState() == State_Running; }, 2000));
  EXPECT_LT(e.Position(), Duration());
}

TEST_F(Transport, RewindWithoutRepeatPausesOnTheFirstFrame) {
  Flags(true, false);
  ASSERT_TRUE(SUCCEEDED(e.Open("yuy2_pcm.avi")));
  ASSERT_EQ(e.engine->Play(), S_OK);
  ASSERT_TRUE(Completions(1, 7000));
  EXPECT_TRUE(WaitUntil([&] { return e.GraphState() == State_Paused; }, 2000));
  EXPECT_LT(e.Position(), kSecond / 10);
  PumpFor(500);
  EXPECT_EQ(recorder.Count(), 1);
}

TEST_F(Transport, AUserStopRewindsAndPausesWhateverTheFlags) {
  for (bool flag : {false, true}) {
    Flags(flag, flag);
    ASSERT_TRUE(SUCCEEDED(e.Open("yuy2_pcm.avi")));
    ASSERT_EQ(e.engine->Play(), S_OK);
    ASSERT_TRUE(WaitUntil([&] { return e.Position() > kSecond / 2; }, 3000));
    EXPECT_EQ(e.engine->Stop(), S_OK);
    EXPECT_TRUE(WaitUntil([&] { return e.GraphState() == State_Paused; }, 2000)) << flag;
    EXPECT_LT(e.Position(), kSecond / 10);
    EXPECT_EQ(recorder.Count(), 0);
  }
}

TEST_F(Transport, SeekingAPlayingFileWithSoundAndPictureStillReachesTheEnd) {
  Flags(false, false);
  for (const char* clip : {"yuy2_pcm.avi", "mjpeg_pcm.avi"}) {
    SCOPED_TRACE(clip);
    long before = recorder.Count();
    ASSERT_TRUE(SUCCEEDED(e.Open(clip)));
    ASSERT_EQ(e.engine->Play(), S_OK);
    ASSERT_TRUE(WaitUntil([&] { return e.Position() > kSecond / 2; }, 3000));
    EXPECT_EQ(e.engine->put_CurrentPosition(2 * kSecond), S_OK);
    EXPECT_GE(e.Position(), 2 * kSecond - kSecond / 10);
    EXPECT_EQ(e.GraphState(), State_Running);
    ASSERT_TRUE(Completions(before + 1, 4000));
    // Stop answers at once after the end.
    ASSERT_TRUE(SUCCEEDED(e.Open(clip)));
    ASSERT_EQ(e.engine->Play(), S_OK);
    PumpFor(300);
    EXPECT_EQ(e.engine->put_CurrentPosition(kSecond), S_OK);
    DWORD start = GetTickCount();
    EXPECT_EQ(e.engine->Stop(), S_OK);
    EXPECT_LT(GetTickCount() - start, 1000u);
  }
}

TEST_F(Transport, SeekingWhilePausedShowsTheNewPositionPaused) {
  ASSERT_TRUE(SUCCEEDED(e.Open("mjpeg_pcm.avi")));
  ASSERT_EQ(e.engine->Pause(), S_OK);
  EXPECT_EQ(e.engine->put_CurrentPosition(kSecond), S_OK);
  EXPECT_EQ(e.GraphState(), State_Paused);
  EXPECT_NEAR(double(e.Position()), double(kSecond), double(kSecond) / 10);
}

TEST_F(Transport, RateWhileStoppedStartsPlaybackAndReportsWhatIsInEffect) {
  ASSERT_TRUE(SUCCEEDED(e.Open("video_only.avi")));
  HRESULT hr = e.engine->put_Rate(2.0);
  EXPECT_TRUE(WaitUntil([&] { return e.GraphState() == State_Running; }, 2000));
  double rate = 0;
  ASSERT_EQ(e.engine->get_Rate(&rate), S_OK);
  // Either the graph plays at 2.0 and says so, or it kept its rate and the
  // call tells that it did not take effect.
  if (hr == S_OK) {
    EXPECT_DOUBLE_EQ(rate, 2.0);
  } else {
    EXPECT_EQ(hr, S_FALSE) << std::hex << hr;
    EXPECT_DOUBLE_EQ(rate, 1.0);
  }
  EXPECT_EQ(e.engine->put_Rate(0.0), E_INVALIDARG);
  EXPECT_EQ(e.engine->put_Rate(-1.0), E_INVALIDARG);
  EXPECT_EQ(e.streams->put_RateFPS(0, 0.0), E_INVALIDARG);
  EXPECT_EQ(e.streams->put_RateFPS(0, -25.0), E_INVALIDARG);
  EXPECT_EQ(e.streams->put_RateFPS(0, 50.0), hr);
  double fps = 0;
  e.streams->get_RateFPS(0, &fps);
  EXPECT_DOUBLE_EQ(fps, 50.0);
  ASSERT_TRUE(SUCCEEDED(e.Open("tone.wav")));
  EXPECT_EQ(e.streams->put_RateFPS(0, 25.0), E_INVALIDARG) << "no video stream to take the rate from";
}

TEST_F(Transport, BackwardPlayStepsDownFromThePositionAndStopsAtZero) {
  ASSERT_TRUE(SUCCEEDED(e.Open("long_yuy2_pcm.avi")));
  ASSERT_EQ(e.engine->Pause(), S_OK);
  ASSERT_EQ(e.engine->put_CurrentPosition(3 * kSecond), S_OK);
  ASSERT_EQ(e.engine->PlayBackwards(), S_OK);
  std::vector<LONGLONG> seen;
  WaitUntil([&] {
    LONGLONG p = e.Position();
    if (seen.empty() || seen.back() != p) seen.push_back(p);
    return p == 0;
  }, 8000);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), 0);
  ASSERT_GE(seen.size(), 10u) << "steps of 0.1 s from 3 s";
  for (size_t i = 1; i < seen.size(); ++i) EXPECT_LT(seen[i], seen[i - 1]) << i;
  PumpFor(400);
  EXPECT_EQ(e.Position(), 0) << "never below the start";
  EXPECT_EQ(e.GraphState(), State_Paused);
}

TEST_F(Transport, FrameSteppingIsOnlyOfferedWhereTheGraphCanStep) {
  ASSERT_TRUE(SUCCEEDED(e.Open("video_only.avi")));
  VARIANT_BOOL can = 7;
  ASSERT_EQ(e.engine->CanFrameStep(1, &can), S_OK);
  HRESULT step = e.engine->FrameStep(1);
  EXPECT_EQ(SUCCEEDED(step), can != 0);
}

TEST_F(Transport, AFailingReceiverDoesNotEndReportingForTheNextFile) {
  Flags(false, false);
  recorder.result = E_FAIL;
  ASSERT_TRUE(SUCCEEDED(e.Open("video_only.avi")));
  ASSERT_EQ(e.engine->Play(), S_OK);
  ASSERT_TRUE(Completions(1, 6000));
  recorder.result = S_OK;
  ASSERT_TRUE(SUCCEEDED(e.Open("tone.wav")));
  ASSERT_EQ(e.engine->Play(), S_OK);
  EXPECT_TRUE(Completions(2, 6000));
}

TEST_F(Transport, CallbackArgumentsAreChecked) {
  EXPECT_EQ(e.engine->PutCallback(nullptr), E_POINTER);
  ComPtr<IUnknown> notANotify;
  CreateStreamOnHGlobal(nullptr, TRUE, reinterpret_cast<IStream**>(notANotify.put()));
  EXPECT_EQ(e.engine->PutCallback(notANotify.get()), E_NOINTERFACE);
}

}  // namespace
}  // namespace tessel::testing

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc > 1) tessel::testing::SetMediaFolder(argv[1]);
  return RUN_ALL_TESTS();
}
