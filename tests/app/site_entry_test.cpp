// The system-log entry made from an upgrade record line: the same fields with
// the same values as the line, the level by the outcome, a one-line summary.
#include "app/record/site_entry.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/record/json_text.h"

namespace {

RecordContext Context(std::string station, std::string unit) {
  return RecordContext{ImageIdentity{2281784, std::string(64, 'c')}, std::move(station), std::move(unit),
                       "bench-pc-4"};
}

RecordEntry Entry(UpgradeOutcome outcome) {
  RecordEntry entry;
  entry.started = "2026-12-07T07:44:01Z";
  entry.ended = "2026-12-07T07:44:18.709Z";
  entry.port = "COM2";
  entry.device = "/dev/ttyUSB0";
  entry.outcome = outcome;
  entry.status = "Upgrade \"complete\"!";
  entry.seconds = 17.5404;
  entry.bytesSent = 2281784;
  entry.probeAttempts = 1;
  entry.commandAttempts = 2;
  return entry;
}

std::map<std::string, std::string> AsMap(const sys::SiteLogEntry& site) {
  return {site.fields.begin(), site.fields.end()};
}

TEST(SiteEntry, FieldsAreTheRecordLinesOwnInItsOrder) {
  for (const auto& [station, unit] : {std::pair<std::string, std::string>{"", ""}, {"bench 4", "SN 0042"}}) {
    const RecordContext context = Context(station, unit);
    const RecordEntry entry = Entry(UpgradeOutcome::kProbeTimeOut);
    const std::string line = RecordLine(context, entry);
    const sys::SiteLogEntry site = SiteEntry(context, entry, line);
    EXPECT_EQ(site.record, line);
    EXPECT_EQ(AsMap(site), ReadFlatJson(line)) << line;
    std::size_t previous = 0;
    for (const auto& [name, value] : site.fields) {
      const std::size_t at = line.find("\"" + name + "\":");
      EXPECT_TRUE(at != std::string::npos && at >= previous) << name << " out of the line's order: " << line;
      previous = at;
    }
  }
}

TEST(SiteEntry, AnAdaptersFieldsAreNamedUnderIt) {
  const RecordContext context = Context("", "");
  RecordEntry entry = Entry(UpgradeOutcome::kComplete);
  entry.adapter = sys::UsbAdapter{"0403", "6001", ""};
  const sys::SiteLogEntry site = SiteEntry(context, entry, RecordLine(context, entry));
  ASSERT_GE(site.fields.size(), 3U);
  const std::vector<std::pair<std::string, std::string>> last(site.fields.end() - 3, site.fields.end());
  EXPECT_EQ(last, (std::vector<std::pair<std::string, std::string>>{
                      {"adapter.vendorId", "0403"}, {"adapter.productId", "6001"}, {"adapter.serial", ""}}));
  EXPECT_NE(site.record.find(R"("adapter":{"vendorId":"0403","productId":"6001","serial":""})"),
            std::string::npos);
}

TEST(SiteEntry, LevelFollowsTheOutcome) {
  using Level = sys::SiteLogLevel;
  const struct {
    UpgradeOutcome outcome;
    Level level;
  } rows[] = {
      {UpgradeOutcome::kComplete, Level::kInformation}, {UpgradeOutcome::kAbandoned, Level::kWarning},
      {UpgradeOutcome::kInterrupted, Level::kWarning},  {UpgradeOutcome::kProbeTimeOut, Level::kError},
      {UpgradeOutcome::kCommandTimeOut, Level::kError}, {UpgradeOutcome::kPortError, Level::kError},
      {UpgradeOutcome::kTransferFailed, Level::kError}, {UpgradeOutcome::kPortFailed, Level::kError},
  };
  for (const auto& row : rows) {
    const RecordEntry entry = Entry(row.outcome);
    EXPECT_EQ(SiteEntry(Context("", ""), entry, "{}").level, row.level) << OutcomeCode(row.outcome);
  }
}

TEST(SiteEntry, SummaryIsOneLineWithPortOutcomeSecondsStationAndUnit) {
  const struct {
    const char* what;
    std::string station;
    std::string unit;
    std::string summary;
  } rows[] = {
      {"neither named", "", "", "upgrade on COM2: transfer-failed after 17.540 s"},
      {"both named", "bench 4", "SN 0042",
       "upgrade on COM2: transfer-failed after 17.540 s, station bench 4, unit SN 0042"},
      {"line breaks in the names", "bench\n4", "SN\r\t42",
       "upgrade on COM2: transfer-failed after 17.540 s, station bench 4, unit SN  42"},
  };
  for (const auto& row : rows) {
    const RecordContext context = Context(row.station, row.unit);
    const sys::SiteLogEntry site = SiteEntry(context, Entry(UpgradeOutcome::kTransferFailed), "{}");
    EXPECT_EQ(site.summary, row.summary) << row.what;
    if (!row.station.empty()) {
      EXPECT_EQ(AsMap(site)["station"], row.station) << row.what << ": the field keeps it";
    }
  }
}

}  // namespace
