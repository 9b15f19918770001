// Modem lines and line errors. A device without modem lines (a pty answers
// ENOTTY or EINVAL) has nothing to raise and nothing to report.
#include <linux/serial.h>
#include <sys/ioctl.h>

#include <cerrno>

#include "serial_file.h"

namespace posix {
namespace {

bool NoModemLines(int error) { return error == ENOTTY || error == EINVAL; }

DWORD ModemBits(int lines) {
  DWORD status = 0;
  if (lines & TIOCM_CTS) status |= MS_CTS_ON;
  if (lines & TIOCM_DSR) status |= MS_DSR_ON;
  if (lines & TIOCM_RNG) status |= MS_RING_ON;
  if (lines & TIOCM_CD) status |= MS_RLSD_ON;
  return status;
}

// Error flags for the counters that grew since the last call.
DWORD ErrorFlags(const serial_icounter_struct& now, DWORD (&last)[4]) {
  const DWORD counts[4] = {static_cast<DWORD>(now.frame), static_cast<DWORD>(now.overrun),
                           static_cast<DWORD>(now.parity), static_cast<DWORD>(now.brk)};
  const DWORD flags[4] = {CE_FRAME, CE_OVERRUN, CE_RXPARITY, CE_BREAK};
  DWORD errors = 0;
  for (int i = 0; i < 4; ++i) {
    if (counts[i] != last[i]) errors |= flags[i];
    last[i] = counts[i];
  }
  return errors;
}

BOOL Fail(int error) {
  SetLastError(ErrorFromErrno(error));
  return FALSE;
}

}  // namespace
}  // namespace posix

using posix::SerialFile;

BOOL EscapeCommFunction(HANDLE file, DWORD function) {
  auto* serial = posix::LookupAs<SerialFile>(file);
  if (serial == nullptr) return FALSE;
  int line = (function == SETDTR || function == CLRDTR) ? TIOCM_DTR : TIOCM_RTS;
  bool raise = function == SETDTR || function == SETRTS;
  if (function < SETRTS || function > CLRDTR) return posix::Fail(EINVAL);
  std::lock_guard lock(serial->core()->mutex);
  if (ioctl(serial->core()->fd, raise ? TIOCMBIS : TIOCMBIC, &line) != 0 && !posix::NoModemLines(errno))
    return posix::Fail(errno);
  return TRUE;
}

BOOL GetCommModemStatus(HANDLE file, LPDWORD status) {
  auto* serial = posix::LookupAs<SerialFile>(file);
  if (serial == nullptr) return FALSE;
  std::lock_guard lock(serial->core()->mutex);
  int lines = 0;
  if (ioctl(serial->core()->fd, TIOCMGET, &lines) != 0) {
    if (!posix::NoModemLines(errno)) return posix::Fail(errno);
    lines = 0;
  }
  *status = posix::ModemBits(lines);
  return TRUE;
}

BOOL ClearCommError(HANDLE file, LPDWORD errors, LPCOMSTAT stat) {
  auto* serial = posix::LookupAs<SerialFile>(file);
  if (serial == nullptr) return FALSE;
  auto& core = *serial->core();
  std::lock_guard lock(core.mutex);
  serial_icounter_struct counters{};
  DWORD flags = 0;
  if (ioctl(core.fd, TIOCGICOUNT, &counters) == 0) {
    flags = posix::ErrorFlags(counters, core.lastErrorCounters);
  } else if (!posix::NoModemLines(errno)) {
    return posix::Fail(errno);
  }
  int inQueue = 0, outQueue = 0;
  if (ioctl(core.fd, FIONREAD, &inQueue) != 0 && !posix::NoModemLines(errno)) return posix::Fail(errno);
  if (ioctl(core.fd, TIOCOUTQ, &outQueue) != 0 && !posix::NoModemLines(errno)) return posix::Fail(errno);
  if (errors != nullptr) *errors = flags;
  if (stat != nullptr) {
    *stat = COMSTAT{};
    stat->cbInQue = static_cast<DWORD>(inQueue);
    stat->cbOutQue = static_cast<DWORD>(outQueue);
  }
  return TRUE;
}
