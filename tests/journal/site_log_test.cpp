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
#include <filesystem>
#include <string>

#include "app/system/site_log.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

TEST(SiteLog, AStuckJournalNeverHoldsUpTheCallerAndDropsOnlyWhatWaitedPastItsTime) {
  // The socket is this process's own only in private_journal.sh's mount namespace.
  if (std::getenv("ORVEX_PRIVATE_JOURNAL_NS") == nullptr) GTEST_SKIP() << "run under private_journal.sh";
  std::filesystem::create_directories("/run/systemd/journal");
  unlink("/run/systemd/journal/socket");
  const sockaddr_un address{AF_UNIX, "/run/systemd/journal/socket"};
  const auto* to = reinterpret_cast<const sockaddr*>(&address);
  const int journal = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  const int filler = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  ASSERT_EQ(bind(journal, to, sizeof address), 0);
  while (sendto(filler, "MESSAGE=filler\n", 15, 0, to, sizeof address) > 0) {
  }
  close(filler);
  const auto threads = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/task"), {});
  };
  testing::internal::CaptureStderr();
  const auto before = threads();
  const Clock::time_point start = Clock::now();
  for (const char* summary : {"entry 1", "entry 2", "entry 3", "entry 4"})
    sys::SendToSiteLog({sys::SiteLogLevel::kInformation, summary, {}, "{}"});
  EXPECT_LT(Clock::now() - start, 2s) << "handing the entries over waited for the journal";
  EXPECT_LE(threads(), before + 1) << "more than one thread sends";
  sys::AwaitSiteLog();
  EXPECT_LT(Clock::now() - start, 5s) << "the wait for the journal is not bounded";
  // The journal takes its queue again: the entry in flight goes, the three
  // that waited behind it past their 2 s do not, and a new one does.
  sys::SendToSiteLog({sys::SiteLogLevel::kInformation, "entry 5", {}, "{}"});
  std::string messages;
  pollfd ready{journal, POLLIN, 0};
  for (const auto deadline = Clock::now() + 5s;
       !messages.ends_with("entry 5;") && Clock::now() < deadline && poll(&ready, 1, 100) >= 0;) {
    char datagram[65536];
    const ssize_t got = recv(journal, datagram, sizeof datagram, MSG_DONTWAIT);
    const std::string text(datagram, got > 0 ? static_cast<std::size_t>(got) : 0);
    const std::size_t at = text.find("MESSAGE=");
    if (at != std::string::npos && text.compare(at, 14, "MESSAGE=filler") != 0)
      messages += text.substr(at + 8, text.find('\n', at) - at - 8) + ";";
  }
  close(journal);
  EXPECT_EQ(messages, "entry 1;entry 5;");
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("journal took no entry within 2 s"), std::string::npos) << said;
  EXPECT_EQ(said.find("journal took no entry within 2 s"), said.rfind("journal took no entry within 2 s"))
      << "said once: " << said;
}

}  // namespace
