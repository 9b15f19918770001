#include "attempts.h"
#include "boot_loader.h"
#include "pauses.h"
#include "reply_scan.h"
#include "rx_snapshot.h"
#include "serial_trace.h"
#include "stop_request.h"

namespace {
// The zero byte that ends the text is not sent.
constexpr char kUpdateCommand[] = "update\r";
constexpr std::int32_t kUpdateCommandLength = 7;
static_assert(sizeof kUpdateCommand - 1 == kUpdateCommandLength);
}  // namespace

void SendUpdateCommand() {
  gAttemptCount = 0;
  int matched = 0;
  for (;;) {
    if (StopRequested()) return;  // the controller reports it
    WriteUnderRxLock(kUpdateCommand, kUpdateCommandLength);
    Pause(PauseKind::kAfterAttempt, kAttemptPauseMs);
    RxSnapshot rx = TakeRxSnapshot();
    if (rx.bytes[0] != 0 && ScanForReply(rx.bytes.data(), rx.bytes.size(), matched)) return;
    if (CountFailedAttempt()) {
      TraceGaveUp("update command", gAttemptCount);
      return;
    }
  }
}
