// Files in memory for the repair run: fast for the fuzzer, and able to fail
// on purpose for the tests.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "avirepair/core/repair_files.h"
#include "avirepair/tests/avi_test_files.h"

namespace avirepair::test {

class MemoryFileSystem final : public RepairFileSystem {
 public:
  std::map<std::string, std::shared_ptr<Bytes>> files;
  // Writes to the output fail once it would grow past this many bytes.
  uint64_t outputLimit = ~uint64_t(0);
  int scratchOpen = 0;     // scratch files alive right now
  int scratchCreated = 0;
  uint64_t outputBytesWritten = 0;
  // When set, the input claims this size whatever it holds (as a file does
  // that shrinks after the run measured it).
  uint64_t claimedInputSize = 0;
  // When set, the input copies to the output by itself (as a kernel copy
  // does), never through the caller's buffer, and says so.
  bool copiesWithoutBuffer = false;
  // Such copies fail with kDataError on reaching this input position, after
  // the bytes before it went to the output.
  uint64_t failCopiesFrom = ~uint64_t(0);
  uint64_t inputBytesRead = 0;  // by Read, not by copies

  static constexpr uint32_t kDataError = 0x80070017u;  // ERROR_CRC

  void Put(const std::string& name, const Bytes& data) { files[name] = std::make_shared<Bytes>(data); }
  const Bytes* Get(const std::string& name) const {
    auto it = files.find(name);
    return it == files.end() ? nullptr : it->second.get();
  }

  std::unique_ptr<RepairFile> OpenInput(const std::string& path, FileError* error) override;
  std::unique_ptr<RepairFile> CreateOutput(const std::string& path, FileError* error) override;
  std::unique_ptr<RepairFile> CreateScratch(const std::string& besidePath, FileError* error) override;
  bool IsSameFile(RepairFile& opened, const std::string& path) override;
};

}  // namespace avirepair::test
