#include <algorithm>
#include <map>

#include "page_parts.h"
#include "page_sections.h"
#include "svg_charts.h"

namespace report::page {
namespace {

long long CountOf(const OutcomeCounts& outcomes, const std::string& outcome) {
  const auto found = outcomes.find(outcome);
  return found == outcomes.end() ? 0 : found->second;
}

std::vector<Bar> StationBars(const YieldReport& figures, const std::vector<std::string>& outcomes) {
  std::vector<Bar> bars;
  for (const PlaceCounts& station : figures.stations) {
    Bar bar{StationName(station.station), {}};
    for (const std::string& outcome : outcomes) {
      const long long count = CountOf(station.outcomes, outcome);
      if (count > 0)
        bar.parts.push_back({count, Shade(outcome),
                             bar.name + ": " + outcome + " " + std::to_string(count) + " of " +
                                 std::to_string(station.upgrades) + " (" + Percent(count, station.upgrades) +
                                 ")"});
    }
    bars.push_back(std::move(bar));
  }
  return bars;
}

Table StationTable(const YieldReport& figures, const std::vector<std::string>& outcomes) {
  Table table{"Upgrades per station by outcome", {"Station", "Upgrades"}, {}};
  table.head.insert(table.head.end(), outcomes.begin(), outcomes.end());
  OutcomeCounts all;
  for (const PlaceCounts& station : figures.stations) {
    std::vector<std::string> row = {StationName(station.station), std::to_string(station.upgrades)};
    for (const std::string& outcome : outcomes) {
      row.push_back(std::to_string(CountOf(station.outcomes, outcome)));
      all[outcome] += CountOf(station.outcomes, outcome);
    }
    table.rows.push_back(std::move(row));
  }
  std::vector<std::string> total = {"All stations", std::to_string(figures.upgrades)};
  for (const std::string& outcome : outcomes) total.push_back(std::to_string(all[outcome]));
  table.rows.push_back(std::move(total));
  return table;
}

// The upgrades that did not complete, by outcome, most first.
std::vector<std::pair<std::string, long long>> Unfinished(const YieldReport& figures) {
  std::map<std::string, long long> counts;
  for (const PlaceCounts& station : figures.stations)
    for (const auto& [outcome, count] : station.outcomes)
      if (outcome != "complete") counts[outcome] += count;
  std::vector<std::pair<std::string, long long>> list(counts.begin(), counts.end());
  std::stable_sort(list.begin(), list.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  return list;
}

std::string OutcomePareto(const YieldReport& figures) {
  const auto unfinished = Unfinished(figures);
  if (unfinished.empty()) return "<h3>By outcome</h3><p>Every upgrade completed.</p>";
  long long total = 0;
  for (const auto& [outcome, count] : unfinished) total += count;
  std::vector<Bar> bars;
  Table table{
      "Upgrades that did not complete, by outcome", {"Outcome", "Upgrades", "Share", "Running share"}, {}};
  long long running = 0;
  for (const auto& [outcome, count] : unfinished) {
    running += count;
    bars.push_back({outcome,
                    {{count, Shade(outcome),
                      outcome + ": " + std::to_string(count) + " of " + std::to_string(total) + " (" +
                          Percent(count, total) + ")"}}});
    table.rows.push_back({outcome, std::to_string(count), Percent(count, total), Percent(running, total)});
  }
  return "<h3>By outcome</h3>" +
         Figure("Upgrades that did not complete, by outcome, with the running share",
                ParetoChart("Upgrades that did not complete, by outcome, most first", bars, total)) +
         TableHtml(table);
}

// The worst adapters or ports, as the text report lists them.
std::string FailingPareto(const char* title, const char* what, const std::vector<FailureCounts>& list,
                          bool ofPorts) {
  const std::string heading = std::string("<h3>") + title + "</h3>";
  if (list.empty()) return heading + "<p>None had a port-failed or transfer-failed upgrade.</p>";
  long long total = 0;
  for (const FailureCounts& counts : list) total += counts.portFailed + counts.transferFailed;
  std::vector<Bar> bars;
  Table table{std::string(title) + ": port-failed and transfer-failed, worst first",
              {what, "port-failed", "transfer-failed", "Both", "Running share"},
              {}};
  if (ofPorts) table.head.insert(table.head.begin(), "Station");
  long long running = 0;
  for (std::size_t i = 0; i < list.size() && i < kWorstShown; ++i) {
    const FailureCounts& counts = list[i];
    const long long both = counts.portFailed + counts.transferFailed;
    running += both;
    const std::string name = ofPorts ? StationName(counts.station) + " " + counts.name : counts.name;
    bars.push_back({name,
                    {{counts.portFailed, Shade("port-failed"),
                      name + ": port-failed " + std::to_string(counts.portFailed)},
                     {counts.transferFailed, Shade("transfer-failed"),
                      name + ": transfer-failed " + std::to_string(counts.transferFailed)}}});
    std::vector<std::string> row = {counts.name, std::to_string(counts.portFailed),
                                    std::to_string(counts.transferFailed), std::to_string(both),
                                    Percent(running, total)};
    if (ofPorts) row.insert(row.begin(), StationName(counts.station));
    table.rows.push_back(std::move(row));
  }
  std::string html =
      heading + Legend({"port-failed", "transfer-failed"}) +
      Figure(std::string(title) + ", worst first, with the running share of all " + std::to_string(total),
             ParetoChart(std::string(title) + ", worst first", bars, total)) +
      TableHtml(table);
  if (list.size() > kWorstShown)
    html += "<p>And " + std::to_string(list.size() - kWorstShown) +
            " more (--json and the CSV list them all).</p>";
  return html;
}

}  // namespace

std::string Outcomes(const YieldReport& figures) {
  const std::string heading = "<section><h2 id=\"outcomes\">Outcomes per station</h2>";
  if (figures.stations.empty()) return heading + "<p>No upgrades are covered.</p></section>";
  const std::vector<std::string> outcomes = OutcomesOf(figures.stations);
  return heading + Legend(outcomes) +
         Figure("Upgrades per station, by outcome",
                StackedBarChart("Upgrades per station, by outcome", StationBars(figures, outcomes))) +
         TableHtml(StationTable(figures, outcomes)) + "</section>";
}

std::string Failures(const YieldReport& figures) {
  return "<section><h2 id=\"failures\">Failures</h2>" + OutcomePareto(figures) +
         FailingPareto("Adapters", "Serial number", figures.failingAdapters, false) +
         FailingPareto("Ports", "Port", figures.failingPorts, true) + "</section>";
}

}  // namespace report::page
