#include "named_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace {

// The FIFO's first byte, read without blocking: 1, or 0 while no program
// holds it open to write, or -1 with EAGAIN while one does but has written
// nothing yet.
ssize_t FirstByte(int fd, std::chrono::milliseconds wait, char& byte) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  ssize_t got = 0;
  while ((got = read(fd, &byte, 1)) == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return got;
}

}  // namespace

std::filesystem::path NamedPath(const std::string& name) { return name; }

std::FILE* OpenNamedFile(const std::string& name, const char* mode) { return std::fopen(name.c_str(), mode); }

std::FILE* OpenNamedFifo(const std::string& name, std::chrono::milliseconds wait) {
  // Opening to read without O_NONBLOCK would wait for a writer, however long.
  const int fd = open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  char first = 0;
  const ssize_t got = FirstByte(fd, wait, first);
  std::FILE* file = nullptr;
  if ((got > 0 || (got < 0 && errno == EAGAIN)) && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0)
    file = fdopen(fd, "rb");
  if (file != nullptr) {
    if (got > 0) std::ungetc(static_cast<unsigned char>(first), file);
    return file;
  }
  const int error = got == 0 ? ENXIO : errno;
  close(fd);
  errno = error;
  return nullptr;
}
