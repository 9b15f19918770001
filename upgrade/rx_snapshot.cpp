#include "rx_snapshot.h"

#include <cstring>

#include "serial/writer.h"

RxSnapshot TakeRxSnapshot() {
  RxSnapshot snapshot;
  EnterCriticalSection(&gRxLock);
  std::memcpy(snapshot.bytes.data(), gRxBuffer, kRxBufferSize);
  snapshot.count = gRxCount;
  snapshot.fill = gRxFill;
  snapshot.wrapFill = gRxWrapFill;
  LeaveCriticalSection(&gRxLock);
  return snapshot;
}

void ClearRxBuffer() {
  EnterCriticalSection(&gRxLock);
  std::memset(gRxBuffer, 0, kRxBufferSize);
  gRxFill = 0;
  gRxWrapFill = 0;
  LeaveCriticalSection(&gRxLock);
}

void WriteUnderRxLock(const void* bytes, std::int32_t count) {
  EnterCriticalSection(&gRxLock);
  WriterGeneric(bytes, count);
  LeaveCriticalSection(&gRxLock);
}
