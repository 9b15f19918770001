#pragma once
// The environment's variables as UTF-8 (on Windows read wide, whatever the
// code page). environment_posix.cpp or environment_win32.cpp, chosen by the build.
#include <string>

namespace sys {

// The variable's value; empty when it is not set.
std::string EnvironmentVariable(const char* name);

}  // namespace sys
