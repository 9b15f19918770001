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

// Each scan goes on through the bytes delivered since the previous one, the
// match carried over, so a reply is recognised however its reads fall.
void SendUpdateCommand() {
  gAttemptCount = 0;
  int matched = 0;
  std::uint32_t scannedCount = TakeRxSnapshot().ClearedAt();
  for (;;) {
    if (StopRequested()) return;  // the controller reports it
    WriteUnderRxLock(kUpdateCommand, kUpdateCommandLength);
    Pause(PauseKind::kAfterAttempt, kAttemptPauseMs);
    RxSnapshot rx = TakeRxSnapshot();
    const std::size_t from = rx.NewSince(scannedCount);
    scannedCount = rx.count;
    if (ScanForReply(rx.bytes.data(), from, rx.fill, matched)) return;
    if (CountFailedAttempt()) {
      TraceGaveUp("update command", gAttemptCount);
      return;
    }
  }
}
