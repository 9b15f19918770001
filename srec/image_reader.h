#pragma once
// Reads a whole S-record image, checked by the stream rule of srec/stream_parser.h.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "srec/record.h"

namespace srec {

struct ReadResult {
  std::vector<Record> records;  // data records in file order
  std::uint32_t entry = 0;      // address of the end record
  std::size_t dataBytes = 0;
  std::size_t lines = 0;
  std::size_t badLine = 0;  // 1-based line of the first bad record; 0 when the image is valid
  std::string error;
  bool ok() const { return badLine == 0; }
};

// Stops at the first fault; records holds the data records read up to it.
ReadResult readImage(std::string_view text);

}  // namespace srec
