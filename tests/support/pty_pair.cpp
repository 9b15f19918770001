#include "pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "posix/clock.h"

namespace test {
namespace fs = std::filesystem;

ConfigHome::ConfigHome() {
  char pattern[] = "/tmp/orvex-test-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp");
  path_ = pattern;
  fs::create_directories(path_ + "/orvex-programmer/ports");
  setenv("XDG_CONFIG_HOME", path_.c_str(), 1);
}

ConfigHome::~ConfigHome() {
  unsetenv("XDG_CONFIG_HOME");
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void ConfigHome::link(const std::string& portName, const std::string& target) const {
  fs::path link = path_ + "/orvex-programmer/ports/" + portName;
  std::error_code ignored;
  fs::remove(link, ignored);
  fs::create_symlink(target, link);
}

void PtyPair::write(const std::string& bytes) const {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(pty_.master(), bytes.data() + done, bytes.size() - done);
    if (n <= 0) throw std::runtime_error("pty write");
    done += static_cast<std::size_t>(n);
  }
}

std::string PtyPair::read(std::size_t count, std::chrono::milliseconds timeout) const {
  std::string received;
  const posix::TimePoint deadline = posix::After(timeout);
  while (received.size() < count && !posix::Passed(deadline)) {
    pollfd p{pty_.master(), POLLIN, 0};
    const timespec left = posix::TimeoutUntil(deadline);
    if (ppoll(&p, 1, &left, nullptr) <= 0) break;
    char chunk[4096];
    ssize_t n = ::read(pty_.master(), chunk, std::min(sizeof chunk, count - received.size()));
    if (n <= 0) break;
    received.append(chunk, static_cast<std::size_t>(n));
  }
  return received;
}

}  // namespace test
