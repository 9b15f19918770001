#pragma once
// --report: the yield report over record files, as text or one JSON object.
#include <string>
#include <vector>

#include "yield_tally.h"

namespace report {

struct ReportRequest {
  std::vector<std::string> paths;  // files, and folders meaning their *.jsonl files
  bool missingIsEmpty = false;     // this machine's own record, which has no file before its first upgrade
  ReportFilter filter;
  bool json = false;
};

// The report in `out`; false with one line in `error` when a file or folder cannot be read.
bool MakeReport(const ReportRequest& request, std::string& out, std::string& error);

}  // namespace report
