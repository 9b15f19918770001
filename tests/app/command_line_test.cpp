// The program's command line: what a run's words add up to, the exit code and
// the one line of a run refused before any port is opened, the exit codes of
// the outcomes and the stop signals, and the pinned image.

#include <unistd.h>
#include <csignal>

#include "app/cli/command_line.h"
#include "app/cli/entry.h"
#include "app/cli/image_pin.h"
#include "app/system/diagnostics.h"
#include "app/system/stop_signals.h"
#include "tests/app/table_rows.h"
#include "upgrade/stop_request.h"

#ifdef _WIN32
#include "winapi.h"
#endif

namespace {

const std::string kSmall = "c90ae9afaa009af96c3d3a7d8829ee5fb18e0fbf422a86b24c926080d8814509";
const std::string kCapitals = "C90AE9AFAA009AF96C3D3A7D8829EE5FB18E0FBF422A86B24C926080D8814509";

void SetVariable(const char* name, const std::string& value) {
#ifdef _WIN32
  SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
#else
  value.empty() ? unsetenv(name) : setenv(name, value.c_str(), 1);
#endif
}

// The program's run of `words`, split at spaces ('' an empty one, DIGEST the
// digest in capitals; ORVEX_EXPECT_SHA256=... first sets it for the run): with `parseOnly` the mode,
// "@" the first port's index, every port's, then each option given; else the exit code and what it
// said on standard error.
std::string Outcome(const std::string& text, bool parseOnly) {
  std::vector<std::string> words = {"orvex-programmer"};
  std::istringstream in(text);
  for (std::string word; in >> word;) {
    if (word.starts_with("ORVEX_EXPECT_SHA256=")) SetVariable("ORVEX_EXPECT_SHA256", word.substr(20));
    if (!word.starts_with("ORVEX_")) words.push_back(word == "''" ? "" : word == "DIGEST" ? kCapitals : word);
  }
  std::vector<const char*> argv(words.size());
  for (std::size_t i = 0; i < words.size(); ++i) argv[i] = words[i].c_str();
  const cli::CommandLine l = cli::ParseCommandLine(static_cast<int>(argv.size()), argv.data());
  if (!parseOnly) {
    testing::internal::CaptureStderr();
    const int code = cli::RunProgram(static_cast<int>(argv.size()), argv.data(), [] { return 99; });
    SetVariable("ORVEX_EXPECT_SHA256", "");
    const std::string said = testing::internal::GetCapturedStderr();
    return std::to_string(code) + ": " +
           (said.starts_with(sys::ComplaintPrefix()) ? said.substr(sys::ComplaintPrefix().size()) : said);
  }
  static const char* const kModes[] = {"dialog", "batch",   "many",  "list",    "report",
                                       "help",   "version", "wrong", "register"};
  std::string said = kModes[static_cast<int>(l.mode)];
  if (l.portIndex >= 0) said += " @" + std::to_string(l.portIndex);
  for (const int port : l.ports) said += " " + std::to_string(port);
  if (l.mode == cli::Mode::kListPorts)
    said += " " + std::to_string(l.listFrom) + "-" + std::to_string(l.listTo);
  const auto add = [&said](const char* name, const std::string& value) {
    if (!value.empty()) said += std::string(" ") + name + "=" + (value == kSmall ? "digest" : value);
  };
  add("image", l.image), add("station", l.station), add("unit", l.unit);
  add("since", l.since), add("page", l.page), add("csv", l.csv), add("expect", l.expectSha256);
  for (const std::string& record : l.records) add("record", record);
  return l.json ? said + " json" : said;
}

TEST(CommandLine, WhatTheWordsAddUpToAndWhatIsRefusedInOneLine) {
  for (const auto& row : test::RowsSplitAt(" => ", R"(
    --port COM12 --batch --image a.srec => batch @11 11 image=a.srec
    --batch --port COM254-COM256 --json => many @253 253 254 255 json
    --batch --port COM1-COM2 --expect-sha256 DIGEST => many @0 0 1 expect=digest
    --list-ports => list 0-11
    --batch --help => help
    --json --report a.jsonl --since 2026-03-01T08:00Z site/ --station b --html y.html --csv y.csv => report station=b since=2026-03-01T08:00 page=y.html csv=y.csv record=a.jsonl record=site/ json
    --bogus => 2: unknown argument '--bogus' (see --help)
    a.jsonl => 2: unknown argument 'a.jsonl' (see --help)
    --batch => 2: --batch needs --port COMn (see --help)
    --batch --port => 2: --port needs a value (see --help)
    --batch --port COM1 --trace => 2: --trace needs a value (see --help)
    --batch --port COM1 --expect-sha256 => 2: --expect-sha256 needs a value (see --help)
    --report --since => 2: --since needs a value (see --help)
    --batch --port COM257 => 2: --port takes COM1 to COM256 or a range such as COM1-COM8, not 'COM257' (see --help)
    --batch --port COM4-COM2 => 2: --port takes COM1 to COM256 or a range such as COM1-COM8, not 'COM4-COM2' (see --help)
    --batch --port COM1-COM3 --port COM2 => 2: COM2 is given twice (see --help)
    --batch --port COM1-COM2 --unit SN1 => 2: --unit names one instrument: give it with a single --port (see --help)
    --list-ports COM9-COM1 => 2: --list-ports takes a range such as COM1-COM32, not 'COM9-COM1' (see --help)
    --port COM1 => 2: --port, --image, --json, --station and --unit belong to --batch (see --help)
    --list-ports --expect-sha256 DIGEST => 2: --list-ports takes no other option (see --help)
    --batch --port COM1 --register-event-source => 2: --register-event-source takes no other option (see --help)
    --trace t.txt => 2: --trace belongs to --batch (see --help)
    --batch --port COM1 --trace '' => 2: --trace needs a file name (see --help)
    --expect-sha256 DIGEST => 2: --expect-sha256 belongs to --batch (the dialog reads ORVEX_EXPECT_SHA256) (see --help)
    --batch --port COM1 --expect-sha256 abc => 2: --expect-sha256 takes a SHA-256 as 64 hexadecimal digits, not 'abc' (3 characters) (see --help)
    ORVEX_EXPECT_SHA256=abc --batch --port COM1 => 2: ORVEX_EXPECT_SHA256 takes a SHA-256 as 64 hexadecimal digits, not 'abc' (3 characters) (see --help)
    ORVEX_EXPECT_SHA256=12345 --batch --port COM1-COM2 => 2: ORVEX_EXPECT_SHA256 takes a SHA-256 as 64 hexadecimal digits, not '12345' (5 characters) (see --help)
    --report --since soon => 2: --since takes a date such as 2026-03-01 or 2026-03-01T08:00, not 'soon' (see --help)
    --since 2026-03-01 => 2: --since belongs to --report (see --help)
    --batch --port COM1 --csv x.csv => 2: --html and --csv belong to --report (see --help)
    --report --html '' => 2: --html needs a file name (see --help)
    --report --batch --port COM1 => 2: --report takes files and folders, --since, --station, --json, --html and --csv, no other option (see --help)
    --report --port COM1 => 2: --report takes files and folders, --since, --station, --json, --html and --csv, no other option (see --help)
    --report --expect-sha256 DIGEST => 2: --report takes files and folders, --since, --station, --json, --html and --csv, no other option (see --help)
    --report no-such-record.jsonl => 1: cannot read no-such-record.jsonl: No such file or directory
  )"))
    EXPECT_EQ(Outcome(row[0], row[1][1] != ':'), row[1] + (row[1][1] != ':' ? "" : "\n")) << row[0];
  for (const std::string& bad :
       {kSmall.substr(0, 32) + " " + kSmall.substr(33), "g" + kSmall.substr(1), kSmall + "0"})
    EXPECT_EQ(cli::ParseSha256(bad), "") << bad;
  EXPECT_NE(cli::HelpText("x").find("at most 58981500 bytes (65535 chunks),\n"), std::string::npos);
}

TEST(ExitCodes, EveryOutcomeHasItsExitCodeAndRecordCodeAndAStopItsSignals) {
  ClearStopRequest();
  ASSERT_TRUE(RequestStop(15) && !RequestStop(2)) << "a second request is refused, and the first stands";
  std::string codes;
  for (int outcome = 0; outcome <= static_cast<int>(UpgradeOutcome::kInternalError); ++outcome)
    codes += std::string(OutcomeCode(static_cast<UpgradeOutcome>(outcome))) + " " +
             std::to_string(ExitCodeFor(static_cast<UpgradeOutcome>(outcome))) + ", ";
  EXPECT_EQ(codes,
            "complete 0, probe-timeout 3, command-timeout 4, port-error 5, transfer-failed 6, abandoned 1, "
            "interrupted 143, port-failed 1, internal-error 8, ");
#ifndef _WIN32
  sys::StopOnSignals();
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    ClearStopRequest();
    std::raise(signal);
    EXPECT_EQ(ExitCodeFor(UpgradeOutcome::kInterrupted), 128 + signal) << "interrupted by signal " << signal;
  }
  // A second stop signal ends the program at once; one that looped would end
  // by the alarm.
  EXPECT_EXIT((alarm(10), std::raise(SIGHUP)), ::testing::KilledBySignal(SIGHUP), "");
#endif
  ClearStopRequest();
}

}  // namespace
