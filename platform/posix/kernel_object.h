#pragma once
// Every HANDLE on POSIX points to a KernelObject. Handles are registered so
// that a stale or foreign value is refused instead of dereferenced.
#include <poll.h>

#include <vector>

#include "clock.h"
#include "winapi.h"

namespace posix {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
  // A descriptor that is readable while the object is signalled; -1 when the
  // object cannot be waited for.
  virtual int signalFd() const { return -1; }
  // Called by a wait that found the object signalled: orders what the
  // signalling thread did before it with what the waiter does after.
  virtual void acquire() {}
  // Lets operations in progress on this object move on without blocking, and
  // adds to `fds` and `wake` what they need to move on later.
  virtual void advance(std::vector<pollfd>& fds, TimePoint& wake) {
    (void)fds;
    (void)wake;
  }
};

HANDLE Register(KernelObject* object);
// The live object behind a handle, or nullptr (last error set) when there is none.
KernelObject* Lookup(HANDLE handle);
// Removes the handle; returns its object for the caller to release, or nullptr.
KernelObject* Unregister(HANDLE handle);

template <class T>
T* LookupAs(HANDLE handle) {
  auto* object = dynamic_cast<T*>(Lookup(handle));
  if (object == nullptr) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

// Maps an errno value to the Windows error code the program's callers test.
DWORD ErrorFromErrno(int error);

}  // namespace posix
