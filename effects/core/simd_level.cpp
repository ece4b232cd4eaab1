#include "effects/core/simd_level.h"

#include <atomic>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#define EFFECTS_X86 1
#endif

namespace effects {

namespace {

#ifdef EFFECTS_X86
unsigned long long ReadXcr0() {
  unsigned eax = 0, edx = 0;
  __asm__ volatile("xgetbv" : "=a"(eax), "=d"(edx) : "c"(0));
  return (static_cast<unsigned long long>(edx) << 32) | eax;
}
#endif

SimdLevel Detect() {
#ifdef EFFECTS_X86
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return SimdLevel::kPlain;
  if (!(d & bit_SSE2)) return SimdLevel::kPlain;
  const bool osxsave = (c & bit_OSXSAVE) != 0;
  const bool avx = (c & bit_AVX) != 0;
  // AVX2 also needs the OS to save the YMM registers (XCR0 bits 1 and 2).
  if (osxsave && avx && (ReadXcr0() & 0x6) == 0x6) {
    unsigned a7 = 0, b7 = 0, c7 = 0, d7 = 0;
    if (__get_cpuid_count(7, 0, &a7, &b7, &c7, &d7) && (b7 & bit_AVX2)) return SimdLevel::kAvx2;
  }
  return SimdLevel::kSse2;
#else
  return SimdLevel::kPlain;
#endif
}

std::atomic<int>& Active() {
  static std::atomic<int> level{static_cast<int>(DetectedSimdLevel())};
  return level;
}

}  // namespace

SimdLevel DetectedSimdLevel() {
  static const SimdLevel detected = Detect();
  return detected;
}

SimdLevel ActiveSimdLevel() { return static_cast<SimdLevel>(Active().load(std::memory_order_relaxed)); }

SimdLevel SetSimdLevel(SimdLevel wanted) {
  int level = static_cast<int>(wanted);
  const int best = static_cast<int>(DetectedSimdLevel());
  if (level > best) level = best;
  if (level < 0) level = 0;
  Active().store(level, std::memory_order_relaxed);
  return static_cast<SimdLevel>(level);
}

const char* SimdLevelName(SimdLevel level) {
  switch (level) {
    case SimdLevel::kPlain: return "plain";
    case SimdLevel::kSse2: return "sse2";
    case SimdLevel::kAvx2: return "avx2";
  }
  return "unknown";
}

}  // namespace effects
