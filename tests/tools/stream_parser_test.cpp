#include <gtest/gtest.h>

#include <random>
#include <string>

#include "image/image_generator.h"
#include "srec/image_reader.h"
#include "srec/record.h"
#include "srec/stream_parser.h"

namespace {

struct Counts {
  std::uint64_t records, bad, garbage, lineEnds, outOfOrder, trailing, dataBytes, problemLine = 0;
  bool sawEnd = false, valid = false;
  bool operator==(const Counts&) const = default;
};

Counts feedInPieces(std::string_view text, std::uint32_t seed, std::size_t maxPiece) {
  srec::StreamParser parser;
  std::mt19937 random(seed);
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t piece = std::uniform_int_distribution<std::size_t>(1, maxPiece)(random);
    parser.feed(text.substr(at, piece));
    at += piece;
  }
  parser.finish();
  return {parser.records(),    parser.badRecords(),    parser.garbageLines(), parser.lineEndErrors(),
          parser.outOfOrder(), parser.trailingBytes(), parser.dataBytes(),    parser.firstProblem().line,
          parser.sawEnd(),     parser.valid()};
}

std::string damaged(std::string text) {
  text.replace(text.find("\nS3") + 20, 1, "G");  // bad hex in the second record
  text.insert(text.find("\nS3", 400) + 1, std::string("\x00\x7f noise\r\n", 10));
  return text;
}

TEST(StreamParser, PiecesGiveTheSameResultAsTheWholeText) {
  const std::string images[] = {image::generate(20'000), damaged(image::generate(20'000)),
                                image::generate(2'000) + "Uupdate\r"};
  for (const std::string& text : images) {
    const Counts whole = feedInPieces(text, 1, text.size());
    for (const std::size_t maxPiece : {1u, 7u, 900u, 5000u}) {
      for (std::uint32_t seed = 1; seed <= 3; ++seed)
        EXPECT_EQ(feedInPieces(text, seed, maxPiece), whole) << maxPiece;
    }
  }
}

std::string record(std::uint32_t address, std::vector<std::uint8_t> data) {
  return srec::format({3, address, std::move(data)});
}

const std::string kEnd = srec::format({7, 0, {}});

std::string withoutCr(std::string line) { return line.erase(line.size() - 2, 1); }

std::string badChecksum(std::string line) {
  char& digit = line[line.size() - 3];
  digit = digit == '0' ? '1' : '0';
  return line;
}

// Each fault alone, with the line the stream and the image checker both name.
TEST(StreamParser, EachFaultSpoilsTheImageAtItsLine) {
  const std::string a = record(0, {1, 2}), b = record(2, {3}), c = record(3, {4, 5});
  const struct {
    const char* what;
    std::string text;
    std::uint64_t problemLine;
    std::string_view problem;
    Counts counts;  // problemLine, sawEnd and valid are filled in below
  } cases[] = {
      {"clean", a + b + c + kEnd, 0, "", {4, 0, 0, 0, 0, 0, 5}},
      {"gap in addresses", a + c + kEnd, 0, "", {3, 0, 0, 0, 0, 0, 4}},
      {"LF without CR",
       a + withoutCr(b) + c + kEnd,
       2,
       "record does not end in CR LF",
       {3, 0, 0, 1, 0, 0, 5}},
      {"last line without CR LF",
       a + b + c + kEnd.substr(0, kEnd.size() - 2),
       4,
       "record does not end in CR LF",
       {3, 0, 0, 1, 0, 0, 5}},
      {"CR without LF",
       a + b.substr(0, b.size() - 1) + c + kEnd,
       2,
       "length does not match the count field",
       {2, 1, 0, 0, 0, 0, 2}},
      {"CR CR LF",
       a + b.substr(0, b.size() - 1) + "\r\n" + kEnd,
       2,
       "CR inside the record",
       {2, 1, 0, 0, 0, 0, 2}},
      {"address goes back", a + c + b + kEnd, 3, "record out of address order", {4, 0, 0, 0, 1, 0, 5}},
      {"overlapping record",
       a + record(1, {9}) + kEnd,
       2,
       "record out of address order",
       {3, 0, 0, 0, 1, 0, 3}},
      {"bytes after S7", a + kEnd + "\r\n", 3, "bytes after the end record", {2, 0, 0, 0, 0, 2, 2}},
      {"record after S7", a + kEnd + b, 3, "bytes after the end record", {2, 0, 0, 0, 0, b.size(), 2}},
      {"blank line", a + "\r\n" + b + kEnd, 2, "blank line", {3, 0, 1, 0, 0, 0, 3}},
      {"noise line", "\x13noise\r\n" + a + kEnd, 1, "not an S-record", {2, 0, 1, 0, 0, 0, 2}},
      {"bad checksum", badChecksum(a) + kEnd, 1, "checksum mismatch", {1, 1, 0, 0, 0, 0, 0}},
      {"overlong line",
       "S3" + std::string(600, '0') + "\r\n" + a + kEnd,
       1,
       "line too long",
       {2, 1, 0, 0, 0, 0, 2}},
      {"missing S7", a + b, 3, "missing S7 end record", {2, 0, 0, 0, 0, 0, 3}},
      {"empty", "", 1, "missing S7 end record", {0, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& test : cases) {
    Counts want = test.counts;
    want.problemLine = test.problemLine;
    want.sawEnd = test.text.find("S705") != std::string::npos;
    want.valid = test.problemLine == 0;
    EXPECT_EQ(feedInPieces(test.text, 1, 3), want) << test.what;
    srec::StreamParser parser;
    parser.feed(test.text);
    parser.finish();
    EXPECT_EQ(parser.firstProblem().what, test.problem) << test.what;
    const srec::ReadResult read = srec::readImage(test.text);
    EXPECT_EQ(read.badLine, test.problemLine) << test.what << ": the checker and the instrument disagree";
    EXPECT_EQ(read.error, test.problem) << test.what;
  }
}

TEST(StreamParser, TheFirstFaultIsTheOneNamed) {
  const std::string text = record(0, {1}) + "junk\r\n" + withoutCr(record(1, {2})) + kEnd + "x";
  const Counts counts = feedInPieces(text, 2, 5);
  EXPECT_EQ(counts.problemLine, 2u);
  EXPECT_EQ(counts.garbage, 1u);
  EXPECT_EQ(counts.lineEnds, 1u);
  EXPECT_EQ(counts.trailing, 1u);
  EXPECT_FALSE(counts.valid);
}

}  // namespace
