// The probe and the update command against the simulated instrument.
#include <gtest/gtest.h>

#include <chrono>

#include "serial/serial_port.h"
#include "sim/instrument.h"
#include "tests/support/pty_pair.h"
#include "tests/support/recorded_boxes.h"
#include "ui_core/message_pump.h"
#include "upgrade/attempts.h"
#include "upgrade/boot_loader.h"
#include "upgrade/pauses.h"
#include "upgrade/prompt_scan.h"
#include "upgrade/rx_snapshot.h"

namespace test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The instrument reading as fast as data comes, with the given faults.
sim::Options Unthrottled(sim::Faults faults = {}) {
  sim::Options options;
  options.baud = 0;
  options.faults = faults;
  return options;
}

class BootLoaderTest : public ::testing::Test {
 protected:
  void Start(sim::Options options, bool realPauses) {
    instrument = std::make_unique<sim::Instrument>(std::move(options));
    instrument->linkAs(home.Path(), "COM1");
    instrument->start();
    if (!realPauses) SetPausesForTesting([](PauseKind, DWORD) {});
    InitializeCriticalSection(&gRxLock);
    ClearRxBuffer();
    ASSERT_EQ(OpenCommPort(0, 0, 0, 0, 0), 1);
  }
  void TearDown() override {
    CloseCommPort();
    DeleteCriticalSection(&gRxLock);
    SetPausesForTesting(nullptr);
    ui::SetMessagePump({});
    if (instrument) instrument->stop();
  }
  // The far side has counted everything the step wrote.
  bool SimSaw(unsigned long long probes, unsigned long long commands) {
    return WaitUntil([&] {
      auto s = instrument->summary();
      return s.probeBytes >= probes && s.commands >= commands;
    });
  }
  void ProbeThenCommand() {
    ProbeBootLoader();
    ASSERT_FALSE(StepTimedOut());
    ClearRxBuffer();
    SendUpdateCommand();
  }

  ConfigHome home;
  RecordedBoxes boxes;
  std::unique_ptr<sim::Instrument> instrument;
};

TEST_F(BootLoaderTest, PromptAtTheFirstScanEndsTheProbeAfterOneByte) {
  Start(Unthrottled(), true);
  ProbeBootLoader();
  EXPECT_EQ(gAttemptCount, 0);
  ASSERT_TRUE(SimSaw(1, 0));
  EXPECT_EQ(instrument->summary().probeBytes, 1u);
}

// In place of each attempt's 100 ms: until the instrument has read the attempt's
// probe byte and, from the byte it answers, until its prompt has arrived. How
// soon a loaded machine runs the instrument then cannot move the answer into
// the next attempt, or past the last.
const sim::Instrument* gAnswering = nullptr;
unsigned long long gAnsweredFrom = 0;

void PauseUntilAnswered(PauseKind, DWORD) {
  const auto sent = static_cast<unsigned long long>(gAttemptCount) + 1;
  EXPECT_TRUE(WaitUntil([sent] { return gAnswering->summary().probeBytes >= sent; }));
  if (sent >= gAnsweredFrom) {
    EXPECT_TRUE(WaitUntil([] { return TakeRxSnapshot().fill >= sizeof kPromptPattern - 1; }));
  }
}

TEST_F(BootLoaderTest, PromptInTheLastAttemptStillCounts) {
  sim::Faults faults;
  faults.promptAfter = 100;
  Start(Unthrottled(faults), false);
  gAnswering = instrument.get();
  gAnsweredFrom = faults.promptAfter + 1;
  SetPausesForTesting(PauseUntilAnswered);
  ProbeBootLoader();
  EXPECT_EQ(gAttemptCount, 100);
  EXPECT_FALSE(StepTimedOut());
  EXPECT_EQ(instrument->summary().probeBytes, 101u);
}

TEST_F(BootLoaderTest, SilentInstrumentTimesTheProbeOutAfterAboutTenSeconds) {
  sim::Faults faults;
  faults.noPrompt = true;
  Start(Unthrottled(faults), true);
  auto start = Clock::now();
  ProbeBootLoader();
  auto took = Clock::now() - start;
  EXPECT_EQ(gAttemptCount, 101);
  EXPECT_TRUE(StepTimedOut());
  EXPECT_GE(took, 10100ms);
  EXPECT_LT(took, 30s);
  ASSERT_TRUE(SimSaw(101, 0));
  EXPECT_EQ(instrument->summary().probeBytes, 101u);
}

TEST_F(BootLoaderTest, ProbeDispatchesOneMessagePerFailedAttempt) {
  sim::Faults faults;
  faults.noPrompt = true;
  Start(Unthrottled(faults), false);
  int pumped = 0;
  ui::SetMessagePump([&] { return ++pumped, true; });
  ProbeBootLoader();
  EXPECT_EQ(gAttemptCount, 101);
  EXPECT_EQ(pumped, 101);
  ASSERT_TRUE(SimSaw(101, 0));
}

TEST_F(BootLoaderTest, UpdateReplyIsRecognisedAfterOneCommand) {
  Start(Unthrottled(), true);
  int pumped = 0;
  ui::SetMessagePump([&] { return ++pumped, true; });
  ProbeThenCommand();
  EXPECT_EQ(gAttemptCount, 0);
  ASSERT_TRUE(SimSaw(1, 1));
  EXPECT_EQ(instrument->summary().commands, 1u);
  EXPECT_EQ(pumped, 0);  // neither step pumped: both succeeded at once
}

// Replies as a line may hand them over: in two writes 20 ms apart (a UART's
// driver delivers them as two reads within one 100 ms pause), or with zero
// bytes and noise around them. Both steps still end at their first attempts.
TEST_F(BootLoaderTest, ReplyInTwoPiecesIsRecognised) {
  Start(Unthrottled({.splitReplies = true}), true);
  ProbeThenCommand();
  EXPECT_FALSE(StepTimedOut());
  EXPECT_LE(gAttemptCount, 2);
}

TEST_F(BootLoaderTest, ReplyInNoiseIsRecognised) {
  Start(Unthrottled({.noise = true}), true);
  ProbeThenCommand();
  EXPECT_FALSE(StepTimedOut());
  EXPECT_LE(gAttemptCount, 2);
}

TEST_F(BootLoaderTest, CommandTimeOutWritesItAHundredAndOneTimesWithoutDispatching) {
  sim::Faults faults;
  faults.noUpdateReply = true;
  Start(Unthrottled(faults), false);
  ProbeBootLoader();
  ClearRxBuffer();
  int pumped = 0;
  ui::SetMessagePump([&] { return ++pumped, true; });
  SendUpdateCommand();
  EXPECT_EQ(gAttemptCount, 101);
  EXPECT_EQ(pumped, 0);
  ASSERT_TRUE(SimSaw(1, 101));
}

TEST_F(BootLoaderTest, MissingReplyTimesTheCommandOutInRealTime) {
  sim::Faults faults;
  faults.noUpdateReply = true;
  Start(Unthrottled(faults), true);
  ProbeBootLoader();
  ClearRxBuffer();
  auto start = Clock::now();
  SendUpdateCommand();
  auto took = Clock::now() - start;
  EXPECT_EQ(gAttemptCount, 101);
  EXPECT_GE(took, 10100ms);
  EXPECT_LT(took, 30s);
  ASSERT_TRUE(SimSaw(1, 101));
  EXPECT_TRUE(boxes.Texts().empty());
}

}  // namespace
}  // namespace test
