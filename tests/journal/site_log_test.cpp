// The journal's sender against a journal socket that takes nothing: run under
// private_journal.sh --no-journal, the test's own /run has no daemon, and the
// test binds the socket and fills its queue itself.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/system/site_log.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The journal's socket with a queue that is full until Receive reads it.
class StuckJournal {
 public:
  StuckJournal() {
    std::filesystem::create_directories("/run/systemd/journal");
    std::strcpy(address_.sun_path, "/run/systemd/journal/socket");
    unlink(address_.sun_path);
    EXPECT_EQ(bind(socket_, Address(), sizeof address_), 0);
    const int filler = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    while (sendto(filler, "MESSAGE=filler\n", 15, 0, Address(), sizeof address_) > 0) {
    }
    close(filler);
  }
  ~StuckJournal() { close(socket_); }
  StuckJournal(const StuckJournal&) = delete;
  StuckJournal& operator=(const StuckJournal&) = delete;

  // The entries' messages that arrive until `last` does (5 s at most).
  std::vector<std::string> ReceiveUntil(const std::string& last) {
    std::vector<std::string> messages;
    const Clock::time_point deadline = Clock::now() + 5s;
    pollfd ready{socket_, POLLIN, 0};
    while ((messages.empty() || messages.back() != last) && Clock::now() < deadline &&
           poll(&ready, 1, 100) >= 0) {
      char datagram[65536];
      const ssize_t got = recv(socket_, datagram, sizeof datagram, MSG_DONTWAIT);
      const std::string text(datagram, got > 0 ? static_cast<std::size_t>(got) : 0);
      const std::size_t at = text.find("MESSAGE=");
      if (at == std::string::npos || text.compare(at, 14, "MESSAGE=filler") == 0) continue;
      messages.push_back(text.substr(at + 8, text.find('\n', at) - at - 8));
    }
    return messages;
  }

 private:
  const sockaddr* Address() const { return reinterpret_cast<const sockaddr*>(&address_); }

  int socket_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_un address_{AF_UNIX, {}};
};

sys::SiteLogEntry Entry(const std::string& summary) {
  return {sys::SiteLogLevel::kInformation, summary, {}, "{}"};
}

std::size_t Threads() {
  const std::filesystem::directory_iterator tasks("/proc/self/task");
  return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

TEST(SiteLog, AStuckJournalNeverHoldsUpTheCallerAndDropsOnlyWhatWaitedPastItsTime) {
  // The socket is this process's own only in private_journal.sh's mount namespace.
  if (std::getenv("ORVEX_PRIVATE_JOURNAL_NS") == nullptr) GTEST_SKIP() << "run under private_journal.sh";
  StuckJournal journal;
  testing::internal::CaptureStderr();
  const std::size_t threads = Threads();
  const Clock::time_point start = Clock::now();
  for (const char* summary : {"entry 1", "entry 2", "entry 3", "entry 4"}) sys::SendToSiteLog(Entry(summary));
  EXPECT_LT(Clock::now() - start, 2s) << "handing the entries over waited for the journal";
  EXPECT_LE(Threads(), threads + 1) << "more than one thread sends";
  sys::AwaitSiteLog();
  EXPECT_LT(Clock::now() - start, 5s) << "the wait for the journal is not bounded";
  // The journal takes its queue again: the entry in flight goes, the three
  // that waited behind it past their 2 s do not, and a new one does.
  sys::SendToSiteLog(Entry("entry 5"));
  EXPECT_EQ(journal.ReceiveUntil("entry 5"), (std::vector<std::string>{"entry 1", "entry 5"}));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(said.find("journal took no entry within 2 s"), said.rfind("journal took no entry within 2 s"))
      << said;
  EXPECT_NE(said.find("journal took no entry within 2 s"), std::string::npos) << said;
}

}  // namespace
