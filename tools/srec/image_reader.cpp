#include "srec/image_reader.h"

namespace srec {
namespace {

void fail(ReadResult& result, std::size_t line, std::string_view why) {
  result.badLine = line;
  result.error = std::string(why);
}

// Takes the next line (without its LF) off the front of text.
std::string_view nextLine(std::string_view& text) {
  const std::size_t end = text.find('\n');
  const std::string_view line = text.substr(0, end);
  text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  return line;
}

}  // namespace

ReadResult readImage(std::string_view text) {
  ReadResult result;
  bool sawEnd = false;
  while (!text.empty()) {
    const std::string_view line = nextLine(text);
    const std::size_t number = ++result.lines;
    if (sawEnd) {
      fail(result, number, "record after the end record");
      return result;
    }
    ParsedRecord parsed = parse(line);
    if (parsed.error != LineError::None) {
      fail(result, number, describe(parsed.error));
      return result;
    }
    sawEnd = isEndType(parsed.record.type);
    if (sawEnd) result.entry = parsed.record.address;
    if (isDataType(parsed.record.type)) {
      result.dataBytes += parsed.record.data.size();
      result.records.push_back(std::move(parsed.record));
    }
  }
  if (!sawEnd) fail(result, result.lines + 1, "missing S7 end record");
  return result;
}

}  // namespace srec
