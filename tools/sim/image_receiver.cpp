#include "sim/image_receiver.h"

namespace sim {

std::size_t ImageReceiver::feed(std::string_view bytes, double seconds) {
  if (ended_ || bytes.empty()) return 0;
  const std::size_t used = parser_.feed(bytes);
  if (bytes_ == 0) first_ = seconds;
  last_ = seconds;
  bytes_ += used;
  crc_.update(bytes.substr(0, used));
  ended_ = parser_.sawEnd();
  return used;
}

void ImageReceiver::finish() {
  parser_.finish();
  ended_ = true;
}

void ImageReceiver::report(Summary& summary, unsigned baud) const {
  summary.bytes = bytes_;
  summary.records = parser_.records();
  summary.badRecords = parser_.badRecords();
  summary.garbageLines = parser_.garbageLines();
  summary.sawEnd = parser_.sawEnd();
  summary.valid = summary.sawEnd && summary.badRecords == 0 && summary.garbageLines == 0;
  summary.crc32 = crc_.value();
  summary.firstByteSeconds = first_;
  summary.lastByteSeconds = last_;
  const double span = last_ - first_;
  summary.bytesPerSecond = span > 0 ? static_cast<double>(bytes_) / span : 0;
  summary.lineEfficiency = span > 0 && baud > 0 ? static_cast<double>(bytes_) * 10.0 / baud / span : 0;
}

}  // namespace sim
