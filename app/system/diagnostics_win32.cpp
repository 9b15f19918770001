#include <string>

#include "diagnostics.h"
#include "output.h"
#include "winapi.h"

namespace sys {

std::string ComplaintPrefix() { return "ORVEX_DIALOG1: "; }

void Complain(const std::string& text) {
  const std::string line = ComplaintPrefix() + text + "\n";
  OutputDebugStringA(line.c_str());
  Print(stderr, line);
}

std::string SystemErrorText(unsigned long code) {
  char text[256] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                 sizeof text, nullptr);
  std::string message = text;
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return message.empty() ? "error " + std::to_string(code) : message;
}

}  // namespace sys
