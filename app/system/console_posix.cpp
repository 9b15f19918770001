#include <signal.h>
#include <unistd.h>

#include <cstdlib>

#include "console.h"

namespace sys {

bool HaveDisplay() {
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x != nullptr && *x != '\0') || (wayland != nullptr && *wayland != '\0');
}

bool OutputIsTerminal() { return isatty(STDOUT_FILENO) != 0; }

void UseStartingConsole() {}

void IgnoreLostOutput() { ::signal(SIGPIPE, SIG_IGN); }

}  // namespace sys
