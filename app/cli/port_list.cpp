#include "port_list.h"

#include "app/system/port_finder.h"
#include "serial/port_tables.h"

namespace cli {
namespace {

// ModemManager probes new serial ports for modems; the package ships a udev
// rule that keeps it away from an adapter.
constexpr const char* kModemManagerRule =
    "/usr/share/doc/orvex-programmer/examples/77-orvex-ignore-modemmanager.rules";

}  // namespace

std::string PortList(int from, int to) {
  std::string text;
  for (int index = from; index <= to; ++index) {
    const char* port = PortName(index);
    const sys::PortReport report = sys::ReportPort(port);
    std::string state;
    if (report.noUart) {
      state = "missing: no UART behind it";
    } else if (!report.exists) {
      state = "missing";
    } else if (report.openable) {
      state = "free";
    } else {
      state = "busy: " + report.why;
    }
    text += std::string(port) + std::string(7 - std::string(port).size(), ' ') + report.device;
    text += "  [" + state + "]";
    if (!report.stableName.empty()) text += "  " + report.stableName;
    if (!report.adapter.empty()) text += "  " + report.adapter;
    if (report.why.ends_with("(ModemManager)"))
      text += std::string("  to keep ModemManager away from it: ") + kModemManagerRule;
    text += "\n";
  }
  return text + sys::PortRecipe() + "\n";
}

}  // namespace cli
