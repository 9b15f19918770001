#pragma once
// The port finder: what each COMn opens and whether it can be had now.
// port_finder_posix.cpp or port_finder_win32.cpp, chosen by the build.
#include <string>

namespace sys {

struct PortReport {
  std::string device;      // what COMn opens
  bool exists = false;     // the device is there
  bool noUart = false;     // the device is a serial slot with no UART behind it (so not there)
  bool openable = false;   // it can be opened for exclusive use now
  std::string why;         // when not openable: who holds it, or the system's reason
  std::string stableName;  // a name that survives re-plugging (USB adapters), if any
  std::string adapter;     // the adapter's name and hardware ids as the system lists them, if any
};
// Tries to open each port: for the port finder, never during an upgrade.
PortReport ReportPort(const std::string& port);
// The device COMn opens, without touching it.
std::string DeviceOf(const std::string& port);
// The USB adapter behind COMn, so a failing cable or adapter can be found
// later; empty fields where the port is no USB adapter or cannot tell.
struct UsbAdapter {
  std::string vendorId;   // four hex digits
  std::string productId;  // four hex digits
  std::string serial;
};
UsbAdapter UsbAdapterOf(const std::string& port);
// One line telling how to point a COMn at an adapter.
std::string PortRecipe();

}  // namespace sys
