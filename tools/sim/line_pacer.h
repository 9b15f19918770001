#pragma once
// Reads the line no faster than the baud rate allows: a token bucket on an absolute
// 1 ms tick. 8N1 carries baud/10 bytes per second; the rate is scaled by 0.9999 so
// the simulator is never the faster end of the line.
#include <chrono>
#include <cstddef>

#include "posix/clock.h"

namespace sim {

class LinePacer {
 public:
  using Clock = posix::Clock;
  static constexpr std::chrono::milliseconds kTick{1};

  LinePacer(unsigned baud, Clock::time_point origin);

  bool unthrottled() const { return rate_ <= 0; }
  double bytesPerSecond() const { return rate_; }
  // Whole bytes that may be read at `now`; a large number when unthrottled.
  std::size_t allowance(Clock::time_point now);
  void consume(std::size_t bytes);
  // The first tick at which at least one byte may be read.
  Clock::time_point nextTick(Clock::time_point now) const;
  // Data arrived after the line was idle: idle time earns no credit.
  void resume(Clock::time_point now);

 private:
  void refill(Clock::time_point now);

  double rate_;
  double capacity_;
  double tokens_ = 0;
  Clock::time_point origin_, last_;
};

}  // namespace sim
