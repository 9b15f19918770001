// A fault of the program under a running upgrade still ends that upgrade, so
// its record line is written with the outcome internal-error.
#include "app/cli/followed_run.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

class Ends final : public ForwardingListener {
 public:
  Ends() : ForwardingListener(nullptr) {}
  void Ended(UpgradeOutcome outcome, const char* text) override { ends.push_back({outcome, text}); }
  struct End {
    UpgradeOutcome outcome;
    std::string text;
  };
  std::vector<End> ends;
};

void RunFollowedWithFault(Ends& followed) {
  cli::RunFollowed(followed, []() -> int {
    ReportStarted(2);
    ReportStatus(1, "Start !");
    throw std::runtime_error("fault");
  });
}

TEST(RunFollowed, AFaultEndsTheRunningUpgradeAsAnInternalErrorAndPassesOn) {
  Ends outer;
  Ends followed;
  SetUpgradeListener(&outer);
  EXPECT_THROW(RunFollowedWithFault(followed), std::runtime_error);
  ASSERT_EQ(followed.ends.size(), 1u);
  EXPECT_EQ(followed.ends[0].outcome, UpgradeOutcome::kInternalError);
  EXPECT_EQ(followed.ends[0].text, "Start !") << "line 1 as it read when the fault came";
  EXPECT_TRUE(outer.ends.empty());
  EXPECT_EQ(SetUpgradeListener(nullptr), &outer) << "the previous listener is back";
  EXPECT_FALSE(ReportFault(UpgradeOutcome::kInternalError)) << "that upgrade has ended already";
}

TEST(RunFollowed, WithoutAFaultTheCodeComesBackAndNoUpgradeIsEnded) {
  Ends followed;
  EXPECT_EQ(cli::RunFollowed(followed, [] { return 6; }), 6);
  EXPECT_TRUE(followed.ends.empty());
  EXPECT_EQ(SetUpgradeListener(nullptr), nullptr);
}

// A fault on another thread (the terminate handler's case): the upgrade is
// open, and nobody is reporting.
TEST(ReportFault, EndsAnOpenUpgradeOnce) {
  Ends followed;
  SetUpgradeListener(&followed);
  ReportStarted(0);
  EXPECT_TRUE(ReportFault(UpgradeOutcome::kInternalError));
  EXPECT_FALSE(ReportFault(UpgradeOutcome::kInternalError));
  SetUpgradeListener(nullptr);
  ASSERT_EQ(followed.ends.size(), 1u);
  EXPECT_EQ(followed.ends[0].outcome, UpgradeOutcome::kInternalError);
}

}  // namespace
