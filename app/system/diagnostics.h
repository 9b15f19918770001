#pragma once
// Diagnostics for whoever runs the program.
// diagnostics_posix.cpp or diagnostics_win32.cpp, chosen by the build.
#include <string>

namespace sys {

// A diagnostic line: standard error (and, on Windows, the debugger output).
void Complain(const std::string& text);
// What every such diagnostic line begins with.
std::string ComplaintPrefix();
// The system's text for its error `code` (errno on Linux, GetLastError() on Windows).
std::string SystemErrorText(unsigned long code);

}  // namespace sys
