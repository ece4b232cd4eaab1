// Shared helpers of the repair tests.
#pragma once

#include <string>

#include "avirepair/core/repair_run.h"
#include "avirepair/tests/avi_test_files.h"
#include "avirepair/tests/memory_files.h"

namespace avirepair::test {

struct Outcome {
  RepairResult result;
  RepairReport report;
  bool outputExists = false;
  Bytes output;
  ParsedAvi avi;
  int scratchLeftOpen = 0;
  int scratchCreated = 0;
  uint64_t outputBytesWritten = 0;
  uint64_t inputBytesRead = 0;
};

// Repairs input as "in.avi" of fs (set up as the test needs) into "out.avi".
inline Outcome RepairIn(MemoryFileSystem& fs, const Bytes& input, RepairObserver* observer = nullptr) {
  fs.Put("in.avi", input);
  Outcome o;
  o.result = RunRepair(fs, "in.avi", "out.avi", observer, &o.report);
  if (const Bytes* out = fs.Get("out.avi")) {
    o.outputExists = true;
    o.output = *out;
    o.avi = ParseAvi(o.output);
  }
  o.scratchLeftOpen = fs.scratchOpen;
  o.scratchCreated = fs.scratchCreated;
  o.outputBytesWritten = fs.outputBytesWritten;
  o.inputBytesRead = fs.inputBytesRead;
  return o;
}

inline Outcome RepairInMemory(const Bytes& input, RepairObserver* observer = nullptr,
                              uint64_t outputLimit = ~uint64_t(0), uint64_t claimedInputSize = 0) {
  MemoryFileSystem fs;
  fs.outputLimit = outputLimit;
  fs.claimedInputSize = claimedInputSize;
  return RepairIn(fs, input, observer);
}

// Frames of 50 KB (odd sizes among them) with sound, damage at frame 150
// and JUNK after frame 30: over 10 MB, so that it is copied in several runs
// (by the kernel, where it copies between files, while the run reads the
// chunk headers).
inline Bytes LargeChunkMovie(bool index) {
  AviBuilder b;
  for (uint32_t i = 0; i < 200; ++i) {
    if (i == 150) b.Raw(RandomBytes(777, 9));
    b.Add("00dc", Mpeg4Frame(i, i % 80 == 0, 50001 + 13 * (i % 7)));
    b.Add("01wb", AudioData(i, 7057));
    if (i == 30) b.Raw(Chunk("JUNK", Bytes(70000, 0)));
  }
  return b.WithIndex(index).Build();
}

// frames video frames (MPEG-4 style, a key frame every keyEvery), each
// followed by an audio chunk when audio is set.
inline AviBuilder Movie(uint32_t frames, uint32_t keyEvery, bool audio = true) {
  AviBuilder b;
  for (uint32_t i = 0; i < frames; ++i) {
    b.Add("00dc", Mpeg4Frame(i, i % keyEvery == 0, 300 + (i % 5)));
    if (audio) b.Add("01wb", AudioData(i, 101));
  }
  return b;
}

}  // namespace avirepair::test
