#include "sim/fd_waits.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace sim {

Wake waitFor(int fd, short events, int stopFd, std::optional<Clock::time_point> deadline) {
  pollfd fds[2] = {{stopFd, POLLIN, 0}, {fd, events, 0}};
  const nfds_t count = fd >= 0 ? 2 : 1;
  for (;;) {
    timespec timeout{};
    if (deadline) timeout = posix::TimeoutUntil(*deadline);
    const int ready = ppoll(fds, count, deadline ? &timeout : nullptr, nullptr);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return Wake::Error;
    if (fds[0].revents != 0) return Wake::Stop;
    if (ready == 0) return Wake::Deadline;
    return (fds[1].revents & events) != 0 ? Wake::Ready : Wake::Error;
  }
}

bool sleepUntil(int stopFd, Clock::time_point deadline) {
  return waitFor(-1, 0, stopFd, deadline) == Wake::Deadline;
}

bool writeAll(int fd, std::string_view data, int stopFd, Clock::time_point deadline) {
  while (!data.empty()) {
    const ssize_t written = ::write(fd, data.data(), data.size());
    if (written > 0) {
      data.remove_prefix(static_cast<std::size_t>(written));
      continue;
    }
    const bool mayRetry = written == 0 || errno == EAGAIN || errno == EINTR;
    if (!mayRetry || waitFor(fd, POLLOUT, stopFd, deadline) != Wake::Ready) return false;
  }
  return true;
}

}  // namespace sim
