// Stands in for logind on the bus named by DBUS_SYSTEM_BUS_ADDRESS, so that tests can watch the sleep
// inhibitor. Writes one line per event on standard output, flushed:
//   ready                                    once it owns org.freedesktop.login1
//   inhibit <what>|<who>|<why>|<mode> <ms>   Manager.Inhibit was called; <ms> is taken before the reply
//   release <ms>                             every copy of the descriptor that call returned is closed
// <ms> is CLOCK_MONOTONIC in milliseconds, to order these lines against other programs' events.
// Ends on SIGTERM or SIGINT, and when the bus goes away.
#include <fcntl.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

// Read ends of the pipes whose write ends went to callers: the lock lasts until they see end of file.
std::vector<int> gHeld;

std::uint64_t MonotonicMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000000 + static_cast<std::uint64_t>(now.tv_nsec) / 1000;
}

std::string Milliseconds() { return std::to_string(MonotonicMicroseconds() / 1000); }

void Say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

int Inhibit(sd_bus_message* call, void*, sd_bus_error*) {
  const char *what = nullptr, *who = nullptr, *why = nullptr, *mode = nullptr;
  int result = sd_bus_message_read(call, "ssss", &what, &who, &why, &mode);
  if (result < 0) return result;
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) < 0) return -errno;
  const std::string taken = Milliseconds();
  // The reply carries its own copy of the write end.
  result = sd_bus_reply_method_return(call, "h", ends[1]);
  close(ends[1]);
  if (result < 0) {
    close(ends[0]);
    return result;
  }
  gHeld.push_back(ends[0]);
  Say(std::string("inhibit ") + what + "|" + who + "|" + why + "|" + mode + " " + taken);
  return 1;
}

const sd_bus_vtable kManager[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Inhibit", "ssss", "h", Inhibit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

// Nobody is meant to write into the pipe, but what is written must not pass for a release.
bool WriterGone(int end) {
  char scrap[64];
  ssize_t got = 0;
  while ((got = read(end, scrap, sizeof scrap)) > 0) {
  }
  return got == 0;
}

void NoticeReleases(const std::vector<pollfd>& heldFds) {
  for (const pollfd& held : heldFds) {
    if (held.revents == 0 || !WriterGone(held.fd)) continue;
    close(held.fd);
    std::erase(gHeld, held.fd);
    Say("release " + Milliseconds());
  }
}

int PollTimeout(sd_bus* bus) {
  std::uint64_t until = 0;
  if (sd_bus_get_timeout(bus, &until) < 0 || until == UINT64_MAX) return -1;
  const std::uint64_t now = MonotonicMicroseconds();
  return until <= now ? 0 : static_cast<int>(std::min<std::uint64_t>((until - now + 999) / 1000, 60000));
}

int Serve(sd_bus* bus, int stopSignals) {
  for (;;) {
    int processed = 0;
    while ((processed = sd_bus_process(bus, nullptr)) > 0) {
    }
    if (processed < 0) return 0;  // the bus is gone
    std::vector<pollfd> fds{{stopSignals, POLLIN, 0},
                            {sd_bus_get_fd(bus), static_cast<short>(sd_bus_get_events(bus)), 0}};
    for (int held : gHeld) fds.push_back({held, POLLIN, 0});
    if (poll(fds.data(), fds.size(), PollTimeout(bus)) < 0 && errno != EINTR) return 1;
    if (fds[0].revents != 0) return 0;
    NoticeReleases({fds.begin() + 2, fds.end()});
  }
}

}  // namespace

int main() {
  sigset_t stops;
  sigemptyset(&stops);
  sigaddset(&stops, SIGTERM);
  sigaddset(&stops, SIGINT);
  sigprocmask(SIG_BLOCK, &stops, nullptr);
  const int stopSignals = signalfd(-1, &stops, SFD_CLOEXEC);

  sd_bus* bus = nullptr;
  int result = sd_bus_open_system(&bus);
  if (result >= 0)
    result = sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/login1",
                                      "org.freedesktop.login1.Manager", kManager, nullptr);
  if (result >= 0) result = sd_bus_request_name(bus, "org.freedesktop.login1", 0);
  if (stopSignals < 0 || result < 0) {
    std::fprintf(stderr, "login1-standin: cannot serve org.freedesktop.login1: %s\n",
                 stopSignals < 0 ? "no signalfd" : std::strerror(-result));
    return 1;
  }
  Say("ready");
  const int status = Serve(bus, stopSignals);
  sd_bus_close_unref(bus);
  return status;
}
