#include "srec/stream_parser.h"

#include "srec/record.h"

namespace srec {
namespace {

// "S" + type + 255 count bytes in hex + CR.
constexpr std::size_t kMaxLine = 2 + 2 * 256 + 1;

}  // namespace

std::size_t StreamParser::feed(std::string_view piece) {
  if (sawEnd_) return 0;
  for (std::size_t i = 0; i < piece.size(); ++i) {
    if (piece[i] != '\n') {
      if (line_.size() < kMaxLine)
        line_.push_back(piece[i]);
      else
        overlong_ = true;
      continue;
    }
    endLine();
    if (sawEnd_) return i + 1;
  }
  return piece.size();
}

void StreamParser::finish() {
  if (!line_.empty() && line_ != "\r") ++(line_[0] == 'S' ? badRecords_ : garbage_);
  line_.clear();
  overlong_ = false;
}

void StreamParser::endLine() {
  if (line_.empty() || line_ == "\r") {
    line_.clear();
    return;
  }
  if (line_[0] != 'S') {
    ++garbage_;
  } else {
    const ParsedRecord parsed = parse(line_);
    if (overlong_ || parsed.error != LineError::None) {
      ++badRecords_;
    } else {
      ++records_;
      if (isDataType(parsed.record.type)) dataBytes_ += parsed.record.data.size();
      sawEnd_ = isEndType(parsed.record.type);
    }
  }
  line_.clear();
  overlong_ = false;
}

}  // namespace srec
