#include "live_view.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string_view>
#include <utility>

#include "app/system/diagnostics.h"
#include "res/status_texts.h"
#include "utf8_text.h"
#include "visible_text.h"

namespace cli {
namespace {

constexpr const char* kStatusTexts[] = {
    kTurnOnText,     kProbeTimeOutText, kStartText,          kCommandTimeOutText,
    kUpgradingText,  kNextUnitText,     kCompleteText,       kTurnOffText,
    kPortFailedText, kInterruptedText,  kTransferFailedText,
};

// Batch mode's progress line off a terminal: "40 % (912000 of 2281784 bytes, 11.2 kB/s)".
bool IsProgressLine(const std::string& line) {
  unsigned percent = 0;
  unsigned long sent = 0;
  unsigned long total = 0;
  double rate = 0;
  int end = 0;
  return std::sscanf(line.c_str(), "%u %% (%lu of %lu bytes, %lf kB/s)%n", &percent, &sent, &total, &rate,
                     &end) == 4 &&
         static_cast<std::size_t>(end) == line.size();
}

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Cut to fewer bytes than `columns` (a character takes no more cells than it
// has bytes), never inside a character.
std::string Fitted(std::string line, int columns) {
  std::size_t width = static_cast<std::size_t>(std::max(columns - 1, 1));
  if (line.size() <= width) return line;
  while (width > 0 && IsContinuation(line[width])) --width;
  line.resize(width);
  return line;
}

// A port's line as the terminal may show it: its texts came from the port's
// process, and a tab would take more cells than its byte.
std::string ShownLine(const PortRun& run, int columns) {
  std::string line = VisibleText(LiveLine(run, std::string::npos));
  std::replace(line.begin(), line.end(), '\t', ' ');
  return Fitted(std::move(line), columns);
}

bool Done(const PortRun& run) { return run.ended || run.exited || run.exitCode != -1; }

// "9 of 12 ports done: 8 complete, 1 failed"
std::string DoneLine(const std::vector<PortRun>& runs) {
  const auto done = std::count_if(runs.begin(), runs.end(), Done);
  const auto complete = std::count_if(runs.begin(), runs.end(),
                                      [](const PortRun& run) { return Done(run) && ExitCodeOf(run) == 0; });
  return std::to_string(done) + " of " + std::to_string(runs.size()) +
         " ports done: " + std::to_string(complete) + " complete, " + std::to_string(done - complete) +
         " failed";
}

}  // namespace

bool ShowsAbove(const std::string& line) {
  if (line.starts_with(sys::ComplaintPrefix())) return true;
  if (line.find_first_not_of(' ') == std::string::npos) return false;
  if (IsProgressLine(line)) return false;
  return std::none_of(std::begin(kStatusTexts), std::end(kStatusTexts),
                      [&](const char* text) { return line == text; });
}

std::vector<std::string> LiveLines(const std::vector<PortRun>& runs, int rows, int columns) {
  const std::size_t room = static_cast<std::size_t>(std::max(rows - 1, 1));
  std::vector<std::string> lines;
  if (runs.size() <= room) {
    for (const PortRun& run : runs) lines.push_back(ShownLine(run, columns));
    return lines;
  }
  lines.push_back(Fitted(DoneLine(runs), columns));
  std::vector<const PortRun*> running;
  for (const PortRun& run : runs)
    if (!Done(run)) running.push_back(&run);
  const std::size_t slots = room - 1;
  const std::size_t shown = running.size() <= slots ? running.size() : slots == 0 ? 0 : slots - 1;
  for (std::size_t i = 0; i < shown; ++i) lines.push_back(ShownLine(*running[i], columns));
  if (shown < running.size() && slots > 0)
    lines.push_back(Fitted("and " + std::to_string(running.size() - shown) + " more running", columns));
  return lines;
}

}  // namespace cli
