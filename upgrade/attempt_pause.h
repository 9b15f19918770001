#pragma once
// The pause after each boot-loader attempt. Tests of the attempt loops may
// replace it to run a hundred attempts without waiting ten seconds.
#include "winapi.h"

inline constexpr DWORD kAttemptPauseMs = 100;

void PauseAfterAttempt();

using PauseFunction = void (*)(DWORD milliseconds);
PauseFunction SetAttemptPauseForTesting(PauseFunction pause);
