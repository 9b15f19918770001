// Fuzzes the simulator's S-record stream parser: the text fed in pieces (the
// first byte sets their length) must be judged exactly as the whole text.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "srec/stream_parser.h"

namespace {

bool sameVerdict(const srec::StreamParser& a, const srec::StreamParser& b) {
  return a.records() == b.records() && a.badRecords() == b.badRecords() &&
         a.garbageLines() == b.garbageLines() && a.lineEndErrors() == b.lineEndErrors() &&
         a.outOfOrder() == b.outOfOrder() && a.trailingBytes() == b.trailingBytes() &&
         a.dataBytes() == b.dataBytes() && a.lines() == b.lines() && a.sawEnd() == b.sawEnd() &&
         a.firstProblem().line == b.firstProblem().line && a.firstProblem().what == b.firstProblem().what;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + data[0] % 64;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  static srec::StreamParser whole, pieces;
  whole.reset();
  pieces.reset();
  whole.feed(text);
  for (std::size_t at = 0; at < text.size(); at += piece) pieces.feed(text.substr(at, piece));
  whole.finish();
  pieces.finish();
  if (!sameVerdict(whole, pieces) || whole.valid() != (whole.sawEnd() && whole.firstProblem().line == 0))
    std::abort();
  if (whole.valid() && (whole.trailingBytes() != 0 || whole.lines() != whole.records())) std::abort();
  return 0;
}
