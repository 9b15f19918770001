#pragma once
// The program's entry on every platform: runs what the command line asks for.
#include <functional>

namespace cli {

// `runDialog` opens the dialog through the platform's backend and returns the exit code.
int RunProgram(int argc, const char* const* argv, const std::function<int()>& runDialog);

}  // namespace cli
