#pragma once
// --report: the yield report over record files, as text or one JSON object,
// and on request as a page of charts and as a spreadsheet's rows.
#include <string>
#include <vector>

#include "yield_tally.h"

namespace report {

struct ReportRequest {
  std::vector<std::string> paths;  // files, and folders meaning their *.jsonl files
  bool missingIsEmpty = false;     // this machine's own record, which has no file before its first upgrade
  ReportFilter filter;
  bool json = false;
  std::string page;  // --html FILE: the page of charts, or empty
  std::string csv;   // --csv FILE: one row per upgrade covered, or empty
};

// The report in `out`, the page and the rows written; false with one line in
// `error` when a file or folder cannot be read or a file cannot be written.
bool MakeReport(const ReportRequest& request, std::string& out, std::string& error);

}  // namespace report
