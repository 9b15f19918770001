#pragma once
// The yield report as a person reads it and as one JSON object, with the same
// figures in both.
#include <string>

#include "record_files.h"
#include "yield_tally.h"

namespace report {

struct ReportInput {
  const ReadSummary& read;
  const ReportFilter& filter;
  const YieldReport& figures;
};

// The text lists at most this many adapters and ports under the failures;
// the JSON object lists them all.
inline constexpr std::size_t kWorstShown = 10;

std::string ReportText(const ReportInput& input);
std::string ReportJson(const ReportInput& input);

}  // namespace report
