#pragma once
// One overlapped read or write in progress on a serial device.
//
// Life of an operation:
// - Created by ReadFile/WriteFile, which try it at once: one that completes
//   there is freed at once and never seen by the caller.
// - A pending one is listed on the port's core, attached to the caller's event
//   and stored in OVERLAPPED::Pending.
// - Bytes move only inside a wait that includes its event (WaitFor*Objects) or
//   inside GetOverlappedResult: no thread of our own drives it. It follows the
//   port's time-outs: a read ends when its count arrived, when the interval
//   time-out passed after the last byte, or at its total time-out; a write ends
//   when every byte was taken, or short at its total time-out. Completion sets
//   the event.
// - CancelIoEx (any thread) completes it with ERROR_OPERATION_ABORTED; closing
//   the port completes it the same way.
// - Freed by the GetOverlappedResult that collects its result, on the thread
//   that owns the OVERLAPPED; until then that record and the buffer must live.
//   An event closed first only forgets it (forgetEvent).
#include <atomic>
#include <memory>

#include "events.h"
#include "serial_file.h"

namespace posix {

class IoOperation {
 public:
  enum class Kind { kRead, kWrite };

  IoOperation(std::shared_ptr<PortCore> core, Kind kind, void* buffer, DWORD count, OVERLAPPED* overlapped,
              EventObject* event);

  // Moves on without blocking; adds what it waits for to `fds` and `wake`.
  void advance(std::vector<pollfd>& fds, TimePoint& wake);
  // Completes the operation with `error`; the core's mutex is held by the caller.
  void finishLocked(DWORD error);
  void forgetEvent() { event_.store(nullptr); }

  bool complete();
  DWORD transferred();
  DWORD error();
  OVERLAPPED* overlapped() const { return overlapped_; }
  EventObject* event() const { return event_.load(); }

 private:
  void transferLocked(TimePoint now);
  TimePoint deadlineLocked() const;

  std::shared_ptr<PortCore> core_;
  Kind kind_;
  unsigned char* buffer_;
  DWORD count_;
  OVERLAPPED* overlapped_;
  std::atomic<EventObject*> event_;
  TimePoint totalDeadline_;
  DWORD intervalMs_ = 0;
  TimePoint lastByte_{};
  bool sawByte_ = false;
  DWORD done_ = 0;
  DWORD error_ = ERROR_SUCCESS;
  bool complete_ = false;
};

}  // namespace posix
