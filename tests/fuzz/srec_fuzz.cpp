// Fuzzes the S-record reader. The text fed in pieces (the first byte sets
// their length) is judged as the whole text is, and as the image checker
// judges it line by line; a valid image's records format back to lines of the
// same data, in address order, with nothing after its end record.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <tuple>

#include "srec/image_reader.h"
#include "srec/record.h"
#include "srec/stream_parser.h"

namespace {

auto verdict(const srec::StreamParser& p) {
  return std::make_tuple(p.records(), p.badRecords(), p.garbageLines(), p.lineEndErrors(), p.outOfOrder(),
                         p.trailingBytes(), p.dataBytes(), p.lines(), p.sawEnd(), p.firstProblem().line,
                         p.firstProblem().what);
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
  const srec::ReadResult read = srec::readImage(text);
  if (verdict(whole) != verdict(pieces) || read.badLine != whole.firstProblem().line ||
      read.error != whole.firstProblem().what || read.ok() != whole.valid())
    std::abort();
  if (!whole.valid()) return 0;
  if (whole.trailingBytes() != 0 || whole.lines() != whole.records()) std::abort();
  std::uint64_t next = 0, bytes = 0;
  for (const srec::Record& record : read.records) {
    if (record.address < next || srec::parse(srec::format(record)).record != record) std::abort();
    next = std::uint64_t{record.address} + record.data.size();
    bytes += record.data.size();
  }
  if (bytes != read.dataBytes || bytes != whole.dataBytes()) std::abort();
  return 0;
}
