// What the upgrade tells its listener: one end for each upgrade that started,
// whichever thread ends it, none from a fault met inside a report or before
// any upgrade; and the image batch mode gives sent in place of the program's,
// the program's own empty where it does not load.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "upgrade/firmware_image.h"
#include "upgrade/upgrade_report.h"

namespace {

using enum UpgradeOutcome;

class Ends final : public ForwardingListener {
 public:
  Ends() : ForwardingListener(nullptr) {}
  // A listener that fails: its fault handler reports from inside the report.
  void Sent(DWORD) override { endedInside = ReportFault(kInternalError); }
  void Ended(UpgradeOutcome outcome, const char* text) override {
    heard.push_back(std::to_string(static_cast<int>(outcome)) + " " + text);
  }
  std::vector<std::string> heard;
  bool endedInside = true;
};

TEST(UpgradeReport, EachUpgradeEndsOnceWhicheverThreadEndsIt) {
  Ends ends;
  SetUpgradeListener(&ends);
  EXPECT_FALSE(ReportFault(kInternalError)) << "no upgrade has started";
  ReportStarted(0);
  ReportStatus(1, "Upgrading");
  ReportSent(900);
  EXPECT_FALSE(ends.endedInside) << "the report in progress would wait for itself";
  bool ended = false;
  std::thread reader([&] { ended = ReportFault(kInternalError); });
  reader.join();
  EXPECT_TRUE(ended) << "a fault on another thread ends the running upgrade";
  EXPECT_FALSE(ReportEnded(kComplete, nullptr));
  EXPECT_EQ(ends.heard,
            std::vector<std::string>{std::to_string(static_cast<int>(kInternalError)) + " Upgrading"});
  SetUpgradeListener(nullptr);
}

TEST(UpgradeReport, AGivenImageIsSentUntilTheProgramsOwnIsRestored) {
  static const BYTE kGiven[] = {'S', '0'};
  SetFirmwareImage(kGiven, sizeof kGiven);
  EXPECT_EQ(FindFirmwareImage().bytes, kGiven);
  EXPECT_EQ(FindFirmwareImage().size, sizeof kGiven);
  SetFirmwareImage(nullptr, 0);
  EXPECT_NE(FindFirmwareImage().bytes, kGiven);
  posix::RegisterResource("BIN", kFirmwareResourceId, nullptr, 5);  // found, but it does not load
  EXPECT_EQ(FindFirmwareImage().size, 0U) << "an image that is not there is empty, whatever its size says";
}

}  // namespace
