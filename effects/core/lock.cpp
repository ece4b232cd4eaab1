#include "effects/core/lock.h"

#include <new>

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

namespace effects {

namespace {
#ifdef _WIN32
using Native = CRITICAL_SECTION;
#else
using Native = std::mutex;
#endif
}  // namespace

static_assert(sizeof(Native) <= 64, "lock storage too small");
static_assert(alignof(Native) <= 16, "lock storage under-aligned");

#ifdef _WIN32
Lock::Lock() { InitializeCriticalSection(new (storage_) Native); }
Lock::~Lock() { DeleteCriticalSection(reinterpret_cast<Native*>(storage_)); }
void Lock::lock() { EnterCriticalSection(reinterpret_cast<Native*>(storage_)); }
void Lock::unlock() { LeaveCriticalSection(reinterpret_cast<Native*>(storage_)); }
#else
Lock::Lock() { new (storage_) Native(); }
Lock::~Lock() { std::launder(reinterpret_cast<Native*>(storage_))->~Native(); }
void Lock::lock() { std::launder(reinterpret_cast<Native*>(storage_))->lock(); }
void Lock::unlock() { std::launder(reinterpret_cast<Native*>(storage_))->unlock(); }
#endif

}  // namespace effects
