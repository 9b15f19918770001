#pragma once
// The subset of the Windows kernel interface that this program uses, declared
// with the same names and types and implemented on POSIX (termios, eventfd,
// ppoll, pthreads). Each function documents in one line where it deviates.

#include <cstddef>
#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using ULONG_PTR = std::uintptr_t;
using LPCSTR = const char*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPDWORD = DWORD*;
using HANDLE = void*;

#define WINAPI  // calling conventions mean nothing here

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~std::uintptr_t{0});

// Error codes (GetLastError).
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_OPERATION_ABORTED = 995;
constexpr DWORD ERROR_IO_INCOMPLETE = 996;
constexpr DWORD ERROR_IO_PENDING = 997;
constexpr DWORD ERROR_DEVICE_NOT_CONNECTED = 1167;
constexpr DWORD ERROR_NOT_FOUND = 1168;
constexpr DWORD ERROR_TIMEOUT = 1460;

// Waits.
constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// CreateFileA.
constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000;

// DCB codes.
constexpr BYTE NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4;
constexpr BYTE ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2;
constexpr DWORD DTR_CONTROL_DISABLE = 0, DTR_CONTROL_ENABLE = 1, DTR_CONTROL_HANDSHAKE = 2;
constexpr DWORD RTS_CONTROL_DISABLE = 0, RTS_CONTROL_ENABLE = 1, RTS_CONTROL_HANDSHAKE = 2;

// EscapeCommFunction.
constexpr DWORD SETRTS = 3, CLRRTS = 4, SETDTR = 5, CLRDTR = 6;

// GetCommModemStatus.
constexpr DWORD MS_CTS_ON = 0x10, MS_DSR_ON = 0x20, MS_RING_ON = 0x40, MS_RLSD_ON = 0x80;

// ClearCommError.
constexpr DWORD CE_RXOVER = 0x1, CE_OVERRUN = 0x2, CE_RXPARITY = 0x4, CE_FRAME = 0x8, CE_BREAK = 0x10;

// Message boxes (the dialog framework shows them).
constexpr UINT MB_OK = 0;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

struct OVERLAPPED {
  ULONG_PTR Internal;      // completion status once the result was taken
  ULONG_PTR InternalHigh;  // bytes transferred once the result was taken
  DWORD Offset;
  DWORD OffsetHigh;
  HANDLE hEvent;
  void* Pending;  // POSIX only: the operation still in progress
};
using LPOVERLAPPED = OVERLAPPED*;

struct COMMTIMEOUTS {
  DWORD ReadIntervalTimeout;
  DWORD ReadTotalTimeoutMultiplier;
  DWORD ReadTotalTimeoutConstant;
  DWORD WriteTotalTimeoutMultiplier;
  DWORD WriteTotalTimeoutConstant;
};
using LPCOMMTIMEOUTS = COMMTIMEOUTS*;

struct DCB {
  DWORD DCBlength;
  DWORD BaudRate;
  DWORD fBinary : 1;
  DWORD fParity : 1;
  DWORD fOutxCtsFlow : 1;
  DWORD fOutxDsrFlow : 1;
  DWORD fDtrControl : 2;
  DWORD fDsrSensitivity : 1;
  DWORD fTXContinueOnXoff : 1;
  DWORD fOutX : 1;
  DWORD fInX : 1;
  DWORD fErrorChar : 1;
  DWORD fNull : 1;
  DWORD fRtsControl : 2;
  DWORD fAbortOnError : 1;
  DWORD fDummy2 : 17;
  WORD wReserved;
  WORD XonLim;
  WORD XoffLim;
  BYTE ByteSize;
  BYTE Parity;
  BYTE StopBits;
  char XonChar;
  char XoffChar;
  char ErrorChar;
  char EofChar;
  char EvtChar;
  WORD wReserved1;
};
using LPDCB = DCB*;
static_assert(sizeof(DCB) == 28, "DCB must keep the Windows layout");

struct COMSTAT {
  DWORD fCtsHold : 1;
  DWORD fDsrHold : 1;
  DWORD fRlsdHold : 1;
  DWORD fXoffHold : 1;
  DWORD fXoffSent : 1;
  DWORD fEof : 1;
  DWORD fTxim : 1;
  DWORD fReserved : 25;
  DWORD cbInQue;
  DWORD cbOutQue;
};
using LPCOMSTAT = COMSTAT*;
static_assert(sizeof(COMSTAT) == 12, "COMSTAT must keep the Windows layout");

struct COMMPROP {
  WORD wPacketLength;
  WORD wPacketVersion;
  DWORD dwServiceMask;
  DWORD dwReserved1;
  DWORD dwMaxTxQueue;
  DWORD dwMaxRxQueue;
  DWORD dwMaxBaud;
  DWORD dwProvSubType;
  DWORD dwProvCapabilities;
  DWORD dwSettableParams;
  DWORD dwSettableBaud;
  WORD wSettableData;
  WORD wSettableStopParity;
  DWORD dwCurrentTxQueue;
  DWORD dwCurrentRxQueue;
  DWORD dwProvSpec1;
  DWORD dwProvSpec2;
  char wcProvChar[2];
};
using LPCOMMPROP = COMMPROP*;

struct CRITICAL_SECTION {
  alignas(std::max_align_t) unsigned char storage[64];  // holds a recursive pthread mutex
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID);
struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// --- Last error: per thread, as on Windows.
DWORD GetLastError();
void SetLastError(DWORD code);

// --- Handles.
BOOL CloseHandle(HANDLE h);  // a thread handle closed while the thread runs detaches it

// --- Serial ports.
// Opens "COM1".."COM256" through the ports directory (see docs/operator.md); share mode 0 is an flock.
HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa, DWORD disposition,
                   DWORD flags, HANDLE templ);
// Overlapped only: the operation makes progress while its event is waited for.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED ov);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD done, LPOVERLAPPED ov);
BOOL GetOverlappedResult(HANDLE file, LPOVERLAPPED ov, LPDWORD done, BOOL wait);
BOOL CancelIoEx(HANDLE file, LPOVERLAPPED ov);
BOOL SetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts);
BOOL GetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts);
// Maps termios onto the DCB; fields without a termios form keep what was last set.
BOOL GetCommState(HANDLE file, LPDCB dcb);
// Always raw mode; 1.5 stop bits fail with ERROR_INVALID_PARAMETER (no termios form).
BOOL SetCommState(HANDLE file, LPDCB dcb);
// Linux queues have fixed sizes: the request is checked and recorded only.
BOOL SetupComm(HANDLE file, DWORD inQueue, DWORD outQueue);
// Reports the queue sizes recorded by SetupComm.
BOOL GetCommProperties(HANDLE file, LPCOMMPROP props);
// A device without modem lines (a pty) succeeds and changes nothing.
BOOL EscapeCommFunction(HANDLE file, DWORD function);
// A device without modem lines reports every line off.
BOOL GetCommModemStatus(HANDLE file, LPDWORD status);
// Error flags come from the line's error counters (zero on a device without them).
BOOL ClearCommError(HANDLE file, LPDWORD errors, LPCOMSTAT stat);

// --- Events: manual reset and unnamed only; anything else fails with ERROR_NOT_SUPPORTED.
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES sa, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// --- Threads. The stack size and the thread identifier are not supported (pass 0 / nullptr).
constexpr DWORD CREATE_SUSPENDED = 0x4;
HANDLE CreateThread(LPSECURITY_ATTRIBUTES sa, std::size_t stack, LPTHREAD_START_ROUTINE proc, LPVOID param,
                    DWORD flags, LPDWORD id);
// Lets a thread created suspended run; it cannot be suspended again.
DWORD ResumeThread(HANDLE thread);

// --- Waits on events and threads; bWaitAll is not supported.
DWORD WaitForSingleObject(HANDLE h, DWORD milliseconds);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

// --- Critical sections (recursive, like the Windows ones).
void InitializeCriticalSection(LPCRITICAL_SECTION cs);
void DeleteCriticalSection(LPCRITICAL_SECTION cs);
void EnterCriticalSection(LPCRITICAL_SECTION cs);
void LeaveCriticalSection(LPCRITICAL_SECTION cs);

// --- Resources of the program's own module, looked up by numeric identifier.
using HMODULE = void*;
using HRSRC = const struct ResourceEntry*;
using HGLOBAL = const void*;
inline LPCSTR MAKEINTRESOURCEA(WORD id) { return reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(id)); }
struct ResourceEntry {
  const char* type;
  WORD id;
  const void* data;
  DWORD size;
};
// Searches the resources registered with RegisterResource, then the module's
// own table (orvex_resource_table, when the program links one); the module
// handle is ignored.
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL loaded);
DWORD SizeofResource(HMODULE module, HRSRC resource);
namespace posix {
// Adds or replaces a resource (tests give the program images of their own).
void RegisterResource(const char* type, WORD id, const void* data, DWORD size);
}  // namespace posix

// --- Process.
void Sleep(DWORD milliseconds);
// Flushes stdio and ends the process at once, without running static destructors.
[[noreturn]] void ExitProcess(UINT code);
// Writes to standard error: there is no debugger channel.
void OutputDebugStringA(LPCSTR text);

// --- Window-side names (used by the dialog framework only).
#include "winuser.h"
