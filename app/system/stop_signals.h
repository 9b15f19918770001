#pragma once
// Stops asked from outside the line: signals on Linux, console events (and a
// supervisor's event) on Windows. stop_signals_posix.cpp or
// stop_signals_win32.cpp, chosen by the build.

namespace sys {

// SIGINT, SIGTERM and SIGHUP (Windows: the console's Ctrl+C, Ctrl+Break and
// close events) ask the running upgrade to stop at its next safe point; a
// second one ends the program at once.
void StopOnSignals();
// Readable once a stop was asked for, so a waiting window can close; -1 where
// there is no such descriptor (Windows).
int StopNotice();
// The program is done with a stop request: a console close event that waits
// for it may let the process end.
void StopHandled();
// Blocks until a stop was requested through StopOnSignals; for a thread that
// watches for it on behalf of a waiting supervisor.
void WaitForStopRequest();

}  // namespace sys
