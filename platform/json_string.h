#pragma once
// JSON strings as the upgrade record and the event stream write them, and as
// the programs that read them back take them apart.
#include <cstddef>
#include <string>
#include <string_view>

// `text` as a JSON string, quotes included; always valid UTF-8 (ValidUtf8).
std::string JsonString(const std::string& text);
// The escape whose backslash stood just before `at` (the letter after it, and
// the four digits of \uXXXX), decoded onto `out` as UTF-8; `at` moves past it.
// False when it is not an escape JSON knows.
bool TakeJsonEscape(std::string_view text, std::size_t& at, std::string& out);
