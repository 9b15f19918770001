#include "followed_run.h"

namespace cli {

int RunFollowed(UpgradeListener& listener, const std::function<int()>& run) {
  UpgradeListener* previous = SetUpgradeListener(&listener);
  try {
    const int code = run();
    SetUpgradeListener(previous);
    return code;
  } catch (...) {
    ReportEnded(UpgradeOutcome::kInternalError, nullptr);
    SetUpgradeListener(previous);
    throw;
  }
}

}  // namespace cli
