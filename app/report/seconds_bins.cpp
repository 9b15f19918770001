#include "seconds_bins.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "html_text.h"

namespace report {
namespace {

double ReadBack(const std::string& text) {
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// The narrowest round width that covers the range in kMostBins bins; a
// range no double can span (a record's 1e308 among them) gets the widest.
double RoundWidth(double lowest, double highest, int& decimals) {
  for (int power = -3; power < 300; ++power) {
    for (const double step : {1.0, 2.0, 5.0}) {
      const double width = step * std::pow(10.0, power);
      decimals = std::max(0, -power);
      if ((highest - std::floor(lowest / width) * width) / width < static_cast<double>(kMostBins))
        return width;
    }
  }
  return 1e300;
}

}  // namespace

SecondsBins BinsOver(double lowest, double highest) {
  SecondsBins bins;
  const double width = RoundWidth(lowest, highest, bins.decimals);
  const double from = std::floor(lowest / width) * width;
  for (std::size_t i = 0; i <= kMostBins && (i < 2 || bins.edges.back() <= highest); ++i)
    bins.edges.push_back(ReadBack(Decimal(from + static_cast<double>(i) * width, bins.decimals)));
  return bins;
}

std::size_t BinOf(const SecondsBins& bins, double seconds) {
  const auto above = std::upper_bound(bins.edges.begin(), bins.edges.end(), seconds);
  const auto bin = static_cast<std::size_t>(std::max<std::ptrdiff_t>(above - bins.edges.begin() - 1, 0));
  return std::min(bin, bins.edges.size() - 2);
}

}  // namespace report
