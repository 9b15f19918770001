#include "events.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "io_operation.h"

namespace posix {

EventObject::~EventObject() {
  std::lock_guard lock(mutex_);
  for (auto* operation : operations_) operation->forgetEvent();
  close(fd_);
}

void EventObject::set() {
  sets_.fetch_add(1, std::memory_order_release);
  std::uint64_t one = 1;
  // A full counter is still signalled, so a failed write changes nothing.
  [[maybe_unused]] auto written = write(fd_, &one, sizeof one);
}

void EventObject::reset() {
  std::uint64_t value = 0;
  while (read(fd_, &value, sizeof value) > 0) {
  }
}

void EventObject::attach(IoOperation* operation) {
  std::lock_guard lock(mutex_);
  operations_.push_back(operation);
}

void EventObject::detach(IoOperation* operation) {
  std::lock_guard lock(mutex_);
  operations_.erase(std::remove(operations_.begin(), operations_.end(), operation), operations_.end());
}

void EventObject::advance(std::vector<pollfd>& fds, TimePoint& wake) {
  std::lock_guard lock(mutex_);
  for (auto* operation : operations_) operation->advance(fds, wake);
}

}  // namespace posix

using posix::EventObject;

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR name) {
  if (!manualReset || name != nullptr) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  int fd = eventfd(initialState ? 1 : 0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (fd < 0) {
    SetLastError(posix::ErrorFromErrno(errno));
    return nullptr;
  }
  return posix::Register(new EventObject(fd));
}

BOOL SetEvent(HANDLE event) {
  auto* object = posix::LookupAs<EventObject>(event);
  if (object == nullptr) return FALSE;
  object->set();
  return TRUE;
}

BOOL ResetEvent(HANDLE event) {
  auto* object = posix::LookupAs<EventObject>(event);
  if (object == nullptr) return FALSE;
  object->reset();
  return TRUE;
}
