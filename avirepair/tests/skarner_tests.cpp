// Skarn.dll under Wine: registration, creation by ProgID, repairs through
// ISkarner, cancellation, destruction during a run, and the outcome through
// ISkarnerResult.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "avirepair/core/repair_run.h"
#include "avirepair/tests/media_variants.h"
#include "avirepair/tests/repair_test_util.h"
#include "avirepair/tests/win_test_util.h"
#include "common/com/com_ptr.h"
#include "skarn.h"

namespace fs = std::filesystem;
using zelvo::com::ComPtr;

namespace avirepair::test {
namespace {

std::string g_dll;
HMODULE g_module = nullptr;

std::wstring ReadKey(const std::wstring& key, const wchar_t* value = nullptr) {
  wchar_t data[512] = {};
  DWORD size = sizeof data;
  LONG rc = RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), value, RRF_RT_REG_SZ, nullptr, data, &size);
  return rc == ERROR_SUCCESS ? data : L"<missing>";
}

bool KeyExists(const std::wstring& key) {
  HKEY k = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

class Bstr {
 public:
  explicit Bstr(const std::string& s) : b_(SysAllocString(Wide(s).c_str())) {}
  ~Bstr() { SysFreeString(b_); }
  operator BSTR() const { return b_; }

 private:
  BSTR b_;
};

class SkarnerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    g_module = LoadLibraryA(g_dll.c_str());
    ASSERT_NE(g_module, nullptr) << g_dll;
    auto reg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(GetProcAddress(g_module, "DllRegisterServer")));
    ASSERT_NE(reg, nullptr);
    ASSERT_EQ(reg(), S_OK);
  }
  static void TearDownTestSuite() { CoUninitialize(); }

  void SetUp() override {
    dir_ = FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(L"Skarn.Skarner.1", &clsid), S_OK);
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_ISkarner, skarner_.put_void()), S_OK);
  }
  void TearDown() override {
    skarner_ = nullptr;
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Paths(const std::string& in, const std::string& out) {
    EXPECT_EQ(skarner_->SetInputFile(Bstr(Path(in))), S_OK);
    EXPECT_EQ(skarner_->SetOutputFile(Bstr(Path(out))), S_OK);
  }
  LONG Percent() {
    LONG p = -1;
    EXPECT_EQ(skarner_->GetPercentComplete(&p), S_OK);
    return p;
  }
  bool Completed() {
    VARIANT_BOOL c = -1;
    EXPECT_EQ(skarner_->IsCompleted(&c), S_OK);
    EXPECT_TRUE(c == 0 || c == 1) << c;
    return c != 0;
  }
  // Polls like the player's dialog; the percentages seen, in order.
  std::vector<LONG> WaitCompleted(int seconds = 60) {
    std::vector<LONG> seen;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!Completed() && std::chrono::steady_clock::now() < end) {
      seen.push_back(Percent());
      Sleep(2);
    }
    seen.push_back(Percent());
    return seen;
  }
  bool WaitPercentAtLeast(LONG p) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < end) {
      if (Percent() >= p) return true;
      Sleep(1);
    }
    return false;
  }
  std::pair<LONG, std::string> Result(HRESULT expect = S_OK) {
    ComPtr<ISkarnerResult> result;
    EXPECT_EQ(skarner_.query(IID_ISkarnerResult, result), S_OK);
    LONG code = -1;
    BSTR reason = nullptr;
    EXPECT_EQ(result->GetResult(&code, &reason), expect);
    std::wstring w = reason ? reason : L"";
    SysFreeString(reason);
    return {code, std::string(w.begin(), w.end())};
  }
  // A file large enough that a run lasts a while.
  void WriteLongFile(const std::string& name) {
    AviBuilder b;
    for (uint32_t i = 0; i < 40000; ++i) b.Add("00dc", Mpeg4Frame(i, i % 25 == 0, 1500));
    ASSERT_TRUE(WriteWhole(Path(name), b.Build()));
  }
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_;
  ComPtr<ISkarner> skarner_;
};

TEST_F(SkarnerTest, RegistrationWritesClassProgIdAppIdAndTypeLibrary) {
  const std::wstring clsid = L"CLSID\\{2225E9BC-AFB3-4ED4-B20E-4F6CF1C39F8B}";
  EXPECT_EQ(ReadKey(clsid), L"Skarner Class");
  std::wstring server = ReadKey(clsid + L"\\InprocServer32");
  EXPECT_NE(server.find(L"Skarn.dll"), std::wstring::npos) << std::string(server.begin(), server.end());
  EXPECT_EQ(ReadKey(clsid + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(ReadKey(clsid + L"\\ProgID"), L"Skarn.Skarner.1");
  EXPECT_EQ(ReadKey(clsid + L"\\VersionIndependentProgID"), L"Skarn.Skarner");
  EXPECT_TRUE(KeyExists(clsid + L"\\Programmable"));
  EXPECT_EQ(ReadKey(clsid, L"AppID"), L"{B7F126A7-ACA2-4EEA-AABA-D02B0A25A152}");
  EXPECT_EQ(ReadKey(clsid + L"\\TypeLib"), L"{4D028583-2F64-4D88-877F-E795E2A38639}");
  EXPECT_EQ(ReadKey(L"Skarn.Skarner\\CurVer"), L"Skarn.Skarner.1");
  EXPECT_EQ(ReadKey(L"Skarn.Skarner.1\\CLSID"), L"{2225E9BC-AFB3-4ED4-B20E-4F6CF1C39F8B}");
  EXPECT_EQ(ReadKey(L"AppID\\{B7F126A7-ACA2-4EEA-AABA-D02B0A25A152}"), L"Skarn");
  EXPECT_EQ(ReadKey(L"AppID\\Skarn.DLL", L"AppID"), L"{B7F126A7-ACA2-4EEA-AABA-D02B0A25A152}");
  EXPECT_TRUE(KeyExists(L"TypeLib\\{4D028583-2F64-4D88-877F-E795E2A38639}\\1.0"));
  EXPECT_TRUE(KeyExists(L"Interface\\{EEC46E30-C3E2-47A0-843B-1DFF5D96C08E}"));
}

TEST_F(SkarnerTest, RepairRunsToCompletionWithRisingProgress) {
  AviBuilder b = Movie(3000, 25);
  Bytes input = b.WithIndex(false).Build();
  input.resize(input.size() - 50);
  ASSERT_TRUE(WriteWhole(Path("in.avi"), input));
  Paths("in.avi", "out.avi");
  EXPECT_EQ(Result(S_FALSE).first, 0);
  ASSERT_EQ(skarner_->StartFix(), S_OK);
  std::vector<LONG> seen = WaitCompleted();
  ASSERT_TRUE(Completed());
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), 100);
  EXPECT_EQ(Result(), std::make_pair(LONG(S_OK), std::string()));
  ParsedAvi avi = ParseAvi(ReadWhole(Path("out.avi")));
  EXPECT_EQ(CheckRepaired(avi), "");
  EXPECT_EQ(avi.chunks.size(), 5999u);  // the cut-off last audio chunk is gone
  EXPECT_EQ(ReadWhole(Path("in.avi")), input);
  EXPECT_EQ(Listing(), (std::vector<std::string>{"in.avi", "out.avi"}));
}

TEST_F(SkarnerTest, DispatchSideNamesTheSixMethods) {
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(skarner_.query(IID_IDispatch, dispatch), S_OK);
  const wchar_t* names[] = {L"StartFix", L"Cancel", L"SetInputFile", L"SetOutputFile", L"GetPercentComplete",
                            L"IsCompleted"};
  for (int i = 0; i < 6; ++i) {
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(names[i]);
    ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    EXPECT_EQ(id, i + 1);
  }
  // SetInputFile through Invoke reaches the object.
  Bytes text = {'h', 'i'};
  ASSERT_TRUE(WriteWhole(Path("a.txt"), text));
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_BSTR;
  arg.bstrVal = SysAllocString(Wide(Path("a.txt")).c_str());
  DISPPARAMS params = {&arg, nullptr, 1, 0};
  EXPECT_EQ(dispatch->Invoke(3, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
  VariantClear(&arg);
  EXPECT_EQ(skarner_->SetOutputFile(Bstr(Path("b.avi"))), S_OK);
  EXPECT_EQ(skarner_->StartFix(), S_OK);
  WaitCompleted();
  EXPECT_EQ(Result().first, LONG(kResultUnexpected));
}

TEST_F(SkarnerTest, TextFileCompletesAtOnceWithAFailureResult) {
  Bytes text = {'j', 'u', 's', 't', ' ', 't', 'e', 'x', 't', '\n'};
  ASSERT_TRUE(WriteWhole(Path("notes.txt"), text));
  Paths("notes.txt", "out.avi");
  ASSERT_EQ(skarner_->StartFix(), S_OK);
  WaitCompleted(10);
  EXPECT_TRUE(Completed());
  EXPECT_EQ(Percent(), 0);
  auto result = Result();
  EXPECT_EQ(result.first, LONG(0x8000FFFF));
  EXPECT_NE(result.second.find("not an AVI"), std::string::npos) << result.second;
  EXPECT_EQ(Listing(), std::vector<std::string>{"notes.txt"});
  EXPECT_EQ(ReadWhole(Path("notes.txt")), text);
}

TEST_F(SkarnerTest, StartFixClearsTheLastRunsCompletion) {
  Bytes text = {'x'};
  ASSERT_TRUE(WriteWhole(Path("a.txt"), text));
  Paths("a.txt", "out.avi");
  ASSERT_EQ(skarner_->StartFix(), S_OK);
  WaitCompleted(10);
  ASSERT_TRUE(Completed());
  WriteLongFile("long.avi");  // long enough to be still running when polled
  EXPECT_EQ(skarner_->SetInputFile(Bstr(Path("long.avi"))), S_OK);
  ASSERT_EQ(skarner_->StartFix(), S_OK);
  EXPECT_FALSE(Completed());
  EXPECT_EQ(Result(S_FALSE).first, 0);
  WaitCompleted();
  EXPECT_TRUE(Completed());
  EXPECT_EQ(Result().first, S_OK);
}

TEST_F(SkarnerTest, MissingInputAndOutputNamingTheInputFailWithoutHarm) {
  Paths("missing.avi", "out.avi");
  ASSERT_EQ(skarner_->StartFix(), S_OK);
  WaitCompleted(10);
  EXPECT_EQ(Result().first, LONG(0x80070002));
  EXPECT_TRUE(Listing().empty());

  Bytes input = Movie(20, 5).Build();
  ASSERT_TRUE(WriteWhole(Path("in.avi"), input));
  EXPECT_EQ(skarner_->SetInputFile(Bstr(Path("in.avi"))), S_OK);
  EXPECT_EQ(skarner_->SetOutputFile(Bstr((dir_ / "." / "IN.AVI").string())), S_OK);
  ASSERT_EQ(skarner_->StartFix(), S_OK);
  WaitCompleted(10);
  auto result = Result();
  EXPECT_EQ(result.first, LONG(kResultInvalidArg));
  EXPECT_NE(result.second.find("input"), std::string::npos);
  EXPECT_EQ(ReadWhole(Path("in.avi")), input);
}

TEST_F(SkarnerTest, CancelStopsARunningRepair) {
  WriteLongFile("long.avi");
  Paths("long.avi", "out.avi");
  ASSERT_EQ(skarner_->StartFix(), S_OK);
  ASSERT_TRUE(WaitPercentAtLeast(1));
  ASSERT_FALSE(Completed()) << "the run ended before it could be cancelled";
  EXPECT_EQ(skarner_->Cancel(), S_OK);
  EXPECT_EQ(Percent(), 0);
  EXPECT_FALSE(Completed());
  auto result = Result();
  EXPECT_EQ(result.first, LONG(kResultUnexpected));
  EXPECT_NE(result.second.find("cancel"), std::string::npos);
  EXPECT_FALSE(ParseAvi(ReadWhole(Path("out.avi"))).hasIndex);
  EXPECT_EQ(Listing(), (std::vector<std::string>{"long.avi", "out.avi"}));
  // Cancel when idle returns at once; the next StartFix runs normally.
  EXPECT_EQ(skarner_->Cancel(), S_OK);
  Paths("long.avi", "again.avi");
  ASSERT_EQ(skarner_->StartFix(), S_OK);
  WaitCompleted();
  EXPECT_TRUE(Completed());
  EXPECT_EQ(Result().first, S_OK);
}

// Cancel, or the object's destruction, right after StartFix: the worker
// has most likely not taken the request yet. The request is dropped, so no
// run starts after Cancel has returned and no output appears. (A worker
// quick enough to begin the run first is cancelled in it, and may leave an
// output; it must not win every time.)
TEST_F(SkarnerTest, CancelOrDestructionRightAfterStartFixDropsTheRequest) {
  ASSERT_TRUE(WriteWhole(Path("in.avi"), Movie(2000, 25).Build()));
  const int kAttempts = 10;
  int created = 0;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::string out = "out" + std::to_string(attempt) + ".avi";
    ComPtr<ISkarner> other;
    ASSERT_EQ(CoCreateInstance(CLSID_Skarner, nullptr, CLSCTX_INPROC_SERVER, IID_ISkarner, other.put_void()), S_OK);
    EXPECT_EQ(other->SetInputFile(Bstr(Path("in.avi"))), S_OK);
    EXPECT_EQ(other->SetOutputFile(Bstr(Path(out))), S_OK);
    ASSERT_EQ(other->StartFix(), S_OK);
    if (attempt % 2 == 0) {
      ASSERT_EQ(other->Cancel(), S_OK);
      VARIANT_BOOL completed = -1;
      EXPECT_EQ(other->IsCompleted(&completed), S_OK);
      EXPECT_EQ(completed, 0);
    }
    other = nullptr;  // waits for the worker to end: every queued request has been handled
    created += fs::exists(Path(out));
  }
  EXPECT_LT(created, kAttempts / 2);
}

// Whether the second StartFix queues a second run depends on whether the
// worker has already taken the first request (then a run is in progress and
// it is ignored). Either way the object ends completed with a sound file:
// the second run, when there is one, writes the output named after it.
TEST_F(SkarnerTest, StartFixTwiceInARowEndsCompleted) {
  ASSERT_TRUE(WriteWhole(Path("in.avi"), Movie(2000, 25).Build()));
  Paths("in.avi", "first.avi");
  ASSERT_EQ(skarner_->StartFix(), S_OK);
  ASSERT_EQ(skarner_->StartFix(), S_OK);
  EXPECT_EQ(skarner_->SetOutputFile(Bstr(Path("second.avi"))), S_OK);
  WaitCompleted();
  Sleep(300);  // a queued second run starts and ends in this time
  WaitCompleted();
  EXPECT_TRUE(Completed());
  EXPECT_EQ(Result().first, S_OK);
  ASSERT_TRUE(fs::exists(Path("first.avi")) || fs::exists(Path("second.avi")));
  for (const char* name : {"first.avi", "second.avi"}) {
    if (fs::exists(Path(name))) {
      EXPECT_EQ(CheckRepaired(ParseAvi(ReadWhole(Path(name)))), "") << name;
    }
  }
}

TEST_F(SkarnerTest, DestroyingTheObjectDuringARunStopsIt) {
  WriteLongFile("long.avi");
  Paths("long.avi", "out.avi");
  ASSERT_EQ(skarner_->StartFix(), S_OK);
  ASSERT_TRUE(WaitPercentAtLeast(1));
  skarner_ = nullptr;  // the last reference: waits for the worker to end
  EXPECT_EQ(Listing(), (std::vector<std::string>{"long.avi", "out.avi"}));
  EXPECT_FALSE(ParseAvi(ReadWhole(Path("out.avi"))).hasIndex);
  CoFreeUnusedLibraries();
  auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(GetProcAddress(g_module, "DllCanUnloadNow")));
  EXPECT_EQ(canUnload(), S_OK);
}

}  // namespace
}  // namespace avirepair::test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc > 1) avirepair::test::g_dll = avirepair::test::WinePath(argv[1]);
  return RUN_ALL_TESTS();
}
