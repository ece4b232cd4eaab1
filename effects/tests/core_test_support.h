#pragma once
// Helpers shared by the pixel-core tests.

#include <cstdint>
#include <random>
#include <vector>

#include "effects/core/simd_level.h"

namespace effects {
namespace test {

inline std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> bytes(size);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng() >> 24);
  return bytes;
}

// Every packed level this machine can run (not the plain one).
inline std::vector<SimdLevel> FastLevels() {
  std::vector<SimdLevel> levels;
  for (int l = static_cast<int>(SimdLevel::kSse2); l <= static_cast<int>(DetectedSimdLevel()); ++l)
    levels.push_back(static_cast<SimdLevel>(l));
  return levels;
}

// Sets a level for one scope and restores the detected one afterwards.
class ScopedSimdLevel {
 public:
  explicit ScopedSimdLevel(SimdLevel level) { SetSimdLevel(level); }
  ~ScopedSimdLevel() { SetSimdLevel(DetectedSimdLevel()); }
};

}  // namespace test
}  // namespace effects
