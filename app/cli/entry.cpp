#include "entry.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "app/record/sha256.h"
#include "app/system/console.h"
#include "app/system/diagnostics.h"
#include "app/system/output.h"
#include "app/system/stop_signals.h"
#include "batch_run.h"
#include "embedded_image.h"
#include "image_file.h"
#include "many_ports.h"
#include "port_list.h"
#include "res/version.h"
#include "serial_trace.h"
#include "upgrade/stop_request.h"
#include "upgrade/upgrade_report.h"

namespace cli {
namespace {

// The --image file, checked whole before any port is opened; kept for the
// program's life because the transfer reads it in place.
bool LoadImage(const std::string& path, std::string& bytes, ImageIdentity& identity) {
  std::string why;
  if (!ReadImageFile(path, bytes, why)) {
    sys::Complain(why);
    return false;
  }
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  identity = ImageIdentity{bytes.size(), Sha256Hex(data, bytes.size())};
  SetFirmwareImage(data, static_cast<DWORD>(bytes.size()));
  return true;
}

// A signal that closed the dialog ends the program with its own code.
// The station's name: --station, else ORVEX_STATION.
std::string Station(const CommandLine& line) {
  if (!line.station.empty()) return line.station;
  const char* station = std::getenv("ORVEX_STATION");
  return station != nullptr ? station : "";
}

int RunWithRecord(const CommandLine& line, const std::function<int()>& runDialog) {
  UpgradeRecord record(
      RecordContext{ImageIdentity{kEmbeddedImageBytes, kEmbeddedImageSha256}, Station(line), "", ""},
      nullptr);
  UpgradeListener* previous = SetUpgradeListener(&record);
  const int code = runDialog();
  SetUpgradeListener(previous);
  return StopRequested() ? kExitSignalBase + StopSignal() : code;
}

int RunBatchWithImage(const CommandLine& line) {
  static std::string givenImage;
  RecordContext context{ImageIdentity{kEmbeddedImageBytes, kEmbeddedImageSha256}, Station(line), line.unit,
                        ""};
  if (!line.image.empty() && !LoadImage(line.image, givenImage, context.image)) return kExitBadImage;
  const int code = RunBatch(line, context);
  sys::StopHandled();
  return code;
}

// Whether the --image file is one that can be sent; said when not.
bool ImageFileIsGood(const std::string& path) {
  std::string bytes;
  std::string why;
  if (ReadImageFile(path, bytes, why)) return true;
  sys::Complain(why);
  return false;
}

// The image is checked once here, before any port's process starts.
int RunManyPortsChecked(const CommandLine& line, const std::string& program) {
  if (!line.image.empty() && !ImageFileIsGood(line.image)) return kExitBadImage;
  sys::StopOnSignals();
  const int code = RunManyPorts(line, program);
  sys::StopHandled();
  return code;
}

// The serial trace for support: `given` (--trace), else ORVEX_TRACE. A trace
// that cannot be written is said once and the upgrade goes on without it.
void StartTrace(const std::string& given) {
  const char* fromEnvironment = std::getenv("ORVEX_TRACE");
  const std::string path = !given.empty() ? given : fromEnvironment != nullptr ? fromEnvironment : "";
  if (!path.empty()) StartSerialTrace(path, [](const std::string& text) { sys::Complain(text); });
}

// A fault of the program itself ends it on one line with a code of its own,
// never with an abort.
[[noreturn]] void EndOnInternalError() {
  std::string what = "unknown";
  try {
    if (const std::exception_ptr error = std::current_exception()) std::rethrow_exception(error);
  } catch (const std::exception& error) {
    what = error.what();
  } catch (...) {
  }
  sys::Complain("internal error (" + what + "); the program ends");
  std::_Exit(kExitInternalError);
}

int Run(int argc, const char* const* argv, const std::function<int()>& runDialog) {
  const CommandLine line = ParseCommandLine(argc, argv);
  if (line.mode != Mode::kDialog) sys::UseStartingConsole();
  sys::IgnoreLostOutput();
  switch (line.mode) {
    case Mode::kDialog:
      if (!sys::HaveDisplay()) {
        sys::Complain(
            "the dialog needs a display, and there is none here (DISPLAY is not set); "
            "to upgrade without a window use --batch --port COMn (see --help)");
        return kExitPortDied;
      }
      StartTrace("");
      sys::StopOnSignals();
      return RunWithRecord(line, runDialog);
    case Mode::kHelp:
      sys::Print(stdout, HelpText(argc > 0 ? argv[0] : "orvex-programmer"));
      return kExitComplete;
    case Mode::kVersion:
      sys::Print(stdout, ORVEX_VERSION_TEXT "\n");
      return kExitComplete;
    case Mode::kListPorts:
      sys::Print(stdout, PortList(line.listFrom, line.listTo));
      return kExitComplete;
    case Mode::kWrong:
      sys::Complain(line.error + " (see --help)");
      return kExitUsage;
    case Mode::kManyPorts:
      return RunManyPortsChecked(line, argc > 0 ? argv[0] : "orvex-programmer");
    case Mode::kBatch:
      break;
  }
  StartTrace(line.trace);
  sys::StopOnSignals();
  return RunBatchWithImage(line);
}

}  // namespace

int RunProgram(int argc, const char* const* argv, const std::function<int()>& runDialog) {
  std::set_terminate(EndOnInternalError);
  try {
    return Run(argc, argv, runDialog);
  } catch (...) {
    EndOnInternalError();
  }
}

}  // namespace cli
