#include "serial_file.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>

#include "io_operation.h"

namespace posix {

SerialFile::SerialFile(int fd) : core_(std::make_shared<PortCore>()) {
  core_->fd = fd;
  core_->dcb.DCBlength = sizeof(DCB);
  core_->dcb.fBinary = 1;
  core_->dcb.fDtrControl = DTR_CONTROL_ENABLE;
  core_->dcb.fRtsControl = RTS_CONTROL_ENABLE;
  core_->dcb.fTXContinueOnXoff = 1;
  core_->dcb.XonLim = 2048;
  core_->dcb.XoffLim = 512;
}

SerialFile::~SerialFile() {
  std::lock_guard lock(core_->mutex);
  auto operations = core_->operations;
  for (auto* operation : operations) operation->finishLocked(ERROR_OPERATION_ABORTED);
  close(core_->fd);
  core_->fd = -1;
}

bool IsEmptyUartSlot(int fd) {
  serial_struct info{};
  termios settings{};
  return ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN && tcgetattr(fd, &settings) != 0 &&
         errno == EIO;
}

// The message box names only the failing call; the way out is a Linux matter.
void SayPermissionHintOnce(const std::string& path) {
  static std::atomic_flag said = ATOMIC_FLAG_INIT;
  if (said.test_and_set()) return;
  std::fprintf(stderr,
               "orvex-programmer: no permission to open %s: the user must be in the dialout group "
               "(sudo usermod -aG dialout $USER, then log in again)\n",
               path.c_str());
}

}  // namespace posix

HANDLE CreateFileA(LPCSTR name, DWORD, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD, HANDLE) {
  // "\\.\COMn" names the same port as "COMn".
  std::string_view port = name != nullptr ? name : "";
  if (port.starts_with(R"(\\.\)")) port.remove_prefix(4);
  std::string path = posix::DevicePathForPort(std::string(port).c_str());
  if (path.empty() || disposition != OPEN_EXISTING) {
    SetLastError(path.empty() ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == EACCES || errno == EPERM) posix::SayPermissionHintOnce(path);
    SetLastError(posix::ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  // Nothing behind the slot: as a port that is not there, not one that refuses its settings.
  if (posix::IsEmptyUartSlot(fd)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    close(fd);
    return INVALID_HANDLE_VALUE;
  }
  // Share mode 0 asks for exclusive use; flock holds even against root.
  if (share == 0 && flock(fd, LOCK_EX | LOCK_NB) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    close(fd);
    return INVALID_HANDLE_VALUE;
  }
  return posix::Register(new posix::SerialFile(fd));
}
