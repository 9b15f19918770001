#pragma once
// One overlapped read or write in progress on a serial device. It moves on
// whenever a thread waits for its event (or for its result), following the
// port's time-outs: a read ends when its count arrived, when the interval
// time-out passed after the last byte, or at its total time-out; a write ends
// when every byte was taken, or short at its total time-out.
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
