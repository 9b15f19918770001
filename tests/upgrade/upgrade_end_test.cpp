// How an upgrade ends, as the listener hears it: exactly once, with the
// outcome the controller chose, also when the process ends under it.
#include <cstdio>
#include <functional>
#include <optional>
#include <utility>

#include "controller_fixture.h"
#include "upgrade/stop_request.h"
#include "upgrade/upgrade_report.h"

namespace test {
namespace {

// Keeps the ends it hears; asks for a stop once `stopAtBytes` went out, as a
// signal arriving during that chunk would.
class EndListener final : public ForwardingListener {
 public:
  EndListener() : ForwardingListener(nullptr) {}
  void Started(int) override { sent = 0; }
  void Sent(DWORD bytes) override {
    sent = bytes;
    if (stopAtBytes && bytes >= *stopAtBytes) RequestStop(15);
    if (onFirstChunk) std::exchange(onFirstChunk, nullptr)();
  }
  void Ended(UpgradeOutcome outcome, const char*) override {
    ++ends;
    last = outcome;
    // Seen by the death tests, whose process ends right after.
    std::fprintf(stderr, "ended %s after %lu bytes\n", OutcomeCode(outcome),
                 static_cast<unsigned long>(sent));
  }

  std::optional<DWORD> stopAtBytes;
  std::function<void()> onFirstChunk;  // run once, when the first chunk went out
  DWORD sent = 0;
  int ends = 0;
  std::optional<UpgradeOutcome> last;
};

class UpgradeEndTest : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    ClearStopRequest();
    previous_ = SetUpgradeListener(&listener);
  }
  void TearDown() override {
    SetUpgradeListener(previous_);
    ClearStopRequest();
    ControllerTest::TearDown();
  }

  EndListener listener;

 private:
  UpgradeListener* previous_ = nullptr;
};

TEST_F(UpgradeEndTest, StopRequestsEndTheUpgradeAtTheNextSafePoint) {
  struct Case {
    const char* label;
    std::optional<DWORD> stopAtBytes;  // none: asked for before YES
    UpgradeOutcome outcome;
    DWORD sent;
    const char* line1;
  } cases[] = {
      {"before the first probe byte", std::nullopt, UpgradeOutcome::kInterrupted, 0, "Upgrade interrupted!"},
      {"during the tenth chunk: the eleventh never goes", 9000, UpgradeOutcome::kInterrupted, 9000,
       "Upgrade interrupted!"},
      {"during the last chunk: the image went whole", 45000, UpgradeOutcome::kComplete, 45000,
       "Upgrade complete!"},
  };
  UseImage(ORVEX_IMAGE_FIFTY_CHUNKS);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    StartInstrument();
    ClearStopRequest();
    listener.ends = 0;
    listener.stopAtBytes = c.stopAtBytes;
    if (!c.stopAtBytes) RequestStop(2);
    PressYes();
    EXPECT_EQ(listener.ends, 1);
    EXPECT_EQ(listener.last, c.outcome);
    EXPECT_EQ(listener.sent, c.sent);
    EXPECT_THAT(Line(0), ::testing::StartsWith(c.line1));  // "complete" leaves the tail of "Upgrading!"
    EXPECT_EQ(ghCommPort, nullptr);
    if (c.outcome == UpgradeOutcome::kInterrupted) {
      EXPECT_EQ(gUpgradeState, kUpgradeIdle);
      EXPECT_EQ(instrument->summary().probeBytes == 0, c.sent == 0);
    }
    if (gUpgradeState == kUpgradeFinished) screen.Press(IDOK);  // NEXT
    instrument->stop();
  }
}

TEST_F(UpgradeEndTest, TimeOutsEndOnce) {
  UseImage(ORVEX_IMAGE_ONE_CHUNK);
  sim::Faults faults;
  faults.noUpdateReply = true;
  StartInstrument(faults);
  PressYes();
  EXPECT_EQ(listener.ends, 1);
  EXPECT_EQ(listener.last, UpgradeOutcome::kCommandTimeOut);
}

// The process ends under the upgrade, normally after the operator's Exit
// during the transfer; its one line is written first.
TEST_F(UpgradeEndTest, EndsThatEndTheProcessAreReportedFirst) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  UseImage(ORVEX_IMAGE_FULL);
  StartInstrument({}, 115200);  // the transfer takes minutes: the press lands in it
  EXPECT_EXIT(
      {
        // Posted once image bytes went out: a probe slowed by a busy machine
        // dispatches messages too, and would take the press there.
        listener.onFirstChunk = [this] { screen.PostCommand(IDCANCEL); };
        PressYes();
      },
      ::testing::ExitedWithCode(0), "ended abandoned after [1-9][0-9]* bytes\n$");
}

TEST_F(UpgradeEndTest, ADeadPortIsReportedBeforeTheProcessEnds) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  UseImage(ORVEX_IMAGE_FULL);
  sim::Faults faults;
  faults.hangupAtByte = 50000;
  StartInstrument(faults);
  EXPECT_EXIT(
      {
        ui::SetMessageBoxHandler({});
        PressYes();
      },
      ::testing::ExitedWithCode(1), "orvex-programmer: .*ended port-failed after [0-9]+ bytes\n$");
}

}  // namespace
}  // namespace test
