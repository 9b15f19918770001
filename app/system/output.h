#pragma once
// The program's printed output. A stream that went away (a closed pipe, a
// terminal that is gone) is dropped: from its first failed write on it is
// skipped, and whatever runs goes on.
#include <cstdio>
#include <string>

namespace sys {

void Print(std::FILE* stream, const std::string& text);
// printf-style, for the progress lines.
[[gnu::format(printf, 2, 3)]] void PrintFormatted(std::FILE* stream, const char* format, ...);

}  // namespace sys
