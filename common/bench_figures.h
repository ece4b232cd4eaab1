#pragma once
// Timing for the project's benchmark programs: a millisecond clock and the
// median, minimum and maximum of a set of runs.
#include <windows.h>

#include <algorithm>
#include <vector>

namespace bench {

// Milliseconds from an arbitrary start, at the performance counter's
// resolution.
inline double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return double(t.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

struct Figures {
  double min = 0, median = 0, max = 0;
};

inline Figures Summary(std::vector<double> v) {
  Figures f;
  if (v.empty()) return f;
  std::sort(v.begin(), v.end());
  f.min = v.front();
  f.max = v.back();
  f.median = v[v.size() / 2];
  return f;
}

}  // namespace bench
