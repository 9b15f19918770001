// Batch mode with many ports: reading each port's event stream, and the
// table and retry command shown at the end.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/cli/command_line.h"
#include "app/cli/port_runs.h"
#include "app/record/json_text.h"
#include "json_string.h"

namespace {

using Fields = std::map<std::string, std::string>;

TEST(FlatJson, ReadsWhatTheEventStreamWritesAndNothingElse) {
  struct Case {
    std::string text;
    Fields fields;
  } cases[] = {
      {R"({"event":"end","port":"COM3","exitCode":3,"seconds":10.250})",
       {{"event", "end"}, {"port", "COM3"}, {"exitCode", "3"}, {"seconds", "10.250"}}},
      {R"( { "text" : "a \"b\" \\ c\u000a" , "ok":true } )", {{"text", "a \"b\" \\ c\n"}, {"ok", "true"}}},
      {R"({"text":"\u00e9"})", {{"text", "\xc3\xa9"}}},
      {R"({})", {}},
      {R"({"a":{"b":1}})", {}},
      {R"({"a":[1]})", {}},
      {R"({"a":1]})", {}},
      {R"({"a":"open)", {}},
      {R"({"a":1} trailing)", {}},
      {R"({"a":1,})", {}},
      {R"({"a":"\uzzzz"})", {}},
      {"Please turn on DSO now.", {}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadFlatJson(c.text), c.fields) << c.text;
  const std::string written = JsonString("tab\t \"quoted\" back\\slash");
  EXPECT_EQ(ReadFlatJson("{\"t\":" + written + "}").at("t"), "tab\t \"quoted\" back\\slash");
}

cli::PortRun RunOf(int port, const std::vector<std::string>& events, int exitCode) {
  cli::PortRun run;
  run.port = port;
  for (const std::string& event : events) cli::TakeEvent(run, event);
  run.exitCode = exitCode;
  return run;
}

TEST(PortRuns, EventsMakeTheLiveLineAndTheTable) {
  cli::PortRun run = RunOf(0, {R"({"event":"start","port":"COM1","v":1})"}, -1);
  EXPECT_EQ(cli::LiveLine(run, 79), "COM1     starting");
  cli::TakeEvent(run, R"({"event":"status","port":"COM1","line":1,"text":"Upgrading!"})");
  cli::TakeEvent(run, R"({"event":"status","port":"COM1","line":2,"text":"line two"})");
  cli::TakeEvent(run, R"({"event":"progress","port":"COM1","bytesSent":500,"total":1000,"percent":50})");
  EXPECT_EQ(cli::LiveLine(run, 79), "COM1    50 %    Upgrading!");
  EXPECT_EQ(cli::LiveLine(run, 10), "COM1    50");
  EXPECT_FALSE(cli::TakeEvent(run, "COM1: not an event"));

  const std::vector<cli::PortRun> runs = {
      RunOf(0, {R"({"event":"end","outcome":"complete","exitCode":0,"bytesSent":2281784,"seconds":21.5})"},
            0),
      RunOf(199, {R"({"event":"end","outcome":"probe-timeout","exitCode":3,"bytesSent":0,"seconds":10.2})"},
            3),
      RunOf(2, {}, 137),  // ended by a signal before its end event
  };
  EXPECT_EQ(cli::SummaryTable(runs),
            "port    outcome                  seconds   bytes sent\n"
            "COM1    complete                    21.5      2281784\n"
            "COM200  probe-timeout               10.2            0\n"
            "COM3    no result (exit 137)         0.0            0\n");
  EXPECT_EQ(cli::FirstFailure(runs), 3) << "the first failed port in the order given";
  EXPECT_EQ(cli::FirstFailure({runs[0]}), 0);
}

TEST(PortRuns, RetryCommandNamesOnlyTheFailedPortsWithTheOptionsGiven) {
  cli::CommandLine line;
  line.image = "/tmp/my image.srec";
  line.station = "bench 4";
  line.json = true;
  const std::vector<cli::PortRun> runs = {RunOf(0, {}, 0), RunOf(4, {}, 3), RunOf(6, {}, 130)};
#ifdef _WIN32
  const std::string retry =
      R"(orvex-programmer --batch --port COM5 --port COM7 --image "/tmp/my image.srec" --json --station "bench 4")";
#else
  const std::string retry =
      "orvex-programmer --batch --port COM5 --port COM7 --image '/tmp/my image.srec' --json --station 'bench "
      "4'";
#endif
  EXPECT_EQ(cli::RetryCommand(runs, line, "orvex-programmer"), retry);
  EXPECT_EQ(cli::RetryCommand({runs[0]}, line, "orvex-programmer"), "");
}

}  // namespace
