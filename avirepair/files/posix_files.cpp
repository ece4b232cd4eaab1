#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "avirepair/files/system_files.h"

namespace avirepair {
namespace {

uint32_t ErrnoCode(int err) {
  switch (err) {
    case ENOENT: return 0x80070002u;  // file not found
    case ENOTDIR: return 0x80070003u;  // path not found
    case EACCES:
    case EPERM:
    case EISDIR: return 0x80070005u;  // access denied
    case EEXIST: return 0x80070050u;
    case ENOSPC: return 0x80070070u;  // disk full
    case EROFS: return 0x80070013u;   // write protected
    case EFBIG: return 0x800700DFu;   // file too large
    case EMFILE:
    case ENFILE: return 0x80070004u;  // too many open files
    default: return 0x80004005u;      // E_FAIL
  }
}

bool Failed(FileError* error, int err) {
  if (error) {
    error->code = ErrnoCode(err);
    error->text = strerror(err);
  }
  return false;
}

class PosixFile final : public RepairFile {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override {
    struct stat st;
    if (reserved_ && fstat(fd_, &st) == 0) ftruncate(fd_, st.st_size);  // gives back the blocks past the end
    close(fd_);
  }

  bool Read(uint64_t pos, void* data, size_t len, size_t* got, FileError* error) override {
    *got = 0;
    while (*got < len) {
      ssize_t n = pread(fd_, static_cast<char*>(data) + *got, len - *got, off_t(pos + *got));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return Failed(error, errno);
      if (n == 0) break;
      *got += size_t(n);
    }
    return true;
  }
  bool Write(uint64_t pos, const void* data, size_t len, FileError* error) override {
    size_t done = 0;
    while (done < len) {
      ssize_t n = pwrite(fd_, static_cast<const char*>(data) + done, len - done, off_t(pos + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return Failed(error, n < 0 ? errno : ENOSPC);
      done += size_t(n);
    }
    return true;
  }
  bool Size(uint64_t* size, FileError* error) override {
    struct stat st;
    if (fstat(fd_, &st) != 0) return Failed(error, errno);
    *size = uint64_t(st.st_size);
    return true;
  }
  bool Truncate(uint64_t size, FileError* error) override {
    if (ftruncate(fd_, off_t(size)) != 0) return Failed(error, errno);
    reserved_ = false;  // the blocks past the new end went with it
    return true;
  }
  // Blocks allocated ahead spare the file system the bookkeeping of delayed
  // allocation on every page written. Where it cannot (no room, no support),
  // writes allocate as they go.
  void Reserve(uint64_t size) override {
    if (fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, off_t(size)) == 0) reserved_ = true;
  }
  // Between two files the kernel copies the bytes itself; where it cannot
  // (an old kernel, another file system), they go through the buffer.
  bool CopyTo(RepairFile& out, uint64_t pos, uint64_t at, uint64_t len, uint8_t* buffer, size_t bufferSize,
              FileError* error) override {
    auto* to = dynamic_cast<PosixFile*>(&out);
    while (to && kernelCopy_ && len > 0) {
      loff_t from = loff_t(pos), dest = loff_t(at);
      ssize_t n = copy_file_range(fd_, &from, to->fd_, &dest, size_t(std::min<uint64_t>(len, kMaxKernelCopy)), 0);
      if (n > 0) {
        pos += uint64_t(n);
        at += uint64_t(n);
        len -= uint64_t(n);
      } else if (n == 0) {
        break;  // the end of this file: the plain copy reports it
      } else if (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP) {
        kernelCopy_ = false;
      } else if (errno != EINTR) {
        return Failed(error, errno);
      }
    }
    return RepairFile::CopyTo(out, pos, at, len, buffer, bufferSize, error);
  }
  // pread and copy_file_range name their positions: a copy on another
  // thread and reads here do not meet.
  bool CopiesWithoutBuffer(RepairFile& out) override { return kernelCopy_ && dynamic_cast<PosixFile*>(&out); }
  int fd() const { return fd_; }

 private:
  static constexpr uint64_t kMaxKernelCopy = uint64_t(1) << 30;
  int fd_;
  std::atomic<bool> kernelCopy_{true};  // false once the kernel refused a copy from this file
  bool reserved_ = false;               // blocks may be allocated past the end of the file
};

class PosixFileSystem final : public RepairFileSystem {
 public:
  std::unique_ptr<RepairFile> OpenInput(const std::string& path, FileError* error) override {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Fail(error, errno);
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      int err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
      close(fd);
      return Fail(error, err);
    }
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);  // one pass from start to end: read well ahead
    return std::make_unique<PosixFile>(fd);
  }
  std::unique_ptr<RepairFile> CreateOutput(const std::string& path, FileError* error) override {
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return Fail(error, errno);
    return std::make_unique<PosixFile>(fd);
  }
  std::unique_ptr<RepairFile> CreateScratch(const std::string& besidePath, FileError* error) override {
    std::string::size_type slash = besidePath.rfind('/');
    std::string dir = slash == std::string::npos ? "." : besidePath.substr(0, slash == 0 ? 1 : slash);
    std::string name = dir + "/.avirepair-index-XXXXXX";
    int fd = mkostemp(&name[0], O_CLOEXEC);
    if (fd < 0) return Fail(error, errno);
    // Nameless from the start: nothing is left behind, however the run ends.
    unlink(name.c_str());
    return std::make_unique<PosixFile>(fd);
  }
  bool IsSameFile(RepairFile& opened, const std::string& path) override {
    auto* file = dynamic_cast<PosixFile*>(&opened);
    struct stat a, b;
    if (!file || fstat(file->fd(), &a) != 0 || stat(path.c_str(), &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
  }

 private:
  static std::unique_ptr<RepairFile> Fail(FileError* error, int err) {
    Failed(error, err);
    return nullptr;
  }
};

}  // namespace

RepairFileSystem& SystemFiles() {
  static PosixFileSystem files;
  return files;
}

}  // namespace avirepair
