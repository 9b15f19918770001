// Fuzzes the reader of the port processes' event lines: any text is taken or
// refused without a fault, and what is taken comes back the same when its
// fields are written out again as JSON strings.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/record/json_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto fields = ReadFlatJson(std::string_view(reinterpret_cast<const char*>(data), size));
  if (fields.empty()) return 0;
  std::string again = "{";
  for (const auto& [key, value] : fields)
    again += (again.size() > 1 ? "," : "") + JsonString(key) + ":" + JsonString(value);
  if (ReadFlatJson(again + "}") != fields) std::abort();
  return 0;
}
