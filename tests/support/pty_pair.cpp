#include "pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

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

PtyPair::PtyPair() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
    throw std::runtime_error("posix_openpt");
  slavePath_ = ptsname(master_);
  keeper_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios raw{};
  tcgetattr(keeper_, &raw);
  cfmakeraw(&raw);
  tcsetattr(keeper_, TCSANOW, &raw);
}

PtyPair::~PtyPair() { hangUp(); }

void PtyPair::write(const std::string& bytes) const {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n <= 0) throw std::runtime_error("pty write");
    done += static_cast<std::size_t>(n);
  }
}

std::string PtyPair::read(std::size_t count, std::chrono::milliseconds timeout) const {
  std::string received;
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (received.size() < count) {
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{master_, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    char chunk[4096];
    ssize_t n = ::read(master_, chunk, std::min(sizeof chunk, count - received.size()));
    if (n <= 0) break;
    received.append(chunk, static_cast<std::size_t>(n));
  }
  return received;
}

void PtyPair::hangUp() {
  if (master_ >= 0) close(master_);
  if (keeper_ >= 0) close(keeper_);
  master_ = keeper_ = -1;
}

}  // namespace test
