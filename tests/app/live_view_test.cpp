// The many-ports live view on terminals of every height: what is drawn, and
// which lines of a port's standard error go above it.
#include "app/cli/live_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

cli::PortRun Running(int port, int percent) {
  cli::PortRun run;
  run.port = port;
  run.percent = percent;
  run.status = "Upgrading!   (It takes about 180 sec.) ";
  return run;
}

cli::PortRun Ended(int port, const char* outcome, int exitCode) {
  cli::PortRun run;
  run.port = port;
  run.ended = true;
  run.outcome = outcome;
  run.eventExitCode = exitCode;
  run.status = "Upgrade complete!";
  return run;
}

// Twelve ports: COM1-COM3 complete, COM4 timed out, COM5-COM12 running.
std::vector<cli::PortRun> TwelvePorts() {
  std::vector<cli::PortRun> runs;
  runs.reserve(12);
  for (int port = 0; port < 3; ++port) runs.push_back(Ended(port, "complete", 0));
  runs.push_back(Ended(3, "probe-timeout", 3));
  runs.back().status = "Time Out!  Check RS232 & Re-press 'YES' key!";
  for (int port = 4; port < 12; ++port) runs.push_back(Running(port, 10 * port));
  return runs;
}

TEST(LiveLines, FitTheTerminalsHeight) {
  struct Case {
    const char* what;
    int rows;
    int columns;
    std::vector<std::string> lines;
  } cases[] = {
      {"every port fits: one line each, the cursor's row below them",
       13,
       80,
       {"COM1   complete  Upgrade complete!", "COM2   complete  Upgrade complete!",
        "COM3   complete  Upgrade complete!",
        "COM4   probe-timeout  Time Out!  Check RS232 & Re-press 'YES' key!",
        "COM5    40 %    Upgrading!   (It takes about 180 sec.) ",
        "COM6    50 %    Upgrading!   (It takes about 180 sec.) ",
        "COM7    60 %    Upgrading!   (It takes about 180 sec.) ",
        "COM8    70 %    Upgrading!   (It takes about 180 sec.) ",
        "COM9    80 %    Upgrading!   (It takes about 180 sec.) ",
        "COM10   90 %    Upgrading!   (It takes about 180 sec.) ",
        "COM11  100 %    Upgrading!   (It takes about 180 sec.) ",
        "COM12  110 %    Upgrading!   (It takes about 180 sec.) "}},
      {"10 rows: the ports done counted on one line, the running ones below",
       10,
       80,
       {"4 of 12 ports done: 3 complete, 1 failed", "COM5    40 %    Upgrading!   (It takes about 180 sec.) ",
        "COM6    50 %    Upgrading!   (It takes about 180 sec.) ",
        "COM7    60 %    Upgrading!   (It takes about 180 sec.) ",
        "COM8    70 %    Upgrading!   (It takes about 180 sec.) ",
        "COM9    80 %    Upgrading!   (It takes about 180 sec.) ",
        "COM10   90 %    Upgrading!   (It takes about 180 sec.) ",
        "COM11  100 %    Upgrading!   (It takes about 180 sec.) ",
        "COM12  110 %    Upgrading!   (It takes about 180 sec.) "}},
      {"5 rows: the running ports that do not fit are counted",
       5,
       30,
       {"4 of 12 ports done: 3 complet", "COM5    40 %    Upgrading!   ", "COM6    50 %    Upgrading!   ",
        "and 6 more running"}},
      {"2 rows: only the count", 2, 80, {"4 of 12 ports done: 3 complete, 1 failed"}},
      {"no room at all still draws one line", 0, 80, {"4 of 12 ports done: 3 complete, 1 failed"}},
  };
  const std::vector<cli::PortRun> runs = TwelvePorts();
  for (const Case& c : cases) {
    const std::vector<std::string> lines = cli::LiveLines(runs, c.rows, c.columns);
    EXPECT_EQ(lines, c.lines) << c.what;
    for (const std::string& line : lines)
      EXPECT_LT(line.size(), static_cast<std::size_t>(c.columns)) << c.what;
  }
}

TEST(LiveLines, EveryPortDoneIsOneCountedLine) {
  std::vector<cli::PortRun> runs;
  runs.reserve(12);
  for (int port = 0; port < 12; ++port) runs.push_back(Ended(port, "complete", 0));
  runs[7].exitCode = 130;  // the process's code counts over the end event's
  EXPECT_EQ(cli::LiveLines(runs, 10, 80),
            std::vector<std::string>{"12 of 12 ports done: 11 complete, 1 failed"});
}

// A port's process that died without its end event (a signal, or an end
// that could not be learned) is over: counted done, its line says so.
TEST(LiveLines, APortWhoseProcessDiedIsDoneAndSaysHow) {
  std::vector<cli::PortRun> runs = {Running(0, 40), Running(1, 50), Running(2, 60)};
  runs[1].exited = true;
  runs[1].exitCode = 137;
  runs[2].exited = true;  // -1: how it ended is unknown
  EXPECT_EQ(cli::LiveLines(runs, 10, 80),
            (std::vector<std::string>{"COM1    40 %    Upgrading!   (It takes about 180 sec.) ",
                                      "COM2   no result (exit 137)  Upgrading!   (It takes about 180 sec.) ",
                                      "COM3   no result  Upgrading!   (It takes about 180 sec.) "}));
  EXPECT_EQ(cli::LiveLines(runs, 3, 80), (std::vector<std::string>{"2 of 3 ports done: 0 complete, 2 failed",
                                                                   "COM1    40 %    Upgrading!   (It takes "
                                                                   "about 180 sec.) "}));
}

// A port's texts come from its process: whatever they hold, its line cannot
// move the cursor or take more cells than the terminal has.
TEST(LiveLines, ShowAPortsTextsVisibleAndCutBetweenCharacters) {
  struct Case {
    const char* what;
    std::string status;
    std::string message;
    int columns;
    std::string line;
  } cases[] = {
      {"a character the width would cut is left out whole",
       "\xc3\x9c"
       "bertragung \xe7\x94\xa2\xe7\x94\xa2",
       "", 25,
       "COM1     \xc3\x9c"
       "bertragung "},
      {"escape sequences and control characters in the status and the message", "Up\x1b[2Jgrading\r",
       "box\x07", 80, "COM1     Up?[2Jgrading?  (box?)"},
      {"a lone C1 byte, and the C1 character",
       "x\x9b"
       "2J",
       "\xc2\x9b"
       "2J",
       80,
       "COM1     x\xef\xbf\xbd"
       "2J  (?2J)"},
      {"a tab takes one cell", "a\tb", "", 80, "COM1     a b"},
  };
  for (const Case& c : cases) {
    cli::PortRun run = Running(0, -1);
    run.status = c.status;
    run.message = c.message;
    EXPECT_EQ(cli::LiveLines({run}, 10, c.columns), std::vector<std::string>{c.line}) << c.what;
  }
}

TEST(ShowsAbove, EveryLineTheLiveLinesDoNotSay) {
  struct Case {
    std::string line;
    bool above;
  } cases[] = {
      {"==4711==ERROR: AddressSanitizer: heap-use-after-free on address 0x602000000010", true},
      {"terminate called after throwing an instance of 'std::bad_alloc'", true},
      {"Gtk-WARNING **: cannot open display", true},
      {"orvex-programmer: the upgrade was interrupted before any image byte was sent", true},
      {"Upgrade complete! and more", true},
      {"40 % (912000 of 2281784 bytes, 11.2 kB/s) trailing", true},
      {"Upgrade complete!", false},
      {"Please turn on DSO now.", false},
      {"Upgrading!   (It takes about 180 sec.) ", false},
      {"Time Out!  Check RS232 & Re-press 'YES' key!", false},
      {"40 % (912000 of 2281784 bytes, 11.2 kB/s)", false},
      {"                         ", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(cli::ShowsAbove(c.line), c.above) << c.line;
}

}  // namespace
