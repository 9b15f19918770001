#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "config_home.h"
#include "record_store.h"

namespace sys {

std::string RecordFolder(std::string& error) {
  std::string folder = posix::StateHome() + "/orvex-programmer";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    error = folder + ": " + ec.message();
    return "";
  }
  return folder;
}

bool AppendLine(const std::string& path, const std::string& line, std::string& error) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  const std::string text = line + "\n";
  // One write to a file opened for appending lands whole, after every other.
  const bool written =
      write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && fsync(fd) == 0;
  if (!written) error = path + ": " + std::strerror(errno);
  close(fd);
  return written;
}

std::string HostName() {
  char name[256] = {};
  return gethostname(name, sizeof name - 1) == 0 ? name : "";
}

}  // namespace sys
