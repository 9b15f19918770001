#pragma once
// The yield report's figures, gathered one record line at a time: a pure
// core that reads no files, so that every figure can be checked from lines
// made up in a test.
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "record_fields.h"

namespace report {

// Which upgrades the report covers. An empty field narrows nothing.
struct ReportFilter {
  std::string since;    // from SinceKey: the earliest `started` covered
  std::string station;  // only this station's upgrades
};

// "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM[:SS][Z]" (UTC, as the record's started)
// as the text `started` is compared with; empty when `text` is neither.
std::string SinceKey(const std::string& text);

using OutcomeCounts = std::map<std::string, long long, std::less<>>;

// Upgrades of one station, or of one port of a station, by outcome.
struct PlaceCounts {
  std::string station;  // empty: the lines named no station
  std::string port;     // empty in the per-station rows
  long long upgrades = 0;
  OutcomeCounts outcomes;
};

// port-failed and transfer-failed of one adapter (by serial number) or port.
struct FailureCounts {
  std::string station;  // ports only
  std::string name;     // the adapter's serial number, or the port
  long long portFailed = 0;
  long long transferFailed = 0;
};

// First-pass yield of the units whose first upgrade was on one day at one station.
struct DayYield {
  std::string day;      // "YYYY-MM-DD", UTC, of the first upgrade
  std::string station;  // of the first upgrade; empty: its line named none
  long long units = 0;
  long long complete = 0;
};

// The seconds of one station's completed upgrades.
struct StationSeconds {
  std::string station;
  std::vector<double> seconds;  // ascending
  double median = 0;
};

struct YieldReport {
  long long upgrades = 0;
  std::vector<PlaceCounts> stations;  // by name; the lines with no station last
  std::vector<PlaceCounts> ports;     // by station, then port
  // First-pass yield: of the units whose first upgrade (the earliest started
  // in every line read) the report covers, those whose first upgrade completed.
  // Upgrades whose line names no unit cannot be told apart: they are counted
  // in withoutUnit and left out of the yield.
  long long units = 0;
  long long firstPassComplete = 0;
  long long withoutUnit = 0;
  // Seconds of the completed upgrades (a failure's seconds say when it gave up).
  long long completed = 0;
  double medianSeconds = 0;
  double slowestSeconds = 0;
  RecordFields slowest;
  // Worst first: the most of both outcomes together, then by name.
  std::vector<FailureCounts> failingAdapters;
  std::vector<FailureCounts> failingPorts;
  // The earliest and the latest `started` covered; empty when none is.
  std::string firstStarted;
  std::string lastStarted;
  // The units of the yield above by the day and station of their first
  // upgrade, by day, then station as `stations` orders them.
  std::vector<DayYield> firstPassByDay;
  std::vector<StationSeconds> secondsByStation;  // as `stations`; the stations that completed one
};

class YieldTally {
 public:
  explicit YieldTally(ReportFilter filter) : filter_(std::move(filter)) {}

  // Whether the filter covers `record`.
  bool Add(const RecordFields& record);
  YieldReport Report() const;

 private:
  struct FirstUpgrade {
    std::string started;
    std::string ended;  // orders two upgrades started in the same second
    std::string station;
    bool complete = false;
    bool covered = false;
  };

  bool Covers(const RecordFields& record) const;
  void Spread(YieldReport& report) const;
  void Count(const RecordFields& record);
  void NoteUnit(const RecordFields& record, bool covered);

  ReportFilter filter_;
  long long upgrades_ = 0;
  long long withoutUnit_ = 0;
  std::map<std::string, OutcomeCounts, std::less<>> stations_;
  std::map<std::pair<std::string, std::string>, OutcomeCounts> ports_;
  std::map<std::string, FailureCounts, std::less<>> adapterFailures_;
  std::map<std::pair<std::string, std::string>, FailureCounts> portFailures_;
  std::unordered_map<std::string, FirstUpgrade> units_;
  std::map<std::string, std::vector<double>, std::less<>> completedSeconds_;  // by station
  RecordFields slowest_;
  std::string firstStarted_;
  std::string lastStarted_;
};

}  // namespace report
