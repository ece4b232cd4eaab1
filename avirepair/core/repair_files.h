// The small file interface the repair run works over. The run itself knows
// no platform: Skarn.dll hands it Win32 files, the native build POSIX files,
// the tests and the fuzzer whatever they need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace avirepair {

// A failure reported by a file operation: an HRESULT-style code (system
// errors as 0x8007xxxx) and the system's own words for it.
struct FileError {
  uint32_t code = 0;
  std::string text;
};

// One open file with positional reads and writes (64-bit positions).
class RepairFile {
 public:
  virtual ~RepairFile() = default;
  // Reads up to len bytes at pos; *got < len only at the end of the file.
  virtual bool Read(uint64_t pos, void* data, size_t len, size_t* got, FileError* error) = 0;
  // Writes all len bytes at pos, growing the file as needed.
  virtual bool Write(uint64_t pos, const void* data, size_t len, FileError* error) = 0;
  virtual bool Size(uint64_t* size, FileError* error) = 0;
  // Sets the end of the file.
  virtual bool Truncate(uint64_t size, FileError* error) = 0;
  // Copies len bytes at pos in this file to at in out. This default reads
  // and writes through buffer (its contents are lost); a file system may copy
  // without bringing the bytes to the caller. Reaching the end of this file
  // before len bytes fails with kEndOfFile.
  virtual bool CopyTo(RepairFile& out, uint64_t pos, uint64_t at, uint64_t len, uint8_t* buffer, size_t bufferSize,
                      FileError* error);
};

// ERROR_HANDLE_EOF as an HRESULT: a copy ran into the end of its source.
constexpr uint32_t kEndOfFile = 0x80070026u;

class RepairFileSystem {
 public:
  virtual ~RepairFileSystem() = default;
  // Opens an existing file for reading only; never creates one.
  virtual std::unique_ptr<RepairFile> OpenInput(const std::string& path, FileError* error) = 0;
  // Creates the output, replacing an old file of that name.
  virtual std::unique_ptr<RepairFile> CreateOutput(const std::string& path, FileError* error) = 0;
  // Creates a new file with a unique name in the folder of besidePath. The
  // file disappears when it is closed, however the run ended.
  virtual std::unique_ptr<RepairFile> CreateScratch(const std::string& besidePath, FileError* error) = 0;
  // True when path names the already opened file (through any spelling or
  // link). False when path does not exist.
  virtual bool IsSameFile(RepairFile& opened, const std::string& path) = 0;
};

}  // namespace avirepair
