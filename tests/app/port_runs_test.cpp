// Batch mode with many ports, without processes: reading each port's event
// stream, the live lines fitted to the terminal, the lines of a port's
// standard error shown above them, the first failure and the retry command at
// the end, whose words, pasted into this system's shell, reach the program as
// they were (through /bin/sh's printf; on Windows through cmd.exe and the C
// runtime's splitting of the command line, into a run of this test program
// that echoes its arguments back), and the table at the end. A port whose
// process was killed, a single row and a narrow terminal are the many-port
// cases' own.

#include <cstdio>

#include "app/cli/command_line.h"
#include "app/cli/live_view.h"
#include "app/cli/port_runs.h"
#include "app/record/json_text.h"
#include "app/system/child_process.h"
#include "tests/app/table_rows.h"

#ifdef _WIN32
#include <stdlib.h>  // __argc, __argv

#include "winapi.h"
#define popen _popen
#define pclose _pclose
#endif

namespace {

cli::PortRun RunOf(int port, const std::vector<std::string>& events, int exitCode = -1) {
  cli::PortRun run;
  run.port = port;
  for (const std::string& event : events) EXPECT_TRUE(cli::TakeEvent(run, event)) << event;
  run.exitCode = exitCode;
  return run;
}

TEST(PortRuns, EventsMakeTheLiveLineTheFirstFailureAndTheRetryLine) {
  cli::PortRun run = RunOf(0, {R"({"event":"start","port":"COM1","v":1})"});
  EXPECT_EQ(cli::LiveLine(run, 79), "COM1     starting");
  for (const char* event : {R"({"event":"status","port":"COM1","line":1,"text":"Upgrading!"})",
                            R"({"event":"status","port":"COM1","line":2,"text":"line two"})",
                            R"({"event":"progress","port":"COM1","bytesSent":500,"total":1000,"percent":50})",
                            R"( {"event" : "message","port":"COM1","text":"\"Write\" \u00e9"} )"})
    cli::TakeEvent(run, event);
  EXPECT_EQ(cli::LiveLine(run, 79), "COM1    50 %    Upgrading!  (\"Write\" \xc3\xa9)");
  // The event reader takes a flat object alone: any other line is a foreign one, shown as it is.
  for (const char* line :
       {"COM1: not an event", R"({"event":{"b":1}})", R"({"event":[1]})", R"({"event":"end"} trailing)"})
    EXPECT_FALSE(cli::TakeEvent(run, line)) << line;
  const std::vector<cli::PortRun> runs = {
      RunOf(0, {R"({"event":"end","outcome":"complete","exitCode":0,"bytesSent":2281784,"seconds":21.5})"},
            0),
      RunOf(199, {R"({"event":"end","outcome":"probe-timeout","exitCode":3,"bytesSent":0,"seconds":10.2})"}),
      RunOf(2, {R"({"event":"progress","bytesSent":912})"}, 137),  // ended by a signal mid-image
      RunOf(4, {}, 139),                                           // before its first event
  };
  EXPECT_EQ(cli::SummaryTable(runs),
            "port    outcome                  seconds   bytes sent\n"
            "COM1    complete                    21.5      2281784\n"
            "COM200  probe-timeout               10.2            0\n"
            "COM3    no result (exit 137)         0.0          912\n"
            "COM5    no result (exit 139)         0.0            0\n")
      << "each port's seconds and bytes sent from its end event, else its last progress";
  EXPECT_EQ(cli::FirstFailure(runs), 3) << "the first failed port in the order given, by its end event";
  EXPECT_EQ(cli::FirstFailure({runs[0], runs[2]}), 137) << "by its process";
  EXPECT_EQ(cli::FirstFailure({runs[0], RunOf(4, {})}), 8) << "neither known: the internal error's";
  cli::CommandLine line;
  line.image = "/tmp/my image.srec", line.station = "bench 4", line.json = true, line.trace = "t.txt";
  line.expectSha256 = "ab12";
  EXPECT_EQ(cli::RetryCommand(runs, line, "orvex-programmer"),
            "orvex-programmer --batch --port COM200 --port COM3 --port COM5 --image " +
                sys::QuoteArgument(line.image) + " --json --station " + sys::QuoteArgument(line.station) +
                " --trace t.txt --expect-sha256 ab12")
      << "only the failed ports, with the options given";
}

#ifdef _WIN32
constexpr char kEcho[] = "ORVEX_TEST_ECHO_ARGUMENTS";

// Before main: a run asked to echo writes each argument after the first on a line of its own, and ends.
const bool kEchoed = [] {
  if (std::getenv(kEcho) == nullptr) return false;
  for (int i = 1; i < __argc; ++i) std::printf("%s\n", __argv[i]);
  std::fflush(stdout);
  std::_Exit(5);  // a code of its own, which only the process's end tells
}();

std::string EchoCommand() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  _putenv_s(kEcho, "1");
  return sys::QuoteArgument(path);
}
#else
std::string EchoCommand() { return "printf '%s\\n'"; }
#endif

TEST(QuoteArgument, EveryWordReachesTheProgramAsItWas) {
  std::vector<std::string> words = test::RowsSplitAt(" ~ ", R"(
    COM3 ~ bench 4 ~  ~ it's $HOME and `date` ~ say "hi" ~ C:\\line 4\\images\\ ~ a\\\\"b ~ 50% & more | <x> ^y; z ~ tab\there ~ -port
  )")[0];
  std::string command = EchoCommand();
  for (std::string& word : words) command += " " + sys::QuoteArgument(word = test::Unescaped(word));
#ifdef _WIN32
  command = "\"" + command + "\"";  // popen's cmd /c takes off the first and the last quote of the line
#endif
  std::vector<std::string> echoed;
  FILE* out = popen(command.c_str(), "r");
  ASSERT_NE(out, nullptr);
  for (char line[256]; std::fgets(line, sizeof line, out) != nullptr;)
    echoed.emplace_back(line, std::string(line).find('\n'));
  pclose(out);
#ifdef _WIN32
  sys::ChildProcess child(words);  // a port's process, its command line made by this program
  std::string received, sent;
  for (char buffer[512]; const std::size_t n = child.Read(sys::ChildStream::kOutput, buffer, sizeof buffer);)
    received.append(buffer, n);
  for (const std::string& word : words) sent += word + "\r\n";
  EXPECT_EQ(received, sent) << "each word reaches a port's process as it was";
  EXPECT_EQ(child.Wait(), 5) << "and its exit code reaches this program";
  _putenv_s(kEcho, "");
#endif
  EXPECT_EQ(echoed, words) << command;
}

TEST(LiveLines, FitTheTerminalsHeightAndWidth) {
  // COM1 complete, COM2 its process's code says failed, COM3 and COM4 running.
  std::vector<cli::PortRun> runs(4);
  for (int port = 0; port < 4; ++port) {
    cli::PortRun& run = runs[port];
    run.port = port, run.ended = port < 2, run.outcome = "complete", run.eventExitCode = 0;
    run.exitCode = port == 1 ? 130 : -1, run.percent = 10 * port;
    run.status = port < 2 ? "Upgrade complete!" : "Upgrading!   (It takes about 180 sec.) ";
  }
  using Lines = std::vector<std::string>;
  EXPECT_EQ(cli::LiveLines(runs, 4, 30),
            Lines({"2 of 4 ports done: 1 complete", "COM3    20 %    Upgrading!   ",
                   "COM4    30 %    Upgrading!   "}))
      << "the ports done counted on one line, the running ones below, each cut to the width";
  EXPECT_EQ(cli::LiveLines(runs, 3, 80),
            Lines({"2 of 4 ports done: 1 complete, 1 failed", "and 2 more running"}))
      << "the running ports that do not fit are counted; COM2's process said it failed";
  runs[2].exited = runs[3].exited = true;
  EXPECT_EQ(cli::LiveLines(runs, 3, 80), Lines{"4 of 4 ports done: 1 complete, 3 failed"})
      << "processes that died without their end event are counted done and failed";
}

// A port's texts come from its process: whatever they hold, its line cannot
// move the cursor or take more cells than the terminal has.
TEST(LiveLines, ShowAPortsTextsVisibleAndCutBetweenCharacters) {
  for (const auto& row : test::Rows(R"(
    a character the width would cut is left out whole | \xc3\x9cbertragung \xe7\x94\xa2\xe7\x94\xa2 |  | 25 | COM1     \xc3\x9cbertragung\x20
    escape sequences, control characters, a tab one cell | Up\x1b[2Jgrading\r\tx | box\x07 | 80 | COM1     Up?[2Jgrading? x  (box?)
  )")) {
    cli::PortRun run;
    run.port = 0;
    run.status = test::Unescaped(row[1]);
    run.message = test::Unescaped(row[2]);
    EXPECT_EQ(cli::LiveLines({run}, 10, std::stoi(row[3])), std::vector<std::string>{test::Unescaped(row[4])})
        << row[0];
  }
}

TEST(ShowsAbove, EveryLineTheLiveLinesDoNotSay) {
  for (const char* line :
       {"==4711==ERROR: AddressSanitizer: heap-use-after-free", "orvex-programmer: interrupted",
        "Upgrade complete! and more", "40 % (912000 of 2281784 bytes, 11.2 kB/s) trailing"})
    EXPECT_TRUE(cli::ShowsAbove(line)) << line;
  for (const char* line : {"Upgrade complete!", "Time Out!  Check RS232 & Re-press 'YES' key!",
                           "40 % (912000 of 2281784 bytes, 11.2 kB/s)", "   ", ""})
    EXPECT_FALSE(cli::ShowsAbove(line)) << line;
}

}  // namespace
