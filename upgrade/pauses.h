#pragma once
// The upgrade's deliberate pauses: after each boot-loader attempt, and while
// the progress bar is finished. Tests may replace them to run a hundred
// attempts, or a whole upgrade, without waiting for the clock.
#include "winapi.h"

enum class PauseKind { kAfterAttempt, kFinishingProgress };

inline constexpr DWORD kAttemptPauseMs = 100;
inline constexpr DWORD kFinishingStepMs = 1000;

void Pause(PauseKind kind, DWORD milliseconds);

using PauseFunction = void (*)(PauseKind kind, DWORD milliseconds);
// nullptr restores the real pauses. Returns the previous function.
PauseFunction SetPausesForTesting(PauseFunction pause);
