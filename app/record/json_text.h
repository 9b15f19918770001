#pragma once
// The small pieces of JSON the record and batch mode's event stream write.
#include <string>

// `text` as a JSON string, quotes included.
std::string JsonString(const std::string& text);
// Now in UTC, ISO 8601: to the second, or to the millisecond.
std::string UtcNow();
std::string UtcNowMilliseconds();
