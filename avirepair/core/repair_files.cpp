#include "avirepair/core/repair_files.h"

#include <algorithm>
#include <system_error>

namespace avirepair {

bool RepairFile::CopyTo(RepairFile& out, uint64_t pos, uint64_t at, uint64_t len, uint8_t* buffer, size_t bufferSize,
                        FileError* error) {
  while (len > 0) {
    size_t got = 0;
    if (!Read(pos, buffer, size_t(std::min<uint64_t>(len, bufferSize)), &got, error)) return false;
    if (got == 0) {
      error->code = kEndOfFile;
      error->text = "reached the end of the file";
      return false;
    }
    if (!out.Write(at, buffer, got, error)) return false;
    pos += got;
    at += got;
    len -= got;
  }
  return true;
}

namespace {
constexpr size_t kQueueBufferSize = 1u << 20;
}  // namespace

CopyQueue::CopyQueue(RepairFile& from, RepairFile& to) : from_(from), to_(to), buffer_(new uint8_t[kQueueBufferSize]) {
  try {
    thread_ = std::thread([this] { Work(); });
  } catch (const std::system_error&) {
    // No thread: Add copies at once.
  }
}

CopyQueue::~CopyQueue() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stop_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool CopyQueue::Copy(const Range& range, FileError* error) {
  return from_.CopyTo(to_, range.pos, range.at, range.len, buffer_.get(), kQueueBufferSize, error);
}

bool CopyQueue::Add(uint64_t pos, uint64_t at, uint64_t len, FileError* error) {
  std::unique_lock<std::mutex> hold(lock_);
  if (!thread_.joinable() && !failed_ && !Copy({pos, at, len}, &error_)) failed_ = true;
  changed_.wait(hold, [this] { return failed_ || waiting_.size() < kMaxWaiting; });
  if (failed_) {
    *error = error_;
    return false;
  }
  if (thread_.joinable()) {
    waiting_.push_back({pos, at, len});
    changed_.notify_all();
  }
  return true;
}

bool CopyQueue::Wait(FileError* error) {
  std::unique_lock<std::mutex> hold(lock_);
  changed_.wait(hold, [this] { return waiting_.empty() && !copying_; });
  if (failed_) *error = error_;
  return !failed_;
}

void CopyQueue::Work() {
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    changed_.wait(hold, [this] { return stop_ || !waiting_.empty(); });
    if (waiting_.empty()) return;  // stopped, and nothing left to copy
    Range range = waiting_.front();
    waiting_.pop_front();
    copying_ = true;
    hold.unlock();
    FileError error;
    bool ok = Copy(range, &error);
    hold.lock();
    copying_ = false;
    if (!ok) {
      failed_ = true;
      error_ = error;
      waiting_.clear();
    }
    changed_.notify_all();
  }
}

}  // namespace avirepair
