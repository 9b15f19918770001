#pragma once
// Blocking waits on file descriptors that a stop eventfd interrupts at once.
#include <optional>
#include <string_view>

#include "posix/clock.h"

namespace sim {

using posix::Clock;

enum class Wake { Ready, Stop, Deadline, Error };

// Waits until fd reports `events`, stopFd becomes readable or the absolute deadline passes.
Wake waitFor(int fd, short events, int stopFd, std::optional<Clock::time_point> deadline);
// Sleeps until the absolute deadline; false when stopped first.
bool sleepUntil(int stopFd, Clock::time_point deadline);
// Writes everything to a non-blocking fd; false on stop, error or deadline.
bool writeAll(int fd, std::string_view data, int stopFd, Clock::time_point deadline);

}  // namespace sim
