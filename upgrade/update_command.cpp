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

// Each scan goes on through the bytes delivered since the previous one, in the
// order they came, so a reply is recognised however its reads fall, also
// across the buffer's return to its start; the match goes on only into bytes
// that came right after it.
bool ReplyArrived(std::uint32_t& scannedCount, ReplyMatch& match) {
  const RxSnapshot rx = TakeRxSnapshot();
  for (const RxRun& run : rx.NewSince(scannedCount)) {
    if (run.afterLoss) match = {};
    if (ScanForReply(rx.bytes.data(), run.begin, run.end, match)) return true;
  }
  scannedCount = rx.count;
  return false;
}

}  // namespace

void SendUpdateCommand() {
  gAttemptCount = 0;
  ReplyMatch match;
  std::uint32_t scannedCount = TakeRxSnapshot().ClearedAt();
  for (;;) {
    if (StopRequested()) return;  // the controller reports it
    WriteUnderRxLock(kUpdateCommand, kUpdateCommandLength);
    Pause(PauseKind::kAfterAttempt, kAttemptPauseMs);
    if (ReplyArrived(scannedCount, match)) return;
    if (CountFailedAttempt()) {
      TraceGaveUp("update command", gAttemptCount);
      return;
    }
  }
}
