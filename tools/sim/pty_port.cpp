#include "sim/pty_port.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace sim {
namespace {

[[noreturn]] void throwErrno(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

PtyPort::PtyPort() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) throwErrno("posix_openpt");
  try {
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) throwErrno("grantpt/unlockpt");
    if (fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK) != 0) throwErrno("fcntl");
    char path[128];
    if (ptsname_r(master_, path, sizeof path) != 0) throwErrno("ptsname_r");
    slavePath_ = path;
    openSlave();
  } catch (...) {
    close();
    throw;
  }
}

PtyPort::~PtyPort() { close(); }

void PtyPort::openSlave() {
  slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave_ < 0) throwErrno("open pty slave");
  termios tio{};
  if (tcgetattr(slave_, &tio) != 0) throwErrno("tcgetattr");
  cfmakeraw(&tio);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (tcsetattr(slave_, TCSANOW, &tio) != 0) throwErrno("tcsetattr");
}

void PtyPort::close() {
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
  slave_ = master_ = -1;
}

}  // namespace sim
