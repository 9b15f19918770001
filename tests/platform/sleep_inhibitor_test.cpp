// The sleep inhibitor against a private system bus, with the stand-in for logind on it or not.
#include "sleep_inhibitor.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "tests/support/wait_until.inl"

namespace {

using namespace std::chrono_literals;

const std::string kWho = "ORVEX-A/B Firmware Programmer";

long long MonotonicMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

std::string Quoted(const std::string& word) { return "'" + word + "'"; }

// Runs `script` in bash with the helper sourced and `first`, `second` as $1 and $2; its standard output,
// or nullopt when it failed.
std::optional<std::string> RunWithHelper(const std::string& script, const std::string& first,
                                         const std::string& second = "") {
  const std::string command = "bash -c " + Quoted(". \"$0\" && " + script) + " " +
                              Quoted(ORVEX_PRIVATE_SYSTEM_BUS) + " " + Quoted(first) + " " + Quoted(second);
  FILE* shell = popen(command.c_str(), "r");
  if (shell == nullptr) return std::nullopt;
  std::string output;
  char chunk[256];
  while (std::fgets(chunk, sizeof chunk, shell) != nullptr) output += chunk;
  if (pclose(shell) != 0) return std::nullopt;
  return output;
}

// A private system bus in a folder of its own, through the helper the end-to-end tests use as well;
// DBUS_SYSTEM_BUS_ADDRESS names it while it lasts.
class PrivateSystemBus {
 public:
  explicit PrivateSystemBus(bool withLogind) {
    char folder[] = "/tmp/orvex-bus.XXXXXX";
    if (mkdtemp(folder) == nullptr) return;
    dir_ = folder;
    const auto address =
        RunWithHelper(R"(orvex_private_system_bus_start "$1" "$2" && printf %s "$DBUS_SYSTEM_BUS_ADDRESS")",
                      dir_, withLogind ? ORVEX_LOGIN1_STANDIN : "");
    if (!address || address->empty() || (withLogind && NextLine() != "ready")) return;
    address_ = *address;
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), 1);
  }
  ~PrivateSystemBus() {
    if (dir_.empty()) return;
    RunWithHelper(R"(orvex_private_system_bus_cleanup "$1")", dir_);
    std::filesystem::remove_all(dir_);
  }
  PrivateSystemBus(const PrivateSystemBus&) = delete;
  PrivateSystemBus& operator=(const PrivateSystemBus&) = delete;

  bool Started() const { return !address_.empty(); }
  const std::string& Address() const { return address_; }
  const std::string& Dir() const { return dir_; }

  // The stand-in's next line, waiting for it at most `timeout`; "" when none came.
  std::string NextLine(std::chrono::milliseconds timeout = 10s) {
    std::string line;
    test::WaitUntil([&] { return TakeLine(line); }, timeout);
    return line;
  }

 private:
  bool TakeLine(std::string& line) {
    std::ifstream log(dir_ + "/login1.log");
    log.seekg(read_);
    // A line the stand-in is still writing has no end yet.
    if (!std::getline(log, line) || log.eof()) return false;
    read_ += static_cast<std::streamoff>(line.size()) + 1;
    return true;
  }

  std::string dir_, address_;
  std::streamoff read_ = 0;
};

// "inhibit what|who|why|mode 1234" parsed.
struct Inhibit {
  std::string strings;
  long long at = -1;
};

Inhibit ParseInhibit(const std::string& line) {
  const auto space = line.rfind(' ');
  if (line.rfind("inhibit ", 0) != 0 || space < 8) return {};
  return {line.substr(8, space - 8), std::stoll(line.substr(space + 1))};
}

long long ParseRelease(const std::string& line) {
  return line.rfind("release ", 0) == 0 ? std::stoll(line.substr(8)) : -1;
}

std::string Strings(const std::string& why) { return "sleep:idle|" + kWho + "|" + why + "|block"; }

int OpenDescriptors() {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                        std::filesystem::directory_iterator()));
}

class SleepInhibitorWithLogind : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(bus_.Started()) << "private system bus with the logind stand-in"; }
  void TearDown() override { AllowSleep(); }

  PrivateSystemBus bus_{true};
};

TEST_F(SleepInhibitorWithLogind, HoldsTheLockFromKeepAwakeToAllowSleep) {
  const long long before = MonotonicMilliseconds();
  KeepAwake("Writing firmware into the instrument on COM3");
  const long long returned = MonotonicMilliseconds();
  EXPECT_TRUE(SleepInhibited());
  const Inhibit taken = ParseInhibit(bus_.NextLine());
  EXPECT_EQ(taken.strings, Strings("Writing firmware into the instrument on COM3"));
  // Taken by the time KeepAwake returns: the upgrade's first byte comes after it.
  EXPECT_GE(taken.at, before);
  EXPECT_LE(taken.at, returned);

  const long long releasing = MonotonicMilliseconds();
  AllowSleep();
  EXPECT_FALSE(SleepInhibited());
  EXPECT_GE(ParseRelease(bus_.NextLine()), releasing);
}

TEST_F(SleepInhibitorWithLogind, SecondKeepAwakeReplacesTheFirstWithoutAGap) {
  KeepAwake("first");
  EXPECT_EQ(ParseInhibit(bus_.NextLine()).strings, Strings("first"));
  KeepAwake("second");
  EXPECT_EQ(ParseInhibit(bus_.NextLine()).strings, Strings("second"));
  EXPECT_GE(ParseRelease(bus_.NextLine()), 0) << "the first lock is released after the second is taken";
  AllowSleep();
  EXPECT_GE(ParseRelease(bus_.NextLine()), 0);
}

TEST_F(SleepInhibitorWithLogind, AllowSleepWithoutKeepAwakeReleasesNothing) {
  AllowSleep();
  AllowSleep();
  EXPECT_FALSE(SleepInhibited());
  KeepAwake("after");
  EXPECT_EQ(ParseInhibit(bus_.NextLine()).strings, Strings("after")) << "no release came before it";
  AllowSleep();
  AllowSleep();
  EXPECT_GE(ParseRelease(bus_.NextLine()), 0);
}

TEST_F(SleepInhibitorWithLogind, KeepsOnlyTheLockOpenAndLeaksNothing) {
  const int open = OpenDescriptors();
  for (int round = 0; round < 5; ++round) {
    KeepAwake("round");
    EXPECT_EQ(OpenDescriptors(), open + 1) << "the bus connection is closed after the call";
    AllowSleep();
    EXPECT_EQ(OpenDescriptors(), open);
  }
  // The stand-in may see a round's release after the next round's inhibit:
  // count them, not their order.
  int inhibits = 0;
  int releases = 0;
  for (int line = 0; line < 10; ++line) {
    const std::string text = bus_.NextLine();
    inhibits += ParseInhibit(text).strings.empty() ? 0 : 1;
    releases += ParseRelease(text) >= 0 ? 1 : 0;
  }
  EXPECT_EQ(inhibits, 5);
  EXPECT_EQ(releases, 5);
}

// A unix socket at `path`: listening but never answering, or closed again so that nothing listens.
class UnixSocket {
 public:
  UnixSocket(const std::string& path, bool listening) : fd_(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << path;
    if (listening) {
      EXPECT_EQ(listen(fd_, 8), 0);
    } else {
      close(fd_);
      fd_ = -1;
    }
  }
  ~UnixSocket() {
    if (fd_ >= 0) close(fd_);
  }
  UnixSocket(const UnixSocket&) = delete;
  UnixSocket& operator=(const UnixSocket&) = delete;

 private:
  int fd_;
};

TEST(SleepInhibitorWithoutLogind, GivesUpSilentlyAndInTime) {
  PrivateSystemBus busAlone(false);
  ASSERT_TRUE(busAlone.Started());
  const std::string dead = busAlone.Dir() + "/dead", mute = busAlone.Dir() + "/mute";
  const UnixSocket deadSocket(dead, false), muteSocket(mute, true);
  struct Case {
    const char* what;
    std::string address;
    std::chrono::milliseconds bound;
  };
  // Within its bound of 2 s even where the bus takes the connection and never answers.
  const Case cases[] = {
      {"nothing listens", "unix:path=" + dead, 1000ms},
      {"no socket at all", "unix:path=" + busAlone.Dir() + "/none", 1000ms},
      {"a bus without logind", busAlone.Address(), 1000ms},
      {"a bus that never answers", "unix:path=" + mute, 5000ms},
  };
  for (const Case& c : cases) {
    setenv("DBUS_SYSTEM_BUS_ADDRESS", c.address.c_str(), 1);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const auto start = std::chrono::steady_clock::now();
    KeepAwake("Writing firmware into the instrument on COM3");
    const auto took = std::chrono::steady_clock::now() - start;
    AllowSleep();
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_LT(took, c.bound) << c.what;
    EXPECT_FALSE(SleepInhibited()) << c.what;
    EXPECT_EQ(out + err, "") << c.what;
  }
}

}  // namespace
