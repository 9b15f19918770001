#include <algorithm>

#include "html_text.h"
#include "page_parts.h"
#include "page_sections.h"
#include "seconds_bins.h"
#include "svg_charts.h"

namespace report::page {
namespace {

Histogram Spread(const std::string& label, const SecondsBins& bins, const std::vector<double>& seconds,
                 double median) {
  Histogram chart{label,  bins.edges,    {}, std::vector<long long>(bins.edges.size() - 1),
                  median, seconds.back()};
  for (const double edge : bins.edges) chart.names.push_back(Decimal(edge, bins.decimals));
  for (const double value : seconds) ++chart.counts[BinOf(bins, value)];
  return chart;
}

std::string Marked(const std::string& name, double median, double slowest) {
  return name + ": median " + Decimal(median, 1) + ", slowest " + Decimal(slowest, 1);
}

Table SummaryTable(const YieldReport& figures) {
  Table table{"Seconds per completed upgrade", {"Station", "Completed", "Median", "Slowest"}, {}};
  for (const StationSeconds& station : figures.secondsByStation)
    table.rows.push_back({StationName(station.station), std::to_string(station.seconds.size()),
                          Decimal(station.median, 1), Decimal(station.seconds.back(), 1)});
  table.rows.push_back({"All stations", std::to_string(figures.completed), Decimal(figures.medianSeconds, 1),
                        Decimal(figures.slowestSeconds, 1)});
  return table;
}

Table BinTable(const std::vector<Histogram>& charts, const std::vector<std::string>& names) {
  Table table{
      "Completed upgrades by seconds: from (inclusive) to (exclusive)", {"Seconds", "All stations"}, {}};
  table.head.insert(table.head.end(), names.begin(), names.end());
  for (std::size_t bin = 0; bin + 1 < charts.front().names.size(); ++bin) {
    std::vector<std::string> row = {charts.front().names[bin] + " to " + charts.front().names[bin + 1]};
    for (const Histogram& chart : charts) row.push_back(std::to_string(chart.counts[bin]));
    table.rows.push_back(std::move(row));
  }
  return table;
}

}  // namespace

std::string Seconds(const YieldReport& figures) {
  const std::string heading = "<section><h2 id=\"seconds\">Seconds per completed upgrade</h2>";
  if (figures.completed == 0) return heading + "<p>No upgrade completed.</p></section>";
  std::vector<double> all;
  for (const StationSeconds& station : figures.secondsByStation)
    all.insert(all.end(), station.seconds.begin(), station.seconds.end());
  std::sort(all.begin(), all.end());
  const SecondsBins bins = BinsOver(all.front(), all.back());
  std::vector<Histogram> charts = {
      Spread("Seconds per completed upgrade, all stations", bins, all, figures.medianSeconds)};
  std::vector<std::string> names;
  std::string multiples = "<div class=\"multiples\">";
  for (const StationSeconds& station : figures.secondsByStation) {
    names.push_back(StationName(station.station));
    charts.push_back(
        Spread("Seconds per completed upgrade, " + names.back(), bins, station.seconds, station.median));
    multiples += Figure(Marked(names.back(), station.median, station.seconds.back()),
                        HistogramChart(charts.back(), 270, 140));
  }
  return heading +
         "<p>How long the completed upgrades took: the median is the dotted line, the slowest the orange "
         "line under its triangle.</p>" +
         Figure(Marked("All stations", figures.medianSeconds, figures.slowestSeconds) + " s",
                HistogramChart(charts.front(), 420, 170)) +
         multiples + "</div>" + TableHtml(SummaryTable(figures)) +
         StationTablesHtml(BinTable(charts, names), 2) + "</section>";
}

}  // namespace report::page
