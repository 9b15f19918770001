#include "command_line.h"

#include <string_view>

#include "serial/port_tables.h"

namespace cli {
namespace {

int PortIndex(std::string_view name) {
  for (std::size_t i = 0; i < kPortNames.size(); ++i)
    if (name == kPortNames[i]) return static_cast<int>(i);
  return -1;
}

CommandLine Wrong(std::string error) {
  CommandLine line;
  line.mode = Mode::kWrong;
  line.error = std::move(error);
  return line;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  bool batch = false;
  bool listPorts = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool takesValue = arg == "--port" || arg == "--image";
    if (takesValue && i + 1 >= argc) return Wrong(std::string(arg) + " needs a value");
    if (arg == "--help" || arg == "-h") {
      line.mode = Mode::kHelp;
      return line;
    }
    if (arg == "--version") {
      line.mode = Mode::kVersion;
      return line;
    }
    if (arg == "--batch") {
      batch = true;
    } else if (arg == "--list-ports") {
      listPorts = true;
    } else if (arg == "--port") {
      line.portIndex = PortIndex(argv[++i]);
      if (line.portIndex < 0) return Wrong("--port takes COM1 to COM12, not '" + std::string(argv[i]) + "'");
    } else if (arg == "--image") {
      line.image = argv[++i];
    } else {
      return Wrong("unknown argument '" + std::string(arg) + "'");
    }
  }
  if (listPorts) {
    if (batch || line.portIndex >= 0 || !line.image.empty())
      return Wrong("--list-ports takes no other option");
    line.mode = Mode::kListPorts;
  } else if (batch) {
    if (line.portIndex < 0) return Wrong("--batch needs --port COMn");
    line.mode = Mode::kBatch;
  } else if (line.portIndex >= 0 || !line.image.empty()) {
    return Wrong("--port and --image belong to --batch");
  }
  return line;
}

std::string HelpText(const std::string& program) {
  return "Usage: " + program + R"( [--batch --port COMn [--image FILE] | --list-ports | --help | --version]
Writes new firmware into an ORVEX-A/B oscilloscope over RS-232.

Without options the dialog opens (it needs a display).

  --batch --port COMn  one upgrade on COMn (COM1 to COM12) with no window: prints
                       each status text, the progress, and message boxes on
                       standard error, then ends with the exit code below
  --image FILE         send this S-record image instead of the embedded one: a
                       regular file of at most 58981500 bytes (65535 chunks),
                       checked whole before the port is opened
  --list-ports         COM1 to COM12: the device each opens, whether it exists and
                       can be opened now, and how to point a COMn at an adapter
  --help               this text
  --version            the program's version

Every upgrade that starts appends one line to the upgrade record,
upgrades.jsonl, in ${XDG_STATE_HOME:-~/.local/state}/orvex-programmer (Linux)
or %LOCALAPPDATA%\ORVEX (Windows), however it ends.

SIGINT (Ctrl-C), SIGTERM and SIGHUP (Windows: the console's Ctrl+C, Ctrl+Break
and close) stop an upgrade between two chunks or probe attempts: the port is
closed, the record says "interrupted", and a second signal ends the program at
once. Output that goes away (a closed pipe) never stops an upgrade.

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
