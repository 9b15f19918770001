#pragma once
// Reads a whole S-record image and checks every record.
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

// Every line must be a valid record, exactly one end record must close the image.
ReadResult readImage(std::string_view text);

}  // namespace srec
