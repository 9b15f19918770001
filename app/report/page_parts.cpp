#include "page_parts.h"

#include <algorithm>
#include <array>
#include <set>

#include "html_text.h"

namespace report::page {
namespace {

// Each with its own colour; an outcome of a later program shares the last.
constexpr std::array<std::string_view, 9> kKnownOutcomes = {
    "complete",    "probe-timeout", "command-timeout", "port-error",    "transfer-failed",
    "port-failed", "abandoned",     "interrupted",     "internal-error"};

std::string Row(const std::vector<std::string>& cells, bool head) {
  std::string row = "<tr>";
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const char* open = head ? "<th scope=\"col\">" : i == 0 ? "<th scope=\"row\">" : "<td>";
    row += open + HtmlText(cells[i]) + (head || i == 0 ? "</th>" : "</td>");
  }
  return row + "</tr>";
}

}  // namespace

std::string TableHtml(const Table& table) {
  std::string html = "<div class=\"scroll\"><table><caption>" + HtmlText(table.caption) +
                     "</caption><thead>" + Row(table.head, true) + "</thead><tbody>";
  for (const std::vector<std::string>& row : table.rows) html += Row(row, false);
  return html + "</tbody></table></div>";
}

std::string StationTablesHtml(const Table& table, std::size_t kept) {
  const std::size_t stations = table.head.size() - kept;
  if (stations <= kStationsShown) return TableHtml(table);
  std::string html;
  for (std::size_t first = 0; first < stations; first += kStationsShown) {
    const std::size_t last = std::min(first + kStationsShown, stations);
    const auto part = [&](const std::vector<std::string>& cells) {
      std::vector<std::string> cut(cells.begin(), cells.begin() + static_cast<std::ptrdiff_t>(kept));
      cut.insert(cut.end(), cells.begin() + static_cast<std::ptrdiff_t>(kept + first),
                 cells.begin() + static_cast<std::ptrdiff_t>(kept + last));
      return cut;
    };
    Table shown{table.caption + " (stations " + std::to_string(first + 1) + " to " + std::to_string(last) +
                    " of " + std::to_string(stations) + ")",
                part(table.head),
                {}};
    for (const std::vector<std::string>& row : table.rows) shown.rows.push_back(part(row));
    html += TableHtml(shown);
  }
  return html;
}

std::string Figure(const std::string& caption, const std::string& svg) {
  return "<figure><figcaption>" + HtmlText(caption) + "</figcaption>" + svg + "</figure>";
}

std::string StationName(const std::string& station) { return station.empty() ? "(no station)" : station; }

std::string Percent(long long part, long long whole) {
  if (whole == 0) return "-";
  return Decimal(100.0 * static_cast<double>(part) / static_cast<double>(whole), 1) + " %";
}

std::vector<std::string> OutcomesOf(const std::vector<PlaceCounts>& places) {
  std::set<std::string> named;
  for (const PlaceCounts& place : places)
    for (const auto& [outcome, count] : place.outcomes) named.insert(outcome);
  std::vector<std::string> outcomes;
  if (named.erase("complete") > 0) outcomes.emplace_back("complete");
  outcomes.insert(outcomes.end(), named.begin(), named.end());
  return outcomes;
}

int Shade(std::string_view outcome) {
  const auto known = std::find(kKnownOutcomes.begin(), kKnownOutcomes.end(), outcome);
  return static_cast<int>(std::min<std::ptrdiff_t>(known - kKnownOutcomes.begin(), kKnownOutcomes.size()));
}

std::string Legend(const std::vector<std::string>& outcomes) {
  std::string html = "<ul class=\"legend\">";
  for (const std::string& outcome : outcomes)
    html +=
        "<li><svg class=\"key\" viewBox=\"0 0 10 10\" aria-hidden=\"true\"><rect width=\"10\" height=\"10\" "
        "class=\"s" +
        std::to_string(Shade(outcome)) + "\"/></svg>" + HtmlText(outcome) + "</li>";
  return html + "</ul>";
}

}  // namespace report::page
