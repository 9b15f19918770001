// Waits on events and threads: one ppoll over their descriptors, plus the
// devices of overlapped operations that the waited events report on.
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "kernel_object.h"

namespace posix {
namespace {

bool Collect(DWORD count, const HANDLE* handles, std::vector<KernelObject*>& objects) {
  if (count == 0 || handles == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  for (DWORD i = 0; i < count; ++i) {
    KernelObject* object = Lookup(handles[i]);
    if (object == nullptr || object->signalFd() < 0) {
      SetLastError(ERROR_INVALID_HANDLE);
      return false;
    }
    objects.push_back(object);
  }
  return true;
}

// Index of the first signalled object, or -1.
int FirstSignalled(const std::vector<KernelObject*>& objects) {
  std::vector<pollfd> fds;
  fds.reserve(objects.size());
  for (auto* object : objects) fds.push_back(pollfd{object->signalFd(), POLLIN, 0});
  if (poll(fds.data(), fds.size(), 0) <= 0) return -1;
  for (std::size_t i = 0; i < fds.size(); ++i)
    if (fds[i].revents & POLLIN) return static_cast<int>(i);
  return -1;
}

}  // namespace
}  // namespace posix

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
  std::vector<posix::KernelObject*> objects;
  if (waitAll) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return WAIT_FAILED;
  }
  if (!posix::Collect(count, handles, objects)) return WAIT_FAILED;
  const posix::TimePoint deadline = milliseconds == INFINITE ? posix::Never() : posix::After(milliseconds);
  for (;;) {
    std::vector<pollfd> fds;
    posix::TimePoint wake = deadline;
    for (auto* object : objects) object->advance(fds, wake);
    int signalled = posix::FirstSignalled(objects);
    if (signalled >= 0) {
      objects[static_cast<std::size_t>(signalled)]->acquire();
      return WAIT_OBJECT_0 + static_cast<DWORD>(signalled);
    }
    if (posix::Clock::now() >= deadline) return WAIT_TIMEOUT;
    for (auto* object : objects) fds.push_back(pollfd{object->signalFd(), POLLIN, 0});
    timespec timeout = posix::TimeoutUntil(wake);
    if (ppoll(fds.data(), fds.size(), wake == posix::Never() ? nullptr : &timeout, nullptr) < 0 &&
        errno != EINTR) {
      SetLastError(posix::ErrorFromErrno(errno));
      return WAIT_FAILED;
    }
  }
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}
