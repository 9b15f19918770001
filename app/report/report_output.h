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

// What was read, as the text and the page both say it: "77 lines in 2 files".
inline std::string LinesInFiles(const ReadSummary& read) {
  return std::to_string(read.lines) + (read.lines == 1 ? " line in " : " lines in ") +
         std::to_string(read.files) + (read.files == 1 ? " file" : " files");
}

std::string ReportText(const ReportInput& input);
std::string ReportJson(const ReportInput& input);
// One self-contained HTML page: charts drawn as SVG, each with its numbers in
// a table, no script, and a policy that lets it fetch nothing.
std::string ReportPage(const ReportInput& input);

}  // namespace report
