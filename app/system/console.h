#pragma once
// The display and the console the program was started from.
// console_posix.cpp or console_win32.cpp, chosen by the build.

namespace sys {

// Whether a window can be shown (an X or Wayland display on Linux).
bool HaveDisplay();
// Whether standard output is a terminal (progress then updates one line).
bool OutputIsTerminal();
// Standard output and error reach the console the program was started from.
void UseStartingConsole();
// Output that goes away (a closed pipe, a terminal that is gone) never ends
// the program: writing to it fails instead of raising a signal (Linux).
void IgnoreLostOutput();

}  // namespace sys
