// vm-modem-lines DEVICE: the modem lines the driver reports (TIOCMGET), read
// beside whoever holds the port, e.g. "DTR RTS". Exit 1 when they cannot be read.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vm-modem-lines DEVICE\n");
    return 2;
  }
  const int fd = open(argv[1], O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  int lines = 0;
  if (fd < 0 || ioctl(fd, TIOCMGET, &lines) != 0) {
    std::printf("%s: %s\n", argv[1], std::strerror(errno));
    return 1;
  }
  close(fd);
  const struct {
    int bit;
    const char* name;
  } names[] = {{TIOCM_DTR, "DTR"}, {TIOCM_RTS, "RTS"}, {TIOCM_CTS, "CTS"},
               {TIOCM_DSR, "DSR"}, {TIOCM_CD, "DCD"},  {TIOCM_RI, "RI"}};
  for (const auto& line : names)
    if ((lines & line.bit) != 0) std::printf("%s ", line.name);
  std::printf("\n");
  return 0;
}
