#pragma once
// A plain mutual-exclusion lock: a critical section on Windows, std::mutex
// elsewhere. The Windows header stays inside lock.cpp; the storage here is
// large enough for either and checked there.

#include <cstddef>

namespace effects {

class Lock {
 public:
  Lock();
  ~Lock();
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

  // BasicLockable, so std::lock_guard and std::unique_lock work too.
  void lock();
  void unlock();

 private:
  alignas(16) unsigned char storage_[64];
};

// Holds a Lock for the lifetime of the guard.
class LockHold {
 public:
  explicit LockHold(Lock& lock) : lock_(lock) { lock_.lock(); }
  ~LockHold() { lock_.unlock(); }
  LockHold(const LockHold&) = delete;
  LockHold& operator=(const LockHold&) = delete;

 private:
  Lock& lock_;
};

}  // namespace effects
