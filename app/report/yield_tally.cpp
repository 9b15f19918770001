#include "yield_tally.h"

#include <algorithm>
#include <cctype>
#include <tuple>
#include <utility>

namespace report {
namespace {

constexpr std::string_view kComplete = "complete";
constexpr std::string_view kPortFailed = "port-failed";
constexpr std::string_view kTransferFailed = "transfer-failed";

// Whether `text` is digits where `pattern` has 'd' and the same character elsewhere.
bool Shaped(std::string_view text, std::string_view pattern) {
  if (text.size() != pattern.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
    if (pattern[i] == 'd' ? !digit : text[i] != pattern[i]) return false;
  }
  return true;
}

int Field(std::string_view text, std::size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); }

int DaysIn(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

bool InRange(std::string_view key) {
  const int month = Field(key, 5);
  const int year = Field(key, 0) * 100 + Field(key, 2);
  const bool date = month >= 1 && month <= 12 && Field(key, 8) >= 1 && Field(key, 8) <= DaysIn(year, month);
  if (key.size() == 10) return date;
  const bool time = Field(key, 11) < 24 && Field(key, 14) < 60;
  return date && time && (key.size() == 16 || Field(key, 17) < 60);
}

// Names as people count them: "bench 2" before "bench 10", COM9 before COM10.
bool NaturalLess(std::string_view a, std::string_view b) {
  const auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (digit(a[i]) && digit(b[j])) {
      const std::size_t aEnd =
          std::find_if_not(a.begin() + static_cast<std::ptrdiff_t>(i), a.end(), digit) - a.begin();
      const std::size_t bEnd =
          std::find_if_not(b.begin() + static_cast<std::ptrdiff_t>(j), b.end(), digit) - b.begin();
      std::string_view aRun = a.substr(i, aEnd - i);
      std::string_view bRun = b.substr(j, bEnd - j);
      while (aRun.size() > 1 && aRun.front() == '0') aRun.remove_prefix(1);
      while (bRun.size() > 1 && bRun.front() == '0') bRun.remove_prefix(1);
      if (aRun.size() != bRun.size()) return aRun.size() < bRun.size();
      if (aRun != bRun) return aRun < bRun;
      i = aEnd;
      j = bEnd;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
  return a < b;
}

bool PlaceLess(std::string_view aStation, std::string_view aName, std::string_view bStation,
               std::string_view bName) {
  if (aStation != bStation) return NaturalLess(aStation, bStation);
  return NaturalLess(aName, bName);
}

void CountFailure(FailureCounts& counts, std::string_view outcome) {
  ++(outcome == kPortFailed ? counts.portFailed : counts.transferFailed);
}

std::vector<FailureCounts> WorstFirst(std::vector<FailureCounts> list) {
  std::sort(list.begin(), list.end(), [](const FailureCounts& a, const FailureCounts& b) {
    const long long aTotal = a.portFailed + a.transferFailed;
    const long long bTotal = b.portFailed + b.transferFailed;
    if (aTotal != bTotal) return aTotal > bTotal;
    return PlaceLess(a.station, a.name, b.station, b.name);
  });
  return list;
}

double Median(std::vector<double> seconds) {
  if (seconds.empty()) return 0;
  const auto middle = seconds.begin() + static_cast<std::ptrdiff_t>(seconds.size() / 2);
  std::nth_element(seconds.begin(), middle, seconds.end());
  if (seconds.size() % 2 != 0) return *middle;
  return (*middle + *std::max_element(seconds.begin(), middle)) / 2;
}

PlaceCounts Place(const std::string& station, const std::string& port, const OutcomeCounts& outcomes) {
  PlaceCounts place{station, port, 0, outcomes};
  for (const auto& [outcome, count] : outcomes) place.upgrades += count;
  return place;
}

// In natural order; the lines that name no station last.
void Arrange(std::vector<PlaceCounts>& places) {
  std::sort(places.begin(), places.end(), [](const PlaceCounts& a, const PlaceCounts& b) {
    return PlaceLess(a.station, a.port, b.station, b.port);
  });
  std::stable_partition(places.begin(), places.end(),
                        [](const PlaceCounts& p) { return !p.station.empty(); });
}

}  // namespace

std::string SinceKey(const std::string& text) {
  std::string_view key = text;
  if (key.size() > 10 && key.back() == 'Z') key.remove_suffix(1);
  const bool shaped =
      Shaped(key, "dddd-dd-dd") || Shaped(key, "dddd-dd-ddTdd:dd") || Shaped(key, "dddd-dd-ddTdd:dd:dd");
  return shaped && InRange(key) ? std::string(key) : "";
}

bool YieldTally::Covers(const RecordFields& record) const {
  if (!filter_.station.empty() && record.station != filter_.station) return false;
  return filter_.since.empty() || std::string_view(record.started) >= filter_.since;
}

bool YieldTally::Add(const RecordFields& record) {
  const bool covered = Covers(record);
  if (!record.unit.empty()) NoteUnit(record, covered);
  if (covered) Count(record);
  return covered;
}

void YieldTally::NoteUnit(const RecordFields& record, bool covered) {
  const auto [unit, isNew] = units_.try_emplace(record.unit);
  const FirstUpgrade& first = unit->second;
  if (!isNew && std::tie(first.started, first.ended) <= std::tie(record.started, record.ended)) return;
  unit->second =
      FirstUpgrade{record.started, record.ended, record.station, record.outcome == kComplete, covered};
}

void YieldTally::Count(const RecordFields& record) {
  if (upgrades_++ == 0 || record.started < firstStarted_) firstStarted_ = record.started;
  lastStarted_ = std::max(lastStarted_, record.started);
  if (record.unit.empty()) ++withoutUnit_;
  ++stations_[record.station][record.outcome];
  ++ports_[{record.station, record.port}][record.outcome];
  if (record.outcome == kComplete) {
    if (completedSeconds_.empty() || record.seconds > slowest_.seconds) slowest_ = record;
    completedSeconds_[record.station].push_back(record.seconds);
  }
  if (record.outcome != kPortFailed && record.outcome != kTransferFailed) return;
  if (!record.adapterSerial.empty()) {
    FailureCounts& adapter = adapterFailures_[record.adapterSerial];
    adapter.name = record.adapterSerial;
    CountFailure(adapter, record.outcome);
  }
  FailureCounts& port = portFailures_[{record.station, record.port}];
  port.station = record.station;
  port.name = record.port;
  CountFailure(port, record.outcome);
}

YieldReport YieldTally::Report() const {
  YieldReport report;
  report.upgrades = upgrades_;
  report.withoutUnit = withoutUnit_;
  for (const auto& [station, outcomes] : stations_) report.stations.push_back(Place(station, "", outcomes));
  for (const auto& [place, outcomes] : ports_)
    report.ports.push_back(Place(place.first, place.second, outcomes));
  Arrange(report.stations);
  Arrange(report.ports);
  for (const auto& [unit, first] : units_) {
    if (!first.covered) continue;
    ++report.units;
    if (first.complete) ++report.firstPassComplete;
  }
  std::vector<double> completed;
  for (const auto& [station, seconds] : completedSeconds_)
    completed.insert(completed.end(), seconds.begin(), seconds.end());
  report.completed = static_cast<long long>(completed.size());
  report.medianSeconds = Median(std::move(completed));
  report.slowestSeconds = slowest_.seconds;
  report.slowest = slowest_;
  for (const auto& [serial, counts] : adapterFailures_) report.failingAdapters.push_back(counts);
  for (const auto& [place, counts] : portFailures_) report.failingPorts.push_back(counts);
  report.failingAdapters = WorstFirst(std::move(report.failingAdapters));
  report.failingPorts = WorstFirst(std::move(report.failingPorts));
  report.firstStarted = firstStarted_;
  report.lastStarted = lastStarted_;
  Spread(report);
  return report;
}

// The figures by day and by station, in the order of report.stations.
void YieldTally::Spread(YieldReport& report) const {
  std::map<std::pair<std::string, std::string>, DayYield> days;
  for (const auto& [unit, first] : units_) {
    if (!first.covered) continue;
    const std::string day = first.started.substr(0, 10);
    DayYield& yield = days[{day, first.station}];
    yield.day = day;
    yield.station = first.station;
    ++yield.units;
    if (first.complete) ++yield.complete;
  }
  // Every station a covered first upgrade names is among report.stations.
  std::map<std::string_view, std::size_t> order;
  for (const PlaceCounts& place : report.stations) order.emplace(place.station, order.size());
  for (const auto& [key, yield] : days) report.firstPassByDay.push_back(yield);
  std::stable_sort(report.firstPassByDay.begin(), report.firstPassByDay.end(),
                   [&order](const DayYield& a, const DayYield& b) {
                     return std::pair(a.day, order.at(a.station)) < std::pair(b.day, order.at(b.station));
                   });
  for (const PlaceCounts& place : report.stations) {
    const auto seconds = completedSeconds_.find(place.station);
    if (seconds == completedSeconds_.end()) continue;
    StationSeconds station{place.station, seconds->second, Median(seconds->second)};
    std::sort(station.seconds.begin(), station.seconds.end());
    report.secondsByStation.push_back(std::move(station));
  }
}

}  // namespace report
