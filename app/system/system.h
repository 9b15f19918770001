#pragma once
// What batch mode, the upgrade record and the port finder need from the
// operating system; posix.cpp or win32.cpp, chosen by the build.
#include <string>

namespace sys {

// The folder of the upgrade record, created when missing; empty when it cannot be.
std::string RecordFolder(std::string& error);
// Appends `line` to the file in one write and flushes it to the disk.
bool AppendLine(const std::string& path, const std::string& line, std::string& error);

struct PortReport {
  std::string device;      // what COMn opens
  bool exists = false;     // the device is there
  bool openable = false;   // it can be opened for exclusive use now
  std::string why;         // when not openable: who holds it, or the system's reason
  std::string stableName;  // a name that survives re-plugging (USB adapters), if any
  std::string adapter;     // the adapter's name and hardware id as the system lists them (Windows), if any
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
// This machine's name.
std::string HostName();
// One line telling how to point a COMn at an adapter.
std::string PortRecipe();

// Whether a window can be shown (an X or Wayland display on Linux).
bool HaveDisplay();
// Whether standard output is a terminal (progress then updates one line).
bool OutputIsTerminal();
// Standard output and error reach the console the program was started from.
void UseStartingConsole();

// A diagnostic for whoever runs the program: standard error (and, on Windows,
// the debugger output).
void Complain(const std::string& text);
// What every such diagnostic line begins with.
std::string ComplaintPrefix();

// Output that goes away (a closed pipe, a terminal that is gone) never ends
// the program: writing to it fails instead of raising a signal (Linux).
void IgnoreLostOutput();
// SIGINT, SIGTERM and SIGHUP (Windows: the console's Ctrl+C, Ctrl+Break and
// close events) ask the running upgrade to stop at its next safe point; a
// second one ends the program at once.
void StopOnSignals();
// Readable once a stop was asked for, so a waiting window can close; -1 where
// there is no such descriptor (Windows).
int StopNotice();
// The program is done with a stop request: a console close event that waits
// for it may let the process end.
void StopHandled();

}  // namespace sys
