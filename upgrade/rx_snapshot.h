#pragma once
// A copy of the receive buffer and count taken under gRxLock, so a scan never
// races the reader thread's next delivery.
#include <array>
#include <cstdint>

#include "serial/rx_buffer.h"

struct RxSnapshot {
  std::array<unsigned char, kRxBufferSize> bytes;
  std::uint32_t count;
  std::size_t fill;

  // The count when the buffer was last cleared, or last went back to its start.
  std::uint32_t ClearedAt() const { return count - static_cast<std::uint32_t>(fill); }

  // Where the bytes delivered after a snapshot whose count was `earlier` begin:
  // the start when the buffer went back to it meanwhile (some were lost).
  std::size_t NewSince(std::uint32_t earlier) const {
    const std::uint32_t added = count - earlier;
    return added <= fill ? fill - added : 0;
  }
};

RxSnapshot TakeRxSnapshot();

// Fills the whole receive buffer with zero bytes, the next delivery going to its
// start (the count is left as it is).
void ClearRxBuffer();

// Sends `count` bytes while holding gRxLock, so no read is delivered meanwhile.
void WriteUnderRxLock(const void* bytes, std::int32_t count);
