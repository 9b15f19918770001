#pragma once
// The display and the console the program was started from.
// console_posix.cpp or console_win32.cpp, chosen by the build.
#include <cstdio>
#include <string>

namespace sys {

// Whether a window can be shown (an X or Wayland display on Linux).
bool HaveDisplay();
// Whether standard output is a terminal (progress then updates one line).
bool OutputIsTerminal();
// The size of the terminal standard output shows on, in character cells;
// 24 rows of 80 where that cannot be read.
struct TerminalSize {
  int rows = 24;
  int columns = 80;
};
TerminalSize OutputTerminalSize();
// Takes the cursor up `lines` rows on standard output's terminal, to the
// start of that row, and clears from there down. Linux: returns the escape
// sequences that do it, to be printed before what is drawn there. Windows:
// does it at once through the console's own calls, since a console may show
// escape sequences as text, and returns an empty text (the sequences where
// standard output is no console).
std::string BackOverLines(int lines);
// Blocks until the terminal changes its size (SIGWINCH), for a thread that
// redraws then. Windows has no such signal: there it never returns, and the
// size is read again at each redraw.
void WaitForResize();
// Standard output and error reach the console the program was started from.
void UseStartingConsole();
// Output that goes away (a closed pipe, a terminal that is gone) never ends
// the program: writing to it fails instead of raising a signal (Linux).
void IgnoreLostOutput();
// Writes `text` (UTF-8) when `stream` is a Windows console, which then shows
// it in any language whatever its code page; false, writing nothing, when it
// is not one (always, on Linux, where a terminal takes the bytes).
bool WriteToConsole(std::FILE* stream, const std::string& text);

}  // namespace sys
