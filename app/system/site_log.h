#pragma once
// The system log a site already collects from every station, given one entry
// per upgrade record line: the systemd journal on Linux, the Application event
// log on Windows. The record file stays the source of truth; the log is how
// the site's own forwarding carries it to a central store.
// site_log_posix.cpp or site_log_win32.cpp, chosen by the build.
#include <string>
#include <utility>
#include <vector>

namespace sys {

// How the upgrade ended, as the log's severity.
enum class SiteLogLevel { kInformation, kWarning, kError };

struct SiteLogEntry {
  SiteLogLevel level = SiteLogLevel::kInformation;
  std::string summary;  // one line for people
  // Every field of the record line, in its order, named as there ("adapter.serial"
  // for a field of the adapter), numbers as written.
  std::vector<std::pair<std::string, std::string>> fields;
  std::string record;  // the whole JSON line
};

// Sends the entry. A system without the log (a container, a minimal system)
// takes it as sent: nothing is said and nothing waits. Linux: hands the entry
// to a thread of its own and returns at once; one entry is on its way at a
// time, and one that a journal has not taken within 2 s of being handed over
// is dropped (the record holds it), which is said once on standard error, as
// is a thread that cannot be made. Windows: writes it at once; a failed write
// is said once on the debugger output.
void SendToSiteLog(const SiteLogEntry& entry);

// Before the process ends: waits until the entries handed over have been
// sent, each at most until its 2 s are up (Linux; Windows has nothing to wait
// for).
void AwaitSiteLog();

// Windows: writes the event source's registry key, which names this program as
// the file of its messages (needs an administrator, once per machine). Linux:
// nothing to do. `said` is the line to show either way.
bool RegisterSiteLogSource(std::string& said);

}  // namespace sys
