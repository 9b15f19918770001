#pragma once
// The serial trace for support: what went over the line and what the port and
// the operator were told, one line per event. Off unless a trace file was
// given; then each Trace call below costs one branch. Any thread may trace.
// Every line reaches the system with one write as it is traced, because the
// process may end through ExitProcess at any point.
//
// The file starts with the UTC time; each line then starts with the
// milliseconds since the port was opened (since the trace began, before that).
#include <atomic>
#include <string>

#include "winapi.h"

// Told once, with one line of text, when the trace cannot be written; tracing
// then stops and the program goes on without it.
using TraceComplaint = void (*)(const std::string& text);

// Truncates `path` and starts tracing into it. False (after telling
// `complain`) when the file cannot be opened or written.
bool StartSerialTrace(const std::string& path, TraceComplaint complain);
// Ends tracing and closes the file.
void StopSerialTrace();

namespace serial_trace {

extern std::atomic<bool> gOn;
inline bool On() { return gOn.load(std::memory_order_relaxed); }

void PortOpened(const char* device, BOOL ok);
void Timeouts(const COMMTIMEOUTS& timeouts, BOOL ok);
void CommState(const char* step, const DCB& dcb, BOOL ok);
void Queues(DWORD inBytes, DWORD outBytes, BOOL ok);
void Dtr(BOOL ok);
void ModemLines(DWORD status, BOOL ok);
void LineErrors(DWORD errors);
void Image(const BYTE* bytes, DWORD size);
void Write(const void* bytes, DWORD wanted, DWORD written, DWORD error);
void Read(const unsigned char* bytes, DWORD count);
void GaveUp(const char* step, int attempts);
void MessageBoxText(const char* text);
void PortClosed();

}  // namespace serial_trace

// The trace points. A failed step's system error is taken from GetLastError,
// which tracing leaves as it found it; those given a step's result return it.
inline void TracePortOpened(const char* device, BOOL ok) {
  if (serial_trace::On()) serial_trace::PortOpened(device, ok);
}
inline BOOL TraceTimeouts(const COMMTIMEOUTS& timeouts, BOOL ok) {
  if (serial_trace::On()) serial_trace::Timeouts(timeouts, ok);
  return ok;
}
// `step`: "get comm state" or "set comm state".
inline BOOL TraceCommState(const char* step, const DCB& dcb, BOOL ok) {
  if (serial_trace::On()) serial_trace::CommState(step, dcb, ok);
  return ok;
}
inline BOOL TraceQueues(DWORD inBytes, DWORD outBytes, BOOL ok) {
  if (serial_trace::On()) serial_trace::Queues(inBytes, outBytes, ok);
  return ok;
}
inline BOOL TraceDtr(BOOL ok) {
  if (serial_trace::On()) serial_trace::Dtr(ok);
  return ok;
}
// Traced when they differ from what was last seen (the first time, too).
// `status` is read after the call that fills it.
inline BOOL TraceModemLines(const DWORD& status, BOOL ok) {
  if (serial_trace::On()) serial_trace::ModemLines(status, ok);
  return ok;
}
inline void TraceLineErrors(DWORD errors) {
  if (serial_trace::On() && errors != 0) serial_trace::LineErrors(errors);
}
// Writes from within the image are traced as chunks: offset, length, the first and last bytes.
inline void TraceImage(const BYTE* bytes, DWORD size) {
  if (serial_trace::On()) serial_trace::Image(bytes, size);
}
// `error`: ERROR_SUCCESS for a write that ended, even short (timed out).
inline void TraceWrite(const void* bytes, DWORD wanted, DWORD written, DWORD error) {
  if (serial_trace::On()) serial_trace::Write(bytes, wanted, written, error);
}
inline void TraceRead(const unsigned char* bytes, DWORD count) {
  if (serial_trace::On()) serial_trace::Read(bytes, count);
}
// A boot-loader step stopped trying: "probe" or "update command".
inline void TraceGaveUp(const char* step, int attempts) {
  if (serial_trace::On()) serial_trace::GaveUp(step, attempts);
}
inline void TraceMessageBox(const char* text) {
  if (serial_trace::On()) serial_trace::MessageBoxText(text);
}
inline void TracePortClosed() {
  if (serial_trace::On()) serial_trace::PortClosed();
}
