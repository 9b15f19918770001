#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "diagnostics.h"
#include "res/site_log_messages.h"
#include "site_log.h"
#include "ui_core/wide_text.h"
#include "utf8_text.h"
#include "winapi.h"

namespace sys {
namespace {

constexpr wchar_t kSource[] = L"ORVEX Firmware Programmer";
constexpr wchar_t kSourceKey[] =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\ORVEX Firmware Programmer";

// ReportEventW fails the whole entry for an insert longer than this (a very
// long --station): each is cut to it; the binary data keeps the whole line.
constexpr std::size_t kLongestInsert = 31839;

// The message table's inserts %1 to %21 (res/site_log_messages.mc): the record's fields in its order.
constexpr const char* kInserts[] = {"v",
                                    "started",
                                    "port",
                                    "device",
                                    "imageBytes",
                                    "imageSha256",
                                    "outcome",
                                    "status",
                                    "seconds",
                                    "bytesSent",
                                    "program",
                                    "host",
                                    "ended",
                                    "exitCode",
                                    "probeAttempts",
                                    "commandAttempts",
                                    "station",
                                    "unit",
                                    "adapter.vendorId",
                                    "adapter.productId",
                                    "adapter.serial"};

DWORD EventIdOf(const std::string& outcome) {
  static const std::pair<const char*, DWORD> kIds[] = {{"complete", ORVEX_EVENT_COMPLETE},
                                                       {"probe-timeout", ORVEX_EVENT_PROBE_TIMEOUT},
                                                       {"command-timeout", ORVEX_EVENT_COMMAND_TIMEOUT},
                                                       {"port-error", ORVEX_EVENT_PORT_ERROR},
                                                       {"transfer-failed", ORVEX_EVENT_TRANSFER_FAILED},
                                                       {"abandoned", ORVEX_EVENT_ABANDONED},
                                                       {"interrupted", ORVEX_EVENT_INTERRUPTED},
                                                       {"port-failed", ORVEX_EVENT_PORT_FAILED}};
  for (const auto& [code, id] : kIds)
    if (outcome == code) return id;
  return ORVEX_EVENT_OTHER;
}

WORD EventTypeOf(SiteLogLevel level) {
  switch (level) {
    case SiteLogLevel::kInformation:
      return EVENTLOG_INFORMATION_TYPE;
    case SiteLogLevel::kWarning:
      return EVENTLOG_WARNING_TYPE;
    case SiteLogLevel::kError:
      break;
  }
  return EVENTLOG_ERROR_TYPE;
}

std::string FieldOf(const SiteLogEntry& entry, const std::string& name) {
  for (const auto& [field, value] : entry.fields)
    if (field == name) return value;
  return "";
}

// A log that cannot be written is said once; the upgrades go on.
void SayOnce(const std::string& what, DWORD error) {
  static std::atomic<bool> said{false};
  if (said.exchange(true)) return;
  const std::string line = ComplaintPrefix() + what + " (" + SystemErrorText(error) + "); upgrades go on\n";
  OutputDebugStringA(line.c_str());
}

std::wstring OwnPath() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path;
}

LSTATUS WriteSourceKey(const std::wstring& messageFile) {
  HKEY key = nullptr;
  LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSourceKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_SET_VALUE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return status;
  const auto bytes = static_cast<DWORD>((messageFile.size() + 1) * sizeof(wchar_t));
  status = RegSetValueExW(key, L"EventMessageFile", 0, REG_EXPAND_SZ,
                          reinterpret_cast<const BYTE*>(messageFile.c_str()), bytes);
  const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
  if (status == ERROR_SUCCESS)
    status = RegSetValueExW(key, L"TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types),
                            sizeof types);
  RegCloseKey(key);
  return status;
}

}  // namespace

void SendToSiteLog(const SiteLogEntry& entry) {
  // Unregistered, the source is written all the same: the Event Viewer then shows the inserts alone.
  static const HANDLE source = RegisterEventSourceW(nullptr, kSource);
  if (source == nullptr) return SayOnce("the event log cannot be written", GetLastError());
  std::vector<std::wstring> inserts;
  for (const char* name : kInserts)
    inserts.push_back(ui::win32::Widen(std::string(Utf16Prefix(FieldOf(entry, name), kLongestInsert))));
  std::vector<LPCWSTR> strings;
  for (const std::wstring& insert : inserts) strings.push_back(insert.c_str());
  std::string data = entry.record;
  if (!ReportEventW(source, EventTypeOf(entry.level), 0, EventIdOf(FieldOf(entry, "outcome")), nullptr,
                    static_cast<WORD>(strings.size()), static_cast<DWORD>(data.size()), strings.data(),
                    data.data()))
    SayOnce("the event log cannot be written", GetLastError());
}

void AwaitSiteLog() {}

bool RegisterSiteLogSource(std::string& said) {
  const std::wstring path = OwnPath();
  const LSTATUS status = WriteSourceKey(path);
  if (status != ERROR_SUCCESS) {
    said = "the event source cannot be registered (" + SystemErrorText(static_cast<unsigned long>(status)) +
           "): run ORVEX_DIALOG1.EXE --register-event-source once as administrator";
    return false;
  }
  said = "event source \"ORVEX Firmware Programmer\" registered; its messages come from " +
         ui::win32::Narrow(path);
  return true;
}

}  // namespace sys
