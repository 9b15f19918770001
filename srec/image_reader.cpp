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
  // The whole text is in memory, so its counts fit in size_t (also on 32-bit Windows).
  result.lines = static_cast<std::size_t>(parser.lines());
  result.dataBytes = static_cast<std::size_t>(parser.dataBytes());
  result.entry = parser.entry();
  result.badLine = static_cast<std::size_t>(parser.firstProblem().line);
  result.error = std::string(parser.firstProblem().what);
  return result;
}

}  // namespace srec
