#pragma once
// The boot-loader steps report only through this counter: 0 to 100 means the
// step succeeded after that many failed attempts, 101 that it gave up.
#include <cstdint>

extern std::int32_t gAttemptCount;

inline constexpr std::int32_t kLastAttempt = 100;

// Counts one failed attempt; true when that was the last one allowed.
inline bool CountFailedAttempt() {
  std::int32_t before = gAttemptCount;
  gAttemptCount = before + 1;
  return before == kLastAttempt;
}

inline bool StepTimedOut() { return gAttemptCount > kLastAttempt; }
