#pragma once
#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "kernel_object.h"

namespace posix {

// What a thread and its handle share: the handle may be closed first.
struct ThreadState {
  LPTHREAD_START_ROUTINE proc = nullptr;
  LPVOID param = nullptr;
  int doneFd = -1;  // eventfd, signalled once the procedure has returned
  std::atomic<bool> ended{false};
  std::mutex gateMutex;
  std::condition_variable gate;
  bool resumed = true;
  ~ThreadState();
};

class ThreadObject final : public KernelObject {
 public:
  ThreadObject(pthread_t thread, std::shared_ptr<ThreadState> state)
      : thread_(thread), state_(std::move(state)) {}
  ~ThreadObject() override;
  ThreadObject(const ThreadObject&) = delete;
  ThreadObject& operator=(const ThreadObject&) = delete;
  int signalFd() const override { return state_->doneFd; }
  void acquire() override { (void)state_->ended.load(std::memory_order_acquire); }
  void resume();

 private:
  pthread_t thread_;
  std::shared_ptr<ThreadState> state_;
};

}  // namespace posix
