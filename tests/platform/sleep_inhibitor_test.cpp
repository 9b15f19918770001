// The sleep inhibitor against a private system bus (tests/support/private_system_bus.sh, started by
// the build's test), with the stand-in for logind on it, whose lines are in ORVEX_LOGIN1_LOG, or not.
#include "sleep_inhibitor.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

#include "tests/support/wait_until.inl"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

long long Now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

int OpenDescriptors() {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

TEST(SleepInhibitor, HoldsOneLockFromKeepAwakeToAllowSleepAndLeaksNothing) {
  const char* log = std::getenv("ORVEX_LOGIN1_LOG");
  if (log == nullptr) GTEST_SKIP() << "run with the logind stand-in on a private system bus";
  std::streamoff read = 0;
  // The milliseconds of the stand-in's next line ("inhibit what|who|why|mode MS", "release MS") when it
  // begins with `what`, waiting for it 10 s at most; -1 otherwise.
  const auto next = [&](const std::string& what) {
    std::string line;
    test::WaitUntil(
        [&] {
          std::ifstream in(log);
          in.seekg(read);
          // A line the stand-in is still writing has no end yet; its first says it is ready.
          while (std::getline(in, line) && !in.eof())
            if ((read += static_cast<std::streamoff>(line.size()) + 1) > 0 && line != "ready") return true;
          return false;
        },
        10s);
    return line.starts_with(what) ? std::stoll(line.substr(line.rfind(' ') + 1)) : -1LL;
  };
  const std::string who = "inhibit sleep:idle|ORVEX-A/B Firmware Programmer|";
  AllowSleep();  // without KeepAwake: nothing to release, and no release comes before the first lock
  const int open = OpenDescriptors();
  const long long before = Now();
  KeepAwake("Writing firmware into the instrument on COM3");
  const long long returned = Now();
  EXPECT_TRUE(SleepInhibited());
  EXPECT_EQ(OpenDescriptors(), open + 1) << "the bus connection is closed after the call";
  const long long taken = next(who + "Writing firmware into the instrument on COM3|block ");
  EXPECT_TRUE(taken >= before && taken <= returned) << "taken by the time KeepAwake returns: " << taken;
  KeepAwake("second");
  EXPECT_GE(next(who + "second|block "), 0);
  EXPECT_GE(next("release "), 0) << "the first lock is released after the second is taken";
  const long long releasing = Now();
  AllowSleep();
  AllowSleep();
  EXPECT_FALSE(SleepInhibited());
  EXPECT_GE(next("release "), releasing);
  EXPECT_EQ(OpenDescriptors(), open);
  KeepAwake("again");
  EXPECT_GE(next(who + "again|block "), 0) << "the second AllowSleep released nothing";
  AllowSleep();
}

TEST(SleepInhibitor, WithoutLogindGivesUpSilentlyAndInTime) {
  const char* bus = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
  if (bus == nullptr || std::getenv("ORVEX_LOGIN1_LOG") != nullptr)
    GTEST_SKIP() << "run on a private system bus alone";
  // A unix socket that listens but never answers, and one that nothing listens on.
  const std::string folder = std::getenv("ORVEX_PRIVATE_BUS_DIR");
  sockaddr_un mute{AF_UNIX, {}}, dead{AF_UNIX, {}};
  std::snprintf(mute.sun_path, sizeof mute.sun_path, "%s/mute", folder.c_str());
  std::snprintf(dead.sun_path, sizeof dead.sun_path, "%s/dead", folder.c_str());
  const int listening = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0),
            closed = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(bind(listening, reinterpret_cast<sockaddr*>(&mute), sizeof mute) + listen(listening, 8), 0);
  ASSERT_EQ(bind(closed, reinterpret_cast<sockaddr*>(&dead), sizeof dead), 0);
  close(closed);
  // Within its bound of 2 s even where the bus takes the connection and never answers.
  for (const auto& [what, address, bound] :
       {std::tuple{"nothing listens", "unix:path=" + folder + "/dead", 1000ms},
        {"no socket at all", "unix:path=" + folder + "/none", 1000ms},
        {"a bus without logind", std::string(bus), 1000ms},
        {"a bus that never answers", "unix:path=" + folder + "/mute", 5000ms}}) {
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const auto start = Clock::now();
    KeepAwake("Writing firmware into the instrument on COM3");
    EXPECT_LT(Clock::now() - start, bound) << what;
    EXPECT_FALSE(SleepInhibited()) << what;
    AllowSleep();
    EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(), "") << what;
  }
  close(listening);
}

}  // namespace
