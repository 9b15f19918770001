#include "sim/sim_cli.h"

#include <chrono>
#include <fstream>
#include <iterator>

#include "cli/number_arg.h"
#include "cli/option_parser.h"
#include "posix/config_home.h"

namespace sim {
namespace {

template <typename T, typename Apply>
std::function<bool(std::string_view)> number(Apply apply) {
  return [apply](std::string_view value) {
    const auto n = cli::parseNumber<T>(value);
    if (n) apply(*n);
    return n.has_value();
  };
}

std::function<bool(std::string_view)> flag(bool& field) {
  return [&field](std::string_view) { return field = true; };
}

std::function<bool(std::string_view)> text(std::string& field) {
  return [&field](std::string_view value) { return field = value, !value.empty(); };
}

}  // namespace

std::optional<CliSettings> parseCli(const std::vector<std::string>& args, std::string& error) {
  CliSettings s;
  Faults& f = s.options.faults;
  const cli::Option options[] = {
      {"--help", false, flag(s.help)},
      {"--repeat", false, flag(s.options.repeat)},
      {"--no-prompt", false, flag(f.noPrompt)},
      {"--no-update-reply", false, flag(f.noUpdateReply)},
      {"--split-replies", false, flag(f.splitReplies)},
      {"--noise", false, flag(f.noise)},
      {"--lowercase", false, flag(f.lowercase)},
      {"--echo", false, flag(f.echo)},
      {"--config-home", true, text(s.configHome)},
      {"--link", true, text(s.link)},
      {"--device", true, text(s.options.device)},
      {"--baud", true, number<unsigned>([&](unsigned n) { s.options.baud = n; })},
      {"--power-on-delay", true,
       number<unsigned>([&](unsigned n) { s.options.powerOnDelay = std::chrono::milliseconds(n); })},
      {"--prompt-after", true, number<int>([&](int n) { f.promptAfter = n; })},
      {"--reply-latency", true,
       number<unsigned>([&](unsigned n) { s.options.replyLatency = std::chrono::milliseconds(n); })},
      {"--expect", true, text(s.expectPath)},
      {"--stall-at", true, number<long long>([&](long long n) { f.stallAtByte = n; })},
      {"--hangup-at", true, number<long long>([&](long long n) { f.hangupAtByte = n; })},
  };
  if (const auto failure = cli::parseOptions(args, options)) {
    error = failure->kind == cli::ParseError::Kind::UnknownOption
                ? "unknown option '" + failure->argument + "'"
                : "option " + failure->argument + " needs a valid value";
    return std::nullopt;
  }
  if (f.promptAfter < 0) {
    error = "--prompt-after needs a number of at least 0";
    return std::nullopt;
  }
  if (!s.expectPath.empty()) {
    std::ifstream in(s.expectPath, std::ios::binary);
    s.options.expectedImage.emplace(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in) {
      error = "cannot read the expected image " + s.expectPath;
      return std::nullopt;
    }
  }
  return s;
}

std::string configHome(const CliSettings& settings) {
  return settings.configHome.empty() ? posix::ConfigHome() : settings.configHome;
}

}  // namespace sim
