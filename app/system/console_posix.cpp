#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "console.h"

namespace sys {
namespace {

// The resize handler's self-pipe: the handler writes, WaitForResize reads.
std::array<int, 2> gResized = {-1, -1};

void OnResize(int) {
  const int saved = errno;
  [[maybe_unused]] const ssize_t written = write(gResized[1], "r", 1);
  errno = saved;
}

bool FollowResize() {
  if (pipe2(gResized.data(), O_CLOEXEC) != 0) return false;
  fcntl(gResized[1], F_SETFL, O_NONBLOCK);  // a full pipe already says "resized"
  struct sigaction action {};
  action.sa_handler = OnResize;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  return sigaction(SIGWINCH, &action, nullptr) == 0;
}

}  // namespace

TerminalSize OutputTerminalSize() {
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_row == 0 || size.ws_col == 0) return {};
  return {size.ws_row, size.ws_col};
}

std::string BackOverLines(int lines) {
  return (lines > 0 ? "\x1b[" + std::to_string(lines) + "A" : std::string()) + "\r\x1b[J";
}

void WaitForResize() {
  static const bool following = FollowResize();
  char drained[64];
  ssize_t got = -1;
  while (following && ((got = read(gResized[0], drained, sizeof drained)) < 0 && errno == EINTR)) {
  }
  if (got > 0) return;
  for (;;) pause();  // no resize can be reported: wait for the process's end
}

bool HaveDisplay() {
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x != nullptr && *x != '\0') || (wayland != nullptr && *wayland != '\0');
}

bool OutputIsTerminal() { return isatty(STDOUT_FILENO) != 0; }

void UseStartingConsole() {}

void IgnoreLostOutput() { ::signal(SIGPIPE, SIG_IGN); }

bool WriteToConsole(std::FILE*, const std::string&) { return false; }

}  // namespace sys
