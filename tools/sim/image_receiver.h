#pragma once
// Takes the image stream after the update reply: checks its records and keeps
// the counts, times and CRC-32 of every image byte.
#include <cstdint>
#include <string_view>

#include "sim/crc32.h"
#include "sim/summary.h"
#include "srec/stream_parser.h"

namespace sim {

class ImageReceiver {
 public:
  // Feeds bytes that arrived `seconds` after start; returns how many belong to the
  // image (it ends at the line end of the S7 record).
  std::size_t feed(std::string_view bytes, double seconds);
  // The line went quiet before S7.
  void finish();
  bool ended() const { return ended_; }
  std::uint64_t bytes() const { return bytes_; }
  double lastByteSeconds() const { return last_; }
  void reset() { *this = ImageReceiver{}; }
  // Fills the image fields of a summary; baud 0 leaves the line efficiency at 0.
  void report(Summary& summary, unsigned baud) const;

 private:
  srec::StreamParser parser_;
  Crc32 crc_;
  std::uint64_t bytes_ = 0;
  double first_ = 0, last_ = 0;
  bool ended_ = false;
};

}  // namespace sim
