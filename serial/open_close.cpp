#include <cstddef>
#include <string>

#include "port_failure.h"
#include "port_tables.h"
#include "reader.h"
#include "serial_messages.h"
#include "serial_port.h"
#include "serial_trace.h"
#include "ui_core/message_box.h"

HANDLE ghCommPort = nullptr;
HANDLE ghThreadExitEvent = nullptr;
HANDLE m_ReadStatThread = nullptr;

namespace {

template <class Table>
bool InTable(const Table& table, std::int32_t index) {
  return index >= 0 && static_cast<std::size_t>(index) < table.size();
}

bool IndicesValid(std::int32_t port, std::int32_t baud, std::int32_t size, std::int32_t parity,
                  std::int32_t stop) {
  return port >= 0 && port < kPortCount && InTable(kBaudRates, baud) && InTable(kByteSizes, size) &&
         InTable(kParities, parity) && InTable(kStopBits, stop);
}

std::int32_t Fail(const char* message) {
  AfxMessageBox(message, MB_OK, 0);
  return 0;
}

// A port without modem lines (a pty, or one under an emulator) has no DTR to raise.
bool RaiseDtr() {
  return TraceDtr(EscapeCommFunction(ghCommPort, SETDTR)) || GetLastError() == ERROR_NOT_SUPPORTED;
}

void CloseIfOpen(HANDLE& handle) {
  if (handle != nullptr) CloseHandle(handle);
  handle = nullptr;
}

}  // namespace

std::int32_t OpenCommPort(std::int32_t portIndex, std::int32_t baudIndex, std::int32_t byteSizeIndex,
                          std::int32_t parityIndex, std::int32_t stopBitsIndex) {
  // Indices outside the tables name no port that could be opened.
  if (!IndicesValid(portIndex, baudIndex, byteSizeIndex, parityIndex, stopBitsIndex))
    return Fail(kMsgCreateFile);
  // Ports above COM9 open only through the device namespace, so every port does.
  const std::string device = std::string(kDeviceNamespace) + PortName(portIndex);
  ghCommPort = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
  TracePortOpened(device.c_str(), ghCommPort != INVALID_HANDLE_VALUE);
  if (ghCommPort == INVALID_HANDLE_VALUE) {
    ghCommPort = nullptr;
    return Fail(kMsgCreateFile);
  }
  COMMTIMEOUTS timeouts = kLineTimeouts;
  if (!TraceTimeouts(timeouts, SetCommTimeouts(ghCommPort, &timeouts))) return Fail(kMsgSetCommTimeouts);
  DCB dcb{};
  dcb.DCBlength = sizeof(DCB);
  if (!TraceCommState("get comm state", dcb, GetCommState(ghCommPort, &dcb))) return Fail(kMsgGetCommState);
  dcb.BaudRate = kBaudRates[baudIndex];
  dcb.ByteSize = kByteSizes[byteSizeIndex];
  dcb.Parity = kParities[parityIndex];
  dcb.StopBits = kStopBits[stopBitsIndex];
  if (!TraceCommState("set comm state", dcb, SetCommState(ghCommPort, &dcb))) return Fail(kMsgSetCommState);
  if (!TraceQueues(kDriverQueueBytes, kDriverQueueBytes,
                   SetupComm(ghCommPort, kDriverQueueBytes, kDriverQueueBytes)))
    return Fail(kMsgSetupComm);
  if (!RaiseDtr()) return Fail(kMsgEscapeCommFunction);
  ghThreadExitEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  // A reader without its exit event could never be stopped: it is not started.
  if (ghThreadExitEvent == nullptr) {
    AfxMessageBox(kMsgCreateExitEvent, MB_OK, 0);
  } else {
    StartReaderThread();
  }
  return 1;
}

// The thread starts suspended: its failure path reads m_ReadStatThread, which
// must be stored before the thread runs.
void StartReaderThread() {
  m_ReadStatThread = CreateThread(nullptr, 0, ReaderAndStatusProc, nullptr, CREATE_SUSPENDED, nullptr);
  if (m_ReadStatThread == nullptr) {
    AfxMessageBox(kMsgCreateReaderThread, MB_OK, 0);
    return;
  }
  ResumeThread(m_ReadStatThread);
}

DWORD WaitForReaderExit(DWORD milliseconds) {
  if (ghThreadExitEvent != nullptr) SetEvent(ghThreadExitEvent);
  DWORD result = WAIT_OBJECT_0;
  if (m_ReadStatThread != nullptr) {
    result = WaitForSingleObject(m_ReadStatThread, milliseconds);
    if (result == WAIT_TIMEOUT && WaitForSingleObject(m_ReadStatThread, 0) == WAIT_TIMEOUT)
      OutputDebugStringA(kTraceReaderDidNotExit);
  }
  if (ghThreadExitEvent != nullptr) ResetEvent(ghThreadExitEvent);
  return result;
}

std::int32_t CloseCommPort() {
  if (ghCommPort == nullptr) return 0;
  if (WaitForReaderExit(2000) != WAIT_OBJECT_0) {
    AfxMessageBox(kMsgClosePort, MB_OK, 0);
    EndProcess(kExitPortFailed);  // the reader still uses the handles: they stay open
  }
  CloseIfOpen(ghThreadExitEvent);
  CloseIfOpen(ghCommPort);
  CloseIfOpen(m_ReadStatThread);
  TracePortClosed();
  return 1;
}
