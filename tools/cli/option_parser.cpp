#include "cli/option_parser.h"

#include <algorithm>

namespace cli {

std::optional<ParseError> parseOptions(const std::vector<std::string>& args,
                                       std::span<const Option> options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const auto option =
        std::find_if(options.begin(), options.end(), [&](const Option& o) { return o.name == args[i]; });
    if (option == options.end()) return ParseError{ParseError::Kind::UnknownOption, args[i]};
    std::string_view value;
    if (option->takesValue) {
      if (i + 1 >= args.size()) return ParseError{ParseError::Kind::MissingValue, args[i]};
      value = args[++i];
    }
    if (!option->apply(value)) return ParseError{ParseError::Kind::BadValue, std::string(option->name)};
    if (option->endsParsing) break;
  }
  return std::nullopt;
}

}  // namespace cli
