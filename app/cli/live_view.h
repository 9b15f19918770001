#pragma once
// What batch mode with many ports shows on a terminal: the ports' live lines,
// fitted to the terminal's size, and above them every line of a port's
// standard error that the live lines do not already say.
#include <string>
#include <vector>

#include "port_runs.h"

namespace cli {

// Whether a line of a port's standard error goes above the live lines: all
// but the status texts and progress lines that its live line shows.
bool ShowsAbove(const std::string& line);

// The live lines for a terminal of `rows` and `columns`: at most rows - 1
// lines (the cursor's row stays below them), each shorter than `columns`, cut
// between characters, the ports' texts Visible and a tab a space. One line per
// port when every port fits; else one line that counts the ports done and
// their outcomes, then the ports still running, as many as fit, the last line
// counting those that do not.
std::vector<std::string> LiveLines(const std::vector<PortRun>& runs, int rows, int columns);

}  // namespace cli
