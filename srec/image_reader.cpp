#include "srec/image_reader.h"

#include "srec/stream_parser.h"

namespace srec {

ReadResult readImage(std::string_view text) {
  ReadResult result;
  StreamParser parser;
  // Line by line, so that each decoded record can be kept.
  while (!text.empty() && parser.firstProblem().line == 0) {
    const std::size_t end = text.find('\n');
    const std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
    parser.feed(text.substr(0, length));
    text.remove_prefix(length);
    if (const Record* record = parser.lastRecord(); record != nullptr && isDataType(record->type))
      result.records.push_back(*record);
  }
  parser.finish();
  result.lines = parser.lines();
  result.dataBytes = parser.dataBytes();
  result.entry = parser.entry();
  result.badLine = parser.firstProblem().line;
  result.error = std::string(parser.firstProblem().what);
  return result;
}

}  // namespace srec
