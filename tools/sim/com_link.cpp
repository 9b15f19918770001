#include "sim/com_link.h"

#include <unistd.h>

#include <filesystem>

namespace sim {

namespace fs = std::filesystem;

std::string linkComPort(const std::string& configHome, const std::string& comName,
                        const std::string& target) {
  const fs::path dir = fs::path(configHome) / "orvex-programmer" / "ports";
  fs::create_directories(dir);
  const fs::path link = dir / comName;
  // A new link renamed over the old one replaces it in one step.
  const fs::path temporary = dir / ("." + comName + "." + std::to_string(getpid()));
  fs::remove(temporary);
  fs::create_symlink(target, temporary);
  fs::rename(temporary, link);
  return link.string();
}

void unlinkComPort(const std::string& linkPath, const std::string& target) {
  std::error_code error;
  if (fs::read_symlink(linkPath, error) == fs::path(target)) fs::remove(linkPath, error);
}

}  // namespace sim
