#include <algorithm>

#include "html_text.h"
#include "svg_charts.h"
#include "svg_draw.h"

namespace report {
namespace {

// A line across the plot at the median, and one at the slowest under a
// triangle that stands clear of the last bar; the caption names both.
std::string Marks(double median, double slowest, double top, double bottom) {
  const std::string tip = svg::At(slowest - 4) + "," + svg::At(top - 7) + " " + svg::At(slowest + 4) + "," +
                          svg::At(top - 7) + " " + svg::At(slowest) + "," + svg::At(top - 1);
  return svg::Line(median, top, median, bottom, "median") +
         svg::Line(slowest, top, slowest, bottom, "slowest") + "<polygon points=\"" + tip +
         "\" class=\"slowest-tip\"/>";
}

}  // namespace

std::string HistogramChart(const Histogram& chart, double width, double height) {
  constexpr double kLeft = 36, kRight = 14, kTop = 12, kBottom = 20;
  const double plotWidth = width - kLeft - kRight, plotHeight = height - kTop - kBottom;
  const double from = chart.edges.front(), to = chart.edges.back();
  const auto x = [&](double seconds) { return kLeft + plotWidth * (seconds - from) / (to - from); };
  const long long largest =
      std::max<long long>(1, *std::max_element(chart.counts.begin(), chart.counts.end()));
  const double bottom = kTop + plotHeight;
  std::string svg =
      svg::Open(width, height, chart.label) + svg::Line(kLeft, bottom, kLeft + plotWidth, bottom, "axis") +
      svg::Text(kLeft - 4, kTop + 4, std::to_string(largest), "class=\"tick\" text-anchor=\"end\"") +
      svg::Text(kLeft - 4, bottom, "0", "class=\"tick\" text-anchor=\"end\"");
  for (std::size_t bin = 0; bin < chart.counts.size(); ++bin) {
    const double length = plotHeight * static_cast<double>(chart.counts[bin]) / static_cast<double>(largest);
    svg += svg::Rect(
        x(chart.edges[bin]) + 0.5, bottom - length, x(chart.edges[bin + 1]) - x(chart.edges[bin]) - 1, length,
        "bin", chart.names[bin] + " to " + chart.names[bin + 1] + " s: " + std::to_string(chart.counts[bin]));
  }
  // The first and last edge, and three between.
  const std::size_t last = chart.edges.size() - 1;
  for (std::size_t i = 0, shown = std::min<std::size_t>(last, 4); i <= shown; ++i) {
    const std::size_t edge = i * last / shown;
    const char* anchor = i == 0 ? "start" : i == shown ? "end" : "middle";
    svg += svg::Text(x(chart.edges[edge]), bottom + 14, chart.names[edge] + (i == shown ? " s" : ""),
                     std::string("class=\"tick\" text-anchor=\"") + anchor + "\"");
  }
  svg += Marks(x(chart.median), x(chart.slowest), kTop, bottom);
  return svg + std::string(svg::kClose);
}

}  // namespace report
