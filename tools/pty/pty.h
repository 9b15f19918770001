#pragma once
// A pseudo-terminal on openpty(3), for the simulated instrument and the tests.
// The slave end stays open for the object's life, so the master never reports a
// hang-up while the programmer has its side closed, and nothing is echoed before
// the programmer configures the line.
#include <string>

namespace pty {

// Raw mode, reads that never wait (VMIN = VTIME = 0). Throws std::system_error.
void makeRaw(int fd);

// Opens `path` as the programmer opens a port (O_RDWR | O_NOCTTY | O_NONBLOCK) and makes it
// raw; returns the descriptor. Throws std::system_error.
int openRaw(const std::string& path);

class Pty {
 public:
  enum class Master { Blocking, NonBlocking };
  explicit Pty(Master mode = Master::Blocking);  // throws std::system_error
  // An existing terminal device (a UART's far end, a USB gadget's tty) in place of a
  // new pty: opened raw and non-blocking as master(); there is no slave to keep open,
  // so the line's other side may see it hang up. Throws std::system_error.
  explicit Pty(const std::string& devicePath);
  ~Pty();
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  int master() const { return master_; }
  const std::string& slavePath() const { return slavePath_; }
  bool isOpen() const { return master_ >= 0; }
  // Hangs up the line: the other side of the slave sees POLLHUP, EIO and end of file.
  void close();

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

}  // namespace pty
