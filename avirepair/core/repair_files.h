// The small file interface the repair run works over. The run itself knows
// no platform: Skarn.dll hands it Win32 files, the native build POSIX files,
// the tests and the fuzzer whatever they need.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

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
  // True when CopyTo to out moves the bytes itself, without the caller's
  // buffer (the system copies between the files): a caller then reads no
  // more than it has to look at. Such a file also allows Read on one thread
  // while CopyTo to out runs on another.
  virtual bool CopiesWithoutBuffer(RepairFile& out) { return false; }
  // Sets aside room for the file to grow to about size bytes, leaving its
  // size as it is: a hint, which may do nothing. Room the file does not use
  // is given back when it is cut or closed.
  virtual void Reserve(uint64_t size) {}
};

// ERROR_HANDLE_EOF as an HRESULT: a copy ran into the end of its source.
constexpr uint32_t kEndOfFile = 0x80070026u;

// Copies ranges of one file to another on a thread of its own, one after
// the other in the order given, while the caller goes on with its work
// (reading from, for one). The caller leaves to alone until Wait returned.
// Where no thread can be started, each copy is made at once in Add.
class CopyQueue {
 public:
  // Copies waiting at most: Add waits for the thread beyond that.
  static constexpr size_t kMaxWaiting = 4;

  CopyQueue(RepairFile& from, RepairFile& to);
  ~CopyQueue();  // makes the copies still waiting, then ends the thread
  CopyQueue(const CopyQueue&) = delete;
  CopyQueue& operator=(const CopyQueue&) = delete;

  // Queues a copy of len bytes at pos in from to at in to. False once a
  // copy has failed, with that copy's error: nothing after it is copied.
  bool Add(uint64_t pos, uint64_t at, uint64_t len, FileError* error);
  // Waits until every queued copy is done; false after a failure, as Add.
  bool Wait(FileError* error);

 private:
  struct Range {
    uint64_t pos, at, len;
  };
  bool Copy(const Range& range, FileError* error);
  void Work();

  RepairFile& from_;
  RepairFile& to_;
  std::unique_ptr<uint8_t[]> buffer_;  // for a CopyTo that falls back to reading and writing
  std::mutex lock_;                    // guards what follows, up to the thread
  std::condition_variable changed_;
  std::deque<Range> waiting_;
  bool copying_ = false;  // the thread works on a range taken from waiting_
  bool failed_ = false;
  FileError error_;  // the failure, once failed_
  bool stop_ = false;
  std::thread thread_;  // not joinable when none could be started
};

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
