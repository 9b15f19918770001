#include <string>

#include "diagnostics.h"
#include "output.h"
#include "ui_core/wide_text.h"
#include "winapi.h"

namespace sys {

std::string ComplaintPrefix() { return "ORVEX_DIALOG1: "; }

void Complain(const std::string& text) {
  const std::string line = ComplaintPrefix() + text + "\n";
  OutputDebugStringW(ui::win32::Widen(line).c_str());
  Print(stderr, line);
}

// In the system's language, as UTF-8 like every other text inside.
std::string SystemErrorText(unsigned long code) {
  wchar_t text[256] = {};
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                 sizeof text / sizeof text[0], nullptr);
  std::string message = ui::win32::Narrow(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return message.empty() ? "error " + std::to_string(code) : message;
}

}  // namespace sys
