#pragma once
#include <thread>

#include "posix/clock.h"

namespace test {

template <class Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout) {
  const posix::TimePoint deadline = posix::After(timeout);
  while (!condition()) {
    if (posix::Passed(deadline)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace test
