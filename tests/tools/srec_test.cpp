#include <gtest/gtest.h>

#include <string>

#include "srec/image_reader.h"
#include "srec/record.h"

namespace {

using srec::LineError;
using srec::Record;

TEST(SrecRecord, FormatsKnownLines) {
  EXPECT_EQ(srec::format(Record{3, 0x00000000, {0x01, 0x02, 0x03}}), "S30800000000010203F1\r\n");
  EXPECT_EQ(srec::format(Record{7, 0x00000000, {}}), "S70500000000FA\r\n");
  EXPECT_EQ(srec::format(Record{1, 0x1234, {0xFF}}), "S1041234FFB6\r\n");
}

TEST(SrecRecord, RoundTripsEveryRecordShape) {
  std::vector<std::uint8_t> full(srec::kMaxS3Data);
  for (std::size_t i = 0; i < full.size(); ++i) full[i] = static_cast<std::uint8_t>(i * 7);
  const Record records[] = {
      {0, 0, {'h', 'd', 'r'}}, {1, 0xFFFF, {0}}, {2, 0xABCDEF, {1, 2}}, {3, 0xFFFFFFFF, full},
      {3, 0x80000000, {}},     {5, 0x0003, {}},  {7, 0x12345678, {}},   {9, 0x0100, {}},
  };
  for (const Record& record : records) {
    const std::string line = srec::format(record);
    EXPECT_EQ(line.size(), srec::lineLength(record.type, record.data.size())) << line;
    const srec::ParsedRecord parsed = srec::parse(line);
    EXPECT_EQ(parsed.error, LineError::None) << line;
    EXPECT_EQ(parsed.record, record) << line;
  }
}

TEST(SrecRecord, RejectsMalformedLines) {
  const struct {
    const char* line;
    LineError error;
  } cases[] = {
      {"", LineError::NotARecord},
      {"X30800000000010203F1", LineError::NotARecord},
      {"S40800000000010203F1", LineError::UnknownType},
      {"SA0800000000010203F1", LineError::UnknownType},
      {"S30800000000010203F2", LineError::BadChecksum},
      {"S30800000000010G03F1", LineError::BadHex},
      {"S30800000000010203F", LineError::BadLength},
      {"S3080000000001F1", LineError::BadLength},
      {"S30900000000010203F1", LineError::BadLength},
      {"S305000000", LineError::BadLength},
  };
  for (const auto& c : cases) EXPECT_EQ(srec::parse(c.line).error, c.error) << c.line;
  EXPECT_EQ(srec::parse("s30800000000010203f1").error, LineError::NotARecord);
  EXPECT_EQ(srec::parse("S30800000000010203f1\r\n").error, LineError::None) << "lower-case hex is valid";
}

std::string threeRecordImage() {
  return srec::format({3, 0, {1, 2, 3}}) + srec::format({3, 3, {4, 5}}) + srec::format({3, 5, {6}}) +
         srec::format({7, 0, {}});
}

TEST(SrecImage, ReadsValidImage) {
  const srec::ReadResult result = srec::readImage(threeRecordImage());
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.records.size(), 3u);
  EXPECT_EQ(result.dataBytes, 6u);
  EXPECT_EQ(result.lines, 4u);
  EXPECT_EQ(result.records[1], (Record{3, 3, {4, 5}}));
}

// Replaces `from` in the first occurrence at or after line `line` (1-based).
std::string corrupt(std::string text, int line, const std::string& from, const std::string& to) {
  std::size_t start = 0;
  for (int i = 1; i < line; ++i) start = text.find('\n', start) + 1;
  return text.replace(text.find(from, start), from.size(), to);
}

TEST(SrecImage, ReportsLineOfFirstBadRecord) {
  const std::string good = threeRecordImage();
  const std::string s7 = srec::format({7, 0, {}});
  const struct {
    const char* what;
    std::string text;
    std::size_t badLine;
  } cases[] = {
      {"bad checksum", corrupt(good, 2, "0405", "0406"), 2},
      {"bad hex", corrupt(good, 3, "06", "0G"), 3},
      {"truncated line", corrupt(good, 2, "00000304", "0000"), 2},
      {"missing S7", good.substr(0, good.size() - s7.size()), 4},
      {"record after S7", good + srec::format({3, 6, {7}}), 5},
      {"blank line", corrupt(good, 2, "S3", "\r\nS3"), 2},
      {"noise line", std::string("\x00\x13\r\n", 4) + good, 1},
      {"second bad record not reported", corrupt(corrupt(good, 3, "06", "0G"), 1, "01", "0F"), 1},
      {"empty file", "", 1},
      {"last line without CR LF", good.substr(0, good.size() - 2), 4},
  };
  for (const auto& c : cases) {
    const srec::ReadResult result = srec::readImage(c.text);
    EXPECT_EQ(result.badLine, c.badLine) << c.what;
    EXPECT_FALSE(result.error.empty()) << c.what;
  }
}

}  // namespace
