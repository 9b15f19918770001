#pragma once
// The program's command line: no arguments open the dialog; the rest serve
// production lines (batch mode, the port finder).
#include <string>
#include <vector>

#include "serial/port_tables.h"
#include "upgrade/upgrade_outcome.h"

namespace cli {

enum class Mode {
  kDialog,
  kBatch,
  kManyPorts,
  kListPorts,
  kReport,
  kHelp,
  kVersion,
  kWrong,
  kRegisterEventSource
};

struct CommandLine {
  Mode mode = Mode::kDialog;
  int portIndex = -1;                 // --port COMn: n - 1 (the first, when there are more)
  std::vector<int> ports;             // every --port, ranges spelled out, in the order given
  int listFrom = 0;                   // --list-ports [COMa-COMb]: the first and last port index,
  int listTo = kDialogPortCount - 1;  // else the dialog's
  std::string image;                  // --image FILE, or empty for the embedded image
  bool json = false;                  // --json: standard output carries JSON Lines events only
  std::string station;                // --station NAME, for the record (else ORVEX_STATION)
  std::string unit;                   // --unit TEXT: the instrument's serial number, for the record
  std::string trace;                  // --trace FILE: the serial trace for support, or empty
  std::vector<std::string> records;   // --report FILE|DIR...: empty for this machine's record
  std::string since;                  // --report --since DATE, as report::SinceKey reads it
  std::string page;                   // --report --html FILE: the page of charts
  std::string csv;                    // --report --csv FILE: the upgrades as a spreadsheet's rows
  std::string expectSha256;           // --expect-sha256 HEX (else ORVEX_EXPECT_SHA256), small letters
  std::string error;                  // Mode::kWrong: what is wrong, one line
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

// "COMn" or a range "COMa-COMb" (a <= b) as port indices; empty when the
// text is neither.
std::vector<int> ParsePortRange(const std::string& text);

std::string HelpText(const std::string& program);

}  // namespace cli
