#include <cstdint>
#include <cstdlib>

#include "child_process.h"
#include "stop_signals.h"
#include "upgrade/stop_request.h"
#include "winapi.h"

namespace sys {
namespace {

// Set once the program is done with a stop: a closing console waits for it.
HANDLE gStopHandled = CreateEventA(nullptr, TRUE, FALSE, nullptr);
// Set at the first stop request, for a supervisor waiting for one.
HANDLE gStopRequested = CreateEventA(nullptr, TRUE, FALSE, nullptr);

constexpr int kConsoleStopSignal = 2;  // as Ctrl+C: the program ends with 130
constexpr DWORD kCloseGraceMs = 4500;  // Windows ends a closing console's process after about 5 s

// Runs on a thread of its own that Windows starts for each event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (!RequestStop(kConsoleStopSignal)) ExitProcess(128 + kConsoleStopSignal);
  if (gStopRequested != nullptr) SetEvent(gStopRequested);
  // The process ends when this returns from a close, log-off or shut-down event.
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
    WaitForSingleObject(gStopHandled, kCloseGraceMs);
    ExitProcess(128 + kConsoleStopSignal);
  }
  return TRUE;
}

// A port's process: its supervisor's stop event stands for Ctrl+Break.
DWORD WINAPI WatchSupervisorStop(void* event) {
  if (WaitForSingleObject(static_cast<HANDLE>(event), INFINITE) == WAIT_OBJECT_0)
    OnConsoleEvent(CTRL_BREAK_EVENT);
  return 0;
}

}  // namespace

void StopOnSignals() {
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  // A port's process started by the many-ports supervisor has no console: its
  // stop comes through an event it inherited, named in the environment.
  char value[32] = {};
  if (GetEnvironmentVariableA(kChildStopVariable, value, sizeof value) == 0) return;
  HANDLE stop = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::strtoull(value, nullptr, 10)));
  HANDLE watcher = CreateThread(nullptr, 0, WatchSupervisorStop, stop, 0, nullptr);
  if (watcher != nullptr) CloseHandle(watcher);
}

int StopNotice() { return -1; }

void WaitForStopRequest() {
  if (gStopRequested != nullptr) WaitForSingleObject(gStopRequested, INFINITE);
}

void StopHandled() {
  if (gStopHandled != nullptr) SetEvent(gStopHandled);
}

}  // namespace sys
