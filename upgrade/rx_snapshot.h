#pragma once
// A copy of the receive buffer and count taken under gRxLock, so a scan never
// races the reader thread's next delivery.
#include <array>
#include <cstdint>

#include "serial/rx_buffer.h"

struct RxSnapshot {
  std::array<unsigned char, kRxBufferSize> bytes;
  std::uint32_t count;
};

RxSnapshot TakeRxSnapshot();

// Fills the whole receive buffer with zero bytes (the count is left as it is).
void ClearRxBuffer();

// Sends `count` bytes while holding gRxLock, so no read is delivered meanwhile.
void WriteUnderRxLock(const void* bytes, std::int32_t count);
