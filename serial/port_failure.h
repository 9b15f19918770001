#pragma once
// How the process ends when the serial link cannot go on.

inline constexpr unsigned kExitPortFailed = 1;
// A write found the port already closed by the operator's Exit: not a failure.
inline constexpr unsigned kExitAfterOperatorExit = 0;

// Closes the port, tells the ending hook, then ends the process with the
// hook's exit code. The reader thread and the writer can meet a dead port at
// the same moment: only the first to get here winds the process down, a later
// one waits for the end (serving the user interface, if it is that thread, so
// the winner's boxes are shown).
[[noreturn]] void EndAfterPortFailure(unsigned exitCode = kExitPortFailed);
// Shows the failing step's message first.
[[noreturn]] void EndAfterPortFailure(const char* message);

// Tells the ending hook, then ends the process with the hook's exit code.
[[noreturn]] void EndProcess(unsigned exitCode);
// Whether EndProcess has begun: the process ends once its hook returns.
bool ProcessEnding();

// Called on the thread that ends the process, just before it ends: the upgrade above the link records its end
// there. Returns the exit code to end with, given the link's own.
using EndingHook = unsigned (*)(unsigned exitCode);
// Returns the previous hook; nullptr removes it.
EndingHook SetEndingHook(EndingHook hook);
