#include <gtest/gtest.h>

#include <span>

#include "cli/option_parser.h"
#include "sim/sim_cli.h"

namespace {

TEST(InstrumentSimCli, RejectsBadArguments) {
  struct Case {
    std::vector<std::string> args;
    std::string error;
  };
  const Case cases[] = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"--repeat", "COM3"}, "unknown option 'COM3'"},
      {{"--baud"}, "option --baud needs a valid value"},
      {{"--baud", "fast"}, "option --baud needs a valid value"},
      {{"--baud", "-1"}, "option --baud needs a valid value"},
      {{"--baud", "9600x"}, "option --baud needs a valid value"},
      {{"--power-on-delay", ""}, "option --power-on-delay needs a valid value"},
      {{"--stall-at", "-"}, "option --stall-at needs a valid value"},
      {{"--hangup-at", "99999999999999999999"}, "option --hangup-at needs a valid value"},
      {{"--prompt-after", "-1"}, "--prompt-after needs a number of at least 0"},
      {{"--link", ""}, "option --link needs a valid value"},
      {{"--device", ""}, "option --device needs a valid value"},
      {{"--link", "COM1", "--config-home"}, "option --config-home needs a valid value"},
      {{"--reply-latency", "1.5"}, "option --reply-latency needs a valid value"},
      {{"--expect", "/nonexistent/image.srec"}, "cannot read the expected image /nonexistent/image.srec"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(sim::parseCli(c.args, error)) << c.args[0];
    EXPECT_EQ(error, c.error) << c.args[0];
  }
}

TEST(InstrumentSimCli, ValueIsTakenEvenWhenItLooksLikeAnOption) {
  std::string error;
  const auto settings = sim::parseCli({"--link", "--baud", "--stall-at", "0"}, error);
  ASSERT_TRUE(settings) << error;
  EXPECT_EQ(settings->link, "--baud");
  EXPECT_EQ(settings->options.baud, 115200u);
  EXPECT_EQ(settings->options.faults.stallAtByte, 0);
}

TEST(OptionParser, StopsAtTheFirstFaultOrAtAnOptionThatEndsParsing) {
  std::vector<std::string> applied;
  const auto record = [&applied](std::string_view value) {
    applied.emplace_back(value);
    return value != "bad";
  };
  const cli::Option options[] = {
      {"--help", false, record, true}, {"--flag", false, record}, {"--value", true, record}};
  using Kind = cli::ParseError::Kind;
  struct Case {
    std::vector<std::string> args;
    std::optional<Kind> kind;
    std::string argument;
    std::vector<std::string> applied;
  };
  const Case cases[] = {
      {{"--flag", "--value", "v"}, std::nullopt, "", {"", "v"}},
      {{"--help", "--bogus"}, std::nullopt, "", {""}},
      {{"--flag", "--bogus", "--flag"}, Kind::UnknownOption, "--bogus", {""}},
      {{"--value"}, Kind::MissingValue, "--value", {}},
      {{"--value", "bad", "--flag"}, Kind::BadValue, "--value", {"bad"}},
  };
  for (const Case& c : cases) {
    applied.clear();
    const auto error = cli::parseOptions(c.args, std::span(options));
    ASSERT_EQ(error.has_value(), c.kind.has_value()) << c.args[0];
    if (error) {
      EXPECT_EQ(error->kind, *c.kind) << c.args[0];
      EXPECT_EQ(error->argument, c.argument) << c.args[0];
    }
    EXPECT_EQ(applied, c.applied) << c.args[0];
  }
}

}  // namespace
