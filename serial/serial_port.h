#pragma once
// Opening, configuring and closing the serial port, and the handles that live
// exactly as long as an open port.
#include <cstdint>

#include "winapi.h"

extern HANDLE ghCommPort;         // the open port, or none
extern HANDLE ghThreadExitEvent;  // set to stop the reader thread (and wake a waiting writer)
extern HANDLE m_ReadStatThread;   // the reader thread

// Indices into the selection tables (port_tables.h). Returns 1 when the port
// is open and configured with DTR raised, 0 when opening or configuring failed.
std::int32_t OpenCommPort(std::int32_t portIndex, std::int32_t baudIndex, std::int32_t byteSizeIndex,
                          std::int32_t parityIndex, std::int32_t stopBitsIndex);
void StartReaderThread();
// 0 when no port was open; 1 once the reader has ended and the handles are closed.
std::int32_t CloseCommPort();
DWORD WaitForReaderExit(DWORD milliseconds);
