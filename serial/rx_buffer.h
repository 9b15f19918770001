#pragma once
// What the reader thread has received. Each delivery of n bytes (at most 100)
// is copied to the start of gRxBuffer, over the previous ones; gRxCount is the
// number of bytes delivered since the program started. Both are written under
// gRxLock, which the upgrade creates before opening the port and deletes after
// closing it.
#include <cstdint>

#include "winapi.h"

inline constexpr std::size_t kRxBufferSize = 1000;
inline constexpr DWORD kReadChunk = 100;

extern unsigned char gRxBuffer[kRxBufferSize];
extern std::uint32_t gRxCount;
extern CRITICAL_SECTION gRxLock;
