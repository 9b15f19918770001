#pragma once
// The bins of the page's histograms of seconds: round edges (a width of 1, 2
// or 5 times a power of ten) over the site's completed upgrades, shared by
// every station so that their charts compare.
#include <cstddef>
#include <string>
#include <vector>

namespace report {

struct SecondsBins {
  // As the page writes them, and read back: a value is in bin i when
  // edges[i] <= value < edges[i + 1], as a reader of the page would count it.
  std::vector<double> edges;
  int decimals = 0;
};

// At most kMostBins bins from at or below `lowest` to above `highest`.
inline constexpr std::size_t kMostBins = 30;
SecondsBins BinsOver(double lowest, double highest);

std::size_t BinOf(const SecondsBins& bins, double seconds);

}  // namespace report
