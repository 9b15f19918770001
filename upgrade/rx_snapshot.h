#pragma once
// A copy of the receive buffer and count taken under gRxLock, so a scan never
// races the reader thread's next delivery.
#include <array>
#include <cstdint>

#include "serial/rx_buffer.h"

// Delivered bytes at buffer positions `begin` to `end` - 1. `afterLoss`: some
// delivered before them were overwritten unread, so they do not follow the
// bytes scanned before.
struct RxRun {
  std::size_t begin;
  std::size_t end;
  bool afterLoss;
};

struct RxSnapshot {
  std::array<unsigned char, kRxBufferSize> bytes;
  std::uint32_t count;
  std::size_t fill;
  std::size_t wrapFill;

  // The count when the buffer was last cleared, or last went back to its start.
  std::uint32_t ClearedAt() const { return count - static_cast<std::uint32_t>(fill); }

  // The bytes delivered after a snapshot whose count was `earlier`, in the
  // order they came: those still left before the buffer last went back to its
  // start, then those since.
  std::array<RxRun, 2> NewSince(std::uint32_t earlier) const;
};

RxSnapshot TakeRxSnapshot();

// Fills the whole receive buffer with zero bytes, the next delivery going to its
// start (the count is left as it is).
void ClearRxBuffer();

// Sends `count` bytes while holding gRxLock, so no read is delivered meanwhile.
void WriteUnderRxLock(const void* bytes, std::int32_t count);
