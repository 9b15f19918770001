#include "rx_buffer.h"

unsigned char gRxBuffer[kRxBufferSize];
std::uint32_t gRxCount = 0;
CRITICAL_SECTION gRxLock;
