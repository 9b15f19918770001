#include "attempt_pause.h"

#include <utility>

namespace {
PauseFunction gPause = Sleep;
}

void PauseAfterAttempt() { gPause(kAttemptPauseMs); }

PauseFunction SetAttemptPauseForTesting(PauseFunction pause) {
  return std::exchange(gPause, pause != nullptr ? pause : Sleep);
}
