// The worker thread's request queue: requests are appended under a lock and
// a waiting worker is woken through a semaphore.
#pragma once

#include <windows.h>

#include <deque>

#include "common/com/handles.h"

namespace skarn {

struct Request {
  DWORD code;  // kRequestExit or kRequestRepair
  DWORD flags;
  DWORD parameter;
  HANDLE event;
};

constexpr DWORD kRequestExit = 0;
constexpr DWORD kRequestRepair = 1;

class RequestQueue {
 public:
  RequestQueue();
  bool Valid() const { return bool(semaphore_); }
  void Put(const Request& request);
  // Blocks until a request is there.
  Request Take();

 private:
  zelvo::com::CriticalSection lock_;  // guards requests_ and waiting_
  std::deque<Request> requests_;
  LONG waiting_ = 0;
  zelvo::com::KernelHandle semaphore_;
};

}  // namespace skarn
