// Whole upgrades through the YES/NEXT button, against the simulated instrument.
#include "controller_fixture.h"

namespace test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::StartsWith;

// What the bar shows: the reset, one position per chunk, then the finishing
// targets 96 to 100 above the chunk count, each clamped to the top of the range.
struct ImageCase {
  const char* path;
  int rangeHigh;
  std::vector<int> positions;
};

class ImageSizes : public ControllerTest, public ::testing::WithParamInterface<ImageCase> {};

TEST_P(ImageSizes, UpgradeSendsTheImageAndFinishes) {
  const ImageCase& c = GetParam();
  UseImage(c.path);
  StartInstrument();
  PressYes();
  ASSERT_TRUE(instrument->waitForImage(std::chrono::seconds(30)));
  sim::Summary received = instrument->summary();
  EXPECT_TRUE(received.valid);
  EXPECT_EQ(received.bytes, image.size());
  EXPECT_EQ(received.crc32, sim::crc32Of(image));
  EXPECT_EQ(gUpgradeState, kUpgradeFinished);
  EXPECT_EQ(Caption(), "NEXT");
  EXPECT_THAT(Line(0), StartsWith("Upgrade complete!"));
  EXPECT_EQ(Progress().rangeHigh, c.rangeHigh);
  EXPECT_THAT(Progress().positions, ElementsAreArray(c.positions));
  EXPECT_EQ(ghCommPort, nullptr);
  EXPECT_TRUE(screen.MessageBoxes().empty());

  screen.Paint();  // a repaint shows only the buffers' texts
  EXPECT_EQ(Line(0), "Upgrade complete!");
  EXPECT_EQ(Line(20), "Press 'Next' to upgrade the next DSO.");

  const ui::headless::ControlRecord finished = Progress();
  PressYes();  // NEXT
  EXPECT_EQ(gUpgradeState, kUpgradeIdle);
  EXPECT_EQ(Caption(), "YES");
  EXPECT_EQ(Line(0), "Please turn off DSO and press 'YES' key!");
  // The bar keeps its last position until the next start.
  EXPECT_EQ(Progress().position, finished.position);
  EXPECT_EQ(Progress().positions, finished.positions);
}

INSTANTIATE_TEST_SUITE_P(
    Images, ImageSizes,
    ::testing::Values(ImageCase{ORVEX_IMAGE_ONE_CHUNK, 0, {0, 0, 0, 0, 0, 0, 0}},
                      ImageCase{ORVEX_IMAGE_TWO_CHUNKS, 2, {0, 0, 1, 2, 2, 2, 2, 2}},
                      ImageCase{ORVEX_IMAGE_FIFTY_CHUNKS,
                                50,
                                {0,  0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17,
                                 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36,
                                 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 50, 50, 50, 50}}));

// The first line's texts in the order they were drawn, blanks and repeats left out.
std::vector<std::string> FirstLineTexts(const ui::TextSurface& surface) {
  std::vector<std::string> texts;
  for (const ui::TextRun& run : surface.Runs()) {
    const std::string text = run.text.c_str();  // a run may carry the buffer's padding
    if (run.y != 0 || text.find_first_not_of(' ') == std::string::npos) continue;
    if (texts.empty() || texts.back() != text) texts.push_back(text);
  }
  return texts;
}

TEST_F(ControllerTest, StatusTextsOfAWholeUpgradeComeInOrder) {
  UseImage(ORVEX_IMAGE_TWO_CHUNKS);
  StartInstrument();
  PressYes();
  ASSERT_EQ(gUpgradeState, kUpgradeFinished);
  EXPECT_THAT(FirstLineTexts(Control(IDC_STATUS).surface),
              ElementsAre("Please turn on DSO now.", "Start !", "Upgrading!   (It takes about 180 sec.) ",
                          "Upgrade complete!"));
}

TEST_F(ControllerTest, ChosenPortIsTheOneOpened) {
  UseImage(ORVEX_IMAGE_ONE_CHUNK);
  home.Link("COM1", "/nonexistent/device");
  StartInstrument({}, 0, "COM3");
  screen.Select(IDC_PORT, 2);
  PressYes();
  EXPECT_TRUE(screen.MessageBoxes().empty());
  EXPECT_GT(instrument->summary().probeBytes, 0u);
  ASSERT_TRUE(instrument->waitForImage(std::chrono::seconds(30)));
  EXPECT_TRUE(instrument->summary().valid);
  EXPECT_EQ(gUpgradeState, kUpgradeFinished);
}

// A program without an image: the dialogue runs, nothing is sent, and the
// upgrade is reported as failed rather than complete.
class NoImage : public ControllerTest {
 protected:
  void ExpectRefusedWithNothingSent() {
    StartInstrument();
    PressYes();
    EXPECT_EQ(instrument->summary().commands, 1u);
    EXPECT_EQ(instrument->summary().bytes, 0u);
    EXPECT_EQ(Line(0), "Upgrade failed!  Check RS232 & Re-press 'YES' key!");
    EXPECT_EQ(gUpgradeState, kUpgradeIdle);
    EXPECT_EQ(Caption(), "YES");
    EXPECT_EQ(ghCommPort, nullptr);
  }
};

TEST_F(NoImage, MissingResource) {
  if (FindResourceA(nullptr, MAKEINTRESOURCEA(134), "BIN") != nullptr)
    GTEST_SKIP() << "an earlier test in this process registered an image";
  ExpectRefusedWithNothingSent();
}

TEST_F(NoImage, EmptyResource) {
  static const char kNothing[1] = {};
  posix::RegisterResource("BIN", 134, kNothing, 0);
  ExpectRefusedWithNothingSent();
}

TEST_F(NoImage, ResourceThatDoesNotLoad) {
  posix::RegisterResource("BIN", 134, nullptr, 0);
  ExpectRefusedWithNothingSent();
}

TEST_F(ControllerTest, FullSizeImageEndsWithTheBarFull) {
  UseImage(ORVEX_IMAGE_FULL);
  StartInstrument();
  PressYes();
  ASSERT_TRUE(instrument->waitForImage(std::chrono::seconds(60)));
  EXPECT_TRUE(instrument->summary().valid);
  EXPECT_EQ(instrument->summary().crc32, sim::crc32Of(image));
  EXPECT_EQ(Progress().rangeHigh, 2535);
  EXPECT_EQ(Progress().positions.size(), 2537u);  // the reset, then one per chunk; finishing adds none
  EXPECT_EQ(Progress().position, 2535);
  EXPECT_EQ(gUpgradeState, kUpgradeFinished);
}

TEST_F(ControllerTest, SilentInstrumentTimesTheProbeOut) {
  UseImage(ORVEX_IMAGE_ONE_CHUNK);
  sim::Faults faults;
  faults.noPrompt = true;
  StartInstrument(faults);
  PressYes();
  EXPECT_EQ(Line(0), "Time Out!  Check RS232 & Re-press 'YES' key!");
  EXPECT_EQ(gUpgradeState, kUpgradeIdle);
  EXPECT_EQ(Caption(), "YES");
  EXPECT_EQ(ghCommPort, nullptr);
}

TEST_F(ControllerTest, UnansweredCommandTimesOutAfterStart) {
  UseImage(ORVEX_IMAGE_ONE_CHUNK);
  sim::Faults faults;
  faults.noUpdateReply = true;
  StartInstrument(faults);
  PressYes();
  EXPECT_THAT(Line(0), StartsWith("Time1 Out!,Run again "));
  EXPECT_EQ(gUpgradeState, kUpgradeIdle);
  EXPECT_EQ(ghCommPort, nullptr);
  PressYes();  // tries again from the start, on a fresh port
  EXPECT_THAT(Line(0), StartsWith("Time1 Out!,Run again "));
  // The last command gets no reply: the instrument may count it after the step ends.
  EXPECT_TRUE(test::WaitUntil([&] { return instrument->summary().commands >= 202u; }));
  EXPECT_EQ(instrument->summary().commands, 202u);
}

TEST_F(ControllerTest, PortThatCannotOpenLeavesTheOperatorToChooseAgain) {
  UseImage(ORVEX_IMAGE_ONE_CHUNK);
  home.Link("COM1", "/nonexistent/device");
  PressYes();
  EXPECT_THAT(screen.MessageBoxes(), ElementsAre("Error Create File "));
  EXPECT_EQ(Line(0), "Port Error!  Check COM port & Re-press 'YES' key!");
  EXPECT_EQ(gUpgradeState, kUpgradeIdle);
  StartInstrument();  // links COM1 to the instrument
  PressYes();
  ASSERT_TRUE(instrument->waitForImage(std::chrono::seconds(30)));
  EXPECT_EQ(gUpgradeState, kUpgradeFinished);
}

TEST_F(ControllerTest, PressDuringTheOpensMessageBoxStartsNothing) {
  UseImage(ORVEX_IMAGE_ONE_CHUNK);
  home.Link("COM1", "/nonexistent/device");
  int boxes = 0;
  ui::SetMessageBoxHandler([&](const char*, UINT) {
    ++boxes;
    dlg.OnOK();  // the operator presses YES while the box is up
    return IDOK;
  });
  PressYes();
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(gUpgradeState, kUpgradeIdle);
}

TEST_F(ControllerTest, PressesDuringTheUpgradeDoNothing) {
  UseImage(ORVEX_IMAGE_FIFTY_CHUNKS);
  sim::Faults faults;
  faults.promptAfter = 3;  // the probe pumps a few messages first
  StartInstrument(faults);
  for (int i = 0; i < 3; ++i) screen.PostCommand(IDOK);
  PressYes();
  ASSERT_TRUE(instrument->waitForImage(std::chrono::seconds(30)));
  EXPECT_EQ(instrument->summary().images, 1u);
  EXPECT_EQ(gUpgradeState, kUpgradeFinished);
  EXPECT_EQ(Caption(), "NEXT");
}

TEST_F(ControllerTest, StalledLineAbandonsTheUpgrade) {
  UseImage(ORVEX_IMAGE_FULL);
  sim::Faults faults;
  faults.stallAtByte = 100000;
  StartInstrument(faults);
  PressYes();
  EXPECT_THAT(screen.MessageBoxes(), ElementsAre("Write timed out.(overlapped)"));
  EXPECT_EQ(Line(0), "Upgrade failed!  Check RS232 & Re-press 'YES' key!");
  EXPECT_EQ(Line(20), "");
  EXPECT_EQ(gUpgradeState, kUpgradeIdle);
  EXPECT_EQ(Caption(), "YES");
  EXPECT_EQ(ghCommPort, nullptr);
}

TEST_F(ControllerTest, ExitDuringTheProbeEndsTheProgramNormally) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  UseImage(ORVEX_IMAGE_ONE_CHUNK);
  sim::Faults faults;
  faults.noPrompt = true;
  StartInstrument(faults);
  EXPECT_EXIT(
      {
        screen.PostCommand(IDCANCEL);
        PressYes();
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace test
