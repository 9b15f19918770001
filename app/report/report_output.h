#pragma once
// The yield report as a person reads it, as one JSON object, and as a page
// of charts, with the same figures in all three.
#include <string>

#include "record_files.h"
#include "yield_tally.h"

namespace report {

struct ReportInput {
  const ReadSummary& read;
  const ReportFilter& filter;
  const YieldReport& figures;
};

// The text and the page list at most this many adapters and ports under the
// failures; the JSON object lists them all.
inline constexpr std::size_t kWorstShown = 10;

std::string ReportText(const ReportInput& input);
std::string ReportJson(const ReportInput& input);
// One self-contained HTML page: charts drawn as SVG, each with its numbers in
// a table, no script, and a policy that lets it fetch nothing.
std::string ReportPage(const ReportInput& input);

}  // namespace report
