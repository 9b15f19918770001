#include "pauses.h"

#include <utility>

namespace {

void RealPause(PauseKind, DWORD milliseconds) { Sleep(milliseconds); }

PauseFunction gPause = RealPause;

}  // namespace

void Pause(PauseKind kind, DWORD milliseconds) { gPause(kind, milliseconds); }

PauseFunction SetPausesForTesting(PauseFunction pause) {
  return std::exchange(gPause, pause != nullptr ? pause : RealPause);
}
