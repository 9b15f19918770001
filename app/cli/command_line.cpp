#include "command_line.h"

#include <algorithm>
#include <string_view>

#include "serial/port_tables.h"
#include "upgrade/stop_request.h"

namespace cli {
namespace {

CommandLine Wrong(std::string error) {
  CommandLine line;
  line.mode = Mode::kWrong;
  line.error = std::move(error);
  return line;
}

// Adds the ports of one --port value; an error text when it names none or repeats one.
std::string AddPorts(CommandLine& line, const std::string& value) {
  const std::vector<int> ports = ParsePortRange(value);
  if (ports.empty()) return "--port takes COM1 to COM256 or a range such as COM1-COM8, not '" + value + "'";
  for (const int port : ports) {
    if (std::find(line.ports.begin(), line.ports.end(), port) != line.ports.end())
      return std::string(PortName(port)) + " is given twice";
    line.ports.push_back(port);
  }
  return "";
}

std::string SetListRange(CommandLine& line, const std::string& value) {
  const std::vector<int> ports = ParsePortRange(value);
  if (ports.empty()) return "--list-ports takes a range such as COM1-COM32, not '" + value + "'";
  line.listFrom = ports.front();
  line.listTo = ports.back();
  return "";
}

// Which mode the options add up to, once every one was read.
CommandLine Settle(CommandLine line, bool batch, bool listPorts) {
  const bool batchOptions =
      !line.ports.empty() || !line.image.empty() || line.json || !line.station.empty() || !line.unit.empty();
  if (listPorts) {
    if (batch || batchOptions || !line.trace.empty()) return Wrong("--list-ports takes no other option");
    line.mode = Mode::kListPorts;
    return line;
  }
  if (batch) {
    if (line.ports.empty()) return Wrong("--batch needs --port COMn");
    if (line.ports.size() > 1 && !line.unit.empty())
      return Wrong("--unit names one instrument: give it with a single --port");
    line.portIndex = line.ports.front();
    line.mode = line.ports.size() > 1 ? Mode::kManyPorts : Mode::kBatch;
    return line;
  }
  if (batchOptions) return Wrong("--port, --image, --json, --station and --unit belong to --batch");
  if (!line.trace.empty()) return Wrong("--trace belongs to --batch");
  return line;
}

}  // namespace

std::vector<int> ParsePortRange(const std::string& text) {
  const std::size_t dash = text.find('-');
  const int first = PortIndex(std::string_view(text).substr(0, dash));
  const int last = dash == std::string::npos ? first : PortIndex(std::string_view(text).substr(dash + 1));
  if (first < 0 || last < first) return {};
  std::vector<int> ports;
  for (int port = first; port <= last; ++port) ports.push_back(port);
  return ports;
}

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  bool batch = false;
  bool listPorts = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool takesValue =
        arg == "--port" || arg == "--image" || arg == "--station" || arg == "--unit" || arg == "--trace";
    if (takesValue && i + 1 >= argc) return Wrong(std::string(arg) + " needs a value");
    std::string error;
    if (arg == "--help" || arg == "-h") {
      line.mode = Mode::kHelp;
      return line;
    }
    if (arg == "--version") {
      line.mode = Mode::kVersion;
      return line;
    }
    if (arg == "--register-event-source") {
      if (argc != 2) return Wrong("--register-event-source takes no other option");
      line.mode = Mode::kRegisterEventSource;
      return line;
    }
    if (arg == "--batch") {
      batch = true;
    } else if (arg == "--list-ports") {
      listPorts = true;
      if (i + 1 < argc && argv[i + 1][0] != '-') error = SetListRange(line, argv[++i]);
    } else if (arg == "--port") {
      error = AddPorts(line, argv[++i]);
    } else if (arg == "--image") {
      line.image = argv[++i];
    } else if (arg == "--json") {
      line.json = true;
    } else if (arg == "--station") {
      line.station = argv[++i];
    } else if (arg == "--unit") {
      line.unit = argv[++i];
    } else if (arg == "--trace") {
      line.trace = argv[++i];
      if (line.trace.empty()) error = "--trace needs a file name";
    } else {
      error = "unknown argument '" + std::string(arg) + "'";
    }
    if (!error.empty()) return Wrong(error);
  }
  return Settle(std::move(line), batch, listPorts);
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
      return kExitSignalBase + StopSignal();
    case UpgradeOutcome::kAbandoned:
    case UpgradeOutcome::kPortFailed:
      break;
  }
  return kExitPortDied;
}

std::string HelpText(const std::string& program) {
  return "Usage: " + program + R"( [--batch --port COMn... [--image FILE] [--json] [--station NAME]
       [--unit TEXT] [--trace FILE] | --list-ports [COMa-COMb] | --register-event-source |
       --help | --version]
Writes new firmware into an ORVEX-A/B oscilloscope over RS-232.

Without options the dialog opens (it needs a display).

  --batch --port COMn  one upgrade on COMn (COM1 to COM256) with no window: prints
                       each status text, the progress, and message boxes on
                       standard error, then ends with the exit code below
  --port COMa-COMb     with --batch, --port may be given again and as a range:
                       every port is upgraded at once, each by a process of its
                       own that this one starts and watches; one live line per
                       port on a terminal (else lines that start with the port),
                       then a table of the results and, when a port failed, the
                       command that retries only the failed ports. The exit code
                       is 0 when every port completed, else that of the first
                       failed port in the order given; with --trace FILE each
                       port writes FILE.COMn
  --image FILE         send this S-record image instead of the embedded one: a
                       regular file of at most 58981500 bytes (65535 chunks),
                       checked whole before the port is opened
  --json               with --batch: standard output carries only JSON Lines, one
                       event per line as it happens (start, status, message,
                       progress, end), each naming its port; the human text goes
                       to standard error
  --station NAME       with --batch: the station's name in the record (else
                       the environment variable ORVEX_STATION)
  --unit TEXT          with --batch and one port: the instrument's serial number,
                       as the operator scans it, in the record
  --trace FILE         with --batch: write a serial trace for support into FILE
                       (replaced): each port setting, write, read, image chunk,
                       time-out and message box, in milliseconds since the port
                       opened; the dialog writes one when ORVEX_TRACE=FILE is set
  --list-ports         COM1 to COM12 (or the range given): the device each opens,
                       whether it exists and can be opened now, and how to point
                       a COMn at an adapter
  --register-event-source
                       Windows, once, as administrator: registers the program as
                       the source of its Application event log entries (one per
                       upgrade record line), so the Event Viewer shows their
                       messages; ends with 0, or 1 and says why. Linux: the
                       journal takes the entries as they are
  --help               this text
  --version            the program's version

Every upgrade that starts appends one line to the upgrade record,
upgrades.jsonl, in ${XDG_STATE_HOME:-~/.local/state}/orvex-programmer (Linux)
or %LOCALAPPDATA%\ORVEX (Windows), however it ends; the same line then goes to
the systemd journal (Linux) or the Application event log (Windows), where a
site's log forwarding collects it.

SIGINT (Ctrl-C), SIGTERM and SIGHUP (Windows: the console's Ctrl+C, Ctrl+Break
and close) stop an upgrade between two chunks or probe attempts: the port is
closed, the record says "interrupted", and a second signal ends the program at
once. With many ports the signal is passed to every port's process. Output
that goes away (a closed pipe) never stops an upgrade.

Exit codes:
  0  the upgrade is complete
  1  the port failed during the upgrade (the program ended), or no display
  2  wrong arguments
  3  no boot-loader prompt: the probe timed out
  4  the boot loader did not accept the update command
  5  the port could not be opened or configured
  6  the image did not go out whole
  7  the --image file is not a valid S-record image, or not a file that can
     hold one (nothing was sent)
  8  an internal error of the program, said on one line
  128+N  interrupted by signal N: 130 Ctrl-C, 143 SIGTERM, 129 SIGHUP
         (Windows console events: 130); after image bytes went out the
         instrument holds a partial image and must be upgraded again before use
)";
}

}  // namespace cli
