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

// Scans what was delivered since the last scan; a partial prompt goes on only
// into bytes that came right after it.
bool PromptArrived(std::uint32_t& scannedCount, int& matched) {
  const RxSnapshot rx = TakeRxSnapshot();
  for (const RxRun& run : rx.NewSince(scannedCount)) {
    if (run.afterLoss) matched = 0;
    if (ScanForPrompt(rx.bytes.data(), run.begin, run.end, matched)) return true;
  }
  scannedCount = rx.count;
  return false;
}

}  // namespace

void ProbeBootLoader() {
  gAttemptCount = 0;
  int matched = 0;
  std::uint32_t scannedCount = TakeRxSnapshot().ClearedAt();
  for (;;) {
    if (StopRequested()) return;  // the controller reports it
    WriteUnderRxLock(&kProbeByte, 1);
    Pause(PauseKind::kAfterAttempt, kAttemptPauseMs);
    if (PromptArrived(scannedCount, matched)) return;
    ui::PumpOneMessage();
    if (CountFailedAttempt()) {
      TraceGaveUp("probe", gAttemptCount);
      return;
    }
  }
}
