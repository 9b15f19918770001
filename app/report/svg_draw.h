#pragma once
// The few SVG elements the page's charts are drawn with. Coordinates are in
// the chart's own units (its viewBox), which the page scales to its width;
// every text given here is plain text, escaped on the way out.
#include <string>
#include <string_view>

namespace report::svg {

// A chart `width` by `height`, named for a screen reader by `label`; the
// table beside it carries its numbers.
std::string Open(double width, double height, std::string_view label);
inline constexpr std::string_view kClose = "</svg>";

// A coordinate, to a tenth.
std::string At(double value);

// `text` cut to `most` characters with an ellipsis, for a label that must fit.
std::string Cut(std::string_view text, std::size_t most);

// `attributes` are written as given (the caller's own, never the records').
std::string Text(double x, double y, std::string_view text, std::string_view attributes = "");
std::string Line(double x1, double y1, double x2, double y2, std::string_view cssClass);
// A rectangle with its exact value as the hover text (`title`).
std::string Rect(double x, double y, double width, double height, std::string_view cssClass,
                 std::string_view title);
std::string Dot(double x, double y, std::string_view cssClass, std::string_view title);

}  // namespace report::svg
