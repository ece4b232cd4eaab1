// Damaged copies of encoder-made AVI files, shared by the ffmpeg (native)
// and DirectShow (Wine) playback tests.
#pragma once

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "avirepair/tests/avi_test_files.h"

namespace avirepair::test {

struct MediaVariant {
  std::string name;
  Bytes data;
};

inline Bytes ReadWhole(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

inline bool WriteWhole(const std::string& path, const Bytes& data) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(data.data()), long(data.size()));
  return bool(f);
}

// The file as made, cut off at 70 %, without its index, and with 3000 bytes
// of damage at 40 % of the movie data.
inline std::vector<MediaVariant> MediaVariants(const Bytes& input) {
  std::vector<MediaVariant> v;
  v.push_back({"intact", input});
  ParsedAvi avi = ParseAvi(input);
  uint64_t movieEnd = avi.moviStart + avi.moviSize;
  Bytes cut = input;
  cut.resize(size_t(avi.moviStart + (movieEnd - avi.moviStart) * 7 / 10 + 3));
  v.push_back({"cut", cut});
  Bytes noIndex = input;
  noIndex.resize(size_t(movieEnd));
  v.push_back({"noindex", noIndex});
  Bytes damaged = input;
  Bytes junk = RandomBytes(3000, 42);
  std::memcpy(&damaged[size_t(avi.moviStart + (movieEnd - avi.moviStart) * 4 / 10)], junk.data(), junk.size());
  v.push_back({"damaged", damaged});
  return v;
}

}  // namespace avirepair::test
