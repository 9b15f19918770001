#include <io.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "child_process.h"
#include "output.h"
#include "system.h"
#include "upgrade/stop_request.h"
#include "winapi.h"

// SetupAPI after <windows.h>; initguid.h first, so devguid.h defines the class GUIDs here.
#include <initguid.h>

#include <devguid.h>
#include <setupapi.h>

namespace sys {
namespace {

std::string SystemMessage(DWORD error) {
  char text[256] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                 sizeof text, nullptr);
  std::string message = text;
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return message.empty() ? "error " + std::to_string(error) : message;
}

// Set once the program is done with a stop: a closing console waits for it.
HANDLE gStopHandled = CreateEventA(nullptr, TRUE, FALSE, nullptr);
// Set at the first stop request, for a supervisor waiting for one.
HANDLE gStopRequested = CreateEventA(nullptr, TRUE, FALSE, nullptr);

constexpr int kConsoleStopSignal = 2;  // as Ctrl+C: the program ends with 130
constexpr DWORD kCloseGraceMs = 4500;  // Windows ends a closing console's process after about 5 s

// Runs on a thread of its own that Windows starts for each event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (!RequestStop(kConsoleStopSignal)) ExitProcess(128 + kConsoleStopSignal);
  if (gStopRequested != nullptr) SetEvent(gStopRequested);
  // The process ends when this returns from a close, log-off or shut-down event.
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
    WaitForSingleObject(gStopHandled, kCloseGraceMs);
    ExitProcess(128 + kConsoleStopSignal);
  }
  return TRUE;
}

// A port's process: its supervisor's stop event stands for Ctrl+Break.
DWORD WINAPI WatchSupervisorStop(void* event) {
  if (WaitForSingleObject(static_cast<HANDLE>(event), INFINITE) == WAIT_OBJECT_0)
    OnConsoleEvent(CTRL_BREAK_EVENT);
  return 0;
}

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

std::string RecordFolder(std::string& error) {
  char base[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", base, sizeof base);
  if (length == 0 || length >= sizeof base) {
    error = "LOCALAPPDATA is not set";
    return "";
  }
  const std::string folder = std::string(base) + "\\ORVEX";
  if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    error = folder + ": " + SystemMessage(GetLastError());
    return "";
  }
  return folder;
}

bool AppendLine(const std::string& path, const std::string& line, std::string& error) {
  // Append-only access: every write lands at the end of the file, after every other.
  HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = path + ": " + SystemMessage(GetLastError());
    return false;
  }
  const std::string text = line + "\r\n";
  DWORD written = 0;
  const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size() && FlushFileBuffers(file);
  if (!ok) error = path + ": " + SystemMessage(GetLastError());
  CloseHandle(file);
  return ok;
}

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
    report.why = error == ERROR_ACCESS_DENIED ? "held by another program" : SystemMessage(error);
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

std::string HostName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  return GetComputerNameA(name, &size) ? name : "";
}

bool HaveDisplay() { return true; }

bool OutputIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

// A program of the window subsystem has no console of its own; started from a
// console (batch mode), it writes to that one.
void UseStartingConsole() {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out != nullptr && out != INVALID_HANDLE_VALUE) return;  // redirected to a file or a pipe
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
  }
}

std::string ComplaintPrefix() { return "ORVEX_DIALOG1: "; }

void Complain(const std::string& text) {
  const std::string line = ComplaintPrefix() + text + "\n";
  OutputDebugStringA(line.c_str());
  Print(stderr, line);
}

// A write to a closed pipe fails with an error on Windows: there is no signal to ignore.
void IgnoreLostOutput() {}

void StopOnSignals() {
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  // A port's process started by the many-ports supervisor has no console: its
  // stop comes through an event it inherited, named in the environment.
  char value[32] = {};
  if (GetEnvironmentVariableA(kChildStopVariable, value, sizeof value) == 0) return;
  HANDLE stop = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::strtoull(value, nullptr, 10)));
  HANDLE watcher = CreateThread(nullptr, 0, WatchSupervisorStop, stop, 0, nullptr);
  if (watcher != nullptr) CloseHandle(watcher);
}

int StopNotice() { return -1; }

void WaitForStopRequest() {
  if (gStopRequested != nullptr) WaitForSingleObject(gStopRequested, INFINITE);
}

void StopHandled() {
  if (gStopHandled != nullptr) SetEvent(gStopHandled);
}

}  // namespace sys
