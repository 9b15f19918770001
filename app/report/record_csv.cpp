#include "record_csv.h"

#include <algorithm>
#include <array>

#include "json_cursor.h"
#include "utf8_text.h"

namespace report {
namespace {

// When, where, what was sent, how it ended: the order a reader scans a row in.
// clang-format off
constexpr std::array<std::string_view, 21> kColumns = {
    "started", "ended", "station", "host", "port", "device",
    "adapter.serial", "adapter.vendorId", "adapter.productId", "unit",
    "outcome", "exitCode", "status", "seconds", "bytesSent",
    "imageBytes", "imageSha256", "probeAttempts", "commandAttempts", "program", "v"};
// clang-format on

using Row = std::array<std::string, kColumns.size()>;

bool ReadValue(const std::string& name, JsonCursor& in, Row& row);

bool ReadObject(const std::string& prefix, JsonCursor& in, Row& row) {
  return in.Members([&](std::string_view key, JsonCursor& value) {
    return ReadValue(prefix + std::string(key), value, row);
  });
}

// Only the record's own nesting, one object deep, has columns.
bool ReadValue(const std::string& name, JsonCursor& in, Row& row) {
  const char next = in.Next();
  const bool nested = name.find('.') != std::string::npos;
  if (next == '{' && !nested) return ReadObject(name + ".", in, row);
  const auto column = std::find(kColumns.begin(), kColumns.end(), name);
  if (column == kColumns.end() || next == '{' || next == '[') return in.Skip();
  std::string& field = row[static_cast<std::size_t>(column - kColumns.begin())];
  field.clear();
  if (next == '"') return in.String(field);
  if (!in.Plain(field)) return false;
  if (field == "null") field.clear();
  return true;
}

}  // namespace

std::string CsvField(std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(field);
  std::string quoted = "\"";
  for (const char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string CsvHeader() {
  std::string header = "\xEF\xBB\xBF";
  for (std::size_t i = 0; i < kColumns.size(); ++i) {
    if (i > 0) header += ',';
    header += kColumns[i];
  }
  return header + "\r\n";
}

std::string CsvRow(std::string_view line) {
  Row row;
  JsonCursor in(line);
  ReadObject("", in, row);
  std::string text;
  for (std::size_t i = 0; i < row.size(); ++i) {
    if (i > 0) text += ',';
    text += CsvField(row[i]);
  }
  // Whole: the quoting looks at ASCII only, which is never part of a longer sequence.
  return ValidUtf8(text) + "\r\n";
}

}  // namespace report
