#include <gtest/gtest.h>

#include "sim/sim_cli.h"

namespace {

std::optional<sim::CliSettings> parse(const std::vector<std::string>& args) {
  std::string error;
  auto settings = sim::parseCli(args, error);
  EXPECT_EQ(settings.has_value(), error.empty()) << error;
  return settings;
}

TEST(InstrumentSimCli, ParsesEveryOption) {
  const auto s = parse({"--config-home",
                        "/tmp/x",
                        "--link",
                        "COM3",
                        "--baud",
                        "0",
                        "--power-on-delay",
                        "250",
                        "--repeat",
                        "--no-prompt",
                        "--no-update-reply",
                        "--prompt-after",
                        "2",
                        "--split-replies",
                        "--noise",
                        "--lowercase",
                        "--stall-at",
                        "100",
                        "--hangup-at",
                        "200",
                        "--echo"});
  ASSERT_TRUE(s);
  EXPECT_EQ(s->configHome, "/tmp/x");
  EXPECT_EQ(s->link, "COM3");
  EXPECT_EQ(s->options.baud, 0u);
  EXPECT_EQ(s->options.powerOnDelay, std::chrono::milliseconds(250));
  EXPECT_TRUE(s->options.repeat);
  const sim::Faults& f = s->options.faults;
  EXPECT_TRUE(f.noPrompt && f.noUpdateReply && f.splitReplies && f.noise && f.lowercase && f.echo);
  EXPECT_EQ(f.promptAfter, 2);
  EXPECT_EQ(f.stallAtByte, 100);
  EXPECT_EQ(f.hangupAtByte, 200);
}

TEST(InstrumentSimCli, RejectsBadArguments) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{{"--bogus"},
                                                                                    {"--baud"},
                                                                                    {"--baud", "fast"},
                                                                                    {"--stall-at", "-"},
                                                                                    {"--prompt-after", "-1"},
                                                                                    {"--link", ""}}) {
    std::string error;
    EXPECT_FALSE(sim::parseCli(args, error)) << args[0];
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
