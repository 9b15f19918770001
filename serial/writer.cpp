#include "writer.h"

#include "port_failure.h"
#include "serial_messages.h"
#include "serial_port.h"
#include "serial_trace.h"
#include "ui_core/message_box.h"

std::int32_t gWriteBusy = 0;

namespace {

void Show(const char* message) { AfxMessageBox(message, MB_OK, 0); }

// The write was woken by the result: report an abort or a short write.
void CollectResult(OVERLAPPED& ov, LPCVOID buffer, DWORD& written, DWORD count) {
  SetLastError(ERROR_SUCCESS);
  BOOL ok = GetOverlappedResult(ghCommPort, &ov, &written, FALSE);
  DWORD error = GetLastError();
  // Some drivers end a write that timed out having sent nothing with
  // ERROR_TIMEOUT: the line stalled, the port is fine, as with a short write.
  if (!ok && error == ERROR_TIMEOUT) {
    ok = TRUE;
    error = ERROR_SUCCESS;
  }
  TraceWrite(buffer, count, written, ok ? ERROR_SUCCESS : error);
  if (!ok) {
    if (error != ERROR_OPERATION_ABORTED) EndAfterPortFailure(kMsgWriteTimedOut);
    Show(kMsgWriteAborted);
  }
  if (written != count) Show(error == ERROR_SUCCESS ? kMsgWriteTimedOut : kMsgWriteError);
}

// The port is being shut down under the write: the write is cancelled and its
// end awaited, because the record, its event and the caller's buffer go away.
void AbandonWrite(OVERLAPPED& ov, DWORD& written) {
  CancelIoEx(ghCommPort, &ov);
  GetOverlappedResult(ghCommPort, &ov, &written, TRUE);
}

}  // namespace

void WriterGeneric(LPCVOID buffer, std::int32_t count) {
  const DWORD wanted = static_cast<DWORD>(count);
  DWORD written = 0;
  OVERLAPPED ov{};
  ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (ov.hEvent == nullptr) Show(kMsgCreateWriteEvent);
  HANDLE waitSet[2] = {ov.hEvent, ghThreadExitEvent};
  const bool portWasOpen = ghCommPort != nullptr;
  if (WriteFile(ghCommPort, buffer, wanted, &written, &ov)) {
    TraceWrite(buffer, wanted, written, ERROR_SUCCESS);
    if (written == wanted) {
      gWriteBusy = 0;
    } else {
      Show(kMsgShortWriteAtOnce);
    }
  } else if (GetLastError() != ERROR_IO_PENDING) {
    TraceWrite(buffer, wanted, 0, GetLastError());
    EndAfterPortFailure(portWasOpen ? kExitPortFailed : kExitAfterOperatorExit);
  } else {
    DWORD result = WaitForMultipleObjects(2, waitSet, FALSE, INFINITE);
    if (result == WAIT_OBJECT_0) {
      CollectResult(ov, buffer, written, wanted);
    } else if (result == WAIT_OBJECT_0 + 1) {
      AbandonWrite(ov, written);
      TraceWrite(buffer, wanted, written, ERROR_OPERATION_ABORTED);
    } else {
      TraceWrite(buffer, wanted, written, GetLastError());
      EndAfterPortFailure(kMsgWriteTimedOut);
    }
    if (written == wanted) gWriteBusy = 0;
  }
  if (ov.hEvent != nullptr) CloseHandle(ov.hEvent);
}
