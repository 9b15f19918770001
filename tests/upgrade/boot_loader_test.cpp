// The probe and the update command against the simulated instrument.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

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

// What a line sends after each attempt's write, burst by burst. Each burst goes
// out in pieces of one read (100 bytes), each awaited until the reader has
// delivered it, so the buffer goes back to its start exactly where the row
// says, whatever the machine's load.
using Script = std::vector<std::vector<std::string>>;
const PtyPair* gFarSide = nullptr;
const Script* gScript = nullptr;

void PauseAndAnswer(PauseKind, DWORD) {
  const auto attempt = static_cast<std::size_t>(gAttemptCount);
  if (attempt >= gScript->size()) return;
  for (const std::string& burst : (*gScript)[attempt]) {
    for (std::size_t at = 0; at < burst.size(); at += kReadChunk) {
      const std::string piece = burst.substr(at, kReadChunk);
      const std::uint32_t expected = TakeRxSnapshot().count + static_cast<std::uint32_t>(piece.size());
      gFarSide->Write(piece);
      EXPECT_TRUE(WaitUntil([&] { return TakeRxSnapshot().count >= expected; }));
    }
  }
}

std::string Filler(std::size_t count, char c = 'x') { return std::string(count, c); }

// The buffer holds 1000 bytes; a read that would reach its end goes to its start.
TEST(BootLoaderWrap, EachScanTakesTheBytesSinceTheLastInOrderAcrossTheWrap) {
  struct Case {
    const char* what;
    bool probe;  // else the update command
    Script script;
    std::int32_t attempts;  // failed attempts before the text was recognised; 101: never
  } cases[] = {
      {"the reply just before the wrap, more bytes after it in the same pause",
       false,
       {{Filler(900)}, {"Update Firmware\r\n", Filler(124)}},
       1},
      {"the reply cut by the wrap", false, {{Filler(942) + "Update F"}, {"irmware" + Filler(43)}}, 1},
      {"one foreign byte after a matched letter, at the buffer's start",
       false,
       {{Filler(948) + "Up"}, {"#date Firmware" + Filler(36)}},
       1},
      {"bytes before the wrap break a match that the bytes after it would go on",
       false,
       {{Filler(892) + "Update F"}, {Filler(99), "irmware" + Filler(93)}, {"Update Firmware"}},
       2},
      {"bytes overwritten before a scan: the match does not go on over them",
       false,
       {{Filler(92) + "Update F"}, {Filler(100) + "irmware" + Filler(693), Filler(200)}, {"Update Firmware"}},
       2},
      {"the prompt cut by the wrap", true, {{Filler(947) + "Lod"}, {"ar >" + Filler(46)}}, 1},
      {"old bytes past the new ones do not complete a prompt",
       true,
       {{Filler(60) + "dar >" + Filler(885)}, {Filler(58) + "Lo"}, {"\r\nLodar >"}},
       2},
  };
  ConfigHome home;
  PtyPair line;
  home.Link("COM1", line.DevicePath());
  gFarSide = &line;
  SetPausesForTesting(PauseAndAnswer);
  InitializeCriticalSection(&gRxLock);
  for (const Case& c : cases) {
    gScript = &c.script;
    ClearRxBuffer();
    ASSERT_EQ(OpenCommPort(0, 0, 0, 0, 0), 1) << c.what;
    c.probe ? ProbeBootLoader() : SendUpdateCommand();
    EXPECT_EQ(gAttemptCount, c.attempts) << c.what;
    CloseCommPort();
  }
  DeleteCriticalSection(&gRxLock);
  SetPausesForTesting(nullptr);
}

}  // namespace
}  // namespace test
