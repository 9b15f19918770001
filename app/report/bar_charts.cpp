#include <algorithm>
#include <cmath>

#include "html_text.h"
#include "svg_charts.h"
#include "svg_draw.h"

namespace report {
namespace {

// The class of a shade's colour, appended to: GCC 12 takes "s" + a
// temporary string for an overlapping copy (-Wrestrict) where it inlines it.
std::string ShadeClass(int shade) {
  std::string name = "s";
  name += std::to_string(shade);
  return name;
}

long long Total(const Bar& bar) {
  long long total = 0;
  for (const BarPart& part : bar.parts) total += part.value;
  return total;
}

long long Largest(const std::vector<Bar>& bars) {
  long long largest = 1;
  for (const Bar& bar : bars) largest = std::max(largest, Total(bar));
  return largest;
}

// A round step (1, 2 or 5 times a power of ten) for about four ticks up to `largest`.
long long TickStep(long long largest) {
  long long step = 1;
  for (long long power = 1;; power *= 10) {
    for (const long long m : {1, 2, 5}) {
      step = m * power;
      if (largest / step <= 4) return step;
    }
  }
}

std::string CountAxis(double left, double top, double width, double height, long long largest) {
  std::string axis;
  for (long long count = 0; count <= largest; count += TickStep(largest)) {
    const double y = top + height - height * static_cast<double>(count) / static_cast<double>(largest);
    axis += svg::Line(left, y, left + width, y, "grid") +
            svg::Text(left - 4, y + 4, std::to_string(count), "class=\"tick\" text-anchor=\"end\"");
  }
  return axis;
}

std::string ShareAxis(double right, double top, double height) {
  std::string axis;
  for (int percent = 0; percent <= 100; percent += 25)
    axis += svg::Text(right + 4, top + height - height * percent / 100.0 + 4, std::to_string(percent) + " %",
                      "class=\"tick\"");
  return axis;
}

}  // namespace

std::string StackedBarChart(const std::string& label, const std::vector<Bar>& bars) {
  constexpr double kWidth = 420, kRow = 22, kLabels = 130, kRoom = 44;
  const double height = kRow * static_cast<double>(bars.size()) + 8;
  const double scale = (kWidth - kLabels - kRoom) / static_cast<double>(Largest(bars));
  std::string svg = svg::Open(kWidth, height, label);
  for (std::size_t row = 0; row < bars.size(); ++row) {
    const double y = 4 + kRow * static_cast<double>(row);
    svg += svg::Text(kLabels - 6, y + 13, svg::Cut(bars[row].name, 22), "class=\"name\" text-anchor=\"end\"");
    double x = kLabels;
    for (const BarPart& part : bars[row].parts) {
      const double length = scale * static_cast<double>(part.value);
      svg += svg::Rect(x, y + 1, length, kRow - 6, ShadeClass(part.shade), part.title);
      x += length;
    }
    svg += svg::Text(x + 4, y + 13, std::to_string(Total(bars[row])), "class=\"tick\"");
  }
  return svg + std::string(svg::kClose);
}

std::string ParetoChart(const std::string& label, const std::vector<Bar>& bars, long long total) {
  constexpr double kWidth = 420, kHeight = 230, kLeft = 40, kRight = 40, kTop = 10, kBottom = 84;
  const double plotWidth = kWidth - kLeft - kRight, plotHeight = kHeight - kTop - kBottom;
  const double slot = plotWidth / static_cast<double>(std::max<std::size_t>(bars.size(), 1));
  const long long largest = Largest(bars);
  std::string svg = svg::Open(kWidth, kHeight, label) +
                    CountAxis(kLeft, kTop, plotWidth, plotHeight, largest) +
                    ShareAxis(kLeft + plotWidth, kTop, plotHeight);
  std::string path;
  std::string dots;
  long long running = 0;
  for (std::size_t i = 0; i < bars.size(); ++i) {
    const double middle = kLeft + slot * (static_cast<double>(i) + 0.5);
    double y = kTop + plotHeight;
    for (const BarPart& part : bars[i].parts) {
      const double length = plotHeight * static_cast<double>(part.value) / static_cast<double>(largest);
      y -= length;
      const double barWidth = std::min(slot * 0.64, 36.0);
      svg += svg::Rect(middle - barWidth / 2, y, barWidth, length, ShadeClass(part.shade), part.title);
    }
    const std::string at = svg::At(middle) + " " + svg::At(kTop + plotHeight + 8);
    svg += svg::Text(middle, kTop + plotHeight + 8, svg::Cut(bars[i].name, 16),
                     "class=\"name\" text-anchor=\"end\" transform=\"rotate(-55 " + at + ")\"");
    running += Total(bars[i]);
    const double share = total > 0 ? 100.0 * static_cast<double>(running) / static_cast<double>(total) : 0;
    const double shareY = kTop + plotHeight - plotHeight * share / 100;
    path += (i == 0 ? "M" : " L") + svg::At(middle) + " " + svg::At(shareY);
    dots += svg::Dot(middle, shareY, "point",
                     "up to " + bars[i].name + ": " + std::to_string(running) + " of " +
                         std::to_string(total) + " (" + Decimal(share, 1) + " %)");
  }
  if (!path.empty()) svg += "<path d=\"" + path + "\" class=\"line\"/>" + dots;
  return svg + std::string(svg::kClose);
}

}  // namespace report
