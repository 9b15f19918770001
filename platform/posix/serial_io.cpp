// Overlapped ReadFile/WriteFile and their results on a serial device.
#include <poll.h>

#include <cerrno>

#include "io_operation.h"

namespace posix {
namespace {

void RecordResult(OVERLAPPED* ov, DWORD error, DWORD done) {
  ov->Internal = error;
  ov->InternalHigh = done;
  ov->Pending = nullptr;
}

// Starts an operation: completes it at once when it can, else leaves it pending.
BOOL Start(HANDLE file, IoOperation::Kind kind, void* buffer, DWORD count, LPDWORD done, OVERLAPPED* ov) {
  auto* serial = LookupAs<SerialFile>(file);
  if (serial == nullptr) return FALSE;
  if (ov == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);  // the port is opened for overlapped use only
    return FALSE;
  }
  auto* event = ov->hEvent != nullptr ? dynamic_cast<EventObject*>(Lookup(ov->hEvent)) : nullptr;
  if (event != nullptr) event->reset();
  auto* operation = new IoOperation(serial->core(), kind, buffer, count, ov, event);
  {
    std::lock_guard lock(serial->core()->mutex);
    serial->core()->operations.push_back(operation);
  }
  std::vector<pollfd> fds;
  TimePoint wake = Never();
  operation->advance(fds, wake);
  if (!operation->complete()) {
    if (event != nullptr) event->attach(operation);
    ov->Pending = operation;
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
  }
  DWORD error = operation->error();
  DWORD transferred = operation->transferred();
  delete operation;
  RecordResult(ov, error, transferred);
  if (done != nullptr) *done = transferred;
  SetLastError(error);
  return error == ERROR_SUCCESS ? TRUE : FALSE;
}

void WaitUntilComplete(IoOperation* operation) {
  for (;;) {
    std::vector<pollfd> fds;
    TimePoint wake = Never();
    operation->advance(fds, wake);
    if (operation->complete()) return;
    timespec timeout = TimeoutUntil(wake);
    ppoll(fds.data(), fds.size(), wake == Never() ? nullptr : &timeout, nullptr);
  }
}

}  // namespace
}  // namespace posix

using posix::IoOperation;

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED ov) {
  return posix::Start(file, IoOperation::Kind::kRead, buffer, count, done, ov);
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED ov) {
  // The buffer is only read from: the operation shares one buffer field for both directions.
  return posix::Start(file, IoOperation::Kind::kWrite, const_cast<void*>(buffer), count, done, ov);
}

// The file handle is not needed to find the operation: a result can be taken after a close.
BOOL GetOverlappedResult(HANDLE, LPOVERLAPPED ov, LPDWORD done, BOOL wait) {
  auto* operation = static_cast<IoOperation*>(ov->Pending);
  if (operation != nullptr) {
    if (!operation->complete() && !wait) {
      SetLastError(ERROR_IO_INCOMPLETE);
      return FALSE;
    }
    posix::WaitUntilComplete(operation);
    if (auto* event = operation->event()) event->detach(operation);
    posix::RecordResult(ov, operation->error(), operation->transferred());
    delete operation;
  }
  if (done != nullptr) *done = static_cast<DWORD>(ov->InternalHigh);
  SetLastError(static_cast<DWORD>(ov->Internal));
  return ov->Internal == ERROR_SUCCESS ? TRUE : FALSE;
}

BOOL CancelIoEx(HANDLE file, LPOVERLAPPED ov) {
  auto* serial = posix::LookupAs<posix::SerialFile>(file);
  if (serial == nullptr) return FALSE;
  std::lock_guard lock(serial->core()->mutex);
  auto operations = serial->core()->operations;
  bool found = false;
  for (auto* operation : operations) {
    if (ov == nullptr || operation->overlapped() == ov) {
      operation->finishLocked(ERROR_OPERATION_ABORTED);
      found = true;
    }
  }
  if (!found) SetLastError(ERROR_NOT_FOUND);
  return found ? TRUE : FALSE;
}
