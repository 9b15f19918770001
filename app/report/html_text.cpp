#include "html_text.h"

#include <charconv>

#include "utf8_text.h"
#include "visible_text.h"

namespace report {

std::string HtmlText(std::string_view text) {
  const std::string shown = VisibleText(text);
  std::string html;
  html.reserve(shown.size());
  for (const char c : shown) {
    switch (c) {
      case '&':
        html += "&amp;";
        break;
      case '<':
        html += "&lt;";
        break;
      case '>':
        html += "&gt;";
        break;
      case '"':
        html += "&quot;";
        break;
      case '\'':
        html += "&#39;";
        break;
      default:
        html += c;
    }
  }
  return html;
}

std::string Decimal(double value, int decimals) {
  char text[64];
  const auto [end, error] =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return error == std::errc{} ? std::string(text, end) : "?";
}

}  // namespace report
