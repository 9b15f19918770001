#pragma once
// The settings OpenCommPort chooses from, by index.
#include <array>

#include "winapi.h"

// The prefix that names a port in the device namespace: "\\.\COM10".
inline constexpr char kDeviceNamespace[] = "\\\\.\\";
inline constexpr std::array<const char*, 12> kPortNames = {"COM1", "COM2", "COM3", "COM4",  "COM5",  "COM6",
                                                           "COM7", "COM8", "COM9", "COM10", "COM11", "COM12"};
// The name of the port at `index` in the port list; empty when there is none.
inline const char* PortName(int index) {
  return index >= 0 && static_cast<std::size_t>(index) < kPortNames.size()
             ? kPortNames[static_cast<std::size_t>(index)]
             : "";
}
inline constexpr std::array<DWORD, 10> kBaudRates = {115200, 19200, 14400, 9600, 4800,
                                                     2400,   1200,  600,   300,  110};
inline constexpr std::array<BYTE, 2> kByteSizes = {8, 7};
inline constexpr std::array<BYTE, 5> kParities = {NOPARITY, ODDPARITY, EVENPARITY, MARKPARITY, SPACEPARITY};
inline constexpr std::array<BYTE, 3> kStopBits = {ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS};

// A read ends 1 ms after the last byte of a burst, at the latest 1000 ms after
// it began; a write ends at the latest 5000 ms after it began.
inline constexpr COMMTIMEOUTS kLineTimeouts = {1, 0, 1000, 0, 5000};
inline constexpr DWORD kDriverQueueBytes = 8196;
