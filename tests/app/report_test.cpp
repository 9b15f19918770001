// The yield report: what it reads of a record line and what it refuses, the
// figures it makes of the lines, and how it reads files, folders, links and
// FIFOs. Each row says what it proves.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "app/report/html_text.h"
#include "app/report/make_report.h"
#include "app/report/record_csv.h"
#include "app/report/record_fields.h"
#include "app/report/report_output.h"
#include "app/report/yield_tally.h"
#include "tests/app/table_rows.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using report::RecordFields;

// A record line of the current schema from "started | station | port | unit | outcome | seconds
// [| adapter serial [| ended]]", "-" for a field left out (ended: as in the first schema).
std::string Line(const std::string& row) {
  std::vector<std::string> f = test::Rows(row)[0];
  f.resize(8, "-");
  std::string line = R"({"v":1,"started":")" + f[0] + R"(","port":")" + f[2] +
                     R"(","device":"/dev/ttyUSB0","imageBytes":2281784,"outcome":")" + f[4] +
                     R"(","status":"Upgrade complete!","seconds":)" + f[5] + R"(,"exitCode":0)";
  if (f[1] != "-") line += R"(,"station":")" + f[1] + "\"";
  if (f[3] != "-") line += R"(,"unit":")" + f[3] + "\"";
  if (f[6] != "-") line += R"(,"adapter":{"vendorId":"0403","serial":")" + f[6] + "\"}";
  if (f[7] != "-") line += R"(,"ended":")" + f[7] + "\"";
  return line + "}";
}

TEST(RecordFields, LinesOfEverySchemaAndWhatIsRefused) {
  for (const auto& row : test::RowsSplitAt(" ~ ", R"(
    escapes (the last of one and the first of two UTF-8 bytes more), spaces between tokens, an exponent ~  { "started" : "t" , "port":"COM1", "station":"b \"4\"\u00e9\u07ff\u0800\\", "outcome":"c", "seconds": 2e1 }  ~ t|b "4"é߿ࠀ\|COM1||c||20|
    a field given twice: the last one counts ~ {"started":"a","started":"s","port":"p","outcome":"o","seconds":1} ~ s||p||o||1|
    fields of a later schema skipped, nested or not ~ {"started":"s","port":"p","outcome":"o","seconds":1,"f":[1,{"a":[true,false,null]},"x"],"e":[],"o":{},"adapter":{"serial":"S","m":{"b":2}},"v":2} ~ s||p||o|S|1|
    cut after a value ~ {"started":"s","port":"p","outcome":"o","seconds":1 ~ refused
    cut after a member's name ~ {"started":"s","port":"p","outcome":"o","seconds":1,"x": ~ refused
    an adapter that is no object: skipped ~ {"started":"s","port":"p","outcome":"o","seconds":1,"adapter":null} ~ s||p||o||1|
    cut inside the adapter ~ {"started":"s","port":"p","outcome":"o","seconds":1,"adapter":{"serial":"S" ~ refused
    no started, whatever else ~ {"port":"p","outcome":"o","seconds":1,"station":"b","unit":"u","ended":"e"} ~ refused
    no port ~ {"started":"s","outcome":"o","seconds":1} ~ refused
    no outcome ~ {"started":"s","port":"p","seconds":1} ~ refused
    no seconds ~ {"started":"s","port":"p","outcome":"o"} ~ refused
    station not a string, a quote after it ~ {"started":"s","port":"p","outcome":"o","seconds":1,"station":4"} ~ refused
    a string field without its value ~ {"started":"s","port":"p","outcome":"o","seconds":1,"station":} ~ refused
    cut inside a string, a brace in it ~ {"started":"s","port":"p","outcome":"o","seconds":1,"station":"} ~ refused
    seconds not a number ~ {"started":"s","port":"p","outcome":"o","seconds":"1"} ~ refused
    seconds NaN ~ {"started":"s","port":"p","outcome":"o","seconds":nan} ~ refused
    seconds too large for a number ~ {"started":"s","port":"p","outcome":"o","seconds":1e999} ~ refused
    a skipped field's word misspelt ~ {"started":"s","port":"p","outcome":"o","seconds":1,"x":nulL} ~ refused
    text after the object ~ {"started":"s","port":"p","outcome":"o","seconds":1}x ~ refused
    not an object: no opening brace ~ "started":"s","port":"p","outcome":"o","seconds":1} ~ refused
    a bad escape ~ {"started":"s\q","port":"p","outcome":"o","seconds":1} ~ refused
    a bad escape, the line going on as if it had ended the string ~ {"started":"s\,,"port":"p","outcome":"o","seconds":1} ~ refused
    nesting deeper than any record ~ {"started":"s","port":"p","outcome":"o","seconds":1,"x":[{"a":[{"a":[{"a":[{"a":[{"a":[{"a":[{"a":[{"a":[{"a":[{"a":1}]}]}]}]}]}]}]}]}]}]} ~ refused
  )")) {
    RecordFields f;
    const bool read = report::ReadRecordFields(row[1], f);
    std::ostringstream got;  // the seconds as %g writes them
    got << f.started << "|" << f.station << "|" << f.port << "|" << f.unit << "|" << f.outcome << "|"
        << f.adapterSerial << "|" << f.seconds << "|" << f.ended;
    EXPECT_EQ(read ? got.str() : "refused", row[2]) << row[0];
  }
}

TEST(SinceKey, DatesAndTimesInTheRecordsFormAndNoDayAMonthLacks) {
  // The first two rows are taken (a trailing Z left out), the others refused; the last of each month, the day
  // after.
  const auto rows = test::Rows(R"(
    2026-03-01 | 2026-03-01T08:00 | 2026-12-31T23:59:59 | 2028-02-29 | 1904-02-29 | 2000-02-29T12:00 | 2026-03-01T08:00:59Z | 2026-03-01Z
    2026-01-31 | 2026-02-28 | 2026-03-31 | 2026-04-30 | 2026-05-31 | 2026-06-30 | 2026-07-31 | 2026-08-31 | 2026-09-30 | 2026-10-31 | 2026-11-30
    2026-01-32 | 2026-02-29 | 2026-03-32 | 2026-04-31 | 2026-05-32 | 2026-06-31 | 2026-07-32 | 2026-08-32 | 2026-09-31 | 2026-10-32 | 2026-11-31 | 2026-12-32
    2100-02-29 | 2200-02-29 | 2028-02-30 | 2026-13-01 | 2026-00-10 | 2026-02-00 | 2026-03-01T24:00 | 2026-03-01T23:60 | 2026-03-01T23:59:60
    2026-03-01 08:00 | 2026-3-1 | 2026-03-01T08 | X026-03-01 | soon
  )");
  for (const auto& row : rows)
    for (const std::string& given : row)
      EXPECT_EQ(report::SinceKey(given), &row - &rows[0] > 1 ? "" : given.substr(0, given.find('Z')))
          << given;
}

report::YieldReport Tally(std::string_view table, report::ReportFilter filter = {}) {
  report::YieldTally tally(std::move(filter));
  for (const auto& row : test::RowsSplitAt("\n", table)) {
    RecordFields fields;
    EXPECT_TRUE(report::ReadRecordFields(Line(row[0]), fields)) << row[0];
    tally.Add(fields);
  }
  return tally.Report();
}

TEST(YieldTally, FirstPassYieldTakesEachUnitsEarliestUpgradeUnderTheFilter) {
  // SN1's retry is read before its failure, which started earlier; SN2 moved station; SN4's two
  // upgrades started in the same second, the completed one read first: the one that ended first counts.
  const char* const lines = R"(
    2026-12-02T10:00:00Z | bench 1 | COM1 | SN1 | complete | 200
    2026-12-02T09:00:00Z | bench 1 | COM1 | SN1 | probe-timeout | 101
    2026-12-02T09:00:00Z | bench 10 | COM1 | SN2 | complete | 210
    2026-12-02T09:30:00Z | bench 1 | COM2 | SN2 | port-error | 1
    2026-12-03T09:00:00Z | bench 10 | COM2 | SN3 | interrupted | 50
    2026-12-03T09:00:00Z | bench 10 | COM2 | - | complete | 205
    2026-12-03T09:10:00Z | bench 10 | COM2 | - | complete | 205
    2026-12-04T08:00:00Z | bench 1 | COM1 | SN4 | complete | 0.4 | - | 2026-12-04T08:00:00.900Z
    2026-12-04T08:00:00Z | bench 1 | COM1 | SN4 | port-error | 0.1 | - | 2026-12-04T08:00:00.100Z
  )";
  // upgrades, units, first pass, without unit, first..last started: complete/units by day and station |
  // the completed upgrades' median, the slowest, and by station (a failure's seconds say when it gave up:
  // left out; an even count's median is the middle two's mean)
  for (const auto& row : test::Rows(R"(
    everything: SN2 passed first; SN1, SN3, SN4 did not |  |  | 9 4 1 2 2026-12-02T09:00:00Z..2026-12-04T08:00:00Z: 12-02 bench 1 0/1, 12-02 bench 10 1/1, 12-03 bench 10 0/1, 12-04 bench 1 0/1 | 5 median 205, slowest COM1 210; bench 1 median 100.2 of 0.4-200; bench 10 median 205 of 205-210
    since SN1's retry: neither its first upgrade nor SN2's is covered | 2026-12-02T10:00 |  | 6 2 0 2 2026-12-02T10:00:00Z..2026-12-04T08:00:00Z: 12-03 bench 10 0/1, 12-04 bench 1 0/1 | 4 median 202.5, slowest COM2 205; bench 1 median 100.2 of 0.4-200; bench 10 median 205 of 205-205
    since a time to the second at an upgrade's start: it is covered | 2026-12-02T09:30:00 |  | 7 2 0 2 2026-12-02T09:30:00Z..2026-12-04T08:00:00Z: 12-03 bench 10 0/1, 12-04 bench 1 0/1 | 4 median 202.5, slowest COM2 205; bench 1 median 100.2 of 0.4-200; bench 10 median 205 of 205-205
    since a date: its whole day | 2026-12-03 |  | 5 2 0 2 2026-12-03T09:00:00Z..2026-12-04T08:00:00Z: 12-03 bench 10 0/1, 12-04 bench 1 0/1 | 3 median 205, slowest COM2 205; bench 1 median 0.4 of 0.4-0.4; bench 10 median 205 of 205-205
    one station: SN2's first upgrade was at another |  | bench 1 | 5 2 0 0 2026-12-02T09:00:00Z..2026-12-04T08:00:00Z: 12-02 bench 1 0/1, 12-04 bench 1 0/1 | 2 median 100.2, slowest COM1 200; bench 1 median 100.2 of 0.4-200
    a station no line names |  | bench | 0 0 0 0 ..: | 0 median 0, slowest  0
  )")) {
    const report::YieldReport r = Tally(lines, {row[1], row[2]});
    std::ostringstream got, seconds;
    got << r.upgrades << " " << r.units << " " << r.firstPassComplete << " " << r.withoutUnit << " "
        << r.firstStarted << ".." << r.lastStarted << ":";
    for (const report::DayYield& day : r.firstPassByDay)
      got << (&day == &r.firstPassByDay.front() ? " " : ", ") << day.day.substr(5) << " " << day.station
          << " " << day.complete << "/" << day.units;
    seconds << r.completed << " median " << r.medianSeconds << ", slowest " << r.slowest.port << " "
            << r.slowestSeconds;
    for (const report::StationSeconds& s : r.secondsByStation)
      seconds << "; " << s.station << " median " << s.median << " of " << s.seconds.front() << "-"
              << s.seconds.back();
    EXPECT_EQ(got.str(), row[3]) << row[0];
    EXPECT_EQ(seconds.str(), row[4]) << row[0];
  }
}

TEST(YieldTally, PlacesInNaturalOrderAndFailuresWorstFirst) {
  const report::YieldReport r = Tally(R"(
    t | bench 10 | COM1 | - | port-failed | 1 | FT0
    t | bench 2b | COM1 | - | complete | 1
    t | bench 01b | COM1 | - | complete | 1
    t | bench B | COM1 | - | complete | 1
    t | bench 02a | COM1 | - | complete | 1
    t | bench 2 | COM10 | - | transfer-failed | 1 | FT1
    t | bench 2 | COM10 | - | port-failed | 1 | FT1
    t | bench 2 | COM9 | - | complete | 1 | FT2
    t | bench 2 | COM9 | - | transfer-failed | 1
    t | - | COM1 | - | probe-timeout | 1 | FT3
    t | bench 2 | COM9 | - | some-later-outcome | 1 | FT2
    t | bench 002 | COM1 | - | complete | 1
  )");
  std::ostringstream places;
  for (const auto& p : r.stations) places << p.station << ":" << p.upgrades << ", ";
  for (const auto& p : r.ports) places << p.station << " " << p.port << ":" << p.upgrades << ", ";
  EXPECT_EQ(places.str(),
            "bench 01b:1, bench 002:1, bench 2:5, bench 02a:1, bench 2b:1, bench 10:1, bench B:1, :1, "
            "bench 01b COM1:1, bench 002 COM1:1, bench 2 COM9:3, bench 2 COM10:2, bench 02a COM1:1, "
            "bench 2b COM1:1, bench 10 COM1:1, bench B COM1:1,  COM1:1, ")
      << "numbers first, then what follows: bench 01b before bench 002 and 2, bench 2 before 02a and 10; a "
         "digit before a letter, bench 002 the same number as bench 2 but first, no station last";
  const report::OutcomeCounts com9 = {{"complete", 1}, {"some-later-outcome", 1}, {"transfer-failed", 1}};
  EXPECT_EQ(r.ports[2].outcomes, com9) << "an outcome this program does not know is counted as written";
  std::ostringstream failures;
  for (const auto& a : r.failingAdapters)
    failures << a.name << " " << a.portFailed << "/" << a.transferFailed << ", ";
  for (const auto& p : r.failingPorts)
    failures << p.station << " " << p.name << " " << p.portFailed << "/" << p.transferFailed << ", ";
  EXPECT_EQ(failures.str(), "FT1 1/1, FT0 1/0, bench 2 COM10 1/1, bench 2 COM9 0/1, bench 10 COM1 1/0, ")
      << "worst first, ties in natural order; no line without an adapter, no adapter without such failures";
}

// A file's text from words: a record line ("good", with CR LF "goodCRLF"), one cut short, one that
// is no record, blank lines, lines far longer than any record, ...
std::string Text(const std::string& words) {
  static const std::string good = Line("2026-12-01T00:00:00Z | b | COM1 | - | complete | 1");
  static const std::string failed =
      Line("2026-12-01T08:00:00Z | b | COM1 | SN1 | port-failed | 9 | FT1 | 2026-12-01T08:00:09.000Z");
  // A good line padded with blanks to `size` bytes; 64 KiB is the longest line a record reader takes.
  const auto padded = [](std::size_t size) {
    return good.substr(0, good.size() - 1) + std::string(size - good.size(), ' ') + "}\n";
  };
  // Built once: some pieces are megabytes long, and each file of each row is made from them.
  static const std::map<std::string, std::string> pieces = {
      {"good", good + "\n"},
      {"good@64K", padded(std::size_t{64} * 1024)},
      {"good@64K+1", padded(std::size_t{64} * 1024 + 1)},
      {"blank@960K", std::string(std::size_t{960} * 1024 - 1, ' ') + "\n"},
      {"goodCRLF", good + "\r\n"},
      {"blank", "\r\n\r\n \t \n"},
      {"cut", good.substr(0, 50)},
      {"broken", "{broken\n"},
      {"x", "x"},
      {"x*100K", std::string(std::size_t{100} * 1024, 'x') + "\n"},
      {"x*3M", std::string(std::size_t{3} * 1024 * 1024, 'x')},
      {"newline", "\n"},
      {"failed", failed + "\n"},
      {"failedCRLF", failed + "\r\n"},
      {"failed+1ms", failed.substr(0, failed.size() - 3) + "1Z\"}\n"},
      {"retry",
       Line("2026-12-01T08:00:00Z | b | COM1 | SN1 | complete | 30 | - | 2026-12-01T08:00:30.000Z") + "\n"},
      {"old", R"({"started":"2026-11-30T07:00:00Z","port":"COM1","outcome":"port-error","seconds":0.012})"
              "\n"}};
  std::string text;
  std::istringstream in(words);
  for (std::string word; in >> word;)
    for (int i = 0; i < (word == "good*20000" ? 20000 : 1); ++i)
      text += pieces.at(i > 0 || word == "good*20000" ? "good" : word);
  return text;
}

// Makes `name` in `folder` from words: "-> target" a link, "fifo: words" a FIFO that a thread feeds (waiting
// 10 s at most for the report to open it, so that a failing test cannot hang); false where this system makes
// no such thing.
bool Make(const std::filesystem::path& path, const std::string& words, std::vector<std::thread>& feeders) {
  std::filesystem::create_directories(path.parent_path());
  std::error_code failed;
  if (words.starts_with("-> ")) {
#ifdef _WIN32
    if (words.starts_with("-> /")) return false;  // a link into Linux's own files
#endif
    if (std::filesystem::is_directory(path.parent_path() / words.substr(3)))
      std::filesystem::create_directory_symlink(words.substr(3), path, failed);
    else
      std::filesystem::create_symlink(words.substr(3), path, failed);
    return !failed;
  }
  if (!words.starts_with("fifo: "))
    return static_cast<bool>(std::ofstream(path, std::ios::binary) << Text(words));
#ifdef _WIN32
  static_cast<void>(feeders);
  return false;
#else
  if (mkfifo(path.c_str(), 0600) != 0) return false;
  feeders.emplace_back([path, text = Text(words.substr(6))] {
    int fd = -1;
    for (int tries = 0; (fd = open(path.c_str(), O_WRONLY | O_NONBLOCK)) < 0 && tries < 2000; ++tries)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (fd >= 0 && write(fd, text.data(), text.size()) >= 0) close(fd);
  });
  return true;
#endif
}

// The files made in a folder of the test's own, then read through the report: its first line says
// what was read, its "Upgrades:" line what was counted.
TEST(RecordFiles, FoldersLinksFifosAndLinesReadAgain) {
  const std::string folder = test::OwnTempPath("orvex-report-files").string();
  // what | name=words; ... | the path read, in the folder ("." the folder) | what the report says
  for (const auto& row : test::Rows(R"(
    a folder: its *.jsonl in name order; blank lines, CR LF, a cut last line, a file of one byte | b.jsonl=good blank goodCRLF cut; a.jsonl=good broken; c.jsonl=x; notes.txt=broken | . | Upgrade record: 6 lines in 3 files; 3 unreadable lines skipped, the first: a.jsonl line 2 -> Upgrades: 3
    lines across the reading chunks are whole | big.jsonl=good*20000 | big.jsonl | Upgrade record: 20000 lines in 1 file -> Upgrades: 20000
    a line longer than any record, within a chunk | l.jsonl=good x*100K good | l.jsonl | Upgrade record: 3 lines in 1 file; 1 unreadable line skipped, the first: l.jsonl line 2 -> Upgrades: 2
    a line longer than any record, across chunks | l.jsonl=good x*3M newline good | l.jsonl | Upgrade record: 3 lines in 1 file; 1 unreadable line skipped, the first: l.jsonl line 2 -> Upgrades: 2
    a line as long as a record may be, whole in a reading chunk or carried into the next; one byte more is not | l.jsonl=blank@960K good@64K good@64K+1 | l.jsonl | Upgrade record: 2 lines in 1 file; 1 unreadable line skipped, the first: l.jsonl line 3 -> Upgrades: 1
    a line longer than any record that ends in one is one unreadable line | l.jsonl=x*3M good | l.jsonl | Upgrade record: 1 line in 1 file; 1 unreadable line skipped, the first: l.jsonl line 1 -> Upgrades: 0
    a line longer than any record, last, with no newline | l.jsonl=good good x*3M | l.jsonl | Upgrade record: 3 lines in 1 file; 1 unreadable line skipped, the first: l.jsonl line 3 -> Upgrades: 2
    a line read again counts once (a file collected twice, an uploader's repeat), not one of the first schema, which names no end, nor one whose end differs | a.jsonl=failed retry old old; b.jsonl=failedCRLF retry; c.jsonl=failed failed failed+1ms | . | Upgrade record: 9 lines in 3 files; 4 repeated lines counted once -> Upgrades: 5
    subfolders; a folder reached again through a link is read once | a.jsonl=good; b 2/u.jsonl=good good; b 2 again=-> b 2; b 2/up=-> .. | . | Upgrade record: 3 lines in 2 files -> Upgrades: 3
    a broken link | a.jsonl=good; s/broken.jsonl=-> nowhere.jsonl | . | cannot read s/broken.jsonl: No such file or directory
    a FIFO in a folder | f/fed.jsonl=fifo: good; f/a.jsonl=good | f | Upgrade record: 2 lines in 2 files -> Upgrades: 2
    a file whose reading fails (the kernel's own, at its start) | a.jsonl=good; m.jsonl=-> /proc/self/mem | . | cannot read m.jsonl: Input/output error
  )")) {
    std::filesystem::remove_all(folder);
    std::vector<std::thread> feeders;
    bool made = true;
    const auto files = test::RowsSplitAt("; ", row[1]);
    for (const std::string& file : files[0])
      made &= Make(folder + "/" + file.substr(0, file.find('=')), file.substr(file.find('=') + 1), feeders);
    const std::string path = (std::filesystem::path(folder) / row[2]).string();
    std::string text, error;
    const bool read = made && report::MakeReport({{path}, false, {}, false, "", ""}, text, error);
    for (std::thread& feeder : feeders) made ? feeder.join() : feeder.detach();
    if (!made) std::printf("skipped, this system cannot make it: %s\n", row[0].c_str());
    if (!made) continue;
    const auto lineAt = [&text](std::size_t at) { return text.substr(at, text.find('\n', at) - at); };
    std::string said = read ? lineAt(0) + " -> " + lineAt(text.find("Upgrades: ")) : error;
    std::string base = folder;  // Windows names the files it finds with its own separator
    for (std::string* name : {&said, &base}) std::replace(name->begin(), name->end(), '\\', '/');
    for (const std::string& prefix : {base + "/./", base + "/"})
      for (std::size_t at; (at = said.find(prefix)) != std::string::npos;) said.erase(at, prefix.size());
    EXPECT_EQ(said, row[3]) << row[0];
  }
  std::filesystem::remove_all(folder);
}

std::string FileText(const std::string& path) {
  return {std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {}};
}

// The page and the rows are written where they can be, each failure said on one line, never over a record
// file the report reads.
TEST(RecordFiles, ThePageAndTheRowsAreWrittenOnlyWhereTheyCanBe) {
  const std::string folder = test::OwnTempPath("orvex-report-out").string(), record = folder + "/a.jsonl";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::ofstream(record, std::ios::binary) << Text("good good");
  const auto named = [&folder](std::string text) {
    for (std::size_t at; (at = text.find("FOLDER")) != std::string::npos;) text.replace(at, 6, folder);
    return text;
  };
  // what | --html | --csv | the error's start, "-" none
  for (const auto& row : test::Rows(R"(
    both written | FOLDER/y.html | FOLDER/y.csv | -
    the rows over the record read | FOLDER/y.html | FOLDER/a.jsonl | cannot write FOLDER/a.jsonl: it is the record file FOLDER/a.jsonl, which the report reads
    the page over the record read | FOLDER/a.jsonl | FOLDER/y.csv | cannot write FOLDER/a.jsonl: it is the record file FOLDER/a.jsonl, which the report reads
    the page in a folder that is not there | FOLDER/none/y.html |  | cannot write FOLDER/none/y.html: 
    the rows where a folder is |  | FOLDER | cannot write FOLDER: 
    the rows on a full disk (found when the file is closed) |  | /dev/full | cannot write /dev/full: 
  )")) {
#ifdef _WIN32
    if (row[2] == "/dev/full") continue;  // a device of Linux alone
#endif
    std::filesystem::remove(folder + "/y.html"), std::filesystem::remove(folder + "/y.csv");
    std::string text, error;
    const bool made =
        report::MakeReport({{record}, false, {}, false, named(row[1]), named(row[2])}, text, error);
    EXPECT_EQ(made, row[3] == "-") << row[0] << ": " << error;
    EXPECT_TRUE(made || error.starts_with(named(row[3]))) << row[0] << ": " << error;
    EXPECT_EQ(FileText(record), Text("good good")) << row[0] << ": the record as it was";
    EXPECT_TRUE(!made || (FileText(folder + "/y.html").starts_with("<!DOCTYPE html>") &&
                          FileText(folder + "/y.csv").starts_with("\xEF\xBB\xBFstarted,")))
        << row[0];
  }
  std::filesystem::remove_all(folder);
}

// The text report whole: columns as wide as their longest name, complete first among the outcomes, a
// count's singular and plural, and no control character of a collected name reaching the terminal (an
// escape sequence, a tab that would shift the columns, a line break that would forge a row). Then of eleven
// failing ports, ten of them on adapters, the text lists ten of each and says how many more, and a report
// whose upgrades name no unit says so.
TEST(ReportText, ColumnsOutcomesCountsNamesShownSafelyAndTenOfALongerFailureList) {
  const report::ReportFilter filter{"2026-12-01", ""};
  const char* const lines = R"(
    2026-12-01T09:00:00Z | b\t1 | COM1 | SN1 | port-failed | 9 | FT\u001b]2;x\u0007
    2026-12-02T09:10:00Z | b\t1 | COM10 | SN2 | complete | 200
    2026-12-02T09:20:00Z | b 22 | COM1\n  forged | - | complete | 210
    2026-12-02T09:30:00Z | b\t1 | COM1 | SN1 | a\u0007 | 1
  )";
  EXPECT_EQ(
      report::ReportText({{1, 7, 1, 2, "a\n.jsonl", 3}, filter, Tally(lines, filter)}),
      R"(Upgrade record: 7 lines in 1 file; 1 unreadable line skipped, the first: a?.jsonl line 3; 2 repeated lines counted once
Covering upgrades started since 2026-12-01 (UTC)
Upgrades: 4

By station
  b?1   3     complete 1, a? 1, port-failed 1
  b 22  1     complete 1

By port
  b?1   COM1           2     a? 1, port-failed 1
  b?1   COM10          1     complete 1
  b 22  COM1?  forged  1     complete 1

First-pass yield: 1 of 2 units (50.0 %) completed their first upgrade; 1 upgrade names no unit and is left out
Seconds per completed upgrade (2): median 205.0, slowest 210.0 (b 22 COM1?  forged, started 2026-12-02T09:20:00Z)

Most port-failed and transfer-failed, worst first
  by adapter (serial number)
    FT?]2;x?  1     port-failed 1, transfer-failed 0
  by port
    b?1  COM1  1     port-failed 1, transfer-failed 0
)");
  std::string failing;
  for (int i = 1; i <= 11; ++i)
    failing += "t | b | COM" + std::to_string(i) + " | - | port-failed | 1" +
               (i <= 10 ? " | FT" + std::to_string(i) : "") + "\n";
  const std::string text = report::ReportText({{}, {}, Tally(failing)});
  EXPECT_TRUE(text.ends_with(
      "COM10  1     port-failed 1, transfer-failed 0\n    and 1 more (--json lists them all)\n"))
      << text;
  EXPECT_EQ(text.find("more ("), text.rfind("more (")) << "the adapters' ten are all there are: " << text;
  EXPECT_NE(text.find(": none (no unit's first upgrade is among these); 11 upgrades name no unit"),
            std::string::npos)
      << text;
}

// What the rows and the page are written with: a CSV row's columns follow the header's, nested fields in
// theirs, other fields of a later schema left out; the page's text escapes what markup and quoted attributes
// read and shows control characters.
TEST(ReportOutput, ACsvRowHoldsEachFieldInItsHeadersColumnAndThePagesTextIsEscaped) {
  const std::string header = report::CsvHeader();
  EXPECT_TRUE(header.starts_with("\xEF\xBB\xBFstarted,ended,station,host,")) << header;
  EXPECT_EQ(std::count(header.begin(), header.end(), ','), 20) << header;
  EXPECT_EQ(report::CsvRow(R"({"v":1,"started":"s","station":"a,\"b\"","adapter":{"serial":"S","m":{"b":2}},)"
                           R"("seconds":2.5,"unit":null,"later":[1]})"),
            "s,,\"a,\"\"b\"\"\",,,,S,,,,,,,2.5,,,,,,,1\r\n");
  EXPECT_EQ(report::CsvRow(R"({"seconds":2.5,"v":1")"),
            std::string(13, ',') + "2.5" + std::string(7, ',') + "1\r\n")
      << "a line broken by a quote after a number keeps what was read before it";
  EXPECT_EQ(report::HtmlText("<a b=\"c\">&'\x1b</a>"), "&lt;a b=&quot;c&quot;&gt;&amp;&#39;?&lt;/a&gt;");
  EXPECT_EQ(report::Decimal(2.25, 1), "2.2") << "2.25 is exact: the tie goes to the even digit";
}

}  // namespace
