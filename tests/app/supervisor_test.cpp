// The many-ports supervisor with real processes: this test program doubles as
// each port's process (the environment tells it so), playing an upgrade's
// event stream, so the supervisor's threads, its merging and its passing on
// of a stop run as in the program, under the thread sanitizer too.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>

#include "app/cli/command_line.h"
#include "app/cli/many_ports.h"
#include "app/system/stop_signals.h"

namespace {

// "complete", "wait-for-stop" or "com2-dies" (COM2 ends with no end event)
constexpr char kRole[] = "ORVEX_TEST_PORT_PROCESS";

std::string OwnPort() {
  std::ifstream in("/proc/self/cmdline");
  std::string argument;
  bool next = false;
  while (std::getline(in, argument, '\0')) {
    if (next) return argument;
    next = argument == "--port";
  }
  return "";
}

void Event(const std::string& port, const std::string& event, const std::string& fields = "") {
  std::printf("{\"event\":\"%s\",\"port\":\"%s\"%s}\n", event.c_str(), port.c_str(), fields.c_str());
  std::fflush(stdout);
}

// A port's process: COM2's instrument is silent; the others complete, or
// wait for the stop their supervisor passes on.
[[noreturn]] void PlayPort(const std::string& role) {
  const std::string port = OwnPort();
  Event(port, "start");
  Event(port, "status", ",\"line\":1,\"text\":\"Please turn on DSO now.\"");
  if (role == "wait-for-stop") {
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    int signal = 0;
    sigwait(&stop, &signal);
    std::fprintf(stderr, "orvex-programmer: the upgrade was interrupted\n");
    Event(port, "end", ",\"outcome\":\"interrupted\",\"exitCode\":143,\"bytesSent\":900,\"seconds\":1.0");
    std::_Exit(143);
  }
  if (port == "COM2" && role == "com2-dies") std::_Exit(9);
  if (port == "COM2") {
    Event(port, "end", ",\"outcome\":\"probe-timeout\",\"exitCode\":3,\"bytesSent\":0,\"seconds\":10.2");
    std::_Exit(3);
  }
  if (port == "COM3") std::printf("a library's line on standard output\n");
  Event(port, "progress", ",\"bytesSent\":900,\"total\":900,\"percent\":100");
  Event(port, "end", ",\"outcome\":\"complete\",\"exitCode\":0,\"bytesSent\":900,\"seconds\":2.5");
  std::_Exit(0);
}

// Before main: a port's process plays its part and never reaches the tests.
// SIGTERM is blocked from the start, so a stop sent early waits for sigwait.
const bool kPlayedAPort = [] {
  const char* role = std::getenv(kRole);
  if (role == nullptr) return false;
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigprocmask(SIG_BLOCK, &stop, nullptr);
  PlayPort(role);
}();

cli::CommandLine ManyPorts(bool json) {
  cli::CommandLine line;
  line.mode = cli::Mode::kManyPorts;
  line.ports = {0, 1, 2};
  line.portIndex = 0;
  line.json = json;
  return line;
}

TEST(Supervisor, MergesEveryPortsEventsAndEndsWithTheFirstFailure) {
  setenv(kRole, "complete", 1);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int code = cli::RunManyPorts(ManyPorts(true), "orvex-programmer");
  const std::string out = testing::internal::GetCapturedStdout();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(code, 3) << "COM2's, the first failed port";
  for (const char* end : {R"({"event":"end","port":"COM1","outcome":"complete")",
                          R"({"event":"end","port":"COM2","outcome":"probe-timeout")",
                          R"({"event":"end","port":"COM3","outcome":"complete")"})
    EXPECT_NE(out.find(end), std::string::npos) << end << " in\n" << out;
  EXPECT_EQ(out.find("port    outcome"), std::string::npos) << "standard output carries only events";
  EXPECT_EQ(out.find("library"), std::string::npos) << "standard output carries only events";
  EXPECT_NE(err.find("COM3: a library's line on standard output\n"), std::string::npos) << err;
  EXPECT_NE(err.find("COM3    complete                     2.5          900"), std::string::npos) << err;
  EXPECT_NE(err.find("retry the failed ports: orvex-programmer --batch --port COM2 --json\n"),
            std::string::npos)
      << err;
}

// With SIGCHLD ignored the system reaps the ports' processes itself, and
// waiting for one fails: the port's result is its end event's, or none.
TEST(Supervisor, APortWhoseEndCannotBeLearnedHasNoResult) {
  setenv(kRole, "com2-dies", 1);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction before {};
  sigaction(SIGCHLD, &ignore, &before);
  testing::internal::CaptureStdout();
  const int code = cli::RunManyPorts(ManyPorts(false), "orvex-programmer");
  const std::string out = testing::internal::GetCapturedStdout();
  sigaction(SIGCHLD, &before, nullptr);
  EXPECT_EQ(code, 8) << "COM2's, with no result: the internal error's";
  EXPECT_NE(out.find("COM1    complete                     2.5          900\n"), std::string::npos) << out;
  // Its seconds are the time its process took to die, which a busy machine stretches.
  EXPECT_TRUE(std::regex_search(out, std::regex("\nCOM2    no result +[0-9]+\\.[0-9]            0\n")))
      << out;
  EXPECT_NE(out.find("retry the failed ports: orvex-programmer --batch --port COM2\n"), std::string::npos)
      << out;
}

TEST(Supervisor, PassesAStopOnToEveryPort) {
  setenv(kRole, "wait-for-stop", 1);
  sys::StopOnSignals();
  raise(SIGTERM);  // asked before the ports start: each still gets it once they run
  testing::internal::CaptureStdout();
  const int code = cli::RunManyPorts(ManyPorts(false), "orvex-programmer");
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(code, 143);
  for (const char* port : {"COM1", "COM2", "COM3"}) {
    EXPECT_NE(out.find(std::string(port) + ": orvex-programmer: the upgrade was interrupted"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find(std::string(port) + "    interrupted"), std::string::npos) << out;
  }
}

}  // namespace
