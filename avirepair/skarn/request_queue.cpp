#include "avirepair/skarn/request_queue.h"

namespace skarn {

RequestQueue::RequestQueue() : semaphore_(CreateSemaphoreW(nullptr, 0, 0x7FFFFFFF, nullptr)) {}

void RequestQueue::Put(const Request& request) {
  zelvo::com::CritSecLock hold(lock_);
  requests_.push_back(request);
  if (waiting_ > 0) {
    ReleaseSemaphore(semaphore_.get(), waiting_, nullptr);
    waiting_ = 0;
  }
}

Request RequestQueue::Take() {
  for (;;) {
    {
      zelvo::com::CritSecLock hold(lock_);
      if (!requests_.empty()) {
        Request r = requests_.front();
        requests_.pop_front();
        return r;
      }
      ++waiting_;
    }
    WaitForSingleObject(semaphore_.get(), INFINITE);
  }
}

}  // namespace skarn
