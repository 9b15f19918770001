#include "sim/image_receiver.h"

#include <algorithm>

namespace sim {

void ImageReceiver::feed(std::string_view bytes, double seconds) {
  if (bytes.empty()) return;
  parser_.feed(bytes);
  if (bytes_ == 0) first_ = seconds;
  last_ = seconds;
  compare(bytes);
  bytes_ += bytes.size();
  crc_.update(bytes);
}

void ImageReceiver::compare(std::string_view bytes) {
  if (expected_ == nullptr || !expected_->has_value() || firstDifference_) return;
  const std::string_view expected = **expected_;
  const std::string_view due = bytes_ < expected.size() ? expected.substr(bytes_, bytes.size()) : "";
  const auto [got, want] = std::mismatch(bytes.begin(), bytes.end(), due.begin(), due.end());
  if (got != bytes.end()) firstDifference_ = bytes_ + static_cast<std::uint64_t>(got - bytes.begin());
}

void ImageReceiver::finish() { parser_.finish(); }

void ImageReceiver::report(Summary& summary, unsigned baud) const {
  summary.bytes = bytes_;
  summary.records = parser_.records();
  summary.badRecords = parser_.badRecords();
  summary.garbageLines = parser_.garbageLines();
  summary.lineEndErrors = parser_.lineEndErrors();
  summary.outOfOrderRecords = parser_.outOfOrder();
  summary.trailingBytes = parser_.trailingBytes();
  summary.problemLine = parser_.firstProblem().line;
  summary.problem = parser_.firstProblem().what;
  summary.sawEnd = parser_.sawEnd();
  summary.valid = parser_.valid();
  summary.crc32 = crc_.value();
  summary.firstByteSeconds = first_;
  summary.lastByteSeconds = last_;
  const double span = last_ - first_;
  summary.bytesPerSecond = span > 0 ? static_cast<double>(bytes_) / span : 0;
  summary.lineEfficiency = span > 0 && baud > 0 ? static_cast<double>(bytes_) * 10.0 / baud / span : 0;
  if (expected_ != nullptr && expected_->has_value()) {
    const std::uint64_t size = (*expected_)->size();
    summary.expectChecked = true;
    summary.firstDifference = firstDifference_.value_or(std::min(bytes_, size));
    summary.matchesExpected = !firstDifference_ && bytes_ == size;
  }
}

}  // namespace sim
