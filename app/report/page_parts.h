#pragma once
// What the page's sections share: tables of plain text, figures, the names
// and colours of stations and outcomes.
#include <string>
#include <string_view>
#include <vector>

#include "yield_tally.h"

namespace report::page {

// A table of plain text; each row's first cell names the row.
struct Table {
  std::string caption;
  std::vector<std::string> head;
  std::vector<std::vector<std::string>> rows;
};
std::string TableHtml(const Table& table);
// A table with a column per station, as tables of at most kStationsShown of
// them beside its first `kept` columns, so that each fits a printed page.
inline constexpr std::size_t kStationsShown = 6;
std::string StationTablesHtml(const Table& table, std::size_t kept);

// A chart with its caption, `svg` as drawn.
std::string Figure(const std::string& caption, const std::string& svg);

std::string StationName(const std::string& station);   // "(no station)" for the lines that named none
std::string Percent(long long part, long long whole);  // "92.5 %", or "-" of nothing

// The outcomes the places name, complete first, the rest by name.
std::vector<std::string> OutcomesOf(const std::vector<PlaceCounts>& places);
// The colour (class s<shade>) of an outcome: the same for an outcome on every chart.
int Shade(std::string_view outcome);
// A key to the colours of `outcomes`, as a list.
std::string Legend(const std::vector<std::string>& outcomes);

}  // namespace report::page
