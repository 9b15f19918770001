#pragma once
// Runs a piece of the program with a listener following its upgrades.
#include <functional>

#include "upgrade/upgrade_report.h"

namespace cli {

// Runs `run` with `listener` set, and the previous one back afterwards. A
// fault that escapes `run` first ends the running upgrade as an internal
// error, so its record line is written before the program ends.
int RunFollowed(UpgradeListener& listener, const std::function<int()>& run);

}  // namespace cli
