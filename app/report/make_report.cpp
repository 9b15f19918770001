#include "make_report.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "named_file.h"
#include "record_csv.h"
#include "record_files.h"
#include "report_output.h"

namespace report {
namespace {

// A file the report writes, said on one line when it cannot be.
class Output {
 public:
  bool Open(const std::string& path, std::string& error) {
    path_ = path;
    file_.reset(OpenNamedFile(path, "wb"));
    return file_ != nullptr || Failed(error);
  }
  void Write(std::string_view text) {
    if (file_) std::fwrite(text.data(), 1, text.size(), file_.get());
  }
  bool Close(std::string& error) {
    if (!file_) return true;
    const bool written = std::ferror(file_.get()) == 0;
    const bool closed = std::fclose(file_.release()) == 0;
    return (written && closed) || Failed(error);
  }

 private:
  bool Failed(std::string& error) const {
    error = "cannot write " + path_ + ": " + std::strerror(errno != 0 ? errno : EIO);
    return false;
  }

  std::string path_;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_{nullptr, &std::fclose};
};

// The files to read. This machine's record, through the wide path on
// Windows (a profile folder may be named outside the code page), is left out
// only when it is surely not there.
std::vector<std::string> Named(const ReportRequest& request) {
  std::vector<std::string> paths;
  for (const std::string& path : request.paths) {
    std::error_code failure;
    const bool missing = !std::filesystem::exists(NamedPath(path), failure) && !failure;
    if (!request.missingIsEmpty || !missing) paths.push_back(path);
  }
  return paths;
}

// Writing over a record file read would lose it: nothing is written then.
bool Apart(const std::string& output, const std::vector<std::string>& files, std::string& error) {
  const auto same = [&output](const std::string& file) {
    std::error_code failure;
    return std::filesystem::equivalent(NamedPath(output), NamedPath(file), failure);
  };
  const auto read = std::find_if(files.begin(), files.end(), same);
  if (output.empty() || read == files.end()) return true;
  error = "cannot write " + output + ": it is the record file " + *read + ", which the report reads";
  return false;
}

bool WritePage(const std::string& path, const std::string& page, std::string& error) {
  Output output;
  if (!output.Open(path, error)) return false;
  output.Write(page);
  return output.Close(error);
}

}  // namespace

bool MakeReport(const ReportRequest& request, std::string& out, std::string& error) {
  std::vector<std::string> files;
  if (!ListRecordFiles(Named(request), files, error) || !Apart(request.page, files, error) ||
      !Apart(request.csv, files, error))
    return false;
  Output csv;
  if (!request.csv.empty()) {
    if (!csv.Open(request.csv, error)) return false;
    csv.Write(CsvHeader());
  }
  const CoveredLine row = [&csv](std::string_view line) { csv.Write(CsvRow(line)); };
  YieldTally tally(request.filter);
  ReadSummary read;
  if (!ReadRecordFiles(files, tally, read, error, request.csv.empty() ? CoveredLine{} : row) ||
      !csv.Close(error))
    return false;
  const YieldReport figures = tally.Report();
  const ReportInput input{read, request.filter, figures};
  if (!request.page.empty() && !WritePage(request.page, ReportPage(input), error)) return false;
  out = request.json ? ReportJson(input) : ReportText(input);
  return true;
}

}  // namespace report
