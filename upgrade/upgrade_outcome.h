#pragma once
// How an upgrade ended, produced at the controller's exits, and the exit codes
// the program ends with. The record's outcome code, batch mode's exit code and
// the JSON events all come from this value.

enum class UpgradeOutcome {
  kComplete,        // the image went out whole
  kProbeTimeOut,    // no boot-loader prompt within 101 attempts
  kCommandTimeOut,  // the boot loader did not take the update command
  kPortError,       // the port could not be opened or configured
  kTransferFailed,  // a chunk did not go out whole
  kAbandoned,       // the operator left (Exit, the close box) with the port open
  kInterrupted,     // a signal or a console event asked the program to stop
  kPortFailed,      // the port died under the upgrade; the program ends
  kInternalError,   // a fault of the program itself ended it under the upgrade
};

// The outcome's short code in the record: "complete", "probe-timeout", ...
const char* OutcomeCode(UpgradeOutcome outcome);

// Exit codes of the program; each documented in --help and docs/integrator.md.
enum ExitCode : int {
  kExitComplete = 0,
  kExitPortDied = 1,          // the serial link ended the program (a dead port), or no display
  kExitRecordUnreadable = 1,  // --report: a record file or folder cannot be read
  kExitUsage = 2,
  kExitProbeTimeOut = 3,
  kExitCommandTimeOut = 4,
  kExitPortError = 5,
  kExitTransferFailed = 6,
  kExitBadImage = 7,
  kExitInternalError = 8,  // a fault of the program itself, reported on one line
  kExitSignalBase = 128,   // + the signal that interrupted the upgrade (Windows: 130)
};

// The exit code of a process that a stop by `signal` ended (Windows' console
// events count as signal 2).
constexpr int SignalExitCode(int signal) { return kExitSignalBase + signal; }

// The exit code batch mode ends with for how an upgrade ended; the record
// keeps it too. An interruption takes the signal that asked for it.
int ExitCodeFor(UpgradeOutcome outcome);
