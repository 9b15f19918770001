#pragma once
// The command-line parser of the tools: long options only, each either a flag or
// followed by its value as the next argument.
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

struct Option {
  std::string_view name;  // with its dashes, e.g. "--size"
  bool takesValue = false;
  // Applies the option; false when the value is not valid. Flags get an empty value.
  std::function<bool(std::string_view value)> apply;
  bool endsParsing = false;  // later arguments are not looked at (e.g. --help)
};

struct ParseError {
  enum class Kind { UnknownOption, MissingValue, BadValue };
  Kind kind;
  std::string argument;  // the option (or unknown argument) at fault
};

// Applies the arguments after the program name in order; stops at the first error.
std::optional<ParseError> parseOptions(const std::vector<std::string>& args, std::span<const Option> options);

}  // namespace cli
