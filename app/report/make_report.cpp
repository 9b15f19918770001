#include "make_report.h"

#include <filesystem>
#include <system_error>

#include "named_file.h"
#include "record_files.h"
#include "report_output.h"

namespace report {

bool MakeReport(const ReportRequest& request, std::string& out, std::string& error) {
  std::vector<std::string> paths;
  for (const std::string& path : request.paths) {
    // Through the wide path on Windows: a profile folder may be named outside
    // the code page. Only a file that is surely not there is left out.
    std::error_code failure;
    const bool missing = !std::filesystem::exists(NamedPath(path), failure) && !failure;
    if (!request.missingIsEmpty || !missing) paths.push_back(path);
  }
  YieldTally tally(request.filter);
  ReadSummary read;
  if (!ReadRecordFiles(paths, tally, read, error)) return false;
  const YieldReport figures = tally.Report();
  const ReportInput input{read, request.filter, figures};
  out = request.json ? ReportJson(input) : ReportText(input);
  return true;
}

}  // namespace report
