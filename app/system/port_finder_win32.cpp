#include <string>

#include "diagnostics.h"
#include "port_finder.h"
#include "winapi.h"

// SetupAPI after <windows.h>; initguid.h first, so devguid.h defines the class GUIDs here.
#include <initguid.h>

#include <devguid.h>
#include <setupapi.h>

namespace sys {
namespace {

// One of a device's text properties; the first string of a list (hardware ids).
std::string DeviceProperty(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
  char value[512] = {};
  if (!SetupDiGetDeviceRegistryPropertyA(devices, &device, property, nullptr, reinterpret_cast<BYTE*>(value),
                                         sizeof value - 2, nullptr)) {
    return "";
  }
  return value;
}

// The port name Windows gave the device (its hardware key's PortName, as in
// Device Manager's Port Settings).
std::string DevicePortName(HDEVINFO devices, SP_DEVINFO_DATA& device) {
  HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
  if (key == INVALID_HANDLE_VALUE) return "";
  char name[64] = {};
  DWORD size = sizeof name - 1;
  DWORD type = 0;
  const bool read = RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) ==
                    ERROR_SUCCESS;
  RegCloseKey(key);
  return read && type == REG_SZ ? name : "";
}

// "friendly name, hardware id" of the present device that is `port`; empty
// when there is none (Wine lists no port devices).
std::string AdapterOf(const std::string& port) {
  HDEVINFO devices = SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) return "";
  std::string adapter;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD i = 0; adapter.empty() && SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
    if (lstrcmpiA(DevicePortName(devices, device).c_str(), port.c_str()) != 0) continue;
    adapter = DeviceProperty(devices, device, SPDRP_FRIENDLYNAME);
    if (adapter.empty()) adapter = DeviceProperty(devices, device, SPDRP_DEVICEDESC);
    const std::string hardwareId = DeviceProperty(devices, device, SPDRP_HARDWAREID);
    if (!hardwareId.empty()) adapter += (adapter.empty() ? "" : ", ") + hardwareId;
  }
  SetupDiDestroyDeviceInfoList(devices);
  return adapter;
}

}  // namespace

std::string DeviceOf(const std::string& port) {
  char target[512] = {};
  return QueryDosDeviceA(port.c_str(), target, sizeof target) != 0 ? target : "";
}

PortReport ReportPort(const std::string& port) {
  PortReport report;
  char target[512] = {};
  report.exists = QueryDosDeviceA(port.c_str(), target, sizeof target) != 0;
  report.device = report.exists ? target : "";
  report.adapter = AdapterOf(port);
  if (!report.exists) {
    report.why = "no such port";
    return report;
  }
  const std::string path = "\\\\.\\" + port;
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
  report.openable = handle != INVALID_HANDLE_VALUE;
  if (report.openable) {
    CloseHandle(handle);
  } else {
    const DWORD error = GetLastError();
    report.why = error == ERROR_ACCESS_DENIED ? "held by another program" : SystemErrorText(error);
  }
  return report;
}

std::string PortRecipe() {
  return "To change which COMn an adapter is: Device Manager, the adapter's Port Settings, Advanced, COM "
         "Port "
         "Number";
}

// The ids come from the adapter's hardware id ("USB\\VID_0403&PID_6001..."); the
// serial number is not read here.
UsbAdapter UsbAdapterOf(const std::string& port) {
  const std::string adapter = AdapterOf(port);
  const std::size_t vid = adapter.find("VID_");
  const std::size_t pid = adapter.find("PID_");
  if (vid == std::string::npos || pid == std::string::npos) return {};
  return UsbAdapter{adapter.substr(vid + 4, 4), adapter.substr(pid + 4, 4), ""};
}

}  // namespace sys
