#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/boot_dialogue.h"

namespace {

using sim::Faults;

struct Outcome {
  std::string replies;
  std::size_t consumed;
  bool update;
};

Outcome run(const Faults& faults, std::string_view input) {
  sim::BootDialogue dialogue(faults);
  std::vector<std::string> replies;
  Outcome outcome{"", dialogue.consume(input, replies), dialogue.updateAccepted()};
  for (const std::string& reply : replies) outcome.replies += reply + "|";
  return outcome;
}

Faults promptAfter(int n) {
  Faults faults;
  faults.promptAfter = n;
  return faults;
}

TEST(BootDialogue, AnswersProbesAndCommands) {
  Faults plain, noPrompt, noUpdate, lower, noisy;
  noPrompt.noPrompt = true;
  noUpdate.noUpdateReply = true;
  lower.lowercase = true;
  noisy.noise = true;
  const struct {
    const char* what;
    Faults faults;
    std::string input, replies;
    bool update;
  } cases[] = {
      {"probe", plain, "U", "Lodar >|", false},
      {"each probe", plain, "UUU", "Lodar >|Lodar >|Lodar >|", false},
      {"update after probes", plain, "UUupdate\r", "Lodar >|Lodar >|Update Firmware\r\n|", true},
      {"leading LF ignored", plain, "U\nupdate\r", "Lodar >|Update Firmware\r\n|", true},
      {"other command", plain, "Uhelp\r", "Lodar >|Lodar >|", false},
      {"empty command", plain, "U\r", "Lodar >|Lodar >|", false},
      {"case matters", plain, "UupdatE\r", "Lodar >|Lodar >|", false},
      {"update before the prompt is noise", plain, "update\rhelp\rUupdate\r", "Lodar >|Update Firmware\r\n|",
       true},
      {"U at line start is a probe", plain, "UPDATE\r", "Lodar >|Lodar >|", false},
      {"U inside a line is text", plain, "UupUdate\r", "Lodar >|Lodar >|", false},
      {"no prompt, so no update", noPrompt, "UUhelp\rupdate\r", "", false},
      {"no update reply", noUpdate, "Uupdate\rU", "Lodar >|Lodar >|", false},
      {"prompt after 2", promptAfter(2), "UUUU", "Lodar >|Lodar >|", false},
      {"update only after the late prompt", promptAfter(2), "UUupdate\rUupdate\r",
       "Lodar >|Update Firmware\r\n|", true},
      {"lowercase", lower, "Uupdate\r", "lodar >|update firmware\r\n|", true},
      {"noise", noisy, "U", std::string("\x00\xfe\x13\x00Lodar >\x00\x8a\x00|", 15), false},
  };
  for (const auto& c : cases) {
    const Outcome outcome = run(c.faults, c.input);
    EXPECT_EQ(outcome.replies, c.replies) << c.what;
    EXPECT_EQ(outcome.update, c.update) << c.what;
  }
}

TEST(BootDialogue, StopsConsumingWhereTheImageBegins) {
  sim::BootDialogue dialogue({});
  std::vector<std::string> replies;
  const std::string input = "Uupdate\rS3...";
  EXPECT_EQ(dialogue.consume(input, replies), input.find('S'));
  EXPECT_EQ(dialogue.consume("S3", replies), 0u);
  EXPECT_EQ(dialogue.probeBytes(), 1u);
  EXPECT_EQ(dialogue.commands(), 1u);
}

TEST(BootDialogue, CountsWhatComesBeforeThePromptAsNoise) {
  sim::BootDialogue dialogue(promptAfter(1));
  std::vector<std::string> replies;
  dialogue.consume("update\rUupdate\rU", replies);
  EXPECT_EQ(dialogue.noiseBytes(), 14u);
  EXPECT_EQ(dialogue.commands(), 0u);
  EXPECT_EQ(dialogue.probeBytes(), 2u);
  EXPECT_EQ(replies.size(), 1u);
}

TEST(BootDialogue, ResetStartsANewSession) {
  sim::BootDialogue dialogue(promptAfter(1));
  std::vector<std::string> replies;
  dialogue.consume("UUupdate\r", replies);
  ASSERT_TRUE(dialogue.updateAccepted());
  dialogue.reset();
  replies.clear();
  dialogue.consume("U", replies);
  EXPECT_FALSE(dialogue.updateAccepted());
  EXPECT_TRUE(replies.empty()) << "the probe count starts again";
}

}  // namespace
