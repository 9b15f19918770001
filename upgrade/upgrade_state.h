#pragma once
#include <cstdint>

// What a press of the YES/NEXT button does: 0 idle (start an upgrade),
// 2 an upgrade is running (nothing), 9999 finished (reset for the next unit).
extern std::int32_t gUpgradeState;

inline constexpr std::int32_t kUpgradeIdle = 0;
inline constexpr std::int32_t kUpgradeRunning = 2;
inline constexpr std::int32_t kUpgradeFinished = 9999;
