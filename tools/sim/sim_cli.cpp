#include "sim/sim_cli.h"

#include <cstdlib>
#include <functional>
#include <map>

#include "cli/number_arg.h"

namespace sim {
namespace {

using Flag = std::function<void(CliSettings&)>;
using Valued = std::function<bool(CliSettings&, const std::string&)>;

template <typename T>
Valued number(T Faults::*field) {
  return [field](CliSettings& s, const std::string& v) {
    const auto n = cli::parseNumber<T>(v);
    if (n) s.options.faults.*field = *n;
    return n.has_value();
  };
}

const std::map<std::string, Flag>& flags() {
  static const std::map<std::string, Flag> table{
      {"--help", [](CliSettings& s) { s.help = true; }},
      {"--repeat", [](CliSettings& s) { s.options.repeat = true; }},
      {"--no-prompt", [](CliSettings& s) { s.options.faults.noPrompt = true; }},
      {"--no-update-reply", [](CliSettings& s) { s.options.faults.noUpdateReply = true; }},
      {"--split-replies", [](CliSettings& s) { s.options.faults.splitReplies = true; }},
      {"--noise", [](CliSettings& s) { s.options.faults.noise = true; }},
      {"--lowercase", [](CliSettings& s) { s.options.faults.lowercase = true; }},
      {"--echo", [](CliSettings& s) { s.options.faults.echo = true; }},
  };
  return table;
}

const std::map<std::string, Valued>& valued() {
  static const std::map<std::string, Valued> table{
      {"--config-home", [](CliSettings& s, const std::string& v) { return s.configHome = v, !v.empty(); }},
      {"--link", [](CliSettings& s, const std::string& v) { return s.link = v, !v.empty(); }},
      {"--baud",
       [](CliSettings& s, const std::string& v) {
         const auto n = cli::parseNumber<unsigned>(v);
         if (n) s.options.baud = *n;
         return n.has_value();
       }},
      {"--power-on-delay",
       [](CliSettings& s, const std::string& v) {
         const auto n = cli::parseNumber<unsigned>(v);
         if (n) s.options.powerOnDelay = std::chrono::milliseconds(*n);
         return n.has_value();
       }},
      {"--prompt-after", number(&Faults::promptAfter)},
      {"--stall-at", number(&Faults::stallAtByte)},
      {"--hangup-at", number(&Faults::hangupAtByte)},
  };
  return table;
}

}  // namespace

std::optional<CliSettings> parseCli(const std::vector<std::string>& args, std::string& error) {
  CliSettings settings;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (const auto flag = flags().find(args[i]); flag != flags().end()) {
      flag->second(settings);
    } else if (const auto option = valued().find(args[i]); option == valued().end()) {
      error = "unknown option '" + args[i] + "'";
      return std::nullopt;
    } else if (i + 1 < args.size() && option->second(settings, args[i + 1])) {
      ++i;
    } else {
      error = "option " + args[i] + " needs a valid value";
      return std::nullopt;
    }
  }
  if (settings.options.faults.promptAfter < 0) {
    error = "--prompt-after needs a number of at least 0";
    return std::nullopt;
  }
  return settings;
}

std::string defaultConfigHome() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') return xdg;
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : ".") + "/.config";
}

}  // namespace sim
