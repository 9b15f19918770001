#include <gtest/gtest.h>

#include <random>
#include <string>

#include "image/image_generator.h"
#include "srec/record.h"
#include "srec/stream_parser.h"

namespace {

struct Counts {
  std::uint64_t records, bad, garbage, dataBytes;
  bool sawEnd;
  std::size_t consumed;
  bool operator==(const Counts&) const = default;
};

Counts feedInPieces(std::string_view text, std::uint32_t seed, std::size_t maxPiece) {
  srec::StreamParser parser;
  std::mt19937 random(seed);
  std::size_t consumed = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t piece = std::uniform_int_distribution<std::size_t>(1, maxPiece)(random);
    consumed += parser.feed(text.substr(at, piece));
    at += piece;
  }
  parser.finish();
  return {parser.records(),   parser.badRecords(), parser.garbageLines(),
          parser.dataBytes(), parser.sawEnd(),     consumed};
}

std::string damaged(std::string text) {
  text.replace(text.find("\nS3") + 20, 1, "G");  // bad hex in the second record
  text.insert(text.find("\nS3", 400) + 1, std::string("\x00\x7f noise\r\n", 10));
  return text;
}

TEST(StreamParser, PiecesGiveTheSameResultAsTheWholeText) {
  const std::string images[] = {image::generate(20'000), damaged(image::generate(20'000))};
  for (const std::string& text : images) {
    const Counts whole = feedInPieces(text, 1, text.size());
    for (const std::size_t maxPiece : {1u, 7u, 900u, 5000u}) {
      for (std::uint32_t seed = 1; seed <= 3; ++seed)
        EXPECT_EQ(feedInPieces(text, seed, maxPiece), whole) << maxPiece;
    }
  }
}

TEST(StreamParser, CountsRecordsBadRecordsAndGarbage) {
  const Counts clean = feedInPieces(image::generate(20'000), 1, 900);
  EXPECT_EQ(clean, (Counts{image::recordSizes(20'000).size() + 1, 0, 0, clean.dataBytes, true, 20'000}));
  const std::string bad = damaged(image::generate(20'000));
  const Counts broken = feedInPieces(bad, 1, 900);
  EXPECT_EQ(broken.bad, 1u);
  EXPECT_EQ(broken.garbage, 1u);
  EXPECT_EQ(broken.records, clean.records - 1);
  EXPECT_TRUE(broken.sawEnd);
}

TEST(StreamParser, StopsAtTheLineEndOfTheEndRecord) {
  const std::string image = image::generate(1'000);
  srec::StreamParser parser;
  EXPECT_EQ(parser.feed(image + "Uupdate\r"), image.size());
  EXPECT_TRUE(parser.sawEnd());
  EXPECT_EQ(parser.feed("more"), 0u);
}

TEST(StreamParser, TruncatedAndOverlongLinesAreBadRecords) {
  srec::StreamParser parser;
  parser.feed(srec::format({3, 0, {1, 2}}) + "S3" + std::string(600, '0') + "\r\n" + "S3080000");
  parser.finish();
  EXPECT_EQ(parser.records(), 1u);
  EXPECT_EQ(parser.badRecords(), 2u);
  EXPECT_FALSE(parser.sawEnd());
}

}  // namespace
