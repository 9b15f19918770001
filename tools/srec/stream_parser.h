#pragma once
// Checks S-record text that arrives in arbitrary pieces, as from a serial line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace srec {

class StreamParser {
 public:
  // Takes the next piece and returns how many of its bytes belong to the image:
  // all of them, or those up to and including the line end of the end record.
  std::size_t feed(std::string_view piece);
  // The stream stopped: a partial line left over counts as a bad record.
  void finish();
  void reset() { *this = StreamParser{}; }

  std::uint64_t records() const { return records_; }        // valid records of any type
  std::uint64_t badRecords() const { return badRecords_; }  // lines starting 'S' that fail to decode
  std::uint64_t garbageLines() const { return garbage_; }   // non-empty lines not starting 'S'
  std::uint64_t dataBytes() const { return dataBytes_; }
  bool sawEnd() const { return sawEnd_; }

 private:
  void endLine();

  std::string line_;
  bool overlong_ = false;
  bool sawEnd_ = false;
  std::uint64_t records_ = 0, badRecords_ = 0, garbage_ = 0, dataBytes_ = 0;
};

}  // namespace srec
