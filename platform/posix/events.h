#pragma once
// Manual-reset events on eventfd: signalled while the counter is non-zero, so a
// wait polls for readability without consuming the signal.
#include <atomic>
#include <mutex>
#include <vector>

#include "kernel_object.h"

namespace posix {

class IoOperation;

class EventObject final : public KernelObject {
 public:
  explicit EventObject(int fd) : fd_(fd) {}
  ~EventObject() override;
  EventObject(const EventObject&) = delete;
  EventObject& operator=(const EventObject&) = delete;

  int signalFd() const override { return fd_; }
  void advance(std::vector<pollfd>& fds, TimePoint& wake) override;
  void acquire() override { (void)sets_.load(std::memory_order_acquire); }

  void set();
  void reset();
  // An overlapped operation whose completion this event reports makes progress
  // whenever the event is waited for.
  void attach(IoOperation* operation);
  void detach(IoOperation* operation);

 private:
  int fd_;
  std::atomic<unsigned> sets_{0};
  std::mutex mutex_;
  std::vector<IoOperation*> operations_;
};

}  // namespace posix
