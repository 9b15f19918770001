#include "threads.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace posix {
namespace {

void* RunThread(void* arg) {
  auto* shared = static_cast<std::shared_ptr<ThreadState>*>(arg);
  std::shared_ptr<ThreadState> state = std::move(*shared);
  delete shared;
  {
    std::unique_lock lock(state->gateMutex);
    state->gate.wait(lock, [&] { return state->resumed; });
  }
  state->proc(state->param);
  state->ended.store(true, std::memory_order_release);
  std::uint64_t one = 1;
  [[maybe_unused]] auto written = write(state->doneFd, &one, sizeof one);
  return nullptr;
}

bool HasEnded(int doneFd) {
  pollfd probe{doneFd, POLLIN, 0};
  return poll(&probe, 1, 0) == 1;
}

}  // namespace

ThreadState::~ThreadState() {
  if (doneFd >= 0) close(doneFd);
}

void ThreadObject::resume() {
  std::lock_guard lock(state_->gateMutex);
  state_->resumed = true;
  state_->gate.notify_all();
}

ThreadObject::~ThreadObject() {
  // A thread that has ended is joined; one that still runs goes on detached.
  if (HasEnded(state_->doneFd)) {
    pthread_join(thread_, nullptr);
  } else {
    pthread_detach(thread_);
  }
}

}  // namespace posix

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, std::size_t, LPTHREAD_START_ROUTINE proc, LPVOID param,
                    DWORD flags, LPDWORD id) {
  if ((flags & ~CREATE_SUSPENDED) != 0 || id != nullptr) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  auto state = std::make_shared<posix::ThreadState>();
  state->proc = proc;
  state->param = param;
  state->resumed = (flags & CREATE_SUSPENDED) == 0;
  state->doneFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (state->doneFd < 0) {
    SetLastError(posix::ErrorFromErrno(errno));
    return nullptr;
  }
  pthread_t thread;
  auto* handoff = new std::shared_ptr<posix::ThreadState>(state);
  int error = pthread_create(&thread, nullptr, posix::RunThread, handoff);
  if (error != 0) {
    delete handoff;
    SetLastError(posix::ErrorFromErrno(error));
    return nullptr;
  }
  return posix::Register(new posix::ThreadObject(thread, std::move(state)));
}

DWORD ResumeThread(HANDLE thread) {
  auto* object = posix::LookupAs<posix::ThreadObject>(thread);
  if (object == nullptr) return static_cast<DWORD>(-1);
  object->resume();
  return 1;
}
