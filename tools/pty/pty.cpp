#include "pty/pty.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>

namespace pty {
namespace {

[[noreturn]] void throwErrno(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

void addFlags(int fd, int getCommand, int setCommand, int flags) {
  const int current = fcntl(fd, getCommand);
  if (current < 0 || fcntl(fd, setCommand, current | flags) != 0) throwErrno("fcntl");
}

}  // namespace

void makeRaw(int fd) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) throwErrno("tcgetattr");
  cfmakeraw(&tio);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &tio) != 0) throwErrno("tcsetattr");
}

int openRaw(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throwErrno("open " + path);
  try {
    makeRaw(fd);
  } catch (...) {
    ::close(fd);
    throw;
  }
  return fd;
}

Pty::Pty(Master mode) {
  if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) throwErrno("openpty");
  try {
    // openpty(3) takes no O_CLOEXEC: a child of the test or simulator must not keep the line up.
    addFlags(master_, F_GETFD, F_SETFD, FD_CLOEXEC);
    addFlags(slave_, F_GETFD, F_SETFD, FD_CLOEXEC);
    if (mode == Master::NonBlocking) addFlags(master_, F_GETFL, F_SETFL, O_NONBLOCK);
    std::array<char, 128> path{};
    if (const int error = ttyname_r(slave_, path.data(), path.size()); error != 0) {
      errno = error;
      throwErrno("ttyname_r");
    }
    slavePath_ = path.data();
    makeRaw(slave_);
  } catch (...) {
    close();
    throw;
  }
}

// With VMIN = 0 a tty's read returns 0 when nothing is there, which a master's
// never does and the serving loop takes for a hang-up; with VMIN = 1 an empty
// non-blocking read fails with EAGAIN, as a master's does.
Pty::Pty(const std::string& devicePath) : master_(openRaw(devicePath)), slavePath_(devicePath) {
  termios tio{};
  if (tcgetattr(master_, &tio) == 0) {
    tio.c_cc[VMIN] = 1;
    if (tcsetattr(master_, TCSANOW, &tio) == 0) return;
  }
  const int error = errno;
  close();
  errno = error;
  throwErrno("tcsetattr " + devicePath);
}

Pty::~Pty() { close(); }

void Pty::close() {
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
  slave_ = master_ = -1;
}

}  // namespace pty
