#include "sim/line_pacer.h"

#include <algorithm>
#include <cmath>

namespace sim {
namespace {

// Credit kept for late wake-ups, so a busy machine does not lower the rate.
constexpr double kBurstSeconds = 0.005;
constexpr std::size_t kUnthrottled = std::size_t{1} << 20;

}  // namespace

LinePacer::LinePacer(unsigned baud, Clock::time_point origin)
    : rate_(baud / 10.0 * 0.9999),
      capacity_(std::max(rate_ * kBurstSeconds, 1.0)),
      origin_(origin),
      last_(origin) {}

void LinePacer::refill(Clock::time_point now) {
  if (now <= last_) return;
  tokens_ = std::min(capacity_, tokens_ + rate_ * std::chrono::duration<double>(now - last_).count());
  last_ = now;
}

std::size_t LinePacer::allowance(Clock::time_point now) {
  if (unthrottled()) return kUnthrottled;
  refill(now);
  return static_cast<std::size_t>(tokens_);
}

void LinePacer::consume(std::size_t bytes) {
  if (!unthrottled()) tokens_ = std::max(0.0, tokens_ - static_cast<double>(bytes));
}

LinePacer::Clock::time_point LinePacer::nextTick(Clock::time_point now) const {
  const double missing = std::max(0.0, 1.0 - tokens_);
  const auto ready = std::max(now, last_) + std::chrono::duration_cast<Clock::duration>(
                                                std::chrono::duration<double>(missing / rate_));
  const auto ticks = std::ceil(std::chrono::duration<double>(ready - origin_) / kTick);
  return origin_ + std::chrono::duration_cast<Clock::duration>(kTick * ticks);
}

void LinePacer::resume(Clock::time_point now) {
  if (now > last_) last_ = now;
}

}  // namespace sim
