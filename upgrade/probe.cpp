#include "attempts.h"
#include "boot_loader.h"
#include "pauses.h"
#include "prompt_scan.h"
#include "rx_snapshot.h"
#include "serial_trace.h"
#include "stop_request.h"
#include "ui_core/message_pump.h"

std::int32_t gAttemptCount = 0;

namespace {
constexpr unsigned char kProbeByte = 'U';
}

void ProbeBootLoader() {
  gAttemptCount = 0;
  for (;;) {
    if (StopRequested()) return;  // the controller reports it
    WriteUnderRxLock(&kProbeByte, 1);
    Pause(PauseKind::kAfterAttempt, kAttemptPauseMs);
    RxSnapshot rx = TakeRxSnapshot();
    if (rx.fill != 0 && ScanForPrompt(rx.bytes.data(), rx.bytes.size(), rx.count)) return;
    ui::PumpOneMessage();
    if (CountFailedAttempt()) {
      TraceGaveUp("probe", gAttemptCount);
      return;
    }
  }
}
