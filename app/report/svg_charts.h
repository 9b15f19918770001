#pragma once
// The page's charts, drawn as SVG by the program: no script, no network, a
// few kilobytes each, sharp when printed, and each mark's exact value on
// hover (its <title>). Every text given is plain text; the charts escape it.
// Colours are the CSS classes s0, s1, ... that the page defines.
#include <string>
#include <vector>

namespace report {

// A value on one day of a chart's span of days (`day` counts from its first).
struct DayPoint {
  long long day = 0;
  double percent = 0;
  std::string title;
};

struct DayTick {
  long long day = 0;
  std::string name;
};

struct DayLines {
  std::string label;                // what the chart shows, for a screen reader
  long long days = 1;               // in the span
  std::vector<DayTick> ticks;       // the days named under the chart
  double lowest = 0;                // of the percent axis; its top is 100
  std::vector<DayPoint> line;       // by day; a day without a point breaks the line
  std::vector<DayPoint> reference;  // drawn faint behind the line (the site's total)
};

std::string DayLineChart(const DayLines& chart, double width, double height);

// One bar: its parts stacked, each with its colour (class s<shade>) and hover text.
struct BarPart {
  long long value = 0;
  int shade = 0;
  std::string title;
};
struct Bar {
  std::string name;
  std::vector<BarPart> parts;
};

// Horizontal bars, one a row, the parts stacked from the left.
std::string StackedBarChart(const std::string& label, const std::vector<Bar>& bars);

// Bars worst first with their running share of `total` as a line (a Pareto chart).
std::string ParetoChart(const std::string& label, const std::vector<Bar>& bars, long long total);

struct Histogram {
  std::string label;
  std::vector<double> edges;       // the bins' edges, ascending
  std::vector<std::string> names;  // the edges as written
  std::vector<long long> counts;   // one per bin
  double median = 0;               // marked by a dotted line
  double slowest = 0;              // by a line under a triangle
};

std::string HistogramChart(const Histogram& chart, double width, double height);

}  // namespace report
