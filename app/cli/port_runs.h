#pragma once
// What batch mode with many ports knows of each port's upgrade, read from the
// event stream of the process that runs it, and how it shows them: one live
// line per port, the table at the end, and the command that retries the ports
// that failed.
#include <string>
#include <vector>

#include "command_line.h"

namespace cli {

struct PortRun {
  int port = -1;
  std::string status;      // status line 1's latest text
  std::string message;     // the latest message box
  int percent = -1;        // of the image sent; -1 before the transfer
  bool ended = false;      // the stream's end event came
  std::string outcome;     // as in the record, from the end event
  int eventExitCode = -1;  // the end event's
  double seconds = 0;
  unsigned long long bytesSent = 0;
  int exitCode = -1;    // the process's once it ended; sys::kNoExitCode when that is unknown
  bool exited = false;  // the process ended (exitCode is what could be learned of it)
};

// The port's exit code: its process's, else its end event's; the internal
// error's when neither is known.
int ExitCodeOf(const PortRun& run);

// Takes one line of the port's event stream; false when it is no event.
bool TakeEvent(PortRun& run, const std::string& line);

// The port's live line on a terminal, at most `width` characters.
std::string LiveLine(const PortRun& run, std::size_t width);

// The table of every port's result: port, outcome, seconds, bytes sent.
std::string SummaryTable(const std::vector<PortRun>& runs);

// The command that retries only the failed ports with the options given;
// empty when every port completed.
std::string RetryCommand(const std::vector<PortRun>& runs, const CommandLine& line,
                         const std::string& program);

// 0 when every port completed, else the exit code of the first failed port
// in the order given.
int FirstFailure(const std::vector<PortRun>& runs);

}  // namespace cli
