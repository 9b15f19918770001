#include "io_operation.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace posix {
namespace {

TimePoint TotalDeadline(const COMMTIMEOUTS& t, IoOperation::Kind kind, DWORD count, TimePoint start) {
  DWORD multiplier =
      kind == IoOperation::Kind::kRead ? t.ReadTotalTimeoutMultiplier : t.WriteTotalTimeoutMultiplier;
  DWORD constant =
      kind == IoOperation::Kind::kRead ? t.ReadTotalTimeoutConstant : t.WriteTotalTimeoutConstant;
  if (multiplier == 0 && constant == 0) return Never();
  auto ms = static_cast<long long>(multiplier) * count + constant;
  return start + std::chrono::milliseconds(ms);
}

bool HungUp(int fd) {
  pollfd probe{fd, POLLIN, 0};
  return poll(&probe, 1, 0) == 1 && (probe.revents & (POLLHUP | POLLERR)) != 0;
}

}  // namespace

IoOperation::IoOperation(std::shared_ptr<PortCore> core, Kind kind, void* buffer, DWORD count,
                         OVERLAPPED* overlapped, EventObject* event)
    : core_(std::move(core)),
      kind_(kind),
      buffer_(static_cast<unsigned char*>(buffer)),
      count_(count),
      overlapped_(overlapped),
      event_(event) {
  totalDeadline_ = TotalDeadline(core_->timeouts, kind, count, Clock::now());
  if (kind == Kind::kRead) intervalMs_ = core_->timeouts.ReadIntervalTimeout;
}

void IoOperation::finishLocked(DWORD error) {
  if (complete_) return;
  complete_ = true;
  error_ = error;
  auto& list = core_->operations;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  if (EventObject* event = event_.load()) event->set();
}

void IoOperation::transferLocked(TimePoint now) {
  while (!complete_ && done_ < count_) {
    ssize_t n = kind_ == Kind::kRead ? read(core_->fd, buffer_ + done_, count_ - done_)
                                     : write(core_->fd, buffer_ + done_, count_ - done_);
    if (n > 0) {
      done_ += static_cast<DWORD>(n);
      lastByte_ = now;
      sawByte_ = true;
    } else if (n == 0) {
      // A raw tty reads 0 bytes both when it is empty and when the far side hung up.
      if (HungUp(core_->fd)) finishLocked(ERROR_DEVICE_NOT_CONNECTED);
      return;
    } else if (errno == EAGAIN) {
      return;
    } else if (errno != EINTR) {
      finishLocked(ErrorFromErrno(errno));
    }
  }
  if (!complete_) finishLocked(ERROR_SUCCESS);
}

TimePoint IoOperation::deadlineLocked() const {
  if (kind_ == Kind::kRead && intervalMs_ != 0 && sawByte_)
    return std::min(totalDeadline_, lastByte_ + std::chrono::milliseconds(intervalMs_));
  return totalDeadline_;
}

void IoOperation::advance(std::vector<pollfd>& fds, TimePoint& wake) {
  std::lock_guard lock(core_->mutex);
  if (complete_) return;
  if (core_->fd < 0) return finishLocked(ERROR_OPERATION_ABORTED);
  TimePoint now = Clock::now();
  transferLocked(now);
  if (complete_) return;
  TimePoint deadline = deadlineLocked();
  if (now >= deadline) return finishLocked(ERROR_SUCCESS);  // time-out: ends short, no error
  short events = kind_ == Kind::kRead ? POLLIN : POLLOUT;
  fds.push_back(pollfd{core_->fd, events, 0});
  wake = std::min(wake, deadline);
}

bool IoOperation::complete() {
  std::lock_guard lock(core_->mutex);
  return complete_;
}

DWORD IoOperation::transferred() {
  std::lock_guard lock(core_->mutex);
  return done_;
}

DWORD IoOperation::error() {
  std::lock_guard lock(core_->mutex);
  return error_;
}

}  // namespace posix
