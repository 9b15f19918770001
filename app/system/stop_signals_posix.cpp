#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

#include "stop_signals.h"
#include "upgrade/stop_request.h"

namespace sys {
namespace {

int gStopNotice[2] = {-1, -1};

void OnStopSignal(int signal) {
  const int savedErrno = errno;
  if (!RequestStop(signal)) {
    // The second request: the default action ends the program when the handler returns.
    ::signal(signal, SIG_DFL);
    raise(signal);
  } else if (gStopNotice[1] >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(gStopNotice[1], &byte, 1);
  }
  errno = savedErrno;
}

}  // namespace

void StopOnSignals() {
  if (gStopNotice[0] < 0 && pipe2(gStopNotice, O_CLOEXEC | O_NONBLOCK) != 0)
    gStopNotice[0] = gStopNotice[1] = -1;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigset_t stops;
  sigemptyset(&stops);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    sigaction(signal, &action, nullptr);
    sigaddset(&stops, signal);
  }
  // A port's process starts with them blocked (see ChildProcess): one that
  // came early is handled now.
  pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
}

int StopNotice() { return gStopNotice[0]; }

void WaitForStopRequest() {
  pollfd notice{StopNotice(), POLLIN, 0};
  while (poll(&notice, notice.fd >= 0 ? 1 : 0, -1) <= 0) {
  }
}

void StopHandled() {}

}  // namespace sys
