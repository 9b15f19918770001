// Fuzzes the image check that the build runs on a user's image: a valid image
// read back must give records that format to lines of the same data, in
// address order.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "srec/image_reader.h"
#include "srec/record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const srec::ReadResult result = srec::readImage(text);
  if (result.ok() != (result.error.empty())) std::abort();
  if (!result.ok()) return result.badLine == 0 || result.badLine > result.lines + 1 ? (std::abort(), 0) : 0;
  std::uint64_t next = 0, bytes = 0;
  for (const srec::Record& record : result.records) {
    if (record.address < next || srec::parse(srec::format(record)).record != record) std::abort();
    next = std::uint64_t{record.address} + record.data.size();
    bytes += record.data.size();
  }
  if (bytes != result.dataBytes) std::abort();
  return 0;
}
