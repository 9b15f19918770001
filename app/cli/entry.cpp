#include "entry.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "app/record/sha256.h"
#include "app/report/make_report.h"
#include "app/system/console.h"
#include "app/system/diagnostics.h"
#include "app/system/environment.h"
#include "app/system/output.h"
#include "app/system/record_store.h"
#include "app/system/site_log.h"
#include "app/system/stop_signals.h"
#include "batch_run.h"
#include "embedded_image.h"
#include "followed_run.h"
#include "image_file.h"
#include "image_pin.h"
#include "many_ports.h"
#include "port_list.h"
#include "res/version.h"
#include "serial_trace.h"
#include "station_settings.h"
#include "upgrade/stop_request.h"
#include "upgrade/upgrade_report.h"

namespace cli {
namespace {

// The image to send: an --image file is checked whole, and any image against
// the station's pin, before a port is opened; a refusal is said on one line.
bool ImageToSend(const CommandLine& line, std::string& bytes, ImageIdentity& identity) {
  identity = ImageIdentity{kEmbeddedImageBytes, kEmbeddedImageSha256};
  std::string why;
  if (!line.image.empty()) {
    if (!ReadImageFile(line.image, bytes, why)) {
      sys::Complain(why);
      return false;
    }
    identity = ImageIdentity{bytes.size(),
                             Sha256Hex(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size())};
  }
  why =
      PinMismatch(line.expectSha256, identity.sha256, line.image.empty() ? "the embedded image" : line.image);
  if (why.empty()) return true;
  sys::Complain(why);
  return false;
}

// A pin the embedded image does not meet, or a malformed one (`wrongPin`),
// refuses YES with a box: the operator of a window sees no standard error.
// A signal that closed the dialog ends the program with its own code.
int RunWithRecord(const CommandLine& line, const std::string& wrongPin,
                  const std::function<int()>& runDialog) {
  RefuseFirmwareImage(!wrongPin.empty()
                          ? wrongPin
                          : PinMismatch(line.expectSha256, kEmbeddedImageSha256, "the embedded image"));
  UpgradeRecord record(
      RecordContext{ImageIdentity{kEmbeddedImageBytes, kEmbeddedImageSha256}, line.station, "", ""}, nullptr);
  const int code = RunFollowed(record, runDialog);
  return StopRequested() ? SignalExitCode(StopSignal()) : code;
}

int RunBatchWithImage(const CommandLine& line) {
  // Kept for the program's life: the transfer reads an --image file in place.
  static std::string givenImage;
  RecordContext context{ImageIdentity{kEmbeddedImageBytes, kEmbeddedImageSha256}, line.station, line.unit,
                        ""};
  if (!ImageToSend(line, givenImage, context.image)) return kExitBadImage;
  if (!line.image.empty())
    SetFirmwareImage(reinterpret_cast<const unsigned char*>(givenImage.data()),
                     static_cast<DWORD>(givenImage.size()));
  const int code = RunBatch(line, context);
  sys::StopHandled();
  return code;
}

// Whether the image may be sent (ImageToSend); its bytes are not kept.
bool ImageIsGood(const CommandLine& line) {
  std::string bytes;
  ImageIdentity identity;
  return ImageToSend(line, bytes, identity);
}

// The image is checked once here, before any port's process starts.
int RunManyPortsChecked(const CommandLine& line, const std::string& program) {
  if (!ImageIsGood(line)) return kExitBadImage;
  sys::StopOnSignals();
  const int code = RunManyPorts(line, program);
  sys::StopHandled();
  return code;
}

// The yield report over the files named, else over this machine's record.
int RunReport(const CommandLine& line) {
  report::ReportRequest request{
      line.records, line.records.empty(), {line.since, line.station}, line.json, line.page, line.csv};
  std::string error;
  if (request.paths.empty()) {
    const std::string folder = sys::RecordFolder(error);
    if (folder.empty()) {
      sys::Complain("the upgrade record's folder cannot be found (" + error + ")");
      return kExitRecordUnreadable;
    }
    request.paths.push_back(folder + "/upgrades.jsonl");
  }
  std::string text;
  if (!report::MakeReport(request, text, error)) {
    sys::Complain(error);
    return kExitRecordUnreadable;
  }
  sys::Print(stdout, text);
  return kExitComplete;
}

// The serial trace for support: `given` (--trace), else ORVEX_TRACE. A trace
// that cannot be written is said once and the upgrade goes on without it.
void StartTrace(const std::string& given) {
  const std::string path = !given.empty() ? given : sys::EnvironmentVariable("ORVEX_TRACE");
  if (!path.empty()) StartSerialTrace(path, [](const std::string& text) { sys::Complain(text); });
}

// Windows: the event source's registry key; said either way.
int RegisterLogSource() {
  std::string said;
  if (!sys::RegisterSiteLogSource(said)) {
    sys::Complain(said);
    return kExitPortDied;
  }
  sys::Print(stdout, said + "\n");
  return kExitComplete;
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
  // A fault on another thread leaves the running upgrade open: its record line says so.
  ReportFault(UpgradeOutcome::kInternalError);
  sys::AwaitSiteLog();
  std::_Exit(kExitInternalError);
}

int Run(int argc, const char* const* argv, const std::function<int()>& runDialog) {
  CommandLine line = ParseCommandLine(argc, argv);
  if (line.mode != Mode::kDialog) sys::UseStartingConsole();
  sys::IgnoreLostOutput();
  const bool upgrades =
      line.mode == Mode::kDialog || line.mode == Mode::kBatch || line.mode == Mode::kManyPorts;
  const std::string wrongPin = upgrades ? SettleStationTexts(line) : "";
  if (!wrongPin.empty()) sys::Complain(wrongPin + (line.mode == Mode::kDialog ? "" : " (see --help)"));
  if (!wrongPin.empty() && line.mode != Mode::kDialog) return kExitUsage;
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
      return RunWithRecord(line, wrongPin, runDialog);
    case Mode::kHelp:
      sys::Print(stdout, HelpText(argc > 0 ? argv[0] : "orvex-programmer"));
      return kExitComplete;
    case Mode::kVersion:
      sys::Print(stdout, ORVEX_VERSION_TEXT "\n");
      return kExitComplete;
    case Mode::kListPorts:
      sys::Print(stdout, PortList(line.listFrom, line.listTo));
      return kExitComplete;
    case Mode::kRegisterEventSource:
      return RegisterLogSource();
    case Mode::kWrong:
      sys::Complain(line.error + " (see --help)");
      return kExitUsage;
    case Mode::kReport:
      return RunReport(line);
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
