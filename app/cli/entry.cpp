#include "entry.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "app/record/sha256.h"
#include "app/system/system.h"
#include "batch_run.h"
#include "embedded_image.h"
#include "port_list.h"
#include "srec/image_reader.h"
#include "upgrade/upgrade_report.h"

namespace cli {
namespace {

constexpr char kVersion[] = "1.0.0.1";

// The --image file, checked whole before any port is opened; kept for the
// program's life because the transfer reads it in place.
bool LoadImage(const std::string& path, std::string& bytes, ImageIdentity& identity) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    sys::Complain(path + ": cannot be read");
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  const srec::ReadResult result = srec::readImage(bytes);
  if (!result.ok()) {
    sys::Complain(path + ":" + std::to_string(result.badLine) + ": " + result.error);
    return false;
  }
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  identity = ImageIdentity{bytes.size(), Sha256Hex(data, bytes.size())};
  SetFirmwareImage(data, static_cast<DWORD>(bytes.size()));
  return true;
}

int RunWithRecord(const std::function<int()>& runDialog) {
  UpgradeRecord record(ImageIdentity{kEmbeddedImageBytes, kEmbeddedImageSha256}, nullptr);
  UpgradeListener* previous = SetUpgradeListener(&record);
  const int code = runDialog();
  SetUpgradeListener(previous);
  return code;
}

}  // namespace

int RunProgram(int argc, const char* const* argv, const std::function<int()>& runDialog) {
  const CommandLine line = ParseCommandLine(argc, argv);
  if (line.mode != Mode::kDialog) sys::UseStartingConsole();
  switch (line.mode) {
    case Mode::kDialog:
      if (!sys::HaveDisplay()) {
        sys::Complain(
            "the dialog needs a display, and there is none here (DISPLAY is not set); "
            "to upgrade without a window use --batch --port COMn (see --help)");
        return kExitPortDied;
      }
      return RunWithRecord(runDialog);
    case Mode::kHelp:
      std::fputs(HelpText(argc > 0 ? argv[0] : "orvex-programmer").c_str(), stdout);
      return kExitComplete;
    case Mode::kVersion:
      std::printf("%s\n", kVersion);
      return kExitComplete;
    case Mode::kListPorts:
      std::fputs(PortList().c_str(), stdout);
      return kExitComplete;
    case Mode::kWrong:
      sys::Complain(line.error + " (see --help)");
      return kExitUsage;
    case Mode::kBatch:
      break;
  }
  static std::string givenImage;
  ImageIdentity identity{kEmbeddedImageBytes, kEmbeddedImageSha256};
  if (!line.image.empty() && !LoadImage(line.image, givenImage, identity)) return kExitBadImage;
  return RunBatch(line, identity);
}

}  // namespace cli
