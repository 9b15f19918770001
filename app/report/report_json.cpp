#include <cstdio>

#include "json_string.h"
#include "report_output.h"

namespace report {
namespace {

// A text the lines may lack: null when empty.
std::string JsonOptional(const std::string& text) { return text.empty() ? "null" : JsonString(text); }

std::string JsonNumber(double value, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

template <typename Item, typename Write>
std::string JsonList(const std::vector<Item>& items, Write write) {
  std::string text = "[";
  for (const Item& item : items) {
    if (text.size() > 1) text += ',';
    text += write(item);
  }
  return text + "]";
}

std::string JsonOutcomes(const OutcomeCounts& outcomes) {
  std::string text = "{";
  for (const auto& [outcome, count] : outcomes) {
    if (text.size() > 1) text += ',';
    text += JsonString(outcome) + ":" + std::to_string(count);
  }
  return text + "}";
}

std::string JsonPlace(const PlaceCounts& place) {
  return "{\"station\":" + JsonOptional(place.station) +
         (place.port.empty() ? "" : ",\"port\":" + JsonString(place.port)) +
         ",\"upgrades\":" + std::to_string(place.upgrades) + ",\"outcomes\":" + JsonOutcomes(place.outcomes) +
         "}";
}

std::string JsonFailing(const FailureCounts& counts, bool ofPorts) {
  const std::string name =
      ofPorts ? "\"station\":" + JsonOptional(counts.station) + ",\"port\":" + JsonString(counts.name)
              : "\"serial\":" + JsonString(counts.name);
  return "{" + name + ",\"portFailed\":" + std::to_string(counts.portFailed) +
         ",\"transferFailed\":" + std::to_string(counts.transferFailed) + "}";
}

std::string JsonReading(const ReadSummary& read) {
  std::string unreadable = "{\"lines\":" + std::to_string(read.unreadable);
  if (read.unreadable > 0)
    unreadable += ",\"file\":" + JsonString(read.firstUnreadableFile) +
                  ",\"line\":" + std::to_string(read.firstUnreadableLine);
  return "\"files\":" + std::to_string(read.files) + ",\"lines\":" + std::to_string(read.lines) +
         ",\"unreadable\":" + unreadable + "},\"repeated\":" + std::to_string(read.repeated);
}

std::string JsonYield(const YieldReport& figures) {
  const std::string percent = figures.units == 0
                                  ? "null"
                                  : JsonNumber(100.0 * static_cast<double>(figures.firstPassComplete) /
                                                   static_cast<double>(figures.units),
                                               1);
  return "{\"units\":" + std::to_string(figures.units) +
         ",\"complete\":" + std::to_string(figures.firstPassComplete) + ",\"percent\":" + percent +
         ",\"upgradesWithoutUnit\":" + std::to_string(figures.withoutUnit) + "}";
}

std::string JsonSeconds(const YieldReport& figures) {
  std::string text = "{\"completed\":" + std::to_string(figures.completed);
  if (figures.completed == 0) return text + ",\"median\":null,\"slowest\":null,\"slowestUpgrade\":null}";
  const RecordFields& slowest = figures.slowest;
  return text + ",\"median\":" + JsonNumber(figures.medianSeconds, 3) +
         ",\"slowest\":" + JsonNumber(figures.slowestSeconds, 3) +
         ",\"slowestUpgrade\":{\"station\":" + JsonOptional(slowest.station) +
         ",\"port\":" + JsonString(slowest.port) + ",\"started\":" + JsonString(slowest.started) + "}}";
}

std::string JsonSpan(const YieldReport& figures) {
  if (figures.upgrades == 0) return "null";
  return "{\"first\":" + JsonString(figures.firstStarted) + ",\"last\":" + JsonString(figures.lastStarted) +
         "}";
}

std::string JsonDay(const DayYield& day) {
  return "{\"day\":" + JsonString(day.day) + ",\"station\":" + JsonOptional(day.station) +
         ",\"units\":" + std::to_string(day.units) + ",\"complete\":" + std::to_string(day.complete) + "}";
}

std::string JsonStationSeconds(const StationSeconds& station) {
  return "{\"station\":" + JsonOptional(station.station) +
         ",\"completed\":" + std::to_string(station.seconds.size()) +
         ",\"median\":" + JsonNumber(station.median, 3) +
         ",\"slowest\":" + JsonNumber(station.seconds.back(), 3) + "}";
}

}  // namespace

std::string ReportJson(const ReportInput& input) {
  const YieldReport& figures = input.figures;
  return "{" + JsonReading(input.read) + ",\"since\":" + JsonOptional(input.filter.since) +
         ",\"station\":" + JsonOptional(input.filter.station) +
         ",\"upgrades\":" + std::to_string(figures.upgrades) +
         ",\"stations\":" + JsonList(figures.stations, JsonPlace) +
         ",\"ports\":" + JsonList(figures.ports, JsonPlace) + ",\"firstPassYield\":" + JsonYield(figures) +
         ",\"seconds\":" + JsonSeconds(figures) + ",\"failures\":{\"adapters\":" +
         JsonList(figures.failingAdapters, [](const FailureCounts& c) { return JsonFailing(c, false); }) +
         ",\"ports\":" +
         JsonList(figures.failingPorts, [](const FailureCounts& c) { return JsonFailing(c, true); }) +
         "},\"span\":" + JsonSpan(figures) +
         ",\"firstPassYieldByDay\":" + JsonList(figures.firstPassByDay, JsonDay) +
         ",\"secondsByStation\":" + JsonList(figures.secondsByStation, JsonStationSeconds) + "}\n";
}

}  // namespace report
