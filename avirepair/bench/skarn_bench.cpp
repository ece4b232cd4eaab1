// skarn_bench SKARN.DLL INPUT.avi WORKDIR [ROUNDS]: under Wine (or Windows),
// repairs INPUT with the Skarner object of SKARN.DLL (created through the
// DLL's own class factory, so nothing is registered) and copies INPUT with
// CopyFileW, alternately, ROUNDS times each (5 by default) in this one
// process. Prints every round, the medians, the repair's throughput as a
// share of CopyFileW's, and the machine. The input is read once first, so
// both find it in the page cache.
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/bench_figures.h"
#include "skarn.h"

namespace {

std::wstring Wide(const char* s) {
  int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
  std::wstring w(size_t(n > 0 ? n : 1), L'\0');
  MultiByteToWideChar(CP_ACP, 0, s, -1, &w[0], n);
  w.resize(wcslen(w.c_str()));
  return w;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

uint64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

// Reads the file through once, so that every timed run finds it cached.
bool Warm(const std::wstring& path) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  std::vector<char> buffer(1 << 20);
  DWORD n = 0;
  while (ReadFile(f, buffer.data(), DWORD(buffer.size()), &n, nullptr) && n > 0) {
  }
  CloseHandle(f);
  return true;
}

std::string Processor() {
  char name[256] = {};
  DWORD size = sizeof name - 1;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", "ProcessorNameString",
                   RRF_RT_REG_SZ, nullptr, name, &size) != ERROR_SUCCESS)
    return "unknown processor";
  std::string s(name);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// One repair through ISkarner: seconds, or a negative value when it failed.
double TimedRepair(ISkarner* skarner, const std::wstring& input, const std::wstring& output) {
  BSTR in = SysAllocString(input.c_str()), out = SysAllocString(output.c_str());
  skarner->SetInputFile(in);
  skarner->SetOutputFile(out);
  SysFreeString(in);
  SysFreeString(out);
  ISkarnerResult* result = nullptr;
  if (FAILED(skarner->QueryInterface(IID_ISkarnerResult, reinterpret_cast<void**>(&result)))) return -1;
  double start = bench::Now();
  double seconds = -1;
  if (SUCCEEDED(skarner->StartFix())) {
    // The outcome is there once the run has ended; asking often keeps the
    // wait from adding to the measured time.
    for (;;) {
      LONG hr = 0;
      BSTR reason = nullptr;
      HRESULT has = result->GetResult(&hr, &reason);
      if (has == S_OK) {
        seconds = (bench::Now() - start) / 1000.0;
        if (FAILED(hr)) {
          fwprintf(stderr, L"skarn_bench: the repair failed: 0x%08lX %ls\n", hr, reason ? reason : L"");
          seconds = -1;
        }
      }
      SysFreeString(reason);
      if (has != S_FALSE) break;
      Sleep(1);
    }
  }
  result->Release();
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: skarn_bench SKARN.DLL INPUT.avi WORKDIR [ROUNDS]\n");
    return 2;
  }
  int rounds = argc > 4 ? std::max(1, atoi(argv[4])) : 5;
  std::wstring input = Wide(argv[2]), work = Wide(argv[3]);
  std::wstring repaired = work + L"\\skarn-bench-repaired.avi", copied = work + L"\\skarn-bench-copied.avi";
  uint64_t size = FileSize(input);
  if (!size || !Warm(input)) {
    fprintf(stderr, "skarn_bench: cannot read %s\n", argv[2]);
    return 1;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  HMODULE dll = LoadLibraryA(argv[1]);
  auto getClass = dll ? reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
                            reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")))
                      : nullptr;
  IClassFactory* factory = nullptr;
  ISkarner* skarner = nullptr;
  if (!getClass || FAILED(getClass(CLSID_Skarner, IID_IClassFactory, reinterpret_cast<void**>(&factory))) ||
      FAILED(factory->CreateInstance(nullptr, IID_ISkarner, reinterpret_cast<void**>(&skarner)))) {
    fprintf(stderr, "skarn_bench: cannot create the Skarner object of %s\n", argv[1]);
    return 1;
  }
  factory->Release();

  SYSTEM_INFO system;
  GetSystemInfo(&system);
  printf("machine: %lu cores, %s\n", system.dwNumberOfProcessors, Processor().c_str());
  printf("input: %s, %.1f MB, in the page cache\n", argv[2], size / 1e6);
  std::vector<double> skarn, copy;
  for (int round = 0; round < rounds; ++round) {
    double r = TimedRepair(skarner, input, repaired);
    double c0 = bench::Now();
    BOOL copiedOk = CopyFileW(input.c_str(), copied.c_str(), FALSE);
    double c = (bench::Now() - c0) / 1000.0;
    if (r < 0 || !copiedOk) {
      fprintf(stderr, "skarn_bench: round %d failed (%s)\n", round + 1, r < 0 ? "repair" : "CopyFileW");
      return 1;
    }
    skarn.push_back(r);
    copy.push_back(c);
    printf("round %d: Skarn repair %.3f s (%.0f MB/s), CopyFileW %.3f s (%.0f MB/s)\n", round + 1, r, size / 1e6 / r, c,
           size / 1e6 / c);
    DeleteFileW(repaired.c_str());
    DeleteFileW(copied.c_str());
  }
  double r = Median(skarn), c = Median(copy);
  printf("median of %d: Skarn repair %.3f s (%.0f MB/s), CopyFileW %.3f s (%.0f MB/s)\n", rounds, r, size / 1e6 / r, c,
         size / 1e6 / c);
  printf("Skarn's throughput / CopyFileW's: %.2f\n", c / r);
  skarner->Release();
  CoUninitialize();
  return 0;
}
