#include "upgrade_outcome.h"

#include "stop_request.h"

const char* OutcomeCode(UpgradeOutcome outcome) {
  switch (outcome) {
    case UpgradeOutcome::kComplete:
      return "complete";
    case UpgradeOutcome::kProbeTimeOut:
      return "probe-timeout";
    case UpgradeOutcome::kCommandTimeOut:
      return "command-timeout";
    case UpgradeOutcome::kPortError:
      return "port-error";
    case UpgradeOutcome::kTransferFailed:
      return "transfer-failed";
    case UpgradeOutcome::kAbandoned:
      return "abandoned";
    case UpgradeOutcome::kInterrupted:
      return "interrupted";
    case UpgradeOutcome::kPortFailed:
      return "port-failed";
    case UpgradeOutcome::kInternalError:
      return "internal-error";
  }
  return "unknown";
}

int ExitCodeFor(UpgradeOutcome outcome) {
  switch (outcome) {
    case UpgradeOutcome::kComplete:
      return kExitComplete;
    case UpgradeOutcome::kProbeTimeOut:
      return kExitProbeTimeOut;
    case UpgradeOutcome::kCommandTimeOut:
      return kExitCommandTimeOut;
    case UpgradeOutcome::kPortError:
      return kExitPortError;
    case UpgradeOutcome::kTransferFailed:
      return kExitTransferFailed;
    case UpgradeOutcome::kInterrupted:
      return SignalExitCode(StopSignal());
    case UpgradeOutcome::kInternalError:
      return kExitInternalError;
    case UpgradeOutcome::kAbandoned:
    case UpgradeOutcome::kPortFailed:
      break;
  }
  return kExitPortDied;
}
