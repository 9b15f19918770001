#pragma once
// The upgrades a report covers as a spreadsheet's rows, for a site's own
// dashboards: one row per record line, the record's fields as columns in a
// fixed order (a nested object's as "adapter.serial"), quoted as RFC 4180
// has it, in UTF-8 behind a byte-order mark, without which a spreadsheet on
// Windows reads the file in the ANSI code page and garbles names.
#include <string>
#include <string_view>

namespace report {

// The byte-order mark and the header row.
std::string CsvHeader();

// One record line's row, ended by CR LF: strings unescaped, numbers as
// written, a field the line lacks (or holds null) empty. Fields this program
// does not know (of a later schema) have no column and are left out.
std::string CsvRow(std::string_view line);

// `field` in quotes, its quotes doubled, when it holds a comma, a quote, CR or LF.
std::string CsvField(std::string_view field);

}  // namespace report
