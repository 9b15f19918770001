// The probe and the update command attempt by attempt: against the simulated
// instrument and its faults, and against scripted bytes that make the receive
// buffer go back to its start where a row says.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "serial/serial_port.h"
#include "serial_trace.h"
#include "sim/instrument.h"
#include "tests/app/table_rows.h"
#include "tests/support/pty_pair.h"
#include "tests/support/recorded_boxes.h"
#include "ui_core/message_pump.h"
#include "upgrade/attempts.h"
#include "upgrade/boot_loader.h"
#include "upgrade/pauses.h"
#include "upgrade/rx_snapshot.h"

namespace test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using namespace std::string_literals;

// COM1 opened on `device`, then `pauses` in place of the real ones (none: the real ones); closed again
// with the real pauses back.
struct OpenLine {
  OpenLine(const ConfigHome& home, const std::string& device, PauseFunction pauses) {
    home.Link("COM1", device);
    InitializeCriticalSection(&gRxLock);
    ClearRxBuffer();
    opened = OpenCommPort(0, 0, 0, 0, 0) == 1;
    SetPausesForTesting(pauses);
  }
  ~OpenLine() {
    CloseCommPort();
    DeleteCriticalSection(&gRxLock);
    SetPausesForTesting(nullptr);
  }
  bool opened;
};

// Whether the bytes received since the buffer was cleared hold `text`.
bool Received(std::string_view text) {
  const RxSnapshot rx = TakeRxSnapshot();
  return std::string_view(reinterpret_cast<const char*>(rx.bytes.data()), rx.fill).find(text) !=
         std::string_view::npos;
}

constexpr int kAsLost = -1;  // as many failed attempts as probes the instrument lost while it was off

struct DialogueCase {
  const char* what;
  sim::Faults faults;
  int probeAttempts;    // failed attempts before the prompt was recognised; 101: the probe gave up
  int commandAttempts;  // the same for the update reply
  std::string shown{};  // among the bytes the probe received: the instrument's fault was applied
  std::chrono::milliseconds answerAfter{0};  // the answer came no sooner after its step began
  std::chrono::milliseconds replyLatency{0}, powerOnDelay{0};
};

// In place of each attempt's 100 ms: until the instrument has taken the
// attempt's write and, from the attempt the row says it answers in, until the
// answer has arrived. How soon a loaded machine runs the instrument cannot
// move an answer into another attempt, or past the last.
struct Pacing {
  const sim::Instrument* instrument;
  const DialogueCase* row;
  bool probe;
  Clock::time_point began;
  Clock::duration answeredAfter;
  bool stalled;  // a late answer came before its attempt's scan: the machine stalled
} gPacing;

unsigned long long WritesTaken(const sim::Summary& s) {
  return gPacing.probe ? s.probeBytes + s.lostBytes : s.commands + s.repeatedCommands;
}

// Which pause it stands in for and how long that is: the row on the clock.
void PauseUntilAnswered(PauseKind, DWORD milliseconds) {
  const auto sent = static_cast<unsigned long long>(gAttemptCount) + 1;
  EXPECT_TRUE(WaitUntil([sent] { return WritesTaken(gPacing.instrument->summary()) >= sent; }));
  if (gPacing.probe && gPacing.instrument->summary().lostBytes >= sent)
    return Sleep(milliseconds);  // still off
  // The first answer shows the fault, whether or not the step takes it.
  EXPECT_TRUE(!gPacing.probe || gAttemptCount > 0 || WaitUntil([] { return Received(gPacing.row->shown); }));
  const std::string_view answer = gPacing.probe ? "Lodar " : "Update Firmware";
  if (gAttemptCount >= (gPacing.probe ? gPacing.row->probeAttempts : gPacing.row->commandAttempts)) {
    EXPECT_TRUE(WaitUntil([answer] { return Received(answer); }));
    gPacing.answeredAfter = Clock::now() - gPacing.began;
  } else if (gPacing.row->replyLatency > 0ms && Received(answer)) {
    gPacing.stalled = true;
  }
}

// The row without a prompt is the one test on the clock: its pauses are the real ones.
TEST(BootLoader, EachAttemptAgainstTheInstrument) {
  const DialogueCase cases[] = {
      {"the prompt at the first scan, the reply after one command", {}, 0, 0},
      {"the prompt in the last attempt still counts", {.promptAfter = 100}, 100, 0},
      {"no prompt: the probe gives up after 101 real pauses of 100 ms", {.noPrompt = true}, 101, 0},
      {"replies in small letters: the probe gives up", {.lowercase = true}, 101, 0, "lodar >"},
      {"no reply: the command gives up", {.noUpdateReply = true}, 0, 101},
      {"every byte echoed", {.echo = true}, 0, 0, "ULodar >"},
      {"noise and zero bytes around the replies", {.noise = true}, 0, 0, "\0\xfe\x13\0Lodar >\0\x8a\0"s},
      {"replies in two pieces 20 ms apart", {.splitReplies = true}, 0, 0, "", 20ms},
      {"replies 150 ms late: the next attempt's write goes first, which the instrument takes as the same",
       sim::Faults{}, 1, 1, "", 150ms, 150ms},
      {"switched on late: each probe it lost is a failed attempt", {}, kAsLost, 0, "", 0ms, 0ms, 250ms},
  };
  ConfigHome home;
  int pumped = 0;
  ui::SetMessagePump([&] { return ++pumped, true; });
  const std::string trace = MakeTempFolder("orvex-boot-") + "/trace.txt";
  ASSERT_TRUE(StartSerialTrace(trace, [](const std::string&) {}));
  for (const DialogueCase& c : cases) {
    SCOPED_TRACE(c.what);
    sim::Instrument instrument(
        {.baud = 0, .powerOnDelay = c.powerOnDelay, .replyLatency = c.replyLatency, .faults = c.faults});
    instrument.start();
    const RecordedBoxes boxes;
    const OpenLine line(home, instrument.devicePath(), c.faults.noPrompt ? nullptr : PauseUntilAnswered);
    ASSERT_TRUE(line.opened);
    for (const bool probe : {true, false}) {
      gPacing = {&instrument, &c, probe, Clock::now(), {}, false};
      pumped = 0;
      ClearRxBuffer();
      probe ? ProbeBootLoader() : SendUpdateCommand();
      const auto took = Clock::now() - gPacing.began;
      EXPECT_TRUE(!c.faults.noPrompt || (took >= 10100ms && took < 30s));
      const auto written = static_cast<unsigned>(std::min(gAttemptCount + 1, 101));
      EXPECT_TRUE(WaitUntil([&] { return WritesTaken(instrument.summary()) >= written; }));
      const sim::Summary seen = instrument.summary();
      const int expected = probe ? c.probeAttempts : c.commandAttempts;
      const int attempts = expected == kAsLost ? static_cast<int>(seen.lostBytes) : expected;
      EXPECT_TRUE(gAttemptCount == attempts || gPacing.stalled) << probe << ": " << gAttemptCount;
      EXPECT_TRUE(expected != kAsLost || seen.lostBytes > 0) << "the instrument was never off";
      EXPECT_EQ(WritesTaken(seen), written) << probe;
      EXPECT_EQ(pumped, probe ? gAttemptCount : 0) << "one message per failed probe, none for the command";
      EXPECT_EQ(StepTimedOut(), attempts == 101) << probe << ": the step gave up exactly after 101 attempts";
      EXPECT_TRUE(attempts == 101 || gPacing.answeredAfter >= c.answerAfter) << probe;
      EXPECT_TRUE(!probe || Received(c.shown));
      if (attempts == 101) break;
    }
    EXPECT_TRUE(boxes.Texts().empty());
  }
  ui::SetMessagePump({});
  StopSerialTrace();
  // Support reads in the trace why a step gave up: the probe in two rows, the command in one.
  std::ifstream in(trace);
  const std::string said(std::istreambuf_iterator<char>(in), {});
  EXPECT_NE(said.find("probe timed out: no reply after 101 attempts"), std::string::npos)
      << said.substr(0, 400);
  EXPECT_NE(said.find("update command timed out: no reply after 101 attempts"), std::string::npos);
  std::filesystem::remove_all(std::filesystem::path(trace).parent_path());
}

// What the line sends after each attempt's write, burst by burst, each burst
// in pieces of one read (100 bytes) awaited until the reader has delivered
// them: the buffer goes back to its start exactly where the row says.
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

// The line's answers from text: attempt by attempt at " | ", burst by burst at " + ", {N} for N
// filler bytes, escapes as test::Unescaped reads them.
Script ScriptOf(std::string text) {
  for (std::size_t at; (at = text.find(" | ")) != std::string::npos;) text.replace(at, 3, "\n");
  Script script = test::RowsSplitAt(" + ", text);
  for (std::vector<std::string>& bursts : script)
    for (std::string& burst : bursts) {
      for (std::size_t at; (at = burst.find('{')) != std::string::npos;)
        burst.replace(at, burst.find('}', at) + 1 - at, std::string(std::stoul(burst.substr(at + 1)), 'x'));
      burst = test::Unescaped(burst);
    }
  return script;
}

// The buffer holds 1000 bytes; a read that would reach its end goes to its start.
TEST(BootLoader, EachScanTakesTheBytesSinceTheLastInOrderAcrossTheWrap) {
  ConfigHome home;
  PtyPair line;
  gFarSide = &line;
  // what ~ the step ~ what the line sends after each attempt's write ~ the attempts that failed
  for (const auto& row : test::RowsSplitAt(" ~ ", R"(
    the reply cut by the wrap ~ command ~ {942}Update F | irmware{43} ~ 1
    the reply, then bytes that go to the buffer's start, within one pause ~ command ~ {900} | Update Firmware + {124} ~ 1
    bytes overwritten before a scan: the reply does not go on over them ~ command ~ {92}Update F | {100}irmware{693} + {200} | Update Firmware ~ 2
    the same for the prompt ~ probe ~ {99}L | {100}odar >{694} + {200} | Lodar > ~ 2
    the prompt cut by the wrap ~ probe ~ {947}Lod | ar >{46} ~ 1
    old bytes past the new ones do not complete a prompt ~ probe ~ {60}dar >{885} | {58}Lo | \r\nLodar > ~ 2
    a scan takes only the bytes since the last: the byte that broke a match is not tried again ~ probe ~ L | Lodar > | Lodar > ~ 2
    the same for the reply ~ command ~ U# | Update Firmware | Update Firmware ~ 2
  )")) {
    const Script script = ScriptOf(row[2]);
    gScript = &script;
    const OpenLine open(home, line.DevicePath(), PauseAndAnswer);
    ASSERT_TRUE(open.opened) << row[0];
    row[1] == "probe" ? ProbeBootLoader() : SendUpdateCommand();
    EXPECT_EQ(gAttemptCount, std::stoi(row[3])) << row[0];
  }
}

}  // namespace
}  // namespace test
