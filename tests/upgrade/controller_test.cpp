// Whole upgrades through the YES/NEXT button of the dialog on the headless
// backend, against the simulated instrument, as the screen shows them and as
// the listener hears them: every upgrade that starts ends exactly once. The
// ends that end the process (Exit, a dead port) are written first:
// tests/cases/dialog.py (close-during-probe, hangup-transfer) reads their lines.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "image/image_generator.h"
#include "res/status_texts.h"
#include "serial/serial_port.h"
#include "sim/crc32.h"
#include "sim/instrument.h"
#include "tests/support/dialog_fixture.h"
#include "tests/support/pty_pair.h"
#include "ui_core/message_pump.h"
#include "upgrade/attempts.h"
#include "upgrade/pauses.h"
#include "upgrade/rx_snapshot.h"
#include "upgrade/stop_request.h"
#include "upgrade/upgrade_report.h"
#include "upgrade/upgrade_state.h"

namespace test {
namespace {

using Texts = std::vector<std::string>;
using enum UpgradeOutcome;

// A stop asked for once so many bytes went out, as a signal arriving during
// that chunk would, or when line 1 shows a text; or YES pressed then instead.
struct Stop {
  std::optional<DWORD> atBytes;
  const char* atLine = nullptr;
  bool press = false;
};
const Stop kNoStop{};
Stop Sending(DWORD bytes) { return {bytes, nullptr}; }
Stop Showing(const char* line) { return {std::nullopt, line}; }
Stop PressingYes(DWORD bytes) { return {bytes, nullptr, true}; }

// Line 1 and the bytes sent as the listener hears them; asks for `stop`.
class Listener final : public ForwardingListener {
 public:
  Listener() : ForwardingListener(nullptr) {}
  void Started(int) override { lines.clear(), sent = transferring = 0, taken = 0; }
  void Status(int line, const char* text) override {
    if (line == 1 && (lines.empty() || lines.back() != text)) lines.emplace_back(text);
    if (line == 1 && stop.atLine != nullptr && lines.back() == stop.atLine) RequestStop(2);
    if (line == 1 && lines.back() == kStartText) atStart = shownLine1() + "|" + gLine2Text;
  }
  void Transferring(DWORD bytes) override { transferring = bytes, sending = true; }
  void Sent(DWORD bytes) override {
    sent = bytes, sending = bytes < transferring;
    if (!stop.atBytes || bytes < *stop.atBytes) return;
    if (!stop.press) {
      RequestStop(15);
      return;
    }
    press();
    stop.atBytes.reset();  // once
  }
  void Attempts(UpgradeStep, int made) override { attempts += std::to_string(made) + " "; }
  void Ended(UpgradeOutcome outcome, const char*) override { ++ends, last = outcome, sending = false; }

  Texts lines;
  std::function<void()> press;
  std::function<std::string()> shownLine1;
  std::string atStart;               // line 1 as shown and line 2's text when "Start !" is shown
  std::string attempts;              // the writes each step made, as the record counts them
  DWORD sent = 0, transferring = 0;  // the image's size while it is sent
  bool sending = false;
  int taken = 0;  // messages the dialog took while the image was going out
  Stop stop;
  int ends = 0;
  std::optional<UpgradeOutcome> last;
};

// The instrument of the upgrade running, and what it does wrong.
const sim::Instrument* gInstrument = nullptr;
sim::Faults gFaults;
std::string gFinishing;  // a dot per pause of the finishing bar, an x where line 1 still held a text

// In place of each attempt's 100 ms: until the instrument has taken the
// attempt's write and, where it answers, until the answer has come; the
// finishing bar's five seconds are skipped.
void PauseUntilAnswered(PauseKind kind, DWORD) {
  if (kind == PauseKind::kFinishingProgress) gFinishing += gLine1Text[0] == '\0' ? '.' : 'x';
  if (kind != PauseKind::kAfterAttempt) return;
  const bool probing = std::strcmp(gLine1Text, kStartText) != 0;
  const auto sent = static_cast<unsigned long long>(gAttemptCount) + 1;
  // A write the instrument never takes ends the row at once (interrupted), not 101 attempts later.
  if (!WaitUntil([&] {
        const sim::Summary s = gInstrument->summary();
        return (probing ? s.probeBytes : s.commands + s.repeatedCommands) >= sent;
      }))
    RequestStop(2);
  if (probing ? gFaults.noPrompt || gAttemptCount < gFaults.promptAfter : gFaults.noUpdateReply) return;
  EXPECT_TRUE(WaitUntil([probing] {
    const RxSnapshot rx = TakeRxSnapshot();
    const std::string_view bytes(reinterpret_cast<const char*>(rx.bytes.data()), rx.fill);
    return bytes.find(probing ? "Lodar " : "Update Firmware") != bytes.npos;
  }));
}

enum class Image { kNoResource, kUnloadable, kOneChunk, kTwoChunks, kFull };

class ControllerTest : public DialogFixture {
 protected:
  void SetUp() override {
    gUpgradeState = kUpgradeIdle;
    SetPausesForTesting(PauseUntilAnswered);
    previous_ = SetUpgradeListener(&heard);
    DialogFixture::SetUp();
    heard.press = [this] { screen.PostCommand(IDOK); };
    heard.shownLine1 = [this] { return Line(0); };
    pump_ = ui::SetMessagePump([this] {
      const bool took = pump_();
      heard.taken += took && heard.sending;
      return took;
    });
  }
  void TearDown() override {
    ui::SetMessagePump(pump_);
    CloseCommPort();
    RefuseFirmwareImage("");
    ClearStopRequest();
    SetUpgradeListener(previous_);
    SetPausesForTesting(nullptr);
  }
  ConfigHome home;
  std::string image;
  Listener heard;

 private:
  UpgradeListener* previous_ = nullptr;
  ui::MessagePump pump_;
};

// The bar after a whole upgrade: its top, and every position set from the
// reset on, one per chunk, then the finishing targets 96 to 100 above the
// chunk count, each held at the top.
std::pair<int, std::vector<int>> BarOf(Image image) {
  if (image == Image::kOneChunk) return {0, {0, 0, 0, 0, 0, 0, 0}};
  if (image == Image::kTwoChunks) return {2, {0, 0, 1, 2, 2, 2, 2, 2}};
  std::vector<int> positions{0};
  for (int chunk = 0; chunk <= 2535; ++chunk) positions.push_back(chunk);
  return {2535, positions};
}

constexpr sim::Faults kPlain{}, kPromptAfter3{.promptAfter = 3}, kSilent{.noPrompt = true},
    kNoReply{.noUpdateReply = true}, kStalls{.stallAtByte = 300000};
constexpr char kRefusal[] =
    "the embedded image: SHA-256 1111, but the station expects 2222; nothing was sent";
// Line 1 in the order an upgrade shows it.
const Texts kWholeLines{kTurnOnText, kStartText, kUpgradingText, kCompleteText},
    kFailedLines{kTurnOnText, kStartText, kUpgradingText, kTransferFailedText},
    kProbeTimeOutLines{kTurnOnText, kProbeTimeOutText},
    kCommandTimeOutLines{kTurnOnText, kStartText, kCommandTimeOutText},
    kPortErrorLines{kTurnOnText, kPortFailedText}, kStoppedLines{kTurnOnText, kInterruptedText},
    kStoppedCommandLines{kTurnOnText, kStartText, kInterruptedText},
    kStoppedSendingLines{kTurnOnText, kStartText, kUpgradingText, kInterruptedText}, kNone{};

// One upgrade per row on the same dialog, each after the last one's end: YES
// works again after every way an upgrade can end. The operator presses YES
// in every box (a screen reader can, a mouse cannot): that starts nothing.
TEST_F(ControllerTest, UpgradesEndAsTheirLineAndImageAllow) {
  const struct {
    const char* what;
    Image image;
    sim::Faults faults;  // promptAfter: as many presses of YES wait while the probe goes on
    std::optional<UpgradeOutcome> outcome;  // none: no upgrade starts
    const Texts& lines;
    std::optional<DWORD> sent;  // bytes the instrument took; a whole upgrade: the image's
    Stop stop = kNoStop;
    const char* box = nullptr;
    const char* com1 = nullptr;  // what COM1 names instead of the instrument
    int port = 0;                // the port chosen
  } cases[] = {
      {"no image resource: the dialogue runs, nothing is sent", Image::kNoResource, kPlain, kTransferFailed,
       kFailedLines, 0},
      {"one chunk", Image::kOneChunk, kPlain, kComplete, kWholeLines, std::nullopt},
      {"two chunks on the port chosen, COM3, with YES pressed meanwhile", Image::kTwoChunks, kPromptAfter3,
       kComplete, kWholeLines, std::nullopt, kNoStop, nullptr, "/nonexistent/device", 2},
      {"an image that does not load", Image::kUnloadable, kPlain, kTransferFailed, kFailedLines, 0},
      {"an image the station refused: a box says why, nothing is opened", Image::kOneChunk, kPlain,
       std::nullopt, kNone, 0, kNoStop, kRefusal},
      {"no prompt", Image::kOneChunk, kSilent, kProbeTimeOut, kProbeTimeOutLines, 0},
      {"no reply", Image::kOneChunk, kNoReply, kCommandTimeOut, kCommandTimeOutLines, 0},
      {"a port that is not a serial line", Image::kOneChunk, kPlain, kPortError, kPortErrorLines, 0, kNoStop,
       "Error GetCommState", "/dev/null"},
      {"a stop before the probe: nothing is written", Image::kOneChunk, kPlain, kInterrupted, kStoppedLines,
       0, Showing(kTurnOnText)},
      {"a stop as the command would start: it is not written", Image::kOneChunk, kPlain, kInterrupted,
       kStoppedCommandLines, 0, Showing(kStartText)},
      {"a stop during the tenth chunk: the eleventh never goes", Image::kFull, kPlain, kInterrupted,
       kStoppedSendingLines, 9000, Sending(9000)},
      {"the line stalls: the chunk's write times out, nothing more is sent", Image::kFull, kStalls,
       kTransferFailed, kFailedLines, std::nullopt, kNoStop, "Write timed out.(overlapped)"},
      {"a stop during the last chunk: the image went whole", Image::kTwoChunks, kPlain, kComplete,
       kWholeLines, std::nullopt, Sending(1800)},
      {"YES while the image goes out: the dialog takes it, the upgrade goes on", Image::kTwoChunks, kPlain,
       kComplete, kWholeLines, std::nullopt, PressingYes(900)},
      {"the full image fills the bar", Image::kFull, kPlain, kComplete, kWholeLines, std::nullopt},
  };
  Texts boxes;
  ui::SetMessageBoxHandler([&](const char* text, UINT) {
    boxes.emplace_back(text);
    screen.Press(IDOK);
    return IDOK;
  });
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::uint64_t sizes[] = {0, 0, 850, 1800, image::kDefaultSize};  // the embedded image's size last
    image = c.image >= Image::kOneChunk ? image::generate(sizes[static_cast<int>(c.image)]) : "";
    if (c.image != Image::kNoResource)
      posix::RegisterResource("BIN", 134, c.image == Image::kUnloadable ? nullptr : image.data(),
                              static_cast<DWORD>(image.size()));
    RefuseFirmwareImage(c.box == kRefusal ? kRefusal : "");
    gFaults = c.faults, gFinishing.clear();
    const auto instrument = std::make_unique<sim::Instrument>(sim::Options{.baud = 0, .faults = c.faults});
    gInstrument = instrument.get();
    instrument->linkAs(home.Path(), c.port == 0 ? "COM1" : "COM3");
    instrument->start();
    if (c.com1 != nullptr) home.Link("COM1", c.com1);
    ASSERT_TRUE(screen.Select(IDC_PORT, c.port));
    heard.stop = c.stop;
    for (int i = 0; i < c.faults.promptAfter; ++i) screen.PostCommand(IDOK);
    const std::size_t positionsBefore = Control(IDC_PROGRESS).positions.size();
    heard.ends = 0, heard.attempts.clear(), heard.atStart.clear();
    boxes.clear();
    const std::string lineBefore = Line(0);
    if (c.faults.noPrompt) {  // the prompt of the unit before, left in the buffer, must not count
      std::memcpy(gRxBuffer, "Lodar >", sizeof "Lodar >"), gRxFill = 7, gRxWrapFill = 0, gRxCount += 7;
    }
    screen.Press(IDOK);
    ClearStopRequest();
    const bool whole = c.outcome == kComplete;
    EXPECT_EQ(heard.ends, c.outcome ? 1 : 0);
    EXPECT_TRUE(!c.outcome || (heard.last == c.outcome && heard.lines == c.lines));
    EXPECT_TRUE(heard.atStart.empty() ||
                heard.atStart == std::string(kBlankLine1).replace(0, 7, kStartText) + "|" + kBlankLine2)
        << "line 1 blanked first, line 2 blank, whatever the upgrade before left: " << heard.atStart;
    EXPECT_EQ(boxes, c.box != nullptr ? Texts{c.box} : Texts{});
    EXPECT_TRUE(Line(0).starts_with(c.outcome ? c.lines.back() : lineBefore))  // and the tail of a longer one
        << Line(0);
    EXPECT_TRUE(ghCommPort == nullptr && gStatusDC == nullptr) << "the port closed, the drawing pass ended";
    EXPECT_EQ(gFinishing, whole ? "....." : "")
        << "five seconds of the finishing bar, line 1 empty meanwhile";
    EXPECT_EQ(gUpgradeState, whole ? kUpgradeFinished : kUpgradeIdle);
    EXPECT_EQ(Control(IDOK).text, whole ? "NEXT" : "YES");
    const bool abandoned =
        c.outcome == kPortError || c.outcome == kTransferFailed || c.outcome == kInterrupted;
    EXPECT_TRUE(!abandoned || Line(20).empty()) << "the area was blanked";
    const bool counted = c.sent || whole;
    const DWORD sent = c.sent.value_or(static_cast<DWORD>(image.size()));
    EXPECT_TRUE(!counted ||
                (heard.sent == sent && WaitUntil([&] { return instrument->summary().bytes >= sent; })));
    const sim::Summary heardOf = instrument->summary();
    EXPECT_TRUE(!counted || heardOf.bytes == sent) << heardOf.bytes;
    EXPECT_TRUE(!whole || heard.transferring == image.size()) << heard.transferring;
    EXPECT_TRUE(!c.stop.press || heard.taken == 1) << heard.taken;
    const bool before = !c.outcome || c.stop.atLine == kTurnOnText,
               beforeCommand = c.stop.atLine == kStartText;
    EXPECT_TRUE((!before || (heardOf.probeBytes == 0 && heard.attempts == (c.outcome ? "0 " : ""))) &&
                (!beforeCommand || (heardOf.commands == 0 && heard.attempts == "1 0 ")))
        << "a step writes nothing after a stop, and counts no write: " << heard.attempts;
    if (!whole) continue;
    ASSERT_TRUE(instrument->waitForImage(std::chrono::seconds(30)));
    const sim::Summary received = instrument->summary();
    EXPECT_TRUE(received.valid && received.crc32 == sim::crc32Of(image) && received.images == 1);
    const ui::headless::ControlRecord finished = Control(IDC_PROGRESS);
    EXPECT_EQ(std::make_pair(
                  finished.rangeHigh,
                  std::vector<int>(finished.positions.begin() + static_cast<std::ptrdiff_t>(positionsBefore),
                                   finished.positions.end())),
              BarOf(c.image));
    screen.Paint();  // a repaint shows only the buffers' texts
    EXPECT_EQ(Line(0), kCompleteText);
    EXPECT_EQ(Line(20), kNextUnitText);
    screen.Press(IDOK);  // NEXT
    EXPECT_TRUE(gUpgradeState == kUpgradeIdle && gStatusDC == nullptr);
    EXPECT_EQ(Control(IDOK).text, "YES");
    EXPECT_EQ(Line(0), kTurnOffText);
    EXPECT_EQ(Control(IDC_PROGRESS).positions, finished.positions)
        << "the bar keeps its place until the next start";
  }
}

}  // namespace
}  // namespace test
