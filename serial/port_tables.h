#pragma once
// The settings OpenCommPort chooses from, by index.
#include <array>
#include <cstddef>
#include <string_view>

#include "winapi.h"

// The prefix that names a port in the device namespace: "\\.\COM10".
inline constexpr char kDeviceNamespace[] = "\\\\.\\";
// COM1 to COM256, as Windows numbers its ports; the dialog lists the first
// twelve, batch mode takes any.
inline constexpr int kPortCount = 256;
inline constexpr int kDialogPortCount = 12;
using PortNameText = std::array<char, 7>;  // "COM256" and its end

constexpr std::array<PortNameText, kPortCount> MakePortNames() {
  std::array<PortNameText, kPortCount> names{};
  for (int i = 0; i < kPortCount; ++i) {
    PortNameText& name = names[static_cast<std::size_t>(i)];
    name = {'C', 'O', 'M'};
    const int number = i + 1;
    std::size_t at = 3;
    if (number >= 100) name[at++] = static_cast<char>('0' + number / 100);
    if (number >= 10) name[at++] = static_cast<char>('0' + number / 10 % 10);
    name[at] = static_cast<char>('0' + number % 10);
  }
  return names;
}
inline constexpr std::array<PortNameText, kPortCount> kPortNameTexts = MakePortNames();
inline constexpr std::array<const char*, kPortCount> kPortNames = [] {
  std::array<const char*, kPortCount> names{};
  for (std::size_t i = 0; i < names.size(); ++i) names[i] = kPortNameTexts[i].data();
  return names;
}();

// The name of the port at `index` (COM1 is 0); empty when there is none.
constexpr const char* PortName(int index) {
  return index >= 0 && index < kPortCount ? kPortNames[static_cast<std::size_t>(index)] : "";
}
// The index of a port's name ("COM1" is 0); -1 for any other text.
constexpr int PortIndex(std::string_view name) {
  for (int i = 0; i < kPortCount; ++i)
    if (name == PortName(i)) return i;
  return -1;
}
static_assert(std::string_view(PortName(9)) == "COM10" && std::string_view(PortName(99)) == "COM100" &&
              std::string_view(PortName(255)) == "COM256");

inline constexpr std::array<DWORD, 10> kBaudRates = {115200, 19200, 14400, 9600, 4800,
                                                     2400,   1200,  600,   300,  110};
inline constexpr std::array<BYTE, 2> kByteSizes = {8, 7};
inline constexpr std::array<BYTE, 5> kParities = {NOPARITY, ODDPARITY, EVENPARITY, MARKPARITY, SPACEPARITY};
inline constexpr std::array<BYTE, 3> kStopBits = {ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS};

// A read ends 1 ms after the last byte of a burst, at the latest 1000 ms after
// it began; a write ends at the latest 5000 ms after it began.
inline constexpr COMMTIMEOUTS kLineTimeouts = {1, 0, 1000, 0, 5000};
inline constexpr DWORD kDriverQueueBytes = 8196;
