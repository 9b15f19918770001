#include "reader.h"

#include <cstring>

#include "port_failure.h"
#include "rx_buffer.h"
#include "serial_messages.h"
#include "serial_port.h"
#include "serial_trace.h"
#include "ui_core/message_box.h"

namespace {

constexpr DWORD kQuietPollMs = 10000;
// A wait that fails twice in a row will fail for good: the reader gives up.
constexpr int kFailedWaitLimit = 2;

void Deliver(const unsigned char* area, DWORD count) {
  if (count == 0) return;
  TraceRead(area, count);
  EnterCriticalSection(&gRxLock);
  if (gRxFill + count >= kRxBufferSize) {
    gRxWrapFill = gRxFill;
    gRxFill = 0;
  }
  std::memcpy(gRxBuffer + gRxFill, area, count);
  gRxFill += count;
  gRxCount += count;
  LeaveCriticalSection(&gRxLock);
}

// Some drivers end a pending read that timed out empty with ERROR_TIMEOUT.
bool EmptyTimeout(DWORD error) { return error == ERROR_TIMEOUT; }

// The receive area and the completion record go away with the thread, so a
// read still outstanding is cancelled and its end awaited first.
void AbandonRead(OVERLAPPED& ov) {
  DWORD ignored = 0;
  CancelIoEx(ghCommPort, &ov);
  GetOverlappedResult(ghCommPort, &ov, &ignored, TRUE);
}

void CollectRead(OVERLAPPED& ov, const unsigned char* area, DWORD& lastRead) {
  if (GetOverlappedResult(ghCommPort, &ov, &lastRead, FALSE)) {
    Deliver(area, lastRead);
    return;
  }
  DWORD error = GetLastError();
  if (error != ERROR_OPERATION_ABORTED && !EmptyTimeout(error)) EndAfterPortFailure(kMsgCompleteRead);
}

}  // namespace

DWORD WINAPI ReaderAndStatusProc(LPVOID) {
  DWORD lastRead = 0;
  unsigned char receiveArea[kRxBufferSize];
  OVERLAPPED ov{};
  ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (ov.hEvent == nullptr) EndAfterPortFailure(kMsgCreateReadEvent);
  HANDLE waitSet[2] = {ov.hEvent, ghThreadExitEvent};
  bool reading = false;
  int failedWaits = 0;
  for (;;) {
    if (!reading) {
      if (ReadFile(ghCommPort, receiveArea, kReadChunk, &lastRead, &ov)) {
        Deliver(receiveArea, lastRead);
        continue;
      }
      if (GetLastError() != ERROR_IO_PENDING) EndAfterPortFailure(kMsgStartRead);
      reading = true;
    }
    DWORD result = WaitForMultipleObjects(2, waitSet, FALSE, kQuietPollMs);
    if (result == WAIT_OBJECT_0) {
      failedWaits = 0;
      CollectRead(ov, receiveArea, lastRead);
      reading = false;
    } else if (result == WAIT_OBJECT_0 + 1) {
      if (reading) AbandonRead(ov);
      CloseHandle(ov.hEvent);
      return 1;
    } else if (result == WAIT_TIMEOUT) {
      CheckModemStatus();
      CheckCommErrors();
    } else {
      AfxMessageBox(kMsgReaderWait, MB_OK, 0);
      if (++failedWaits >= kFailedWaitLimit) EndAfterPortFailure();
    }
  }
}

void CheckModemStatus() {
  DWORD status = 0;
  if (!TraceModemLines(status, GetCommModemStatus(ghCommPort, &status)) &&
      GetLastError() != ERROR_NOT_SUPPORTED)
    AfxMessageBox(kMsgModemStatus, MB_OK, 0);
}

void CheckCommErrors() {
  DWORD errors = 0;
  COMSTAT stat{};
  if (!ClearCommError(ghCommPort, &errors, &stat)) AfxMessageBox(kMsgClearCommError, MB_OK, 0);
  TraceLineErrors(errors);
}
