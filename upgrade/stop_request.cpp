#include "stop_request.h"

#include <atomic>

namespace {
std::atomic<int> gStopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the request is set in signal handlers");
}  // namespace

bool RequestStop(int signal) {
  int none = 0;
  return gStopSignal.compare_exchange_strong(none, signal);
}

bool StopRequested() { return gStopSignal.load() != 0; }

int StopSignal() { return gStopSignal.load(); }

void ClearStopRequest() { gStopSignal.store(0); }
