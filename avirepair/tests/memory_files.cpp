#include "avirepair/tests/memory_files.h"

#include <algorithm>
#include <cstring>

namespace avirepair::test {
namespace {

class MemoryFile final : public RepairFile {
 public:
  MemoryFile(std::shared_ptr<Bytes> data, bool writable, uint64_t limit, int* openCount, uint64_t* written = nullptr,
             uint64_t claimedSize = 0, const MemoryFileSystem* owner = nullptr, uint64_t* read = nullptr)
      : data_(std::move(data)),
        writable_(writable),
        limit_(limit),
        openCount_(openCount),
        written_(written),
        claimedSize_(claimedSize),
        read_(read) {
    if (owner) {
      direct_ = owner->copiesWithoutBuffer;
      failCopiesFrom_ = owner->failCopiesFrom;
    }
    if (openCount_) ++*openCount_;
  }
  ~MemoryFile() override {
    if (openCount_) --*openCount_;
  }

  bool Read(uint64_t pos, void* out, size_t len, size_t* got, FileError*) override {
    *got = pos < data_->size() ? size_t(std::min<uint64_t>(len, data_->size() - pos)) : 0;
    if (*got) std::memcpy(out, data_->data() + pos, *got);
    if (read_) *read_ += *got;
    return true;
  }
  bool Write(uint64_t pos, const void* in, size_t len, FileError* error) override {
    if (!writable_) return Fail(error, 0x80070005u, "read-only file");
    if (pos + len > limit_) return Fail(error, 0x80070070u, "disk full");
    if (data_->size() < pos + len) data_->resize(size_t(pos + len));
    if (len) std::memcpy(data_->data() + pos, in, len);
    if (written_) *written_ += len;
    return true;
  }
  bool Size(uint64_t* size, FileError*) override {
    *size = claimedSize_ ? claimedSize_ : data_->size();
    return true;
  }
  bool Truncate(uint64_t size, FileError* error) override {
    if (!writable_) return Fail(error, 0x80070005u, "read-only file");
    data_->resize(size_t(size));
    return true;
  }
  bool CopyTo(RepairFile& out, uint64_t pos, uint64_t at, uint64_t len, uint8_t* buffer, size_t bufferSize,
              FileError* error) override {
    if (!direct_) return RepairFile::CopyTo(out, pos, at, len, buffer, bufferSize, error);
    uint64_t have = pos < data_->size() ? std::min<uint64_t>(len, data_->size() - pos) : 0;
    bool fails = failCopiesFrom_ < pos + have;
    if (fails) have = failCopiesFrom_ > pos ? failCopiesFrom_ - pos : 0;
    if (have && !out.Write(at, data_->data() + pos, size_t(have), error)) return false;
    if (fails) return Fail(error, MemoryFileSystem::kDataError, "data error");
    if (have < len) return Fail(error, kEndOfFile, "reached the end of the file");
    return true;
  }
  bool CopiesWithoutBuffer(RepairFile& out) override { return direct_ && dynamic_cast<MemoryFile*>(&out); }
  const Bytes* data() const { return data_.get(); }

 private:
  static bool Fail(FileError* error, uint32_t code, const char* text) {
    error->code = code;
    error->text = text;
    return false;
  }
  std::shared_ptr<Bytes> data_;
  bool writable_;
  uint64_t limit_;
  int* openCount_;
  uint64_t* written_;
  uint64_t claimedSize_;
  uint64_t* read_;
  bool direct_ = false;
  uint64_t failCopiesFrom_ = ~uint64_t(0);
};

}  // namespace

std::unique_ptr<RepairFile> MemoryFileSystem::OpenInput(const std::string& path, FileError* error) {
  auto it = files.find(path);
  if (it == files.end()) {
    error->code = 0x80070002u;
    error->text = "The system cannot find the file specified";
    return nullptr;
  }
  return std::make_unique<MemoryFile>(it->second, false, ~uint64_t(0), nullptr, nullptr, claimedInputSize, this,
                                      &inputBytesRead);
}

std::unique_ptr<RepairFile> MemoryFileSystem::CreateOutput(const std::string& path, FileError*) {
  auto data = std::make_shared<Bytes>();
  files[path] = data;
  return std::make_unique<MemoryFile>(data, true, outputLimit, nullptr, &outputBytesWritten);
}

std::unique_ptr<RepairFile> MemoryFileSystem::CreateScratch(const std::string&, FileError*) {
  ++scratchCreated;
  return std::make_unique<MemoryFile>(std::make_shared<Bytes>(), true, ~uint64_t(0), &scratchOpen);
}

bool MemoryFileSystem::IsSameFile(RepairFile& opened, const std::string& path) {
  auto* file = dynamic_cast<MemoryFile*>(&opened);
  const Bytes* other = Get(path);
  return file && other && file->data() == other;
}

}  // namespace avirepair::test
