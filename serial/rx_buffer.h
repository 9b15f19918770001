#pragma once
// What the reader thread has received. Each delivery of n bytes (at most 100)
// is copied after the ones delivered since the buffer was last cleared, so a
// reply that a UART hands over in two reads stands whole; one that would not
// leave a zero byte after it goes to the start again. gRxFill is where the
// next delivery goes, gRxCount the number of bytes delivered since the program
// started, gRxWrapFill where the bytes before the last return to the start end
// (0 after a clear: none are left). All four are written under gRxLock, which
// the upgrade creates before opening the port and deletes after closing it.
#include <cstdint>

#include "winapi.h"

inline constexpr std::size_t kRxBufferSize = 1000;
inline constexpr DWORD kReadChunk = 100;

extern unsigned char gRxBuffer[kRxBufferSize];
extern std::uint32_t gRxCount;
extern std::size_t gRxFill;
extern std::size_t gRxWrapFill;
extern CRITICAL_SECTION gRxLock;
