// The upgrade record: its line, how the line reaches the file whatever the
// file holds, the system-log entry's level and summary, and the line a fault
// of the program still leaves. The image's digest is held to Python's by the
// batch cases (the pinned embedded image and the pin refused).

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "app/cli/followed_run.h"
#include "app/record/site_entry.h"
#include "app/record/upgrade_record.h"
#include "app/system/environment.h"
#include "app/system/record_store.h"
#include "res/status_texts.h"
#include "res/version.h"
#include "tests/app/table_rows.h"

namespace {

RecordEntry Entry(UpgradeOutcome outcome, sys::UsbAdapter adapter = {}) {
  RecordEntry e;
  e.started = "2026-12-07T02:00:00Z", e.ended = "2026-12-07T02:00:10.250Z", e.port = "COM3";
  e.adapter = std::move(adapter), e.outcome = outcome, e.status = kProbeTimeOutText, e.seconds = 10.2504;
  e.bytesSent = 912, e.probeAttempts = 101, e.commandAttempts = 2, e.device = "C:\\dev\"x\n";
  return e;
}

TEST(UpgradeRecord, TheLineNamesTheUnitTheImageTheStationAndTheOutcome) {
  const std::string head =
      R"({"v":1,"started":"2026-12-07T02:00:00Z","port":"COM3","device":"C:\\dev\"x\u000a","imageBytes":2281784,)"
      R"("imageSha256":"ab12","outcome":"probe-timeout","status":"Time Out!  Check RS232 & Re-press 'YES' key!",)"
      R"("seconds":10.250,"bytesSent":912,"program":")" ORVEX_VERSION_TEXT
      R"(","host":"line-pc","ended":"2026-12-07T02:00:10.250Z","exitCode":3,"probeAttempts":101,)"
      R"("commandAttempts":2)";
  EXPECT_EQ(RecordLine({{2281784, "ab12"}, "bench 4", "SN 0042", "line-pc"},
                       Entry(UpgradeOutcome::kProbeTimeOut, {"0403", "6001", "A5XK3RJT"})),
            head + R"(,"station":"bench 4","unit":"SN 0042",)"
                   R"("adapter":{"vendorId":"0403","productId":"6001","serial":"A5XK3RJT"}})");
  EXPECT_EQ(RecordLine({{2281784, "ab12"}, "", "", "line-pc"}, Entry(UpgradeOutcome::kProbeTimeOut)),
            head + "}")
      << "without a station, a unit or a USB adapter, those fields are left out";
}

// Where the records folder is made, and its name there.
#ifdef _WIN32
#define EOL "\r\n"
#define setenv(name, value, overwrite) _putenv_s(name, value)
constexpr char kRecordBase[] = "LOCALAPPDATA", kRecordFolder[] = "\\ORVEX";
#else
#define EOL "\n"
constexpr char kRecordBase[] = "XDG_STATE_HOME", kRecordFolder[] = "/orvex-programmer";
#endif

TEST(RecordStore, ALineIsNeverJoinedToALineCutShortBeforeIt) {
  const std::filesystem::path path = test::OwnTempPath("orvex-record-store.jsonl");
  const int lowestFree = dup(2);
  std::string error;
  for (const auto& [what, before, after] : {
           std::tuple{"no file yet", "", "{L}" EOL},
           {"after whole lines", "{A}" EOL "{B}" EOL, "{A}" EOL "{B}" EOL "{L}" EOL},
           {"after a line cut short, alone in the file (a power cut)", "{", "{" EOL "{L}" EOL},
           {"after a last line cut between CR and LF", "{A}\r", "{A}\r" EOL "{L}" EOL},
       }) {
    std::filesystem::remove(path);
    if (*before != '\0') std::ofstream(path, std::ios::binary) << before;
    EXPECT_TRUE(sys::AppendLine(path.string(), "{L}", error)) << what << ": " << error;
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), after) << what;
  }
  // Each line's file is closed again, so the lowest free descriptor is the one after the first dup's: a
  // file left open would hold one more each upgrade of the dialog.
  EXPECT_EQ(dup(2), lowestFree + 1);
  // A records folder that cannot be made, here under a file, is named with the reason.
  const std::string base = sys::EnvironmentVariable(kRecordBase);
  const std::string folder = path.string() + kRecordFolder + ": ";
  setenv(kRecordBase, path.string().c_str(), 1);
  EXPECT_EQ(sys::RecordFolder(error), "");
  EXPECT_TRUE(error.starts_with(folder) && error.size() > folder.size()) << error;
  setenv(kRecordBase, std::string(300, 'x').c_str(), 1);  // longer than the first buffer that reads it
  EXPECT_EQ(sys::EnvironmentVariable(kRecordBase), std::string(300, 'x'));
  setenv(kRecordBase, base.c_str(), 1);
  std::filesystem::remove(path);
  EXPECT_FALSE(sys::AppendLine((path / "no folder" / "r.jsonl").string(), "{L}", error));
  EXPECT_NE(error.find("r.jsonl: "), std::string::npos) << "a file that cannot be opened is named: " << error;
  EXPECT_NE(sys::HostName(), "") << "each line names the machine it was written on";
}

// The entry's fields and the line it carries are held to the record line by the journal's cases.
TEST(SiteEntry, TheLevelByTheOutcomeAndASummaryOnOneLine) {
  const RecordContext context{{2281784, "ab12"}, "bench\n4", "SN\r\t42\x7f", "pc-4"};
  const RecordEntry entry = Entry(UpgradeOutcome::kTransferFailed);
  EXPECT_EQ(SiteEntry(context, entry, RecordLine(context, entry)).summary,
            "upgrade on COM3: transfer-failed after 10.250 s, station bench 4, unit SN  42 ")
      << "line breaks and control characters in the names";
  std::string levels;
  for (int outcome = 0; outcome <= static_cast<int>(UpgradeOutcome::kInternalError); ++outcome)
    levels += "iwe"[static_cast<int>(SiteEntry({}, Entry(static_cast<UpgradeOutcome>(outcome)), "{}").level)];
  EXPECT_EQ(levels, "ieeeewwee") << "complete information; abandoned, interrupted a warning; the rest errors";
}

// A fault that escapes the run still ends the running upgrade, as an internal error with line 1's last
// text, so its record line is written; once. (A fault on another thread:
// tests/upgrade/upgrade_report_test.cpp.)
TEST(RunFollowed, AFaultEndsTheRunningUpgradeAsAnInternalErrorOnce) {
  struct Ends final : ForwardingListener {
    Ends() : ForwardingListener(nullptr) {}
    void Ended(UpgradeOutcome outcome, const char* text) override {
      heard += std::to_string(static_cast<int>(outcome)) + text + ";";
    }
    std::string heard;
  } outer, followed;
  SetUpgradeListener(&outer);
  const auto fault = []() -> int {
    ReportStarted(2), ReportStatus(1, "Start !");
    throw std::runtime_error("fault");
  };
  EXPECT_THROW(cli::RunFollowed(followed, fault), std::runtime_error);
  EXPECT_EQ(SetUpgradeListener(nullptr), &outer) << "the previous listener is back";
  EXPECT_FALSE(ReportFault(UpgradeOutcome::kInternalError)) << "that upgrade has ended already";
  EXPECT_EQ(cli::RunFollowed(followed, [] { return 6; }), 6) << "without a fault the code comes back";
  EXPECT_EQ(followed.heard + outer.heard, "8Start !;");
}

}  // namespace
