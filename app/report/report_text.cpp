#include <algorithm>
#include <cstdio>

#include "report_output.h"
#include "utf8_text.h"
#include "visible_text.h"

namespace report {
namespace {

std::string Fixed(double value, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string Padded(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

// Names come from collected files: a control character in one (an escape
// sequence, a line break that would forge a row, a tab that would shift the
// columns) must not reach the terminal, nor a byte that is no UTF-8 (a
// terminal of another character set may take 0x9B alone for an escape).
std::string Shown(const std::string& text) {
  std::string shown = VisibleText(text);
  std::replace(shown.begin(), shown.end(), '\t', '?');
  return shown;
}

std::string StationName(const std::string& station) {
  return station.empty() ? "(no station)" : Shown(station);
}

// "complete 3, port-failed 1": complete first, the rest by name.
std::string OutcomeList(const OutcomeCounts& outcomes) {
  std::string text;
  const auto add = [&text](const std::string& outcome, long long count) {
    text += (text.empty() ? "" : ", ") + Shown(outcome) + " " + std::to_string(count);
  };
  if (const auto complete = outcomes.find("complete"); complete != outcomes.end())
    add("complete", complete->second);
  for (const auto& [outcome, count] : outcomes)
    if (outcome != "complete") add(outcome, count);
  return text;
}

std::string Places(const char* title, const std::vector<PlaceCounts>& places) {
  std::size_t stationWidth = 0;
  for (const PlaceCounts& place : places)
    stationWidth = std::max(stationWidth, StationName(place.station).size());
  std::vector<std::string> names;
  for (const PlaceCounts& place : places) {
    const std::string station = StationName(place.station);
    names.push_back(place.port.empty() ? station : Padded(station, stationWidth) + "  " + Shown(place.port));
  }
  std::size_t width = 0;
  for (const std::string& name : names) width = std::max(width, name.size());
  std::string text = std::string(title) + "\n";
  for (std::size_t i = 0; i < places.size(); ++i) {
    text += "  " + Padded(names[i], width) + "  " + Padded(std::to_string(places[i].upgrades), 6) +
            OutcomeList(places[i].outcomes) + "\n";
  }
  return places.empty() ? text + "  none\n" : text;
}

// `ofPorts`: the names are ports, shown with their station.
std::string Failures(const char* title, const std::vector<FailureCounts>& list, bool ofPorts) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < list.size() && i < kWorstShown; ++i)
    names.push_back(ofPorts ? StationName(list[i].station) + "  " + Shown(list[i].name)
                            : Shown(list[i].name));
  std::size_t width = 0;
  for (const std::string& name : names) width = std::max(width, name.size());
  std::string text = std::string("  ") + title + "\n";
  for (std::size_t i = 0; i < names.size(); ++i) {
    text += "    " + Padded(names[i], width) + "  " +
            Padded(std::to_string(list[i].portFailed + list[i].transferFailed), 6) + "port-failed " +
            std::to_string(list[i].portFailed) + ", transfer-failed " +
            std::to_string(list[i].transferFailed) + "\n";
  }
  if (list.size() > kWorstShown)
    text += "    and " + std::to_string(list.size() - kWorstShown) + " more (--json lists them all)\n";
  return list.empty() ? text + "    none\n" : text;
}

std::string Reading(const ReadSummary& read) {
  std::string text = "Upgrade record: " + LinesInFiles(read);
  if (read.unreadable > 0) {
    text += "; " + std::to_string(read.unreadable) + " unreadable " +
            (read.unreadable == 1 ? "line" : "lines") +
            " skipped, the first: " + Shown(read.firstUnreadableFile) + " line " +
            std::to_string(read.firstUnreadableLine);
  }
  if (read.repeated > 0)
    text += "; " + std::to_string(read.repeated) + " repeated " + (read.repeated == 1 ? "line" : "lines") +
            " counted once";
  return text + "\n";
}

std::string Narrowed(const ReportFilter& filter) {
  if (filter.since.empty() && filter.station.empty()) return "";
  std::string text = "Covering upgrades";
  if (!filter.since.empty()) text += " started since " + filter.since + " (UTC)";
  if (!filter.station.empty()) text += " of station " + Shown(filter.station);
  return text + "\n";
}

std::string Yield(const YieldReport& figures) {
  std::string text = "First-pass yield: ";
  if (figures.units == 0) {
    text += "none (no unit's first upgrade is among these)";
  } else {
    text += std::to_string(figures.firstPassComplete) + " of " + std::to_string(figures.units) + " units (" +
            Fixed(100.0 * static_cast<double>(figures.firstPassComplete) / static_cast<double>(figures.units),
                  1) +
            " %) completed their first upgrade";
  }
  if (figures.withoutUnit == 1) text += "; 1 upgrade names no unit and is left out";
  if (figures.withoutUnit > 1)
    text += "; " + std::to_string(figures.withoutUnit) + " upgrades name no unit and are left out";
  return text + "\n";
}

std::string Seconds(const YieldReport& figures) {
  if (figures.completed == 0) return "Seconds per completed upgrade: none completed\n";
  const RecordFields& slowest = figures.slowest;
  return "Seconds per completed upgrade (" + std::to_string(figures.completed) + "): median " +
         Fixed(figures.medianSeconds, 1) + ", slowest " + Fixed(figures.slowestSeconds, 1) + " (" +
         StationName(slowest.station) + " " + Shown(slowest.port) + ", started " + Shown(slowest.started) +
         ")\n";
}

}  // namespace

std::string ReportText(const ReportInput& input) {
  const YieldReport& figures = input.figures;
  return Reading(input.read) + Narrowed(input.filter) + "Upgrades: " + std::to_string(figures.upgrades) +
         "\n\n" + Places("By station", figures.stations) + "\n" + Places("By port", figures.ports) + "\n" +
         Yield(figures) + Seconds(figures) + "\nMost port-failed and transfer-failed, worst first\n" +
         Failures("by adapter (serial number)", figures.failingAdapters, false) +
         Failures("by port", figures.failingPorts, true);
}

}  // namespace report
