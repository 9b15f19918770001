#include "port_list.h"

#include "app/system/system.h"
#include "serial/port_tables.h"

namespace cli {

std::string PortList() {
  std::string text;
  for (const char* port : kPortNames) {
    const sys::PortReport report = sys::ReportPort(port);
    std::string state;
    if (!report.exists) {
      state = "missing";
    } else if (report.openable) {
      state = "free";
    } else {
      state = "busy: " + report.why;
    }
    text += std::string(port) + (std::string(port).size() == 4 ? "   " : "  ") + report.device;
    text += "  [" + state + "]";
    if (!report.stableName.empty()) text += "  " + report.stableName;
    text += "\n";
  }
  return text + sys::PortRecipe() + "\n";
}

}  // namespace cli
