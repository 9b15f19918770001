#include "output.h"

#include <cstdarg>

#include "console.h"

namespace sys {

void Print(std::FILE* stream, const std::string& text) {
  // The stream's error flag stays set after a failed write or flush.
  if (std::ferror(stream) != 0 || WriteToConsole(stream, text)) return;
  std::fputs(text.c_str(), stream);
  std::fflush(stream);
}

void PrintFormatted(std::FILE* stream, const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  Print(stream, text);
}

}  // namespace sys
