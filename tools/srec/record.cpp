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

// Decodes the hex pairs after "Sn" into bytes; false on a non-hex digit.
bool decodeHex(std::string_view hex, std::vector<std::uint8_t>& bytes) {
  bytes.reserve(hex.size() / 2);
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    const int high = hexValue(hex[i]);
    const int low = hexValue(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
  }
  return true;
}

std::string_view trimLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

// Checksum: ones' complement of the low byte of the sum of count, address and data.
std::uint8_t checksumOf(const std::vector<std::uint8_t>& bytes, std::size_t count) {
  unsigned sum = 0;
  for (std::size_t i = 0; i < count; ++i) sum += bytes[i];
  return static_cast<std::uint8_t>(~sum & 0xFFu);
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

ParsedRecord parse(std::string_view line) {
  line = trimLineEnd(line);
  ParsedRecord result;
  if (line.size() < 2 || line[0] != 'S') return {{}, LineError::NotARecord};
  result.record.type = hexValue(line[1]);
  const std::size_t addressSize = addressBytes(result.record.type);
  if (result.record.type > 9 || addressSize == 0) return {{}, LineError::UnknownType};
  if (line.size() % 2 != 0 || line.size() < 4 + 2 * (addressSize + 1)) return {{}, LineError::BadLength};
  std::vector<std::uint8_t> bytes;
  if (!decodeHex(line.substr(2), bytes)) return {{}, LineError::BadHex};
  if (bytes[0] + 1u != bytes.size()) return {{}, LineError::BadLength};
  if (checksumOf(bytes, bytes.size() - 1) != bytes.back()) return {{}, LineError::BadChecksum};
  for (std::size_t i = 1; i <= addressSize; ++i)
    result.record.address = result.record.address << 8 | bytes[i];
  result.record.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(1 + addressSize), bytes.end() - 1);
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
