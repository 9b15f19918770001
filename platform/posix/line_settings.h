#pragma once
// The termios side of a port's DCB: speed, character frame and flow control.
#include "winapi.h"

struct termios2;

namespace posix {

struct LineSettings {
  DWORD baud = 0;
  BYTE byteSize = 8;
  BYTE parity = NOPARITY;
  BYTE stopBits = ONESTOPBIT;
  bool parityCheck = false;
  bool rtsCtsFlow = false;
  bool xonXoffOut = false;
  bool xonXoffIn = false;
  char xonChar = 0x11;
  char xoffChar = 0x13;
};

// The settings as termios2 flags over what `t` holds, in raw mode (below), and
// back: what the device would keep, whatever a pty drops.
void EncodeLineSettings(const LineSettings& settings, termios2& t);
LineSettings DecodeLineSettings(const termios2& t);

// Both return false with errno set on failure.
bool ReadLineSettings(int fd, LineSettings& settings);
// Applies the settings in raw mode: no canonical input, echo, signals,
// CR/NL translation or output processing; reads never block (VMIN=VTIME=0).
bool WriteLineSettings(int fd, const LineSettings& settings);

}  // namespace posix
