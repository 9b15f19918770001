#pragma once
// Takes the image stream after the update reply: checks its records and keeps
// the counts, times and CRC-32 of every byte, and compares it with the expected
// image when there is one.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sim/crc32.h"
#include "sim/summary.h"
#include "srec/stream_parser.h"

namespace sim {

class ImageReceiver {
 public:
  explicit ImageReceiver(const std::optional<std::string>* expected = nullptr) : expected_(expected) {}
  // Feeds bytes that arrived `seconds` after start; bytes after the S7 record's
  // line are taken too, and spoil the image.
  void feed(std::string_view bytes, double seconds);
  // The line went quiet.
  void finish();
  bool sawEnd() const { return parser_.sawEnd(); }
  std::uint64_t bytes() const { return bytes_; }
  double lastByteSeconds() const { return last_; }
  void reset() { *this = ImageReceiver{expected_}; }
  // Fills the image fields of a summary; baud 0 leaves the line efficiency at 0.
  void report(Summary& summary, unsigned baud) const;

 private:
  void compare(std::string_view bytes);

  const std::optional<std::string>* expected_;
  srec::StreamParser parser_;
  Crc32 crc_;
  std::uint64_t bytes_ = 0;
  std::optional<std::uint64_t> firstDifference_;
  double first_ = 0, last_ = 0;
};

}  // namespace sim
