#include "srec/stream_parser.h"

namespace srec {
namespace {

// "S" + type + 255 count bytes in hex + CR.
constexpr std::size_t kMaxLine = 2 + 2 * 256 + 1;

}  // namespace

void StreamParser::feed(std::string_view piece) {
  lastDecoded_ = false;
  if (finished_) return;
  while (!piece.empty() && !sawEnd_) {
    const std::size_t lineFeed = piece.find('\n');
    const std::string_view part = piece.substr(0, lineFeed);
    if (line_.size() + part.size() <= kMaxLine) {
      line_.append(part);
    } else {
      line_.append(part.substr(0, kMaxLine - line_.size()));
      overlong_ = true;
    }
    if (lineFeed == std::string_view::npos) return;
    piece.remove_prefix(lineFeed + 1);
    endLine(true);
  }
  if (piece.empty()) return;
  if (trailing_ == 0 && first_.line == 0) first_ = {lines_ + 1, "bytes after the end record"};
  trailing_ += piece.size();
}

void StreamParser::finish() {
  if (finished_) return;
  if (!line_.empty()) endLine(false);
  if (!sawEnd_ && first_.line == 0) first_ = {lines_ + 1, "missing S7 end record"};
  finished_ = true;
}

void StreamParser::flag(std::uint64_t& counter, std::string_view what) {
  ++counter;
  if (first_.line == 0) first_ = {lines_, what};
}

void StreamParser::endLine(bool hasLineFeed) {
  ++lines_;
  judge(line_, hasLineFeed);
  line_.clear();
  overlong_ = false;
}

void StreamParser::judge(std::string_view line, bool hasLineFeed) {
  if (line.empty() || line[0] != 'S')
    return flag(garbage_, line.empty() || line == "\r" ? "blank line" : "not an S-record");
  if (overlong_) return flag(badRecords_, describe(LineError::TooLong));
  const bool endsInCr = line.back() == '\r';
  if (endsInCr) line.remove_suffix(1);
  const bool crlf = hasLineFeed && endsInCr;
  // A CR left over is inside the record, not part of its line end.
  if (line.back() == '\r') return flag(badRecords_, "CR inside the record");
  const LineError error = parseInto(line, record_);
  if (error != LineError::None) return flag(badRecords_, describe(error));
  lastDecoded_ = true;
  if (isDataType(record_.type)) {
    if (record_.address < nextAddress_) flag(outOfOrder_, "record out of address order");
    nextAddress_ = std::uint64_t{record_.address} + record_.data.size();
    dataBytes_ += record_.data.size();
  }
  if (!crlf)
    flag(lineEnds_, "record does not end in CR LF");
  else
    ++records_;
  if (isEndType(record_.type)) {
    sawEnd_ = true;
    entry_ = record_.address;
  }
}

}  // namespace srec
