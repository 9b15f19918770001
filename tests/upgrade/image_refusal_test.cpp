// A station that pinned another image: YES shows why in a box and neither
// opens the port nor sends anything; lifted, the same YES upgrades.
#include "controller_fixture.h"
#include "ui_core/message_box.h"
#include "upgrade/upgrade_report.h"

namespace test {
namespace {

using ::testing::ElementsAre;

constexpr char kRefusal[] =
    "the embedded image: SHA-256 1111111111111111111111111111111111111111111111111111111111111111, but the "
    "station expects 2222222222222222222222222222222222222222222222222222222222222222; nothing was sent";

class ImageRefusalTest : public ControllerTest {
 protected:
  void TearDown() override {
    RefuseFirmwareImage("");
    ControllerTest::TearDown();
  }
};

TEST_F(ImageRefusalTest, YesShowsTheRefusalAndSendsNothing) {
  UseImage(ORVEX_IMAGE_ONE_CHUNK);
  StartInstrument();
  RefuseFirmwareImage(kRefusal);
  PressYes();
  PressYes();
  EXPECT_THAT(screen.MessageBoxes(), ElementsAre(kRefusal, kRefusal));
  EXPECT_EQ(gUpgradeState, kUpgradeIdle);
  EXPECT_EQ(ghCommPort, nullptr);
  EXPECT_STREQ(gLine1Text, "Please turn off DSO and press 'YES' key!");  // no status line changed
  EXPECT_EQ(instrument->summary().probeBytes, 0u);

  RefuseFirmwareImage("");
  PressYes();
  ASSERT_TRUE(instrument->waitForImage(std::chrono::seconds(30)));
  EXPECT_EQ(gUpgradeState, kUpgradeFinished);
  EXPECT_EQ(screen.MessageBoxes().size(), 2u);
}

// A screen reader can press YES while the box is up, which a mouse cannot: the
// press shows no second box over the first.
TEST_F(ImageRefusalTest, YesWhileTheBoxIsUpShowsNoSecondBox) {
  StartInstrument();
  RefuseFirmwareImage(kRefusal);
  int boxes = 0;
  const ui::MessageBoxHandler shown = ui::SetMessageBoxHandler([&](const char*, UINT) {
    if (++boxes == 1) PressYes();
    return IDOK;
  });
  PressYes();
  ui::SetMessageBoxHandler(shown);
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(gUpgradeState, kUpgradeIdle);
  EXPECT_EQ(instrument->summary().probeBytes, 0u);
}

}  // namespace
}  // namespace test
