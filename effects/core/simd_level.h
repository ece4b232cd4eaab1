#pragma once
// Which packed-integer paths the pixel code uses. The best level the CPU (and
// its operating system) offers is found once with cpuid; a program or test may
// ask for a lower one, for example to force the plain per-pixel loops.

namespace effects {

enum class SimdLevel : int {
  kPlain = 0,  // portable per-pixel loops, the reference for every fast path
  kSse2 = 1,   // 128-bit paths
  kAvx2 = 2,   // 256-bit paths
};

// Best level this CPU and OS support.
SimdLevel DetectedSimdLevel();

// Level the pixel code uses now (the detected one unless lowered).
SimdLevel ActiveSimdLevel();

// Asks for a level; it is capped at the detected one. Returns the level now
// in effect. Meant for start-up, tools and tests, not for use mid-stream.
SimdLevel SetSimdLevel(SimdLevel wanted);

// "plain", "sse2" or "avx2".
const char* SimdLevelName(SimdLevel level);

}  // namespace effects
