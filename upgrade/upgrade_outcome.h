#pragma once
// How an upgrade ended, produced at the controller's exits. The record's
// outcome code and batch mode's exit code both come from this value.

enum class UpgradeOutcome {
  kComplete,        // the image went out whole
  kProbeTimeOut,    // no boot-loader prompt within 101 attempts
  kCommandTimeOut,  // the boot loader did not take the update command
  kPortError,       // the port could not be opened or configured
  kTransferFailed,  // a chunk did not go out whole
  kAbandoned,       // the operator left (Exit, the close box) with the port open
  kInterrupted,     // a signal or a console event asked the program to stop
  kPortFailed,      // the port died under the upgrade; the program ends
};

// The outcome's short code in the record: "complete", "probe-timeout", ...
const char* OutcomeCode(UpgradeOutcome outcome);
