#pragma once
// What the yield report reads from one line of an upgrade record. Lines of
// every schema so far carry started, port, outcome and seconds; station, unit
// and the adapter came later and are empty when a line has none.
#include <string>
#include <string_view>

namespace report {

struct RecordFields {
  std::string started;  // UTC, "YYYY-MM-DDTHH:MM:SSZ"
  std::string station;
  std::string port;
  std::string unit;
  std::string outcome;  // the record's code, as written ("complete", "port-failed", ...)
  std::string adapterSerial;
  double seconds = 0;
  std::string ended;  // UTC to the millisecond; empty in lines of the first schema
};

// False when `line` is not one JSON object holding started, port and outcome
// as strings and seconds as a number; fields it does not use are skipped.
bool ReadRecordFields(std::string_view line, RecordFields& fields);

}  // namespace report
