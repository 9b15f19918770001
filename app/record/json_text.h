#pragma once
// The small pieces of JSON the record and batch mode's event stream write.
#include <map>
#include <string>
#include <string_view>

// Now in UTC, ISO 8601: to the second, or to the millisecond.
std::string UtcNow();
std::string UtcNowMilliseconds();

// The fields of one flat JSON object, as the event stream writes them:
// strings unescaped, numbers and literals as written. Empty when `text` is
// not such an object (nesting included).
std::map<std::string, std::string> ReadFlatJson(std::string_view text);
