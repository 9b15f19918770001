#include <fcntl.h>
#include <poll.h>
#include <signal.h>
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

#include "child_process.h"
#include "config_home.h"
#include "output.h"
#include "serial_file.h"
#include "system.h"
#include "upgrade/stop_request.h"

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

int gStopNotice[2] = {-1, -1};

void OnStopSignal(int signal) {
  const int savedErrno = errno;
  if (!RequestStop(signal)) {
    // The second request: the default action ends the program when the handler returns.
    ::signal(signal, SIG_DFL);
    raise(signal);
  } else if (gStopNotice[1] >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(gStopNotice[1], &byte, 1);
  }
  errno = savedErrno;
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

}  // namespace

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
  const int fd = open(real.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    report.why = errno == EACCES || errno == EPERM ? "permission denied (join the dialout group)"
                                                   : std::strerror(errno);
    return report;
  }
  report.openable = flock(fd, LOCK_EX | LOCK_NB) == 0;
  close(fd);
  if (!report.openable) report.why = Holder(real);
  return report;
}

UsbAdapter UsbAdapterOf(const std::string& port) {
  const std::string real = RealPath(DeviceOf(port));
  if (real.empty()) return {};
  // The tty's device, then up its parents to the USB device that carries the ids.
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path node = fs::canonical("/sys/class/tty/" + fs::path(real).filename().string() + "/device", ec);
  for (; !ec && node.has_relative_path(); node = node.parent_path()) {
    if (!fs::exists(node / "idVendor", ec)) continue;
    return UsbAdapter{FirstLine(node / "idVendor"), FirstLine(node / "idProduct"),
                      FirstLine(node / "serial")};
  }
  return {};
}

std::string HostName() {
  char name[256] = {};
  return gethostname(name, sizeof name - 1) == 0 ? name : "";
}

std::string PortRecipe() {
  return "To make COMn open an adapter: mkdir -p " + posix::ConfigHome() +
         "/orvex-programmer/ports && ln -sf " + "/dev/serial/by-id/<adapter> " + posix::ConfigHome() +
         "/orvex-programmer/ports/COMn";
}

bool HaveDisplay() {
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x != nullptr && *x != '\0') || (wayland != nullptr && *wayland != '\0');
}

bool OutputIsTerminal() { return isatty(STDOUT_FILENO) != 0; }

void UseStartingConsole() {}

std::string ComplaintPrefix() { return "orvex-programmer: "; }

void Complain(const std::string& text) { Print(stderr, ComplaintPrefix() + text + "\n"); }

void IgnoreLostOutput() { ::signal(SIGPIPE, SIG_IGN); }

void StopOnSignals() {
  if (gStopNotice[0] < 0 && pipe2(gStopNotice, O_CLOEXEC | O_NONBLOCK) != 0)
    gStopNotice[0] = gStopNotice[1] = -1;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigset_t stops;
  sigemptyset(&stops);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    sigaction(signal, &action, nullptr);
    sigaddset(&stops, signal);
  }
  // A port's process starts with them blocked (see ChildProcess): one that
  // came early is handled now.
  pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
}

int StopNotice() { return gStopNotice[0]; }

void WaitForStopRequest() {
  pollfd notice{StopNotice(), POLLIN, 0};
  while (poll(&notice, notice.fd >= 0 ? 1 : 0, -1) <= 0) {
  }
}

void StopHandled() {}

}  // namespace sys
