#pragma once
// Strict parsing of numeric command-line values.
#include <charconv>
#include <optional>
#include <string_view>

namespace cli {

template <typename T>
std::optional<T> parseNumber(std::string_view text) {
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

}  // namespace cli
