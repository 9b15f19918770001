// termios2 (TCGETS2/TCSETS2 with BOTHER) gives any baud rate, 14400 among them.
// <asm/termbits.h> cannot be mixed with <termios.h>, so this file is alone with it.
#include "line_settings.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace posix {
namespace {

BYTE ByteSizeOf(tcflag_t cflag) {
  switch (cflag & CSIZE) {
    case CS5:
      return 5;
    case CS6:
      return 6;
    case CS7:
      return 7;
    default:
      return 8;
  }
}

tcflag_t CsizeOf(BYTE byteSize) {
  switch (byteSize) {
    case 5:
      return CS5;
    case 6:
      return CS6;
    case 7:
      return CS7;
    default:
      return CS8;
  }
}

BYTE ParityOf(tcflag_t cflag) {
  if (!(cflag & PARENB)) return NOPARITY;
  if (cflag & CMSPAR) return (cflag & PARODD) ? MARKPARITY : SPACEPARITY;
  return (cflag & PARODD) ? ODDPARITY : EVENPARITY;
}

tcflag_t ParityFlags(BYTE parity) {
  switch (parity) {
    case ODDPARITY:
      return PARENB | PARODD;
    case EVENPARITY:
      return PARENB;
    case MARKPARITY:
      return PARENB | CMSPAR | PARODD;
    case SPACEPARITY:
      return PARENB | CMSPAR;
    default:
      return 0;
  }
}

void MakeRaw(termios2& t) {
  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXANY);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag |= CREAD | CLOCAL;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
}

void SetFlag(tcflag_t& flags, tcflag_t bit, bool on) { flags = on ? (flags | bit) : (flags & ~bit); }

}  // namespace

LineSettings DecodeLineSettings(const termios2& t) {
  LineSettings s;
  s.baud = t.c_ospeed;
  s.byteSize = ByteSizeOf(t.c_cflag);
  s.parity = ParityOf(t.c_cflag);
  s.stopBits = (t.c_cflag & CSTOPB) ? TWOSTOPBITS : ONESTOPBIT;
  s.parityCheck = (t.c_iflag & INPCK) != 0;
  s.rtsCtsFlow = (t.c_cflag & CRTSCTS) != 0;
  s.xonXoffOut = (t.c_iflag & IXON) != 0;
  s.xonXoffIn = (t.c_iflag & IXOFF) != 0;
  s.xonChar = static_cast<char>(t.c_cc[VSTART]);
  s.xoffChar = static_cast<char>(t.c_cc[VSTOP]);
  return s;
}

void EncodeLineSettings(const LineSettings& s, termios2& t) {
  MakeRaw(t);
  t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  t.c_cflag |= BOTHER | CsizeOf(s.byteSize) | ParityFlags(s.parity);
  t.c_cflag &= ~static_cast<tcflag_t>(CIBAUD);  // input speed follows the output speed
  SetFlag(t.c_cflag, CSTOPB, s.stopBits == TWOSTOPBITS);
  SetFlag(t.c_cflag, CRTSCTS, s.rtsCtsFlow);
  SetFlag(t.c_iflag, INPCK, s.parityCheck && s.parity != NOPARITY);
  SetFlag(t.c_iflag, IXON, s.xonXoffOut);
  SetFlag(t.c_iflag, IXOFF, s.xonXoffIn);
  t.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
  t.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
  t.c_ospeed = s.baud;
  t.c_ispeed = s.baud;
}

bool ReadLineSettings(int fd, LineSettings& settings) {
  termios2 t{};
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  settings = DecodeLineSettings(t);
  return true;
}

bool WriteLineSettings(int fd, const LineSettings& settings) {
  termios2 t{};
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  EncodeLineSettings(settings, t);
  return ioctl(fd, TCSETS2, &t) == 0;
}

}  // namespace posix
