// DCB and COMMTIMEOUTS of an open port.
#include <cerrno>

#include "line_settings.h"
#include "serial_file.h"

namespace posix {
namespace {

bool Valid(const DCB& dcb) {
  return dcb.BaudRate > 0 && dcb.ByteSize >= 5 && dcb.ByteSize <= 8 && dcb.Parity <= SPACEPARITY &&
         (dcb.StopBits == ONESTOPBIT || dcb.StopBits == TWOSTOPBITS);
}

LineSettings SettingsFrom(const DCB& dcb) {
  LineSettings s;
  s.baud = dcb.BaudRate;
  s.byteSize = dcb.ByteSize;
  s.parity = dcb.Parity;
  s.stopBits = dcb.StopBits;
  s.parityCheck = dcb.fParity != 0;
  s.rtsCtsFlow = dcb.fOutxCtsFlow != 0 || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
  s.xonXoffOut = dcb.fOutX != 0;
  s.xonXoffIn = dcb.fInX != 0;
  s.xonChar = dcb.XonChar;
  s.xoffChar = dcb.XoffChar;
  return s;
}

void FillFrom(const LineSettings& s, DCB& dcb) {
  dcb.BaudRate = s.baud;
  dcb.ByteSize = s.byteSize;
  dcb.Parity = s.parity;
  dcb.StopBits = s.stopBits;
  dcb.fParity = s.parityCheck ? 1 : 0;
  dcb.fOutxCtsFlow = s.rtsCtsFlow ? 1 : 0;
  if (s.rtsCtsFlow) {
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
  } else if (dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) {
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
  }
  dcb.fOutX = s.xonXoffOut ? 1 : 0;
  dcb.fInX = s.xonXoffIn ? 1 : 0;
  dcb.XonChar = s.xonChar;
  dcb.XoffChar = s.xoffChar;
}

}  // namespace
}  // namespace posix

using posix::SerialFile;

BOOL GetCommState(HANDLE file, LPDCB dcb) {
  auto* serial = posix::LookupAs<SerialFile>(file);
  if (serial == nullptr) return FALSE;
  auto& core = *serial->core();
  std::lock_guard lock(core.mutex);
  posix::LineSettings settings;
  if (!posix::ReadLineSettings(core.fd, settings)) {
    SetLastError(posix::ErrorFromErrno(errno));
    return FALSE;
  }
  *dcb = core.dcb;
  posix::FillFrom(settings, *dcb);
  return TRUE;
}

BOOL SetCommState(HANDLE file, LPDCB dcb) {
  auto* serial = posix::LookupAs<SerialFile>(file);
  if (serial == nullptr) return FALSE;
  if (!posix::Valid(*dcb)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto& core = *serial->core();
  std::lock_guard lock(core.mutex);
  if (!posix::WriteLineSettings(core.fd, posix::SettingsFrom(*dcb))) {
    SetLastError(posix::ErrorFromErrno(errno));
    return FALSE;
  }
  core.dcb = *dcb;
  return TRUE;
}

BOOL SetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts) {
  auto* serial = posix::LookupAs<SerialFile>(file);
  if (serial == nullptr) return FALSE;
  std::lock_guard lock(serial->core()->mutex);
  serial->core()->timeouts = *timeouts;
  return TRUE;
}

BOOL GetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts) {
  auto* serial = posix::LookupAs<SerialFile>(file);
  if (serial == nullptr) return FALSE;
  std::lock_guard lock(serial->core()->mutex);
  *timeouts = serial->core()->timeouts;
  return TRUE;
}

BOOL SetupComm(HANDLE file, DWORD inQueue, DWORD outQueue) {
  auto* serial = posix::LookupAs<SerialFile>(file);
  if (serial == nullptr) return FALSE;
  std::lock_guard lock(serial->core()->mutex);
  serial->core()->inQueue = inQueue;
  serial->core()->outQueue = outQueue;
  return TRUE;
}

BOOL GetCommProperties(HANDLE file, LPCOMMPROP props) {
  auto* serial = posix::LookupAs<SerialFile>(file);
  if (serial == nullptr) return FALSE;
  std::lock_guard lock(serial->core()->mutex);
  *props = COMMPROP{};
  props->dwCurrentRxQueue = serial->core()->inQueue;
  props->dwCurrentTxQueue = serial->core()->outQueue;
  return TRUE;
}
