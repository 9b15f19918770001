#pragma once
// How the process ends when the serial link cannot go on.

inline constexpr unsigned kExitPortFailed = 1;
// A write found the port already closed by the operator's Exit: not a failure.
inline constexpr unsigned kExitAfterOperatorExit = 0;

// Closes the port, then ends the process with kExitPortFailed.
[[noreturn]] void EndAfterPortFailure();
