#pragma once
// Publishes the pty under a COM port name: ${configHome}/orvex-programmer/ports/COMn -> slave.
#include <string>

namespace sim {

// Creates the directories and (re)places the link; returns the link path. Throws on failure.
std::string linkComPort(const std::string& configHome, const std::string& comName, const std::string& target);
// Removes the link if it still points at target (another simulator may have taken the name).
void unlinkComPort(const std::string& linkPath, const std::string& target);

}  // namespace sim
