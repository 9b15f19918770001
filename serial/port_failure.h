#pragma once
// How the process ends when the serial link cannot go on.

inline constexpr unsigned kExitPortFailed = 1;
// A write found the port already closed by the operator's Exit: not a failure.
inline constexpr unsigned kExitAfterOperatorExit = 0;

// Closes the port, then ends the process with `exitCode`. The reader thread
// and the writer can meet a dead port at the same moment: only the first to
// get here winds the process down, a later one waits for the end (serving the
// user interface, if it is that thread, so the winner's boxes are shown).
[[noreturn]] void EndAfterPortFailure(unsigned exitCode = kExitPortFailed);
// Shows the failing step's message first.
[[noreturn]] void EndAfterPortFailure(const char* message);
