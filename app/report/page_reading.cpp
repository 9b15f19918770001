#include "html_text.h"
#include "page_parts.h"
#include "page_sections.h"

namespace report::page {
namespace {

std::string Item(const std::string& term, const std::string& text) {
  return "<dt>" + HtmlText(term) + "</dt><dd>" + HtmlText(text) + "</dd>";
}

std::string Lines(long long count) { return std::to_string(count) + (count == 1 ? " line" : " lines"); }

std::string Unreadable(const ReadSummary& read) {
  if (read.unreadable == 0) return "none";
  return Lines(read.unreadable) + " skipped; the first: " + read.firstUnreadableFile + " line " +
         std::to_string(read.firstUnreadableLine);
}

std::string Covering(const ReportFilter& filter) {
  if (filter.since.empty() && filter.station.empty()) return "every upgrade read";
  std::string text = "upgrades";
  if (!filter.since.empty()) text += " started since " + filter.since + " (UTC)";
  if (!filter.station.empty()) text += " of station " + filter.station;
  return text;
}

std::string FirstPassSaid(const YieldReport& figures) {
  std::string text =
      figures.units == 0
          ? "none (no unit's first upgrade is among these)"
          : std::to_string(figures.firstPassComplete) + " of " + std::to_string(figures.units) + " units (" +
                Percent(figures.firstPassComplete, figures.units) + ") completed their first upgrade";
  if (figures.withoutUnit > 0)
    text += "; " + std::to_string(figures.withoutUnit) +
            (figures.withoutUnit == 1 ? " upgrade names no unit and is" : " upgrades name no unit and are") +
            " left out";
  return text;
}

std::string SecondsSaid(const YieldReport& figures) {
  if (figures.completed == 0) return "none completed";
  const RecordFields& slowest = figures.slowest;
  return std::to_string(figures.completed) + " completed: median " + Decimal(figures.medianSeconds, 1) +
         ", slowest " + Decimal(figures.slowestSeconds, 1) + " (" + StationName(slowest.station) + " " +
         slowest.port + ", started " + slowest.started + ")";
}

}  // namespace

std::string Reading(const ReportInput& input) {
  const ReadSummary& read = input.read;
  const YieldReport& figures = input.figures;
  const std::string span =
      figures.upgrades == 0 ? "no upgrades" : figures.firstStarted + " to " + figures.lastStarted + " (UTC)";
  return "<header><h1>Yield report</h1><dl>" + Item("Read", LinesInFiles(read)) +
         Item("Unreadable", Unreadable(read)) +
         Item("Repeated", read.repeated == 0 ? "none" : Lines(read.repeated) + ", counted once") +
         Item("Span", span) + Item("Covering", Covering(input.filter)) +
         Item("Upgrades", std::to_string(figures.upgrades)) +
         Item("First-pass yield", FirstPassSaid(figures)) + Item("Seconds", SecondsSaid(figures)) +
         "</dl><nav><a href=\"#yield\">Yield per day</a> · <a href=\"#outcomes\">Outcomes</a> · "
         "<a href=\"#failures\">Failures</a> · <a href=\"#seconds\">Seconds</a></nav></header>";
}

}  // namespace report::page
