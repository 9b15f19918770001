#pragma once
// Batch mode with many ports: every port's upgrade at once, each in a process
// of this program (the serial link's state is per process), started and
// watched by this one. The children stream their events (--json) to it; it
// shows them, passes a stop on to every child, and ends with a table and the
// exit code of the first failed port.
#include <string>

#include "command_line.h"

namespace cli {

// `program`: the name this program was started by, for the retry command.
int RunManyPorts(const CommandLine& line, const std::string& program);

}  // namespace cli
