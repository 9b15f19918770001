#pragma once
// One Motorola S-record line: formatting and decoding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace srec {

struct Record {
  int type = 3;  // the digit after 'S': 0 header, 1-3 data, 5-6 count, 7-9 end
  std::uint32_t address = 0;
  std::vector<std::uint8_t> data;
  bool operator==(const Record&) const = default;
};

enum class LineError { None, NotARecord, UnknownType, BadHex, BadLength, BadChecksum, TooLong };

struct ParsedRecord {
  Record record;
  LineError error = LineError::None;
};

// Largest data field that fits the one-byte count of an S3 record.
inline constexpr std::size_t kMaxS3Data = 250;

// Address field size in bytes for a record type; 0 for a type that does not exist.
std::size_t addressBytes(int type);
bool isDataType(int type);
bool isEndType(int type);

// Length of a formatted record line including its CR LF.
std::size_t lineLength(int type, std::size_t dataBytes);

// Formats a record as text ending in CR LF.
std::string format(const Record& record);
// Decodes one line; one trailing LF and one CR before it are ignored.
ParsedRecord parse(std::string_view line);
// The same into `record`, reusing its storage; on an error the record is unspecified.
LineError parseInto(std::string_view line, Record& record);
std::string_view describe(LineError error);

}  // namespace srec
