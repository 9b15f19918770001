// The yield report's reading of record lines and its figures, from lines made
// up here: each row says what it proves.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/report/make_report.h"
#include "app/report/record_fields.h"
#include "app/report/record_files.h"
#include "app/report/yield_tally.h"

namespace {

using report::RecordFields;

// A line of the current schema, with the fields the report reads filled in.
std::string Line(const std::string& started, const std::string& station, const std::string& port,
                 const std::string& unit, const std::string& outcome, const std::string& seconds,
                 const std::string& serial = "") {
  std::string line = R"({"v":1,"started":")" + started + R"(","port":")" + port +
                     R"(","device":"/dev/ttyUSB0","imageBytes":2281784,"imageSha256":"ab","outcome":")" +
                     outcome + R"(","status":"Upgrade complete!","seconds":)" + seconds +
                     R"(,"bytesSent":2281784,"program":"1.0.0.1","host":"h","exitCode":0)";
  if (!station.empty()) line += R"(,"station":")" + station + "\"";
  if (!unit.empty()) line += R"(,"unit":")" + unit + "\"";
  if (!serial.empty())
    line += R"(,"adapter":{"vendorId":"0403","productId":"6001","serial":")" + serial + "\"}";
  return line + "}";
}

TEST(RecordFields, LinesOfEverySchemaAndWhatIsRefused) {
  struct Case {
    const char* what;
    std::string line;
    bool read;
    RecordFields want;
  } cases[] = {
      {"the current schema, adapter nested",
       Line("2026-12-01T08:00:00Z", "bench 4", "COM2", "SN1", "port-failed", "3.250", "FT01"),
       true,
       {"2026-12-01T08:00:00Z", "bench 4", "COM2", "SN1", "port-failed", "FT01", 3.25, ""}},
      {"the first schema: no v, program, station, unit or adapter",
       R"({"started":"2026-01-02T03:04:05Z","port":"COM1","device":"/dev/ttyS0","imageBytes":5,"imageSha256":"ab",)"
       R"("outcome":"port-error","status":"x","seconds":1.5,"bytesSent":0})",
       true,
       {"2026-01-02T03:04:05Z", "", "COM1", "", "port-error", "", 1.5, ""}},
      {"escapes in strings, spaces between tokens",
       R"( { "started" : "2026-01-02T03:04:05Z" , "port":"COM1", "station":"bench \"4\"\u00e9\\",)"
       R"( "outcome":"complete", "seconds": 2e1 } )",
       true,
       {"2026-01-02T03:04:05Z", "bench \"4\"\xc3\xa9\\", "COM1", "", "complete", "", 20, ""}},
      {"fields of a later schema skipped, nested or not",
       R"({"started":"s","port":"p","outcome":"o","seconds":1,"future":[1,{"a":[true,false,null]},"x"],)"
       R"("adapter":{"serial":"S","more":{"b":2}},"v":2})",
       true,
       {"s", "", "p", "", "o", "S", 1, ""}},
      {"the end, to the millisecond, which tells a line read again",
       R"({"started":"s","port":"p","outcome":"o","seconds":1,"ended":"2026-12-01T08:00:01.250Z"})",
       true,
       {"s", "", "p", "", "o", "", 1, "2026-12-01T08:00:01.250Z"}},
      {"a truncated line",
       Line("2026-12-01T08:00:00Z", "b", "COM2", "", "complete", "1").substr(0, 60),
       false,
       {}},
      {"cut inside the adapter",
       R"({"started":"s","port":"p","outcome":"o","seconds":1,"adapter":{"serial":"S")",
       false,
       {}},
      {"no seconds", R"({"started":"s","port":"p","outcome":"o"})", false, {}},
      {"no outcome", R"({"started":"s","port":"p","seconds":1})", false, {}},
      {"outcome not a string", R"({"started":"s","port":"p","outcome":3,"seconds":1})", false, {}},
      {"seconds not a number", R"({"started":"s","port":"p","outcome":"o","seconds":"1"})", false, {}},
      {"seconds NaN", R"({"started":"s","port":"p","outcome":"o","seconds":nan})", false, {}},
      {"seconds infinite", R"({"started":"s","port":"p","outcome":"o","seconds":-inf})", false, {}},
      {"a skipped field infinite",
       R"({"started":"s","port":"p","outcome":"o","seconds":1,"x":infinity})",
       false,
       {}},
      {"text after the object", R"({"started":"s","port":"p","outcome":"o","seconds":1}x)", false, {}},
      {"two objects on a line",
       R"({"started":"s","port":"p","outcome":"o","seconds":1}{"started":"s","port":"p","outcome":"o","seconds":1})",
       false,
       {}},
      {"an array", R"([{"started":"s","port":"p","outcome":"o","seconds":1}])", false, {}},
      {"a bad escape", R"({"started":"s\q","port":"p","outcome":"o","seconds":1})", false, {}},
      {"nesting deeper than any record",
       R"({"started":"s","port":"p","outcome":"o","seconds":1,"x":)" + std::string(40, '[') +
           std::string(40, ']') + "}",
       false,
       {}},
  };
  for (const Case& c : cases) {
    RecordFields got;
    ASSERT_EQ(report::ReadRecordFields(c.line, got), c.read) << c.what;
    if (!c.read) continue;
    EXPECT_EQ(got.started, c.want.started) << c.what;
    EXPECT_EQ(got.station, c.want.station) << c.what;
    EXPECT_EQ(got.port, c.want.port) << c.what;
    EXPECT_EQ(got.unit, c.want.unit) << c.what;
    EXPECT_EQ(got.outcome, c.want.outcome) << c.what;
    EXPECT_EQ(got.adapterSerial, c.want.adapterSerial) << c.what;
    EXPECT_DOUBLE_EQ(got.seconds, c.want.seconds) << c.what;
    EXPECT_EQ(got.ended, c.want.ended) << c.what;
  }
}

TEST(YieldReport, SinceTakesDatesAndTimesInTheRecordsForm) {
  struct Case {
    std::string given;
    std::string key;
  } cases[] = {
      {"2026-03-01", "2026-03-01"},
      {"2026-03-01T08:00", "2026-03-01T08:00"},
      {"2026-03-01T08:00:59Z", "2026-03-01T08:00:59"},
      {"2026-13-01", ""},
      {"2026-02-00", ""},
      {"2026-03-01T24:00", ""},
      {"2026-03-01 08:00", ""},
      {"2026-3-1", ""},
      {"2026-03-01Z", "2026-03-01"},
      {"yesterday", ""},
      {"2026-02-29", ""},
      {"2028-02-29", "2028-02-29"},
      {"2100-02-29", ""},
      {"2000-02-29T12:00", "2000-02-29T12:00"},
      {"2026-04-31", ""},
      {"2026-12-31T23:59:59", "2026-12-31T23:59:59"},
  };
  for (const Case& c : cases) EXPECT_EQ(report::SinceKey(c.given), c.key) << c.given;
}

// Tallies `lines` (read as the files are) under `filter`.
report::YieldReport Tally(const std::vector<std::string>& lines, report::ReportFilter filter = {}) {
  report::YieldTally tally(std::move(filter));
  for (const std::string& line : lines) {
    RecordFields fields;
    EXPECT_TRUE(report::ReadRecordFields(line, fields)) << line;
    tally.Add(fields);
  }
  return tally.Report();
}

TEST(YieldReport, FirstPassYieldTakesEachUnitsEarliestUpgrade) {
  const std::vector<std::string> lines = {
      // Read out of order: SN1's retry comes first in the files, its failure started earlier.
      Line("2026-12-02T10:00:00Z", "bench 1", "COM1", "SN1", "complete", "200"),
      Line("2026-12-02T09:00:00Z", "bench 1", "COM1", "SN1", "probe-timeout", "101"),
      Line("2026-12-02T09:00:00Z", "bench 2", "COM1", "SN2", "complete", "210"),
      Line("2026-12-02T09:30:00Z", "bench 2", "COM1", "SN2", "complete", "190"),
      Line("2026-12-03T09:00:00Z", "bench 2", "COM2", "SN3", "interrupted", "50"),
      Line("2026-12-03T09:00:00Z", "bench 2", "COM2", "", "complete", "205"),
      Line("2026-12-03T09:10:00Z", "bench 2", "COM2", "", "complete", "205"),
  };
  struct Case {
    const char* what;
    report::ReportFilter filter;
    long long upgrades, units, firstPass, withoutUnit;
    std::string days;  // complete/units by the day and station of each unit's first upgrade
  } cases[] = {
      {"everything: SN2 passed first, SN1 and SN3 did not",
       {},
       7,
       3,
       1,
       2,
       "12-02 bench 1 0/1, 12-02 bench 2 1/1, 12-03 bench 2 0/1"},
      {"since SN1's retry: its first upgrade is not covered, nor is SN2's",
       {"2026-12-02T10:00", ""},
       4,
       1,
       0,
       2,
       "12-03 bench 2 0/1"},
      {"since a date: a date covers its whole day", {"2026-12-03", ""}, 3, 1, 0, 2, "12-03 bench 2 0/1"},
      {"one station", {"", "bench 1"}, 2, 1, 0, 0, "12-02 bench 1 0/1"},
      {"a station no line names", {"", "bench 9"}, 0, 0, 0, 0, ""},
  };
  for (const Case& c : cases) {
    const report::YieldReport got = Tally(lines, c.filter);
    EXPECT_EQ(got.upgrades, c.upgrades) << c.what;
    EXPECT_EQ(got.units, c.units) << c.what;
    EXPECT_EQ(got.firstPassComplete, c.firstPass) << c.what;
    EXPECT_EQ(got.withoutUnit, c.withoutUnit) << c.what;
    std::string days;
    for (const report::DayYield& day : got.firstPassByDay)
      days += (days.empty() ? "" : ", ") + day.day.substr(5) + " " + day.station + " " +
              std::to_string(day.complete) + "/" + std::to_string(day.units);
    EXPECT_EQ(days, c.days) << c.what;
  }
}

// Upgrades started in the same second (a port that failed at once, retried at
// once) are ordered by their end, whatever order the files hold them in.
TEST(YieldReport, FirstUpgradeOfASecondIsTheOneThatEndedFirst) {
  const auto ended = [](std::string line, const std::string& at) {
    return line.insert(line.size() - 1, R"(,"ended":")" + at + "\"");
  };
  const std::vector<std::string> lines = {
      ended(Line("2026-12-02T09:00:00Z", "bench 1", "COM1", "SN1", "complete", "0.4"),
            "2026-12-02T09:00:00.900Z"),
      ended(Line("2026-12-02T09:00:00Z", "bench 1", "COM1", "SN1", "port-error", "0.1"),
            "2026-12-02T09:00:00.100Z"),
  };
  const report::YieldReport got = Tally(lines, {});
  EXPECT_EQ(got.units, 1);
  EXPECT_EQ(got.firstPassComplete, 0);
}

TEST(YieldReport, SecondsAreOfCompletedUpgrades) {
  struct Case {
    const char* what;
    std::vector<std::string> seconds;  // of completed upgrades; each case adds a slower failure
    long long completed;
    double median, slowest;
  } cases[] = {
      {"none completed", {}, 0, 0, 0},
      {"one", {"200.5"}, 1, 200.5, 200.5},
      {"an odd count", {"210", "190", "205"}, 3, 205, 210},
      {"an even count: the middle two's mean", {"210", "190", "200", "250"}, 4, 205, 250},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines = {Line("2026-12-01T00:00:00Z", "", "COM1", "", "transfer-failed", "900")};
    for (const std::string& s : c.seconds)
      lines.push_back(Line("2026-12-01T01:00:00Z", "", "COM1", "", "complete", s));
    const report::YieldReport got = Tally(lines);
    EXPECT_EQ(got.completed, c.completed) << c.what;
    EXPECT_DOUBLE_EQ(got.medianSeconds, c.median) << c.what;
    EXPECT_DOUBLE_EQ(got.slowestSeconds, c.slowest) << c.what;
  }
  const report::YieldReport slowest =
      Tally({Line("2026-12-01T01:00:00Z", "b", "COM3", "", "complete", "300"),
             Line("2026-12-01T02:00:00Z", "b", "COM4", "", "complete", "301"),
             Line("2026-12-01T03:00:00Z", "a", "COM1", "", "complete", "100")});
  EXPECT_EQ(slowest.slowest.port, "COM4") << "the slowest upgrade is named";
  std::vector<std::string> stations;
  for (const report::StationSeconds& station : slowest.secondsByStation)
    stations.push_back(station.station + " " + std::to_string(station.seconds.size()) + " " +
                       std::to_string(station.median) + " " + std::to_string(station.seconds.back()));
  EXPECT_EQ(stations, (std::vector<std::string>{"a 1 100.000000 100.000000", "b 2 300.500000 301.000000"}))
      << "each station's completed upgrades apart";
}

TEST(YieldReport, PlacesInNaturalOrderAndFailuresWorstFirst) {
  const std::vector<std::string> lines = {
      Line("t", "bench 10", "COM1", "", "port-failed", "1", "FT9"),
      Line("t", "bench 2", "COM10", "", "transfer-failed", "1", "FT1"),
      Line("t", "bench 2", "COM10", "", "port-failed", "1", "FT1"),
      Line("t", "bench 2", "COM9", "", "complete", "1", "FT2"),
      Line("t", "bench 2", "COM9", "", "transfer-failed", "1", ""),
      Line("t", "", "COM1", "", "probe-timeout", "1", "FT3"),
      Line("t", "bench 2", "COM9", "", "some-later-outcome", "1", "FT2"),
  };
  const report::YieldReport got = Tally(lines);
  std::vector<std::string> stations;
  for (const auto& place : got.stations)
    stations.push_back(place.station + ":" + std::to_string(place.upgrades));
  EXPECT_EQ(stations, (std::vector<std::string>{"bench 2:5", "bench 10:1", ":1"}))
      << "bench 2 before bench 10, the lines with no station last";
  std::vector<std::string> ports;
  for (const auto& place : got.ports) ports.push_back(place.station + " " + place.port);
  EXPECT_EQ(ports, (std::vector<std::string>{"bench 2 COM9", "bench 2 COM10", "bench 10 COM1", " COM1"}));
  const report::OutcomeCounts com9 = {{"complete", 1}, {"some-later-outcome", 1}, {"transfer-failed", 1}};
  EXPECT_EQ(got.ports.front().outcomes, com9)
      << "an outcome this program does not know is counted as written";

  std::vector<std::string> adapters;
  for (const auto& a : got.failingAdapters)
    adapters.push_back(a.name + " " + std::to_string(a.portFailed) + "/" + std::to_string(a.transferFailed));
  EXPECT_EQ(adapters, (std::vector<std::string>{"FT1 1/1", "FT9 1/0"}))
      << "worst first; a line with no adapter and an adapter with no such failure are not listed";
  std::vector<std::string> failingPorts;
  for (const auto& p : got.failingPorts) failingPorts.push_back(p.station + " " + p.name);
  EXPECT_EQ(failingPorts, (std::vector<std::string>{"bench 2 COM10", "bench 2 COM9", "bench 10 COM1"}))
      << "ties in natural order of station, then port";
}

class RecordFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("orvex-report-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string Write(const std::string& name, const std::string& text) {
    std::string path = (folder_ / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  std::filesystem::path folder_;
};

TEST_F(RecordFilesTest, AFolderMeansItsRecordFilesInNameOrder) {
  const std::string good = Line("2026-12-01T00:00:00Z", "b", "COM1", "", "complete", "1");
  Write("b.jsonl", good + "\r\n\r\n  \n" + good + "\n" + good.substr(0, 50));
  Write("a.jsonl", good + "\n{broken\n");
  Write("notes.txt", "{broken\n");
  report::YieldTally tally({});
  report::ReadSummary read;
  std::string error;
  ASSERT_TRUE(report::ReadRecordFiles({folder_.string()}, tally, read, error)) << error;
  EXPECT_EQ(read.files, 2);
  EXPECT_EQ(read.lines, 5) << "blank lines are not lines of the record";
  EXPECT_EQ(read.unreadable, 2) << "the truncated last line without its newline counts";
  EXPECT_EQ(read.firstUnreadableFile, (folder_ / "a.jsonl").string());
  EXPECT_EQ(read.firstUnreadableLine, 2);
  EXPECT_EQ(tally.Report().upgrades, 3) << "lines ending in CR LF are read, blank or not";
}

TEST_F(RecordFilesTest, LinesAcrossTheReadingChunksAreWhole) {
  std::string text;
  long long lines = 0;
  for (; text.size() < std::size_t{3} * 1024 * 1024; ++lines)
    text +=
        Line("2026-12-01T00:00:00Z", "b", "COM" + std::to_string(lines % 7 + 1), "", "complete", "1") + "\n";
  const std::string path = Write("big.jsonl", text);
  report::YieldTally tally({});
  report::ReadSummary read;
  std::string error;
  ASSERT_TRUE(report::ReadRecordFiles({path}, tally, read, error)) << error;
  EXPECT_EQ(read.unreadable, 0);
  EXPECT_EQ(tally.Report().upgrades, lines);
}

TEST_F(RecordFilesTest, ALineLongerThanAnyRecordIsUnreadableNotKept) {
  const std::string good = Line("2026-12-01T00:00:00Z", "b", "COM1", "", "complete", "1") + "\n";
  struct Case {
    const char* what;
    std::string text;
    long long lines, unreadable, firstUnreadable;
  } cases[] = {
      {"within a chunk", good + std::string(std::size_t{100} * 1024, 'x') + "\n" + good, 3, 1, 2},
      {"across chunks", good + std::string(std::size_t{3} * 1024 * 1024, 'x') + "\n" + good, 3, 1, 2},
      {"the last line, with no newline", good + good + std::string(std::size_t{3} * 1024 * 1024, 'x'), 3, 1,
       3},
  };
  for (const Case& c : cases) {
    report::YieldTally tally({});
    report::ReadSummary read;
    std::string error;
    ASSERT_TRUE(report::ReadRecordFiles({Write("long.jsonl", c.text)}, tally, read, error)) << error;
    EXPECT_EQ(read.lines, c.lines) << c.what;
    EXPECT_EQ(read.unreadable, c.unreadable) << c.what;
    EXPECT_EQ(read.firstUnreadableLine, c.firstUnreadable) << c.what;
    EXPECT_EQ(tally.Report().upgrades, 2) << c.what;
  }
}

TEST_F(RecordFilesTest, ALineReadAgainCountsOnce) {
  const auto ended = [](const std::string& line, const std::string& at) {
    return line.substr(0, line.size() - 1) + R"(,"ended":")" + at + "\"}";
  };
  const std::string failed = Line("2026-12-01T08:00:00Z", "b", "COM1", "SN1", "port-failed", "9", "FT1");
  const std::string first = ended(failed, "2026-12-01T08:00:09.000Z");
  const std::string retry =
      ended(Line("2026-12-01T08:00:00Z", "b", "COM1", "SN1", "complete", "30"), "2026-12-01T08:00:30.000Z");
  const std::string oldSchema = R"({"started":"2026-11-30T07:00:00Z","port":"COM1","outcome":"port-error",)"
                                R"("seconds":0.012})";
  // The station's file, the same file collected again with CR LF, and the
  // central journal's lines with the uploader's repeat of the first.
  Write("a.jsonl", first + "\n" + retry + "\n" + oldSchema + "\n" + oldSchema + "\n");
  Write("b.jsonl", first + "\r\n" + retry + "\r\n");
  Write("c.jsonl", first + "\n" + first + "\n" + ended(failed, "2026-12-01T08:00:09.001Z") + "\n");
  report::YieldTally tally({});
  report::ReadSummary read;
  std::string error;
  ASSERT_TRUE(report::ReadRecordFiles({folder_.string()}, tally, read, error)) << error;
  EXPECT_EQ(read.lines, 9);
  EXPECT_EQ(read.repeated, 4) << "the first three times, the retry once";
  const report::YieldReport figures = tally.Report();
  EXPECT_EQ(figures.upgrades, 5) << "two lines of the first schema name no end: both count";
  EXPECT_EQ(figures.completed, 1);
  ASSERT_EQ(figures.failingAdapters.size(), 1U);
  EXPECT_EQ(figures.failingAdapters[0].portFailed, 2) << "a line that differs in its end is another upgrade";

  std::string text, json;
  ASSERT_TRUE(report::MakeReport({{folder_.string()}, false, {}, false, "", ""}, text, error)) << error;
  EXPECT_NE(text.find("9 lines in 3 files; 4 repeated lines counted once\n"), std::string::npos) << text;
  ASSERT_TRUE(report::MakeReport({{folder_.string()}, false, {}, true, "", ""}, json, error)) << error;
  EXPECT_NE(json.find(R"("repeated":4,)"), std::string::npos) << json;
}

TEST_F(RecordFilesTest, AFileThatCannotBeReadStopsTheReport) {
  const std::string good = Write("good.jsonl", Line("t", "b", "COM1", "", "complete", "1") + "\n");
  const std::string missing = (folder_ / "missing.jsonl").string();
  report::YieldTally tally({});
  report::ReadSummary read;
  std::string error;
  EXPECT_FALSE(report::ReadRecordFiles({good, missing}, tally, read, error));
  EXPECT_EQ(error, "cannot read " + missing + ": No such file or directory");
}

TEST_F(RecordFilesTest, SubfoldersAreReadAndEveryRecordFileThatCannotBeIsSaid) {
  const std::string good = Line("2026-12-01T00:00:00Z", "b", "COM1", "", "complete", "1") + "\n";
  Write("a.jsonl", good);
  std::filesystem::create_directory(folder_ / "bench 2");
  Write("bench 2/upgrades.jsonl", good + good);
  std::error_code links;  // Windows makes none
  std::filesystem::create_directory_symlink(folder_ / "bench 2", folder_ / "bench 2 again", links);
  if (!links) std::filesystem::create_directory_symlink(folder_, folder_ / "bench 2" / "loop", links);
  report::YieldTally tally({});
  report::ReadSummary read;
  std::string error;
  ASSERT_TRUE(report::ReadRecordFiles({folder_.string()}, tally, read, error)) << error;
  EXPECT_EQ(read.files, 2) << "a folder reached again through a link is read once";
  EXPECT_EQ(read.repeated, 0);
  EXPECT_EQ(tally.Report().upgrades, 3);
  if (links) GTEST_SKIP() << "no symbolic links here: " << links.message();

  struct Case {
    const char* what;
    const char* target;
    const char* said;
  } cases[] = {
      {"a broken link", "nowhere.jsonl", "No such file or directory"},
      {"a link to itself", "broken.jsonl", "Too many levels of symbolic links"},
  };
  for (const Case& c : cases) {
    const std::filesystem::path link = folder_ / "bench 2" / "broken.jsonl";
    std::filesystem::remove(link);
    std::filesystem::create_symlink(c.target, link);
    EXPECT_FALSE(report::ReadRecordFiles({folder_.string()}, tally, read, error)) << c.what;
    EXPECT_EQ(error, "cannot read " + link.string() + ": " + c.said) << c.what;
  }
}

TEST_F(RecordFilesTest, TheTextShowsNoControlCharacterFromACollectedName) {
  // "\u001b" is how a record line carries an escape; the reader decodes it.
  const std::string path = Write(
      "r.jsonl",
      Line("2026-12-01T00:00:00Z", "b\\u001b]2;x\\u0007\\u009b2J\x9b", "COM1", "", "complete", "1") + "\n" +
          Line("2026-12-01T00:00:01Z", "c\\n  forged  9", "COM2\\n  forged  8", "",
               "port-failed\\n  forged  7", "1", "FT\\n  forged  6") +
          "\n");
  std::string text, error;
  ASSERT_TRUE(report::MakeReport({{path}, false, {}, false, "", ""}, text, error)) << error;
  EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
  EXPECT_NE(text.find("b?]2;x??2J\xef\xbf\xbd"), std::string::npos)
      << "C1 and bytes that are no UTF-8 too: " << text;
  EXPECT_EQ(text.find("\n  forged"), std::string::npos) << "a line break in a name forges no row: " << text;
  EXPECT_NE(text.find("c?  forged  9  COM2?  forged  8"), std::string::npos) << text;
  std::string json;
  ASSERT_TRUE(report::MakeReport({{path}, false, {}, true, "", ""}, json, error)) << error;
  EXPECT_NE(json.find("\\u001b"), std::string::npos) << "the JSON keeps the name exactly: " << json;
}

}  // namespace
