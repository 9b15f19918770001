// Fuzzes the reader of the port processes' event lines: any text is taken or
// refused without a fault, and what is taken comes back, made valid UTF-8,
// when its fields are written out again as JSON strings, which are always
// valid UTF-8.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "app/record/json_text.h"
#include "json_string.h"
#include "utf8_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto fields = ReadFlatJson(std::string_view(reinterpret_cast<const char*>(data), size));
  if (fields.empty()) return 0;
  std::string again = "{";
  std::map<std::string, std::string> valid;
  for (const auto& [key, value] : fields) {
    again += (again.size() > 1 ? "," : "") + JsonString(key) + ":" + JsonString(value);
    valid[ValidUtf8(key)] = ValidUtf8(value);
  }
  std::size_t badBytes = 0;
  ValidUtf8(again, &badBytes);
  if (badBytes != 0 || ReadFlatJson(again + "}") != valid) std::abort();
  return 0;
}
