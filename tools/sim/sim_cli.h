#pragma once
// Command line of the instrument-sim program.
#include <optional>
#include <string>
#include <vector>

#include "sim/options.h"

namespace sim {

struct CliSettings {
  Options options;
  std::string configHome;  // empty: the programmer's configuration folder
  std::string link;        // COM name to link, e.g. COM3; empty: no link
  std::string expectPath;  // the file options.expectedImage was read from
  bool help = false;
};

// Parses the arguments after the program name; on error returns nullopt and sets error.
std::optional<CliSettings> parseCli(const std::vector<std::string>& args, std::string& error);
std::string cliHelp();
// The folder to link COMn in: --config-home, else where the programmer looks.
std::string configHome(const CliSettings& settings);

}  // namespace sim
