#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "config_home.h"
#include "port_finder.h"
#include "serial_file.h"

namespace sys {
namespace {

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? resolved : "";
}

std::string ProcessName(const std::string& pid) {
  std::ifstream comm("/proc/" + pid + "/comm");
  std::string name;
  std::getline(comm, name);
  std::string holder = "held by process ";
  holder += pid;
  holder += " (" + name + ")";
  return holder;
}

// The process holding the lock on `device` (the exclusive open), from
// /proc/locks: "1: FLOCK ADVISORY WRITE <pid> <major>:<minor>:<inode> 0 EOF".
std::string LockHolder(const std::string& device) {
  struct stat info {};
  if (stat(device.c_str(), &info) != 0) return "";
  char file[64];
  std::snprintf(file, sizeof file, "%02x:%02x:%llu", major(info.st_dev), minor(info.st_dev),
                static_cast<unsigned long long>(info.st_ino));
  std::ifstream locks("/proc/locks");
  std::string number, kind, mode, access, pid, where;
  std::string rest;
  while (locks >> number >> kind >> mode >> access >> pid >> where) {
    std::getline(locks, rest);
    if (where == file) return ProcessName(pid);
  }
  return "";
}

// Else the first process that has `device` open (own processes, or all for root).
std::string Holder(const std::string& device) {
  if (std::string locker = LockHolder(device); !locker.empty()) return locker;
  std::error_code ec;
  for (const auto& process : std::filesystem::directory_iterator("/proc", ec)) {
    const std::string pid = process.path().filename();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    for (const auto& fd : std::filesystem::directory_iterator(process.path() / "fd", ec))
      if (RealPath(fd.path()) == device) return ProcessName(pid);
  }
  return "held by another program";
}

std::string FirstLine(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string ByIdName(const std::string& device) {
  std::error_code ec;
  for (const auto& link : std::filesystem::directory_iterator("/dev/serial/by-id", ec))
    if (RealPath(link.path()) == device) return link.path();
  return "";
}

// The USB device behind a tty (the node that carries the ids): up the tty's
// device's parents in sysfs. Empty for a tty that is not on USB.
std::filesystem::path UsbDeviceOf(const std::string& real) {
  namespace fs = std::filesystem;
  if (real.empty()) return {};
  std::error_code ec;
  fs::path node = fs::canonical("/sys/class/tty/" + fs::path(real).filename().string() + "/device", ec);
  for (; !ec && node.has_relative_path(); node = node.parent_path())
    if (fs::exists(node / "idVendor", ec)) return node;
  return {};
}

// "QEMU QEMU USB SERIAL, USB 0403:6001, serial A5XK3RJT": the adapter as its
// device names itself, for the port finder.
std::string AdapterText(const std::string& real) {
  const std::filesystem::path node = UsbDeviceOf(real);
  if (node.empty()) return "";
  std::string name = FirstLine(node / "manufacturer");
  const std::string product = FirstLine(node / "product");
  if (!product.empty()) name += (name.empty() ? "" : " ") + product;
  std::string text = (name.empty() ? "" : name + ", ") + "USB " + FirstLine(node / "idVendor") + ":" +
                     FirstLine(node / "idProduct");
  if (const std::string serial = FirstLine(node / "serial"); !serial.empty()) text += ", serial " + serial;
  return text;
}

}  // namespace

std::string DeviceOf(const std::string& port) {
  const std::string path = posix::DevicePathForPort(port.c_str());
  const std::string real = RealPath(path);
  return real.empty() ? path : real;
}

PortReport ReportPort(const std::string& port) {
  PortReport report;
  report.device = DeviceOf(port);
  const std::string real = RealPath(report.device);
  report.exists = !real.empty();
  if (!report.exists) {
    report.why = "no such device";
    return report;
  }
  report.stableName = ByIdName(real);
  report.adapter = AdapterText(real);
  const int fd = open(real.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    report.why = errno == EACCES || errno == EPERM ? "permission denied (join the dialout group)"
                                                   : std::strerror(errno);
    return report;
  }
  if (posix::IsEmptyUartSlot(fd)) {
    close(fd);
    report.exists = false;
    report.noUart = true;
    report.why = "no UART behind it";
    return report;
  }
  report.openable = flock(fd, LOCK_EX | LOCK_NB) == 0;
  close(fd);
  if (!report.openable) report.why = Holder(real);
  return report;
}

UsbAdapter UsbAdapterOf(const std::string& port) {
  const std::filesystem::path node = UsbDeviceOf(RealPath(DeviceOf(port)));
  if (node.empty()) return {};
  return UsbAdapter{FirstLine(node / "idVendor"), FirstLine(node / "idProduct"), FirstLine(node / "serial")};
}

std::string PortRecipe() {
  return "To make COMn open an adapter: mkdir -p " + posix::ConfigHome() +
         "/orvex-programmer/ports && ln -sf " + "/dev/serial/by-id/<adapter> " + posix::ConfigHome() +
         "/orvex-programmer/ports/COMn";
}

}  // namespace sys
