#include "srec/record.h"

#include <array>

namespace srec {
namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void appendByte(std::string& out, std::uint8_t byte) {
  out.push_back(kHexDigits[byte >> 4]);
  out.push_back(kHexDigits[byte & 0x0F]);
}

// The byte at hex pair `index` of the text after "Sn"; -1 on a non-hex digit.
int byteAt(std::string_view hex, std::size_t index) {
  const int high = hexValue(hex[2 * index]);
  const int low = hexValue(hex[2 * index + 1]);
  return high < 0 || low < 0 ? -1 : high << 4 | low;
}

// One trailing LF and one CR before it, at most.
std::string_view trimLineEnd(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

}  // namespace

std::size_t addressBytes(int type) {
  static constexpr std::array<std::size_t, 10> kSizes{2, 2, 3, 4, 0, 2, 3, 4, 3, 2};
  return type >= 0 && type <= 9 ? kSizes[static_cast<std::size_t>(type)] : 0;
}

bool isDataType(int type) { return type >= 1 && type <= 3; }
bool isEndType(int type) { return type >= 7 && type <= 9; }

std::size_t lineLength(int type, std::size_t dataBytes) {
  return 4 + 2 * (addressBytes(type) + dataBytes + 1) + 2;
}

std::string format(const Record& record) {
  const std::size_t addressSize = addressBytes(record.type);
  const std::size_t count = addressSize + record.data.size() + 1;
  std::string out{'S', static_cast<char>('0' + record.type)};
  out.reserve(lineLength(record.type, record.data.size()));
  unsigned sum = static_cast<unsigned>(count);
  appendByte(out, static_cast<std::uint8_t>(count));
  for (std::size_t i = addressSize; i-- > 0;) {
    const auto byte = static_cast<std::uint8_t>(record.address >> (8 * i));
    sum += byte;
    appendByte(out, byte);
  }
  for (const std::uint8_t byte : record.data) {
    sum += byte;
    appendByte(out, byte);
  }
  appendByte(out, static_cast<std::uint8_t>(~sum & 0xFFu));
  out += "\r\n";
  return out;
}

LineError parseInto(std::string_view line, Record& record) {
  line = trimLineEnd(line);
  record.data.clear();
  record.address = 0;
  if (line.size() < 2 || line[0] != 'S') return LineError::NotARecord;
  record.type = hexValue(line[1]);
  const std::size_t addressSize = addressBytes(record.type);
  if (record.type > 9 || addressSize == 0) return LineError::UnknownType;
  if (line.size() % 2 != 0 || line.size() < 4 + 2 * (addressSize + 1)) return LineError::BadLength;
  const std::string_view hex = line.substr(2);
  const std::size_t count = hex.size() / 2;
  unsigned sum = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const int byte = byteAt(hex, i);
    if (byte < 0) return LineError::BadHex;
    if (i + 1 < count) sum += static_cast<unsigned>(byte);
  }
  if (static_cast<std::size_t>(byteAt(hex, 0)) + 1 != count) return LineError::BadLength;
  if ((~sum & 0xFFu) != static_cast<unsigned>(byteAt(hex, count - 1))) return LineError::BadChecksum;
  for (std::size_t i = 1; i <= addressSize; ++i)
    record.address = record.address << 8 | static_cast<std::uint32_t>(byteAt(hex, i));
  record.data.reserve(count - addressSize - 2);
  for (std::size_t i = 1 + addressSize; i + 1 < count; ++i)
    record.data.push_back(static_cast<std::uint8_t>(byteAt(hex, i)));
  return LineError::None;
}

ParsedRecord parse(std::string_view line) {
  ParsedRecord result;
  result.error = parseInto(line, result.record);
  if (result.error != LineError::None) result.record = {};
  return result;
}

std::string_view describe(LineError error) {
  switch (error) {
    case LineError::None:
      return "valid record";
    case LineError::NotARecord:
      return "not an S-record";
    case LineError::UnknownType:
      return "unknown record type";
    case LineError::BadHex:
      return "invalid hex digit";
    case LineError::BadLength:
      return "length does not match the count field";
    case LineError::BadChecksum:
      return "checksum mismatch";
    case LineError::TooLong:
      return "line too long";
  }
  return "unknown error";
}

}  // namespace srec
