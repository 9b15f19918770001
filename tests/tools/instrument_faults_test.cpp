#include <gtest/gtest.h>

#include <thread>

#include "image/image_generator.h"
#include "sim/instrument.h"
#include "sim_line.h"

namespace {

using namespace std::chrono_literals;
using tools_test::SimLine;
using tools_test::unthrottled;

std::size_t count(const std::string& text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Without a prompt the instrument is still booting: the update command is noise.
TEST(InstrumentFaults, NoPromptLeavesProbesAndTheCommandUnanswered) {
  SimLine line(unthrottled({.noPrompt = true}));
  ASSERT_TRUE(line.client.write("UUUupdate\r"));
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (line.instrument.summary().noiseBytes < 7 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(1ms);
  const sim::Summary summary = line.instrument.summary();
  EXPECT_EQ(summary.probeBytes, 3u);
  EXPECT_EQ(summary.noiseBytes, 7u);
  EXPECT_EQ(summary.commands, 0u);
  EXPECT_EQ(line.client.readUntil("Update", 100ms), "") << "nothing was answered";
}

TEST(InstrumentFaults, PromptOnlyFromTheProbeAfterN) {
  SimLine line(unthrottled({.promptAfter = 2}));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(line.client.write("U"));
  ASSERT_TRUE(line.client.write("update\r"));
  EXPECT_EQ(line.client.readUntil("Update Firmware\r\n"), "Lodar >Update Firmware\r\n");
}

TEST(InstrumentFaults, NoUpdateReplyAnswersProbesOnly) {
  SimLine line(unthrottled({.noUpdateReply = true}));
  ASSERT_TRUE(line.client.write("Uupdate\rU"));
  const std::string got = line.client.readUntil("Lodar >Lodar >");
  EXPECT_EQ(got, "Lodar >Lodar >");
  EXPECT_EQ(line.instrument.summary().commands, 1u);
}

TEST(InstrumentFaults, LowercaseReplies) {
  SimLine line(unthrottled({.lowercase = true}));
  ASSERT_TRUE(line.client.write("Uupdate\r"));
  EXPECT_EQ(line.client.readUntil("update firmware\r\n"), "lodar >update firmware\r\n");
}

TEST(InstrumentFaults, NoiseAroundReplies) {
  SimLine line(unthrottled({.noise = true}));
  ASSERT_TRUE(line.client.write("U"));
  const std::string got = line.client.readUntil("Lodar >");
  ASSERT_NE(got.find("Lodar >"), std::string::npos);
  EXPECT_GT(count(got, std::string(1, '\0')), 0u);
  EXPECT_EQ(line.client.readUntil(std::string(1, '\0')).front(), '\0') << "noise after the prompt";
}

TEST(InstrumentFaults, SplitRepliesArriveWithAPause) {
  SimLine line(unthrottled({.splitReplies = true}));
  const auto sent = std::chrono::steady_clock::now();
  ASSERT_TRUE(line.client.write("U"));
  EXPECT_EQ(line.client.readUntil("Lodar >"), "Lodar >");
  EXPECT_GE(std::chrono::steady_clock::now() - sent, 19ms) << "the second half waits ~20 ms";
}

TEST(InstrumentFaults, EchoSendsBackWhatArrives) {
  SimLine line(unthrottled({.echo = true}));
  ASSERT_TRUE(line.client.write("U"));
  EXPECT_EQ(line.client.readUntil("Lodar >"), "ULodar >");
}

TEST(InstrumentFaults, StallStopsReadingAtImageByte) {
  SimLine line(unthrottled({.stallAtByte = 1'000}));
  ASSERT_TRUE(line.client.write("Uupdate\r"));
  line.client.readUntil("Update Firmware\r\n");
  const std::string image = image::generate(400'000);
  const std::size_t sent = line.client.stream(image, 900, 500ms);
  EXPECT_LT(sent, image.size()) << "the programmer's writes must stop";
  EXPECT_EQ(line.instrument.summary().bytes, 1'000u);
  EXPECT_FALSE(line.instrument.waitForImage(0ms));
}

TEST(InstrumentFaults, HangupAtImageByte) {
  SimLine line(unthrottled({.hangupAtByte = 5'000}));
  ASSERT_TRUE(line.client.write("Uupdate\r"));
  line.client.readUntil("Update Firmware\r\n");
  const std::string image = image::generate(100'000);
  EXPECT_LT(line.client.stream(image, 900), image.size());
  EXPECT_TRUE(line.client.waitForHangup());
  ASSERT_TRUE(line.instrument.waitForImage(10s));
  const sim::Summary summary = line.instrument.summary();
  EXPECT_TRUE(summary.hungUp);
  EXPECT_EQ(summary.bytes, 5'000u);
  EXPECT_FALSE(summary.valid);
}

}  // namespace
