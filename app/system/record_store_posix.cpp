#include <fcntl.h>
#include <sys/stat.h>
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

namespace {

// Whether the file ends inside a line: the last line cut short by a power cut
// or a full disk, which the next line must not be joined to. A file that
// cannot be read (opened for writing only) is taken as whole.
bool EndsMidLine(int fd) {
  struct stat status {};
  char last = '\n';
  return fstat(fd, &status) == 0 && status.st_size > 0 && pread(fd, &last, 1, status.st_size - 1) == 1 &&
         last != '\n';
}

}  // namespace

bool AppendLine(const std::string& path, const std::string& line, std::string& error) {
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0 && errno == EACCES) fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  const std::string text = (EndsMidLine(fd) ? "\n" : "") + line + "\n";
  // One write to a file opened for appending lands whole, after every other.
  errno = 0;
  const bool written =
      write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && fsync(fd) == 0;
  // A short write sets no errno: the disk took only part of the line.
  if (!written)
    error = path + ": " + (errno != 0 ? std::strerror(errno) : "the disk took only part of the line");
  close(fd);
  return written;
}

std::string HostName() {
  char name[256] = {};
  return gethostname(name, sizeof name - 1) == 0 ? name : "";
}

}  // namespace sys
