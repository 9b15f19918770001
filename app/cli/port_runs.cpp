#include "port_runs.h"

#include <cstdio>
#include <cstdlib>
#include <map>

#include "app/record/json_text.h"
#include "app/system/child_process.h"
#include "serial/port_tables.h"

namespace cli {
namespace {

double Number(const std::map<std::string, std::string>& fields, const std::string& key, double otherwise) {
  const auto field = fields.find(key);
  return field != fields.end() ? std::strtod(field->second.c_str(), nullptr) : otherwise;
}

std::string Field(const std::map<std::string, std::string>& fields, const std::string& key) {
  const auto field = fields.find(key);
  return field != fields.end() ? field->second : "";
}

// The outcome as the table shows it: the end event's, else how the process ended.
std::string OutcomeText(const PortRun& run) {
  if (run.ended) return run.outcome;
  if (run.exitCode == sys::kNoExitCode) return "no result";
  return "no result (exit " + std::to_string(run.exitCode) + ")";
}

}  // namespace

int ExitCodeOf(const PortRun& run) {
  if (run.exitCode != sys::kNoExitCode) return run.exitCode;
  return run.ended ? run.eventExitCode : kExitInternalError;
}

bool TakeEvent(PortRun& run, const std::string& line) {
  const std::map<std::string, std::string> fields = ReadFlatJson(line);
  const std::string event = Field(fields, "event");
  if (event == "status" && Field(fields, "line") == "1") {
    run.status = Field(fields, "text");
  } else if (event == "message") {
    run.message = Field(fields, "text");
  } else if (event == "progress") {
    run.percent = static_cast<int>(Number(fields, "percent", run.percent));
    run.bytesSent = static_cast<unsigned long long>(Number(fields, "bytesSent", 0));
  } else if (event == "end") {
    run.ended = true;
    run.outcome = Field(fields, "outcome");
    run.eventExitCode = static_cast<int>(Number(fields, "exitCode", kExitInternalError));
    run.seconds = Number(fields, "seconds", 0);
    run.bytesSent = static_cast<unsigned long long>(Number(fields, "bytesSent", 0));
  }
  return !event.empty();
}

std::string LiveLine(const PortRun& run, std::size_t width) {
  char head[24];
  std::snprintf(head, sizeof head, "%-7s", PortName(run.port));
  std::string line = head;
  const bool over = run.exited || run.exitCode != sys::kNoExitCode;
  if (run.ended) {
    line += run.outcome;
  } else if (over) {
    line += OutcomeText(run);
  } else if (run.percent >= 0) {
    char percent[16];
    std::snprintf(percent, sizeof percent, "%3d %%  ", run.percent);
    line += percent;
  }
  line += "  " + (run.status.empty() && !run.ended && !over ? std::string("starting") : run.status);
  if (!run.message.empty() && run.message != run.status) line += "  (" + run.message + ")";
  if (line.size() > width) line.resize(width);
  return line;
}

std::string SummaryTable(const std::vector<PortRun>& runs) {
  std::string table = "port    outcome                  seconds   bytes sent\n";
  for (const PortRun& run : runs) {
    char row[160];
    std::snprintf(row, sizeof row, "%-7s %-22s %9.1f %12llu\n", PortName(run.port), OutcomeText(run).c_str(),
                  run.seconds, run.bytesSent);
    table += row;
  }
  return table;
}

std::string RetryCommand(const std::vector<PortRun>& runs, const CommandLine& line,
                         const std::string& program) {
  std::string command = sys::QuoteArgument(program) + " --batch";
  bool failed = false;
  for (const PortRun& run : runs) {
    if (ExitCodeOf(run) == kExitComplete) continue;
    command += std::string(" --port ") + PortName(run.port);
    failed = true;
  }
  if (!failed) return "";
  if (!line.image.empty()) command += " --image " + sys::QuoteArgument(line.image);
  if (line.json) command += " --json";
  if (!line.station.empty()) command += " --station " + sys::QuoteArgument(line.station);
  if (!line.trace.empty()) command += " --trace " + sys::QuoteArgument(line.trace);
  if (!line.expectSha256.empty()) command += " --expect-sha256 " + line.expectSha256;
  return command;
}

int FirstFailure(const std::vector<PortRun>& runs) {
  for (const PortRun& run : runs)
    if (ExitCodeOf(run) != kExitComplete) return ExitCodeOf(run);
  return kExitComplete;
}

}  // namespace cli
