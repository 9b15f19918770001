#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <map>
#include <optional>

#include "page_parts.h"
#include "page_sections.h"
#include "svg_charts.h"

namespace report::page {
namespace {

using std::chrono::sys_days;

// The units first upgraded on one day and those of them that completed.
struct Count {
  long long units = 0;
  long long complete = 0;
};
using ByDay = std::map<std::string, Count>;  // "YYYY-MM-DD" in order

struct Yields {
  ByDay site;
  std::map<std::string, ByDay> stations;
  std::vector<std::string> order;  // the stations as the report orders them
};

struct Span {
  sys_days first;
  long long days = 0;
};

std::optional<sys_days> DayOf(std::string_view text) {
  const auto number = [&text](std::size_t at, std::size_t length) {
    unsigned value = 0;
    std::from_chars(text.data() + at, text.data() + at + length, value);
    return value;
  };
  if (text.size() < 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  const std::chrono::year_month_day day{std::chrono::year(static_cast<int>(number(0, 4))),
                                        std::chrono::month(number(5, 2)), std::chrono::day(number(8, 2))};
  if (!day.ok()) return std::nullopt;
  return sys_days(day);
}

// The first day, the last, and some between when the span has them: "MM-DD".
std::vector<DayTick> Ticks(const Span& span, long long most) {
  std::vector<DayTick> ticks;
  const long long shown = std::min(span.days, most);
  for (long long i = 0; i < shown; ++i) {
    const long long day = shown == 1 ? 0 : i * (span.days - 1) / (shown - 1);
    const std::chrono::year_month_day date{span.first + std::chrono::days(day)};
    char name[8];
    std::snprintf(name, sizeof name, "%02u-%02u", static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()));
    ticks.push_back({day, name});
  }
  return ticks;
}

Yields Gather(const YieldReport& figures) {
  Yields yields;
  for (const DayYield& yield : figures.firstPassByDay) {
    for (Count* count : {&yields.site[yield.day], &yields.stations[yield.station][yield.day]}) {
      count->units += yield.units;
      count->complete += yield.complete;
    }
  }
  for (const PlaceCounts& place : figures.stations)
    if (yields.stations.count(place.station) > 0) yields.order.push_back(place.station);
  return yields;
}

double Share(const Count& count) {
  return 100.0 * static_cast<double>(count.complete) / static_cast<double>(count.units);
}

std::string Cell(const Count& count) {
  return Percent(count.complete, count.units) + " (" + std::to_string(count.complete) + " of " +
         std::to_string(count.units) + ")";
}

std::string PointTitle(const std::string& who, const std::string& day, const Count& count) {
  return who + ", " + day + ": " + Cell(count);
}

std::vector<DayPoint> Points(const ByDay& days, const Span& span, const std::string& who) {
  std::vector<DayPoint> points;
  for (const auto& [day, count] : days) {
    const std::optional<sys_days> at = DayOf(day);
    if (!at || *at < span.first) continue;
    points.push_back({(*at - span.first).count(), Share(count), PointTitle(who, day, count)});
  }
  return points;
}

// The percent axis starts a little below the lowest day of any station, so
// that a fall shows.
double Lowest(const Yields& yields) {
  double lowest = 100;
  for (const auto& [station, days] : yields.stations)
    for (const auto& [day, count] : days) lowest = std::min(lowest, Share(count));
  return std::clamp(std::floor(lowest / 10) * 10 - 10, 0.0, 90.0);
}

std::string Charts(const Yields& yields, const Span& span) {
  DayLines site{"First-pass yield per day, all stations",  span.days, Ticks(span, 5), Lowest(yields),
                Points(yields.site, span, "all stations"), {}};
  std::string html = Figure("All stations", DayLineChart(site, 420, 170)) + "<div class=\"multiples\">";
  for (const std::string& station : yields.order) {
    const std::string name = StationName(station);
    const DayLines chart{"First-pass yield per day, " + name + ", against all stations (dashed)",
                         span.days,
                         Ticks(span, 3),
                         site.lowest,
                         Points(yields.stations.at(station), span, name),
                         site.line};
    html += Figure(name, DayLineChart(chart, 270, 140));
  }
  return html + "</div>";
}

Table DayTable(const Yields& yields) {
  Table table{"First-pass yield per day: percent (complete of units)", {"Day", "All stations"}, {}};
  for (const std::string& station : yields.order) table.head.push_back(StationName(station));
  for (const auto& [day, site] : yields.site) {
    std::vector<std::string> row = {day, Cell(site)};
    for (const std::string& station : yields.order) {
      const ByDay& days = yields.stations.at(station);
      const auto found = days.find(day);
      row.push_back(found == days.end() ? "-" : Cell(found->second));
    }
    table.rows.push_back(std::move(row));
  }
  return table;
}

}  // namespace

std::string YieldByDay(const ReportInput& input) {
  const YieldReport& figures = input.figures;
  const std::string heading = "<section><h2 id=\"yield\">First-pass yield per day</h2>";
  // Over the span of the upgrades covered, from --since when it was given.
  const auto first = DayOf(input.filter.since.empty() ? figures.firstStarted : input.filter.since);
  const auto last = DayOf(figures.lastStarted);
  if (figures.firstPassByDay.empty() || !first || !last || *last < *first)
    return heading + "<p>No unit's first upgrade is among these.</p></section>";
  const Span span{*first, (*last - *first).count() + 1};
  const Yields yields = Gather(figures);
  return heading +
         "<p>Of the units first upgraded each day (UTC), those whose first upgrade completed; each station "
         "against all stations (dashed).</p>" +
         Charts(yields, span) + StationTablesHtml(DayTable(yields), 2) + "</section>";
}

}  // namespace report::page
