#pragma once
// Deadlines on the monotonic clock, for the program's waits and for the simulator
// and tests beside it.
#include <chrono>
#include <ctime>

namespace posix {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

inline TimePoint Never() { return TimePoint::max(); }

inline TimePoint After(Clock::duration timeout) { return Clock::now() + timeout; }

inline TimePoint After(unsigned milliseconds) { return After(std::chrono::milliseconds(milliseconds)); }

inline bool Passed(TimePoint deadline) { return Clock::now() >= deadline; }

// Time left until `deadline` as a ppoll timeout (never negative).
inline timespec TimeoutUntil(TimePoint deadline) {
  auto left = deadline - Clock::now();
  if (left < Clock::duration::zero()) left = Clock::duration::zero();
  auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
  return timespec{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

}  // namespace posix
