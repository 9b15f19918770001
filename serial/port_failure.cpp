#include "port_failure.h"

#include <atomic>

#include "serial_port.h"
#include "ui_core/message_box.h"
#include "ui_core/message_pump.h"

namespace {
std::atomic_flag gEnding = ATOMIC_FLAG_INIT;
std::atomic<EndingHook> gEndingHook{nullptr};
std::atomic<bool> gProcessEnding{false};
}  // namespace

EndingHook SetEndingHook(EndingHook hook) { return gEndingHook.exchange(hook); }

void EndAfterPortFailure(unsigned exitCode) {
  // The user-interface thread keeps showing the boxes the winner may ask for.
  if (gEnding.test_and_set()) ui::ServeUntilProcessEnds();
  CloseCommPort();
  EndProcess(exitCode);
}

bool ProcessEnding() { return gProcessEnding.load(); }

void EndProcess(unsigned exitCode) {
  gProcessEnding = true;
  if (EndingHook hook = gEndingHook.load()) exitCode = hook(exitCode);
  ExitProcess(exitCode);
}

void EndAfterPortFailure(const char* message) {
  AfxMessageBox(message, MB_OK, 0);
  EndAfterPortFailure(kExitPortFailed);
}
