#include "command_line.h"

#include <algorithm>
#include <string_view>

#include "app/report/yield_tally.h"
#include "image_pin.h"
#include "serial/port_tables.h"
#include "upgrade/firmware_image.h"

namespace cli {
namespace {

// "COM1 to COMn" for the first `count` ports.
std::string PortSpan(int count) { return std::string(PortName(0)) + " to " + PortName(count - 1); }

CommandLine Wrong(std::string error) {
  CommandLine line;
  line.mode = Mode::kWrong;
  line.error = std::move(error);
  return line;
}

// Adds the ports of one --port value; an error text when it names none or repeats one.
std::string AddPorts(CommandLine& line, const std::string& value) {
  const std::vector<int> ports = ParsePortRange(value);
  if (ports.empty())
    return "--port takes " + PortSpan(kPortCount) + " or a range such as COM1-COM8, not '" + value + "'";
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

// --report reads files: of the other options it takes --since, --station,
// --json, --html and --csv.
CommandLine SettleReport(CommandLine line, bool others) {
  if (others || !line.ports.empty() || !line.image.empty() || !line.unit.empty() || !line.trace.empty() ||
      !line.expectSha256.empty())
    return Wrong(
        "--report takes files and folders, --since, --station, --json, --html and --csv, no other option");
  line.mode = Mode::kReport;
  return line;
}

// Which mode the options add up to, once every one was read.
CommandLine Settle(CommandLine line, bool batch, bool listPorts, bool report) {
  if (report) return SettleReport(std::move(line), batch || listPorts);
  if (!line.records.empty()) return Wrong("unknown argument '" + line.records.front() + "'");
  if (!line.since.empty()) return Wrong("--since belongs to --report");
  if (!line.page.empty() || !line.csv.empty()) return Wrong("--html and --csv belong to --report");
  const bool batchOptions =
      !line.ports.empty() || !line.image.empty() || line.json || !line.station.empty() || !line.unit.empty();
  if (listPorts) {
    if (batch || batchOptions || !line.trace.empty() || !line.expectSha256.empty())
      return Wrong("--list-ports takes no other option");
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
  if (!line.expectSha256.empty())
    return Wrong("--expect-sha256 belongs to --batch (the dialog reads ORVEX_EXPECT_SHA256)");
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
  bool reportMode = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool takesValue = arg == "--port" || arg == "--image" || arg == "--station" || arg == "--unit" ||
                            arg == "--trace" || arg == "--since" || arg == "--expect-sha256" ||
                            arg == "--html" || arg == "--csv";
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
    } else if (arg == "--report") {
      reportMode = true;
    } else if (arg == "--since") {
      line.since = report::SinceKey(argv[++i]);
      if (line.since.empty())
        error =
            "--since takes a date such as 2026-03-01 or 2026-03-01T08:00, not '" + std::string(argv[i]) + "'";
    } else if (arg == "--html" || arg == "--csv") {
      (arg == "--html" ? line.page : line.csv) = argv[++i];
      if (argv[i][0] == '\0') error = std::string(arg) + " needs a file name";
    } else if (!arg.empty() && arg[0] != '-') {
      line.records.emplace_back(arg);
    } else if (arg == "--expect-sha256") {
      line.expectSha256 = ParseSha256(argv[++i]);
      if (line.expectSha256.empty()) error = MalformedSha256("--expect-sha256", argv[i]);
    } else {
      error = "unknown argument '" + std::string(arg) + "'";
    }
    if (!error.empty()) return Wrong(error);
  }
  return Settle(std::move(line), batch, listPorts, reportMode);
}

std::string HelpText(const std::string& program) {
  return "Usage: " + program + R"( [--batch --port COMn... [--image FILE] [--json] [--station NAME]
       [--unit TEXT] [--trace FILE] [--expect-sha256 HEX] | --list-ports [COMa-COMb]
       | --report [FILE|DIR]... [--since DATE] [--station NAME] [--json]
       [--html FILE] [--csv FILE]
       | --register-event-source | --help | --version]
Writes new firmware into an ORVEX-A/B oscilloscope over RS-232.

Without options the dialog opens (it needs a display).

  --batch --port COMn  one upgrade on COMn ()" +
         PortSpan(kPortCount) + R"() with no window: prints
                       each status text, the progress, and message boxes on
                       standard error, then ends with the exit code below
  --port COMa-COMb     with --batch, --port may be given again and as a range:
                       every port is upgraded at once, each by a process of its
                       own that this one starts and watches; one live line per
                       port on a terminal, fitted to its height (the ports done
                       counted on one line when they do not all fit), and above
                       them every other line a port's process writes (to
                       standard error, or to standard output that is no
                       event), with its port (else lines that start with the
                       port), then a table of the results and, when a
                       port failed, the command that retries only the failed
                       ports. The exit code is 0 when every port completed,
                       else that of the first failed port in the order given
                       (8 for one with no result); with --trace FILE each port
                       writes FILE.COMn
  --image FILE         send this S-record image instead of the embedded one: a
                       regular file of at most )" +
         std::to_string(kMaxImageBytes) + " bytes (" + std::to_string(kMaxImageChunks) + R"( chunks),
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
  --expect-sha256 HEX  with --batch: send the image (embedded or --image) only if
                       its SHA-256 is HEX (64 hexadecimal digits); else exit 7
                       naming both digests before any port is opened. Without
                       it ORVEX_EXPECT_SHA256=HEX pins the image; the dialog
                       then shows a differing image's digests in a message box
                       at YES and sends nothing
  --list-ports         )" +
         PortSpan(kDialogPortCount) + R"( (or the range given): the device each opens,
                       whether it exists and can be opened now, and how to point
                       a COMn at an adapter
  --report [FILE|DIR]...
                       the yield report over upgrade records (this machine's
                       record when none is named; a folder means the *.jsonl
                       files in it and its subfolders; a FIFO or pipe is read
                       once a program writes into it), lines of every record
                       version: upgrades per station and per port by outcome,
                       first-pass yield (of the units named by --unit, those
                       whose first upgrade completed; upgrades with no unit
                       are counted apart), median and slowest seconds of the
                       completed upgrades, and the adapters (by serial
                       number) and ports with the most port-failed and
                       transfer-failed, worst first.
                       Lines that cannot be read are skipped and counted, the
                       first named; a line read again (a file collected twice)
                       counts once. Exit code 0 when the report was printed,
                       1 when a file or folder cannot be read, or a FIFO is
                       fed by no program within 10 s, or a file cannot be
                       written (said on one line), 2 for wrong arguments
  --since DATE         with --report: only upgrades started at or after DATE
                       (UTC), 2026-03-01 or 2026-03-01T08:00[:00]
  --station NAME       with --report: only that station's upgrades
  --json               with --report: the report as one JSON object
  --html FILE          with --report: also the report as one page in FILE
                       (replaced), with charts: first-pass yield per day and
                       station, outcomes per station, failures by outcome,
                       adapter and port, seconds per completed upgrade, each
                       with its numbers in a table. It loads nothing and runs
                       no script: it opens from a USB stick with no network
  --csv FILE           with --report: also the upgrades it covers in FILE
                       (replaced), one row per record line, the record's
                       fields as columns under a header row, UTF-8 with a
                       byte-order mark, quoted as RFC 4180. Neither file may
                       be a record file the report reads
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
     hold one, or the image is not the one --expect-sha256 names (nothing
     was sent)
  8  an internal error of the program, said on one line (the record says
     internal-error), or batch mode reached no end of the upgrade
  128+N  interrupted by signal N: 130 Ctrl-C, 143 SIGTERM, 129 SIGHUP
         (Windows console events: 130); after image bytes went out the
         instrument holds a partial image and must be upgraded again before use
)";
}

}  // namespace cli
