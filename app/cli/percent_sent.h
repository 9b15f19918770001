#pragma once
// How much of the image went out, as every progress display counts it.

namespace cli {

// Whole percent of `total` bytes, rounded down; 100 for an empty image.
constexpr unsigned PercentSent(unsigned long long bytes, unsigned long long total) {
  return total != 0 ? static_cast<unsigned>(100 * bytes / total) : 100;
}

}  // namespace cli
