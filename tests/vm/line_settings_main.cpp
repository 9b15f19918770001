// vm-line-settings COMn DEVICE: every line setting the program's tables allow,
// applied through SetCommState on COMn and read back twice: by GetCommState and
// by the kernel's own flags on a second descriptor of DEVICE. A pty drops the
// frame; a UART's driver keeps it. Prints each mismatch; exit 0 when none.
#include <asm/termbits.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

#include "serial/port_tables.h"
#include "winapi.h"

namespace {

// Whether the driver's own flags hold `dcb`'s frame: termios spelled out here, not by the program's
// encoder.
bool KernelKeeps(int fd, const DCB& dcb) {
  const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
  const tcflag_t parities[] = {0, PARENB | PARODD, PARENB, PARENB | PARODD | CMSPAR, PARENB | CMSPAR};
  termios2 t{};
  return ioctl(fd, TCGETS2, &t) == 0 && t.c_ospeed == dcb.BaudRate &&
         (t.c_cflag & CSIZE) == sizes[dcb.ByteSize - 5] &&
         (t.c_cflag & (PARENB | PARODD | CMSPAR)) == parities[dcb.Parity] &&
         (t.c_cflag & CSTOPB) == (dcb.StopBits == TWOSTOPBITS ? CSTOPB : 0u);
}

bool SameFrame(const DCB& a, const DCB& b) {
  return a.BaudRate == b.BaudRate && a.ByteSize == b.ByteSize && a.Parity == b.Parity &&
         a.StopBits == b.StopBits;
}

// One setting; false and a line on standard output when it did not hold.
bool Check(HANDLE port, int kernelFd, DWORD baud, BYTE size, BYTE parity, BYTE stop) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port, &dcb)) return std::printf("GetCommState failed\n") < 0;
  dcb.BaudRate = baud, dcb.ByteSize = size, dcb.Parity = parity, dcb.StopBits = stop;
  const bool applied = SetCommState(port, &dcb) != FALSE;
  DCB back{};
  back.DCBlength = sizeof back;
  const char* fault = nullptr;
  if (stop == ONE5STOPBITS) {
    if (applied) fault = "1.5 stop bits taken (termios has no such frame)";
  } else if (!applied) {
    fault = "SetCommState refused it";
  } else if (!GetCommState(port, &back) || !SameFrame(dcb, back)) {
    fault = "GetCommState reads back another frame";
  } else if (!KernelKeeps(kernelFd, dcb)) {
    fault = "the driver keeps another frame";
  }
  if (fault != nullptr)
    std::printf("%lu baud, %u data bits, parity %u, stop bits code %u: %s\n",
                static_cast<unsigned long>(baud), size, parity, stop, fault);
  return fault == nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: vm-line-settings COMn DEVICE\n");
    return 2;
  }
  HANDLE port = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OVERLAPPED, nullptr);
  const int kernelFd = open(argv[2], O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (port == INVALID_HANDLE_VALUE || kernelFd < 0) {
    std::printf("cannot open %s and %s\n", argv[1], argv[2]);
    return 1;
  }
  int settings = 0, faults = 0;
  for (const DWORD baud : kBaudRates)
    for (const BYTE size : kByteSizes)
      for (const BYTE parity : kParities)
        for (const BYTE stop : kStopBits) {
          ++settings;
          if (!Check(port, kernelFd, baud, size, parity, stop)) ++faults;
        }
  CloseHandle(port);
  close(kernelFd);
  std::printf("%d line settings applied and read back on %s, %d faults\n", settings, argv[2], faults);
  return faults == 0 ? 0 : 1;
}
