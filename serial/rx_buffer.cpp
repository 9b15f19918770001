#include "rx_buffer.h"

unsigned char gRxBuffer[kRxBufferSize];
std::uint32_t gRxCount = 0;
std::size_t gRxFill = 0;
std::size_t gRxWrapFill = 0;
CRITICAL_SECTION gRxLock;
