#pragma once
// Checks S-record text that arrives in arbitrary pieces, as from a serial line.
// The one rule for an image, shared by the simulated instrument and the image
// checker: every line is a record ending in CR LF, data records go up in
// address order, one end record closes the image and nothing follows it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "srec/record.h"

namespace srec {

struct Problem {
  std::uint64_t line = 0;  // 1-based; 0 when there is none
  std::string_view what;   // a fixed text
};

class StreamParser {
 public:
  // Takes the next piece; bytes after the end record's line are counted as trailing.
  void feed(std::string_view piece);
  // The stream stopped: a last line without its LF is judged as it stands.
  void finish();
  void reset() { *this = StreamParser{}; }

  std::uint64_t records() const { return records_; }         // valid records of any type
  std::uint64_t badRecords() const { return badRecords_; }   // lines starting 'S' that fail to decode
  std::uint64_t garbageLines() const { return garbage_; }    // other lines, blank ones included
  std::uint64_t lineEndErrors() const { return lineEnds_; }  // records not ending in CR LF
  std::uint64_t outOfOrder() const { return outOfOrder_; }   // data records below the previous one's end
  std::uint64_t trailingBytes() const { return trailing_; }  // bytes after the end record's line
  std::uint64_t dataBytes() const { return dataBytes_; }
  std::uint64_t lines() const { return lines_; }
  bool sawEnd() const { return sawEnd_; }
  bool valid() const { return sawEnd_ && first_.line == 0; }
  // The first fault in stream order; a missing end record is reported by finish().
  const Problem& firstProblem() const { return first_; }
  // The record of the line just completed, when it decoded; valid until the next feed.
  const Record* lastRecord() const { return lastDecoded_ ? &record_ : nullptr; }
  std::uint32_t entry() const { return entry_; }

 private:
  void endLine(bool hasLineFeed);
  void judge(std::string_view line, bool hasLineFeed);
  void flag(std::uint64_t& counter, std::string_view what);

  std::string line_;
  Record record_;
  Problem first_;
  bool overlong_ = false, sawEnd_ = false, lastDecoded_ = false, finished_ = false;
  std::uint64_t records_ = 0, badRecords_ = 0, garbage_ = 0, lineEnds_ = 0, outOfOrder_ = 0;
  std::uint64_t trailing_ = 0, dataBytes_ = 0, lines_ = 0;
  std::uint64_t nextAddress_ = 0;
  std::uint32_t entry_ = 0;
};

}  // namespace srec
