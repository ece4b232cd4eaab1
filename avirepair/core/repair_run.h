// One AVI repair run: reads a damaged AVI, writes a repaired copy whose
// "idx1" index describes exactly the chunks kept, in one pass. Every read of
// the run itself goes through one 1 MiB buffer. Where the file system copies
// between the files by itself, runs of kept chunks are copied so on a second
// thread while the run reads little more than the chunk headers; elsewhere
// small chunks are written from the buffer and runs of large ones copied
// through it. Movie data spanning more than 4 GiB is first walked once
// without writing, so that a repaired file that could not be addressed is
// refused before the output is created.
#pragma once

#include <cstdint>
#include <string>

#include "avirepair/core/repair_files.h"

namespace avirepair {

// HRESULT values the run reports (the run knows no Windows header).
constexpr uint32_t kResultOk = 0;
constexpr uint32_t kResultUnexpected = 0x8000FFFFu;  // E_UNEXPECTED: not an AVI file, or cancelled
constexpr uint32_t kResultInvalidArg = 0x80070057u;  // E_INVALIDARG: unusable paths
constexpr uint32_t kResultBadFormat = 0x8004022Fu;   // VFW_E_INVALID_FILE_FORMAT: AVI structure unusable
constexpr uint32_t kResultTooLarge = 0x800700DFu;    // ERROR_FILE_TOO_LARGE: beyond what "idx1" can express
constexpr uint32_t kResultFail = 0x80004005u;        // E_FAIL

struct RepairResult {
  uint32_t code = kResultOk;
  std::string reason;  // short, for people; empty on success
  bool Succeeded() const { return code == kResultOk; }
};

// What a run kept and dropped.
struct RepairReport {
  uint64_t chunksKept = 0;
  uint64_t videoFramesKept = 0;
  uint64_t keyFramesKept = 0;
  uint64_t audioChunksKept = 0;
  uint64_t bytesKept = 0;              // chunk bytes in the repaired movie data
  uint64_t chunksDropped = 0;          // discarded with a damaged key-frame group, or cut off
  uint64_t videoFramesDropped = 0;
  uint64_t bytesDropped = 0;
  uint64_t junkChunksSkipped = 0;      // "JUNK" inside the movie data
  uint64_t indexChunksSkipped = 0;     // "ix##" chunks, and an OpenDML first part's "idx1" (they describe the input's layout)
  uint64_t damagedStretches = 0;
  uint64_t damagedBytes = 0;           // bytes between a damaged position and the next key frame
  bool cutOffChunkDropped = false;
  bool inputHadIndex = false;          // an "idx1" followed the movie data
  bool indexWritten = false;           // the repaired file got a new "idx1"
  int keyFrameMethod = 0;              // 0 while no video chunk was seen
  uint64_t outputSize = 0;
};

// The run's link to whoever started it (Skarner, the command-line tool).
class RepairObserver {
 public:
  virtual ~RepairObserver() = default;
  // 0 to 100; called once per chunk, so keep it cheap.
  virtual void OnProgress(int percent) = 0;
  virtual bool CancelRequested() = 0;
};

// Repairs input into output. The input is only read; an output naming the
// input is refused. observer and report may be null.
RepairResult RunRepair(RepairFileSystem& files, const std::string& input, const std::string& output,
                       RepairObserver* observer, RepairReport* report);

}  // namespace avirepair
