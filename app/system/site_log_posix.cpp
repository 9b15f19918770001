#include <sys/uio.h>
#include <systemd/sd-journal.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
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
// empties it. An entry waits this long at most from when it is handed over,
// then the program goes on or ends without it.
constexpr std::chrono::seconds kJournalWait{2};
using Clock = std::chrono::steady_clock;

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

void SayNotTaken() {
  static std::atomic<bool> said{false};
  if (said.exchange(true)) return;
  Complain("the systemd journal took no entry within " + std::to_string(kJournalWait.count()) +
           " s (is systemd-journald stuck?); the upgrade record holds the line");
}

void SayNoThread() {
  static std::atomic<bool> said{false};
  if (said.exchange(true)) return;
  Complain("no thread could be made to send the journal entry; the upgrade record holds the line");
}

struct Pending {
  std::vector<std::string> fields;
  Clock::time_point deadline;
};

// One entry on its way at a time, sent by a thread of its own so that nobody
// who hands one over waits for the daemon; the later ones wait behind it
// until their time is up, then are dropped. Nothing is said while the lock is
// held: standard error may be a pipe nobody reads. Never destroyed: at the
// process's end that thread may still be in a send the daemon does not take.
class Sender {
 public:
  void Hand(std::vector<std::string> fields) {
    std::unique_lock lock(mutex_);
    const bool late = DropLate();
    const bool running = running_ || StartThread();
    if (running) waiting_.push_back(Pending{std::move(fields), Clock::now() + kJournalWait});
    changed_.notify_all();
    lock.unlock();
    if (late) SayNotTaken();
    if (!running) SayNoThread();  // a send here could wait for good
  }

  void Await() {
    std::unique_lock lock(mutex_);
    const auto idle = [this] { return waiting_.empty() && !inFlight_; };
    if (idle()) return;
    const Clock::time_point until = waiting_.empty() ? *inFlight_ : waiting_.back().deadline;
    const bool gone = changed_.wait_until(lock, until, idle);
    lock.unlock();
    if (!gone) SayNotTaken();
  }

 private:
  bool StartThread() {
    try {
      std::thread([this] { Run(); }).detach();
    } catch (const std::system_error&) {
      return false;
    }
    running_ = true;
    return true;
  }

  void Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return !waiting_.empty(); });
      Pending next = std::move(waiting_.front());
      waiting_.pop_front();
      const bool late = Clock::now() > next.deadline;
      if (!late) inFlight_ = next.deadline;
      lock.unlock();
      if (late) {
        SayNotTaken();
      } else {
        Send(next.fields);
      }
      lock.lock();
      inFlight_.reset();
      changed_.notify_all();
    }
  }

  // Drops the entries whose time ran out behind one the daemon did not take;
  // true when one did.
  bool DropLate() {
    const Clock::time_point now = Clock::now();
    const auto before = waiting_.size();
    std::erase_if(waiting_, [now](const Pending& pending) { return pending.deadline < now; });
    return waiting_.size() != before || (inFlight_ && *inFlight_ < now);
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Pending> waiting_;
  std::optional<Clock::time_point> inFlight_;  // the deadline of the entry being sent
  bool running_ = false;
};

Sender& TheSender() {
  static Sender* const sender = new Sender;
  return *sender;
}

}  // namespace

void SendToSiteLog(const SiteLogEntry& entry) { TheSender().Hand(JournalFields(entry)); }

void AwaitSiteLog() { TheSender().Await(); }

bool RegisterSiteLogSource(std::string& said) {
  said = "the systemd journal takes the upgrades' entries as they are: nothing to register";
  return true;
}

}  // namespace sys
