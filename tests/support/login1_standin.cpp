// Stands in for logind on the bus named by DBUS_SYSTEM_BUS_ADDRESS, so that tests can watch the sleep
// inhibitor. Writes one line per event on standard output, flushed:
//   ready                                    once it owns org.freedesktop.login1
//   inhibit <what>|<who>|<why>|<mode> <ms>   Manager.Inhibit was called; <ms> is taken before the reply
//   release <ms>                             every copy of the descriptor that call returned is closed
// <ms> is CLOCK_MONOTONIC in milliseconds, to order these lines against other programs' events.
// Ends on SIGTERM (the default action) and when the bus goes away.
#include <fcntl.h>
#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

// Read ends of the pipes whose write ends went to callers: the lock lasts until they hang up.
std::vector<int> gHeld;

void Say(const std::string& line) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  std::printf("%s%lld\n", line.c_str(), static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000);
  std::fflush(stdout);
}

int Inhibit(sd_bus_message* call, void*, sd_bus_error*) {
  const char *what = nullptr, *who = nullptr, *why = nullptr, *mode = nullptr;
  int result = sd_bus_message_read(call, "ssss", &what, &who, &why, &mode);
  int ends[2];
  if (result < 0 || pipe2(ends, O_CLOEXEC | O_NONBLOCK) < 0) return result < 0 ? result : -errno;
  // The time is taken before the reply, which carries its own copy of the write end.
  Say(std::string("inhibit ") + what + "|" + who + "|" + why + "|" + mode + " ");
  result = sd_bus_reply_method_return(call, "h", ends[1]);
  close(ends[1]);
  if (result < 0)
    close(ends[0]);
  else
    gHeld.push_back(ends[0]);
  return result;
}

const sd_bus_vtable kManager[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Inhibit", "ssss", "h", Inhibit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

}  // namespace

int main() {
  sd_bus* bus = nullptr;
  int result = sd_bus_open_system(&bus);
  if (result >= 0)
    result = sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/login1",
                                      "org.freedesktop.login1.Manager", kManager, nullptr);
  if (result >= 0) result = sd_bus_request_name(bus, "org.freedesktop.login1", 0);
  if (result < 0) {
    std::fprintf(stderr, "login1-standin: cannot serve org.freedesktop.login1: %s\n", std::strerror(-result));
    return 1;
  }
  std::puts("ready");
  std::fflush(stdout);
  for (;;) {
    while ((result = sd_bus_process(bus, nullptr)) > 0) {
    }
    if (result < 0) return 0;  // the bus is gone
    std::vector<pollfd> fds{{sd_bus_get_fd(bus), static_cast<short>(sd_bus_get_events(bus)), 0}};
    for (int held : gHeld) fds.push_back({held, 0, 0});  // only the hang-up of every writer wakes it
    if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) return 1;
    for (std::size_t i = 1; i < fds.size(); ++i) {
      if ((fds[i].revents & POLLHUP) == 0) continue;
      close(fds[i].fd);
      std::erase(gHeld, fds[i].fd);
      Say("release ");
    }
  }
}
