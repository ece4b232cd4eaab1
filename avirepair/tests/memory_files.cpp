#include "avirepair/tests/memory_files.h"

#include <algorithm>
#include <cstring>

namespace avirepair::test {
namespace {

class MemoryFile final : public RepairFile {
 public:
  MemoryFile(std::shared_ptr<Bytes> data, bool writable, uint64_t limit, int* openCount,
             uint64_t* written = nullptr, uint64_t claimedSize = 0)
      : data_(std::move(data)), writable_(writable), limit_(limit), openCount_(openCount), written_(written),
        claimedSize_(claimedSize) {
    if (openCount_) ++*openCount_;
  }
  ~MemoryFile() override {
    if (openCount_) --*openCount_;
  }

  bool Read(uint64_t pos, void* out, size_t len, size_t* got, FileError*) override {
    *got = pos < data_->size() ? size_t(std::min<uint64_t>(len, data_->size() - pos)) : 0;
    if (*got) std::memcpy(out, data_->data() + pos, *got);
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
};

}  // namespace

std::unique_ptr<RepairFile> MemoryFileSystem::OpenInput(const std::string& path, FileError* error) {
  auto it = files.find(path);
  if (it == files.end()) {
    error->code = 0x80070002u;
    error->text = "The system cannot find the file specified";
    return nullptr;
  }
  return std::make_unique<MemoryFile>(it->second, false, ~uint64_t(0), nullptr, nullptr, claimedInputSize);
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
