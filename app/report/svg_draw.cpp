#include "svg_draw.h"

#include "html_text.h"

namespace report::svg {
namespace {

std::string Title(std::string_view title) {
  return title.empty() ? "" : "<title>" + HtmlText(title) + "</title>";
}

}  // namespace

std::string Open(double width, double height, std::string_view label) {
  return "<svg viewBox=\"0 0 " + At(width) + " " + At(height) + "\" role=\"img\" aria-label=\"" +
         HtmlText(label) + "\">";
}

std::string At(double value) {
  std::string text = Decimal(value, 1);
  if (text.ends_with(".0")) text.resize(text.size() - 2);
  return text == "-0" ? "0" : text;
}

std::string Cut(std::string_view text, std::size_t most) {
  std::size_t characters = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) continue;
    if (++characters > most) return std::string(text.substr(0, at)) + "\xE2\x80\xA6";
  }
  return std::string(text);
}

std::string Text(double x, double y, std::string_view text, std::string_view attributes) {
  return "<text x=\"" + At(x) + "\" y=\"" + At(y) + "\"" + (attributes.empty() ? "" : " ") +
         std::string(attributes) + ">" + HtmlText(text) + "</text>";
}

std::string Line(double x1, double y1, double x2, double y2, std::string_view cssClass) {
  return "<line x1=\"" + At(x1) + "\" y1=\"" + At(y1) + "\" x2=\"" + At(x2) + "\" y2=\"" + At(y2) +
         "\" class=\"" + std::string(cssClass) + "\"/>";
}

std::string Rect(double x, double y, double width, double height, std::string_view cssClass,
                 std::string_view title) {
  return "<rect x=\"" + At(x) + "\" y=\"" + At(y) + "\" width=\"" + At(width) + "\" height=\"" + At(height) +
         "\" class=\"" + std::string(cssClass) + "\">" + Title(title) + "</rect>";
}

std::string Dot(double x, double y, std::string_view cssClass, std::string_view title) {
  return "<circle cx=\"" + At(x) + "\" cy=\"" + At(y) + "\" r=\"3\" class=\"" + std::string(cssClass) +
         "\">" + Title(title) + "</circle>";
}

}  // namespace report::svg
