#pragma once
// Text and numbers as the report's page writes them. Everything on the page
// that came from the records passes through HtmlText: a station named
// "<script>" is shown, never run.
#include <string>
#include <string_view>

namespace report {

// `text` as HTML (and SVG) character data or a quoted attribute's value:
// valid UTF-8, control characters shown as '?', & < > " ' escaped.
std::string HtmlText(std::string_view text);

// `value` with `decimals` digits after the point, the same on every system
// (the C library's printf rounds as its maker chose).
std::string Decimal(double value, int decimals);

}  // namespace report
