// The S-record reader that batch mode's --image, the image checker and the
// simulated instrument share: one record line, then the rule for a whole image.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "srec/image_reader.h"
#include "srec/record.h"
#include "srec/stream_parser.h"

namespace {

using srec::LineError;
using srec::Record;

// Each record type with its address size, formatted and read back; then each fault of a line.
TEST(SrecRecord, EachTypeFormatsAndReadsBackAndEachFaultOfALineIsTold) {
  const struct {
    Record record;
    const char* line;
  } cases[] = {
      {{0, 0, {'h', 'd', 'r'}}, "S0060000686472BB"}, {{1, 0x1234, {0xFF}}, "S1041234FFB6"},
      {{2, 0xABCDEF, {1, 2}}, "S206ABCDEF01028F"},   {{3, 0, {1, 2, 3}}, "S30800000000010203F1"},
      {{3, 0xFFFFFFFF, {0}}, "S306FFFFFFFF00FD"},    {{5, 3, {}}, "S5030003F9"},
      {{6, 0x010203, {}}, "S604010203F5"},           {{7, 0x12345678, {}}, "S70512345678E6"},
      {{8, 0x123456, {}}, "S8041234565F"},           {{9, 0x0100, {}}, "S9030100FB"},
  };
  for (const auto& c : cases) {
    const std::string line = std::string(c.line) + "\r\n";
    EXPECT_EQ(srec::format(c.record), line);
    EXPECT_EQ(srec::lineLength(c.record.type, c.record.data.size()), line.size()) << line;
    const srec::ParsedRecord parsed = srec::parse(line);
    EXPECT_EQ(parsed.error, LineError::None) << line;
    EXPECT_EQ(parsed.record, c.record) << line;
  }
  const struct {
    const char* line;
    LineError error;
  } faults[] = {
      {"", LineError::NotARecord},
      {"s30800000000010203F1", LineError::NotARecord},
      {"SA0800000000010203F1", LineError::UnknownType},
      {"SZ0800000000010203F1", LineError::UnknownType},  // no hex digit: neither 3 nor a type of its own
      {"S30800000000010203F", LineError::BadLength},
      {"S3080000000001F1", LineError::BadLength},      // the count says more
      {"S30900000000010203F1", LineError::BadLength},  // the count says less
      {"S305000000", LineError::BadLength},            // shorter than its address
      {"S101FE", LineError::BadLength},                // a count and a checksum that leave no room for it
      {"S1", LineError::BadLength},                    // a type and nothing more
      {"S30800000000010203F1\r\r\n", LineError::BadLength},
      {"S206abcdef01028f\n", LineError::None},  // small hex digits, a bare LF
      {"S206abcdef01028g", LineError::BadHex},  // past the small hex digits
  };
  for (const auto& c : faults) EXPECT_EQ(srec::parse(c.line).error, c.error) << c.line;
}

// records, bad records, garbage lines, line-end errors, out of order, trailing bytes, data bytes
using Tally = std::array<std::uint64_t, 7>;

Tally tally(const srec::StreamParser& p) {
  return {p.records(),    p.badRecords(),    p.garbageLines(), p.lineEndErrors(),
          p.outOfOrder(), p.trailingBytes(), p.dataBytes()};
}

std::string s3(std::uint32_t address, std::vector<std::uint8_t> data) {
  return srec::format({3, address, std::move(data)});
}

const std::string kEnd = srec::format({7, 0x1234, {}});
std::string withoutCr(std::string line) { return line.erase(line.size() - 2, 1); }

// Each fault alone, found at its line when the text comes in pieces of three
// bytes (the instrument's line) and whole (batch mode's --image). The fuzzer
// (tests/fuzz/srec_fuzz.cpp) holds the image checker's line-by-line reading to
// the same verdict.
TEST(SrecImage, EachFaultSpoilsTheImageAtItsLine) {
  const std::string a = s3(0, {1, 2}), b = s3(2, {3}), c = s3(3, {4, 5});
  const std::string mixed = srec::format({0, 0, {'h'}}) + srec::format({1, 0x10, {1}}) +
                            srec::format({2, 0x11, {2, 3}}) + srec::format({5, 2, {}}) +
                            srec::format({9, 0x100, {}});
  const struct {
    const char* what;
    std::string text;
    std::uint64_t line;  // of the first fault; 0: the image is valid
    std::string_view problem;
    Tally tally;
  } cases[] = {
      {"valid", a + b + c + kEnd, 0, "", Tally{4, 0, 0, 0, 0, 0, 5}},
      {"a gap in the addresses", a + c + kEnd, 0, "", Tally{3, 0, 0, 0, 0, 0, 4}},
      {"S0, S1, S2, S5 and S9: only S1 to S3 hold data", mixed, 0, "", Tally{5, 0, 0, 0, 0, 0, 3}},
      {"LF without CR", a + withoutCr(b) + c + kEnd, 2, "record does not end in CR LF",
       Tally{3, 0, 0, 1, 0, 0, 5}},
      {"the last line without CR LF", a + b + c + kEnd.substr(0, kEnd.size() - 2), 4,
       "record does not end in CR LF", Tally{3, 0, 0, 1, 0, 0, 5}},
      {"the last line ending in CR alone", a + b + c + kEnd.substr(0, kEnd.size() - 1), 4,
       "record does not end in CR LF", Tally{3, 0, 0, 1, 0, 0, 5}},
      {"CR without LF", a + b.substr(0, b.size() - 1) + c + kEnd, 2, "length does not match the count field",
       Tally{2, 1, 0, 0, 0, 0, 2}},
      {"CR CR LF", a + b.substr(0, b.size() - 1) + "\r\n" + kEnd, 2, "CR inside the record",
       Tally{2, 1, 0, 0, 0, 0, 2}},
      {"an overlapping record", a + s3(1, {9}) + kEnd, 2, "record out of address order",
       Tally{3, 0, 0, 0, 1, 0, 3}},
      {"a line after S7", a + kEnd + "\r\n", 3, "bytes after the end record", Tally{2, 0, 0, 0, 0, 2, 2}},
      {"a record after S7", a + kEnd + b, 3, "bytes after the end record", Tally{2, 0, 0, 0, 0, b.size(), 2}},
      {"a blank line", a + "\r\n" + b + kEnd, 2, "blank line", Tally{3, 0, 1, 0, 0, 0, 3}},
      {"a noise line", "\x13noise\r\n" + a + kEnd, 1, "not an S-record", Tally{2, 0, 1, 0, 0, 0, 2}},
      {"a bad checksum", "S30800000000010203F2\r\n" + kEnd, 1, "checksum mismatch",
       Tally{1, 1, 0, 0, 0, 0, 0}},
      {"a bad hex digit", a + std::string(b).replace(12, 1, "G") + kEnd, 2, "invalid hex digit",
       Tally{2, 1, 0, 0, 0, 0, 2}},
      {"an unknown type", a + "S4" + a.substr(2) + kEnd, 2, "unknown record type",
       Tally{2, 1, 0, 0, 0, 0, 2}},
      {"one character longer than the longest record", "S3" + std::string(513, '0') + "\r\n" + a + kEnd, 1,
       "line too long", Tally{2, 1, 0, 0, 0, 0, 2}},
      {"the longest record", s3(0, std::vector<std::uint8_t>(250, 0xA5)) + kEnd, 0, "",
       Tally{2, 0, 0, 0, 0, 0, 250}},
      {"no S7", a + b, 3, "missing S7 end record", Tally{2, 0, 0, 0, 0, 0, 3}},
      {"nothing", "", 1, "missing S7 end record", Tally{0, 0, 0, 0, 0, 0, 0}},
      {"several faults: the first is named", a + "junk\r\n" + withoutCr(b) + kEnd + "x", 2, "not an S-record",
       Tally{2, 0, 1, 1, 0, 1, 3}},
  };
  for (const auto& test : cases) {
    srec::StreamParser pieces;
    for (std::size_t at = 0; at < test.text.size(); at += 3)
      pieces.feed(std::string_view(test.text).substr(at, 3));
    pieces.finish();
    EXPECT_EQ(tally(pieces), test.tally) << test.what;
    EXPECT_EQ(pieces.firstProblem().line, test.line) << test.what;
    EXPECT_EQ(pieces.firstProblem().what, test.problem) << test.what;
    EXPECT_EQ(pieces.valid(), test.line == 0) << test.what;
    const srec::ReadResult whole = srec::readImage(test.text);  // batch mode's --image
    EXPECT_TRUE(whole.badLine == test.line && whole.error == test.problem) << test.what;
  }
  const srec::ReadResult read = srec::readImage(mixed);
  EXPECT_EQ(read.records, (std::vector<Record>{{1, 0x10, {1}}, {2, 0x11, {2, 3}}}));
  EXPECT_TRUE(read.dataBytes == 3 && read.lines == 5 && read.entry == 0x100);
  EXPECT_EQ(srec::readImage(a + "junk\r\n").records, (std::vector<Record>{{3, 0, {1, 2}}}))
      << "up to the fault";
}

}  // namespace
