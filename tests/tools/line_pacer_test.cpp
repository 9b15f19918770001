#include <gtest/gtest.h>

#include "sim/line_pacer.h"

namespace {

using namespace std::chrono_literals;
using sim::LinePacer;

TEST(LinePacer, DeliversTheLineRateTickByTick) {
  const auto origin = LinePacer::Clock::time_point{} + 1h;
  for (const unsigned baud : {9600u, 115200u, 16u * 115200u}) {
    LinePacer pacer(baud, origin);
    std::size_t total = 0;
    for (auto now = origin; now <= origin + 1s; now += LinePacer::kTick) {
      const std::size_t bytes = pacer.allowance(now);
      pacer.consume(bytes);
      total += bytes;
    }
    const double expected = baud / 10.0 * 0.9999;
    EXPECT_NEAR(static_cast<double>(total), expected, 2.0) << baud;
  }
}

TEST(LinePacer, WaitsForTheNextTickWithCredit) {
  const auto origin = LinePacer::Clock::time_point{} + 1h;
  LinePacer fast(115200, origin);  // 11.5 bytes per tick
  EXPECT_EQ(fast.allowance(origin), 0u);
  EXPECT_EQ(fast.nextTick(origin + 100us), origin + 1ms);
  LinePacer slow(300, origin);  // 30 bytes per second: one byte per 34 ticks
  EXPECT_EQ(slow.nextTick(origin), origin + 34ms);
  EXPECT_EQ(slow.allowance(origin + 34ms), 1u);
}

TEST(LinePacer, IdleTimeEarnsNoBurst) {
  const auto origin = LinePacer::Clock::time_point{} + 1h;
  LinePacer pacer(115200, origin);
  pacer.resume(origin + 10s);
  EXPECT_EQ(pacer.allowance(origin + 10s), 0u);
  // Late wake-ups keep a few ticks of credit, never more.
  EXPECT_LE(pacer.allowance(origin + 20s), 58u);
}

}  // namespace
