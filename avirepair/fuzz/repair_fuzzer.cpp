// libFuzzer target: the repair run on arbitrary input bytes. Any input must
// end without a crash or a hang, and a run that reports success must have
// written a file whose index describes exactly its movie data.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "avirepair/core/repair_run.h"
#include "avirepair/tests/avi_test_files.h"
#include "avirepair/tests/memory_files.h"

using namespace avirepair;

namespace {

// Seeds the fuzzer with a real file's shape when the corpus is empty: the
// first run mutates from a small valid AVI (with an OpenDML header and an
// extension part).
const test::Bytes& SeedFile() {
  static const test::Bytes seed = [] {
    test::AviBuilder b;
    for (uint32_t i = 0; i < 6; ++i) {
      b.Add("00dc", test::Mpeg4Frame(i, i % 3 == 0, 24 + i));
      b.Add("01wb", test::AudioData(i, 13));
    }
    b.Raw(test::Chunk("JUNK", test::Bytes(6, 0)));
    test::Bytes file = b.WithOpenDmlIndex(true).Build();
    // An OpenDML extension part after the first part's index.
    test::Bytes part = test::ListHeader("movi", 4 + 2 * (8 + 24));
    for (uint32_t i = 6; i < 8; ++i) {
      test::Bytes c = test::Chunk("00dc", test::Mpeg4Frame(i, i == 6, 24));
      part.insert(part.end(), c.begin(), c.end());
    }
    test::Bytes riff = test::ListHeader("AVIX", uint32_t(4 + part.size()));
    std::copy_n("RIFF", 4, riff.begin());
    file.insert(file.end(), riff.begin(), riff.end());
    file.insert(file.end(), part.begin(), part.end());
    return file;
  }();
  return seed;
}

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed);
extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed) {
  // Now and then start again from the seed file, so mutations stay near AVI.
  if (size < 16 || seed % 16 == 0) {
    const test::Bytes& s = SeedFile();
    size = std::min(s.size(), maxSize);
    std::copy(s.begin(), s.begin() + long(size), data);
  }
  return LLVMFuzzerMutate(data, size, maxSize);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  test::MemoryFileSystem files;
  files.Put("in.avi", test::Bytes(data, data + size));
  RepairResult result = RunRepair(files, "in.avi", "out.avi", nullptr, nullptr);
  if (files.scratchOpen != 0) {
    fprintf(stderr, "temporary index left open\n");
    abort();
  }
  if (result.Succeeded()) {
    std::string problem = test::CheckRepaired(test::ParseAvi(*files.Get("out.avi")));
    if (!problem.empty()) {
      fprintf(stderr, "repaired file is inconsistent: %s\n", problem.c_str());
      abort();
    }
  }
  return 0;
}
