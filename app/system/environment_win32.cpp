#include "environment.h"
#include "ui_core/wide_text.h"
#include "winapi.h"

namespace sys {

// Read from the process's own (wide) block: the C runtime's copy went through the code page.
std::string EnvironmentVariable(const char* name) {
  const std::wstring wideName = ui::win32::Widen(name);
  std::wstring value(256, L'\0');
  for (;;) {
    const DWORD length =
        GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length < value.size()) {
      value.resize(length);
      return ui::win32::Narrow(value);
    }
    value.resize(length);  // the size it needs, its terminating zero included
  }
}

}  // namespace sys
