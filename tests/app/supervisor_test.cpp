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

// Before main, a port's process plays its part: COM2's instrument is silent,
// the others complete, or wait for the stop their supervisor passes on
// (SIGTERM is blocked from the start, so a stop sent early waits for sigwait).
const bool kPlayedAPort = [] {
  const char* role = std::getenv(kRole);
  if (role == nullptr) return false;
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigprocmask(SIG_BLOCK, &stop, nullptr);
  std::ifstream in("/proc/self/cmdline");
  std::string port;
  for (std::string argument; std::getline(in, argument, '\0') && argument != "--port";) {
  }
  std::getline(in, port, '\0');
  const auto event = [&port](const char* name, const char* fields) {
    std::printf("{\"event\":\"%s\",\"port\":\"%s\"%s}\n", name, port.c_str(), fields);
    std::fflush(stdout);
  };
  event("status", ",\"line\":1,\"text\":\"Please turn on DSO now.\"");
  int signal = 0;
  if (std::string(role) == "wait-for-stop" && sigwait(&stop, &signal) == 0) {
    std::fprintf(stderr, "orvex-programmer: the upgrade was interrupted\n");
    event("end", ",\"outcome\":\"interrupted\",\"exitCode\":143,\"bytesSent\":900,\"seconds\":1.0");
    std::_Exit(143);
  }
  if (port == "COM2" && std::string(role) == "com2-dies") std::_Exit(9);
  if (port == "COM2")
    event("end", ",\"outcome\":\"probe-timeout\",\"exitCode\":3,\"bytesSent\":0,\"seconds\":10.2");
  if (port == "COM2") std::_Exit(3);
  if (port == "COM3") std::printf("a library's line on standard output\n");
  event("end", ",\"outcome\":\"complete\",\"exitCode\":0,\"bytesSent\":900,\"seconds\":2.5");
  std::_Exit(0);
}();

// The supervisor's exit code, then its standard output and standard error, over COM1-COM3 with `role`.
std::string Supervise(const char* role, bool json) {
  setenv(kRole, role, 1);
  cli::CommandLine line;
  line.mode = cli::Mode::kManyPorts;
  line.ports = {0, 1, 2};
  line.portIndex = 0;
  line.json = json;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int code = cli::RunManyPorts(line, "orvex-programmer");
  const std::string out = testing::internal::GetCapturedStdout();
  return std::to_string(code) + "\n" + out + "--\n" + testing::internal::GetCapturedStderr();
}

TEST(Supervisor, MergesEveryPortsEventsAndEndsWithTheFirstFailure) {
  const std::string said = Supervise("complete", true);
  const std::string out = said.substr(0, said.find("--\n"));
  EXPECT_TRUE(said.starts_with("3\n")) << "COM2's, the first failed port: " << said;
  for (const char* end : {R"({"event":"end","port":"COM1","outcome":"complete")",
                          R"({"event":"end","port":"COM2","outcome":"probe-timeout")",
                          R"({"event":"end","port":"COM3","outcome":"complete")"})
    EXPECT_NE(out.find(end), std::string::npos) << end << " in\n" << said;
  EXPECT_TRUE(out.find("port    outcome") == std::string::npos && out.find("library") == std::string::npos)
      << "standard output carries only events: " << said;
  for (const char* line : {"COM3: a library's line on standard output\n",
                           "COM3    complete                     2.5          900",
                           "retry the failed ports: orvex-programmer --batch --port COM2 --json\n"})
    EXPECT_NE(said.find(line, out.size()), std::string::npos) << line << " on standard error:\n" << said;
}

// With SIGCHLD ignored the system reaps the ports' processes itself, and
// waiting for one fails: the port's result is its end event's, or none.
TEST(Supervisor, APortWhoseEndCannotBeLearnedHasNoResult) {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction before {};
  sigaction(SIGCHLD, &ignore, &before);
  const std::string said = Supervise("com2-dies", false);
  sigaction(SIGCHLD, &before, nullptr);
  EXPECT_TRUE(said.starts_with("8\n")) << "COM2's, with no result: the internal error's: " << said;
  EXPECT_NE(said.find("\nCOM1    complete                     2.5          900\n"), std::string::npos)
      << said;
  // Its seconds are the time its process took to die, which a busy machine stretches.
  EXPECT_TRUE(std::regex_search(said, std::regex("\nCOM2    no result +[0-9]+\\.[0-9]            0\n")))
      << said;
  EXPECT_NE(said.find("retry the failed ports: orvex-programmer --batch --port COM2\n"), std::string::npos)
      << said;
}

TEST(Supervisor, PassesAStopOnToEveryPort) {
  sys::StopOnSignals();
  raise(SIGTERM);  // asked before the ports start: each still gets it once they run
  const std::string said = Supervise("wait-for-stop", false);
  EXPECT_TRUE(said.starts_with("143\n")) << said;
  for (const std::string port : {"COM1", "COM2", "COM3"}) {
    EXPECT_NE(said.find(port + ": orvex-programmer: the upgrade was interrupted"), std::string::npos) << said;
    EXPECT_NE(said.find(port + "    interrupted"), std::string::npos) << said;
  }
}

}  // namespace
