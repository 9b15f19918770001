#include "record_fields.h"

#include "json_cursor.h"

namespace report {
namespace {

enum Required : unsigned { kStarted = 1, kPort = 2, kOutcome = 4, kSeconds = 8, kAll = 15 };

bool ReadAdapter(JsonCursor& in, RecordFields& fields) {
  if (in.Next() != '{') return in.Skip();
  return in.Members([&fields](std::string_view key, JsonCursor& adapter) {
    return key == "serial" ? adapter.String(fields.adapterSerial) : adapter.Skip();
  });
}

bool ReadMember(std::string_view key, JsonCursor& in, RecordFields& fields, unsigned& seen) {
  const auto field = [&in, &seen](std::string& out, unsigned bit) {
    seen |= bit;
    out.clear();
    return in.String(out);
  };
  if (key == "started") return field(fields.started, kStarted);
  if (key == "port") return field(fields.port, kPort);
  if (key == "outcome") return field(fields.outcome, kOutcome);
  if (key == "station") return field(fields.station, 0);
  if (key == "unit") return field(fields.unit, 0);
  if (key == "ended") return field(fields.ended, 0);
  if (key == "adapter") return ReadAdapter(in, fields);
  if (key == "seconds") {
    seen |= kSeconds;
    return in.Number(fields.seconds);
  }
  return in.Skip();
}

}  // namespace

bool ReadRecordFields(std::string_view line, RecordFields& fields) {
  fields = RecordFields{};
  unsigned seen = 0;
  JsonCursor in(line);
  const bool read = in.Members(
      [&](std::string_view key, JsonCursor& value) { return ReadMember(key, value, fields, seen); });
  return read && in.AtEnd() && seen == kAll;
}

}  // namespace report
