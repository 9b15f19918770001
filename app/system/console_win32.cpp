#include <io.h>

#include <cstdio>

#include "console.h"
#include "winapi.h"

namespace sys {

bool HaveDisplay() { return true; }

bool OutputIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

// A program of the window subsystem has no console of its own; started from a
// console (batch mode), it writes to that one.
void UseStartingConsole() {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out != nullptr && out != INVALID_HANDLE_VALUE) return;  // redirected to a file or a pipe
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
  }
}

// A write to a closed pipe fails with an error on Windows: there is no signal to ignore.
void IgnoreLostOutput() {}

}  // namespace sys
