#include <sys/uio.h>
#include <systemd/sd-journal.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "diagnostics.h"
#include "site_log.h"

namespace sys {
namespace {

// "journalctl MESSAGE_ID=..." finds every upgrade that ended, on any station.
constexpr char kUpgradeEndedId[] = "MESSAGE_ID=1c082e878fe24308b6b75fde5832e426";

int PriorityOf(SiteLogLevel level) {
  switch (level) {
    case SiteLogLevel::kInformation:
      return 6;
    case SiteLogLevel::kWarning:
      return 4;
    case SiteLogLevel::kError:
      break;
  }
  return 3;
}

// "exitCode" -> "ORVEX_EXIT_CODE", "adapter.serial" -> "ORVEX_ADAPTER_SERIAL".
std::string JournalName(const std::string& recordName) {
  std::string name = "ORVEX_";
  for (std::size_t i = 0; i < recordName.size(); ++i) {
    const auto c = static_cast<unsigned char>(recordName[i]);
    if (std::isupper(c) && i > 0 && std::islower(static_cast<unsigned char>(recordName[i - 1]))) name += '_';
    name += std::isalnum(c) ? static_cast<char>(std::toupper(c)) : '_';
  }
  return name;
}

// A journald that takes nothing (stopped, stuck on its disk) leaves its
// socket's queue full, and a send into a full queue waits until the daemon
// empties it: the program waits this long for its entry, then ends or goes on.
constexpr std::chrono::seconds kJournalWait{2};

std::vector<std::string> JournalFields(const SiteLogEntry& entry) {
  std::vector<std::string> fields{"MESSAGE=" + entry.summary, kUpgradeEndedId,
                                  "SYSLOG_IDENTIFIER=orvex-programmer",
                                  "PRIORITY=" + std::to_string(PriorityOf(entry.level))};
  for (const auto& [name, value] : entry.fields) fields.push_back(JournalName(name) + "=" + value);
  fields.push_back("ORVEX_RECORD=" + entry.record);
  return fields;
}

// Without a journal the call fails at once; the record line already holds everything.
void Send(std::vector<std::string>& fields) {
  std::vector<iovec> parts;
  parts.reserve(fields.size());
  for (std::string& field : fields) parts.push_back(iovec{field.data(), field.size()});
  sd_journal_sendv(parts.data(), static_cast<int>(parts.size()));
}

// Shared by the waiting thread and the sending one, which may outlive the wait.
struct PendingSend {
  std::vector<std::string> fields;
  std::mutex mutex;
  std::condition_variable sent;
  bool done = false;
};

// Whether the entry went to the journal (or found none) within kJournalWait.
bool SendWithin(const SiteLogEntry& entry) {
  auto pending = std::make_shared<PendingSend>();
  pending->fields = JournalFields(entry);
  try {
    std::thread([pending] {
      Send(pending->fields);
      const std::lock_guard lock(pending->mutex);
      pending->done = true;
      pending->sent.notify_one();
    }).detach();
  } catch (const std::system_error&) {
    Send(pending->fields);  // no thread to spare: the send waits here
    return true;
  }
  std::unique_lock lock(pending->mutex);
  return pending->sent.wait_for(lock, kJournalWait, [&pending] { return pending->done; });
}

}  // namespace

void SendToSiteLog(const SiteLogEntry& entry) {
  static std::atomic<bool> said{false};
  if (SendWithin(entry) || said.exchange(true)) return;
  Complain("the systemd journal took no entry within " + std::to_string(kJournalWait.count()) +
           " s (is systemd-journald stuck?); the upgrade record holds the line");
}

bool RegisterSiteLogSource(std::string& said) {
  said = "the systemd journal takes the upgrades' entries as they are: nothing to register";
  return true;
}

}  // namespace sys
