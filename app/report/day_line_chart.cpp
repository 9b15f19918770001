#include <algorithm>

#include "svg_charts.h"
#include "svg_draw.h"

namespace report {
namespace {

struct Frame {
  double left, top, width, height;  // the plot inside the chart
  long long days;
  double lowest;

  double X(long long day) const {
    return days <= 1 ? left + width / 2
                     : left + width * static_cast<double>(day) / static_cast<double>(days - 1);
  }
  double Y(double percent) const { return top + height * (100 - percent) / (100 - lowest); }
};

// At most six lines, down from 100 %.
std::string PercentAxis(const Frame& frame) {
  const double range = 100 - frame.lowest;
  const double step = range <= 20 ? 5 : range <= 50 ? 10 : 20;
  std::string axis;
  for (double percent = 100; percent >= frame.lowest; percent -= step) {
    axis += svg::Line(frame.left, frame.Y(percent), frame.left + frame.width, frame.Y(percent), "grid");
    axis += svg::Text(frame.left - 4, frame.Y(percent) + 4, svg::At(percent) + " %",
                      "class=\"tick\" text-anchor=\"end\"");
  }
  return axis;
}

// The first tick starts at its day, the last ends there, the rest are centred.
std::string DayAxis(const Frame& frame, const std::vector<DayTick>& ticks) {
  std::string axis;
  for (const DayTick& tick : ticks) {
    const char* anchor = frame.days > 1 && tick.day == 0                ? "start"
                         : frame.days > 1 && tick.day == frame.days - 1 ? "end"
                                                                        : "middle";
    axis += svg::Text(frame.X(tick.day), frame.top + frame.height + 14, tick.name,
                      std::string("class=\"tick\" text-anchor=\"") + anchor + "\"");
  }
  return axis;
}

// One path; a day without a point starts a new piece of it.
std::string Path(const Frame& frame, const std::vector<DayPoint>& points, const char* cssClass) {
  std::string path;
  long long last = -2;
  for (const DayPoint& point : points) {
    path += (point.day == last + 1 ? " L" : " M") + svg::At(frame.X(point.day)) + " " +
            svg::At(frame.Y(point.percent));
    last = point.day;
  }
  return path.empty() ? "" : "<path d=\"" + path.substr(1) + "\" class=\"" + cssClass + "\"/>";
}

}  // namespace

std::string DayLineChart(const DayLines& chart, double width, double height) {
  const Frame frame{40, 8, width - 52, height - 30, chart.days, chart.lowest};
  std::string svg = svg::Open(width, height, chart.label) + PercentAxis(frame) + DayAxis(frame, chart.ticks) +
                    Path(frame, chart.reference, "reference") + Path(frame, chart.line, "line");
  for (const DayPoint& point : chart.line)
    svg += svg::Dot(frame.X(point.day), frame.Y(point.percent), "point", point.title);
  return svg + std::string(svg::kClose);
}

}  // namespace report
