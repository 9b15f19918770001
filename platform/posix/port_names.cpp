#include <unistd.h>

#include <sys/stat.h>
#include <string>

#include "config_home.h"
#include "serial_file.h"

namespace posix {
namespace {

// "COMn" with n from 1 to 256, or 0 for any other name.
int PortNumber(const char* name) {
  std::string text = name;
  if (text.size() < 4 || text.size() > 6 || text.compare(0, 3, "COM") != 0) return 0;
  int number = 0;
  for (std::size_t i = 3; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    number = number * 10 + (text[i] - '0');
  }
  return (text[3] != '0' && number <= 256) ? number : 0;
}

std::string PortsDirectory() { return ConfigHome() + "/orvex-programmer/ports/"; }

}  // namespace

std::string DevicePathForPort(const char* name) {
  int number = PortNumber(name);
  if (number == 0) return {};
  std::string link = PortsDirectory() + name;
  struct stat info {};
  if (lstat(link.c_str(), &info) == 0) return link;
  return "/dev/ttyS" + std::to_string(number - 1);
}

}  // namespace posix
