#pragma once
// Every text the serial link shows in a message box, and its one debugger trace.
// Two of them keep the spelling the instrument's operators have always seen
// (kMsgSetCommTimeouts, kMsgShortWriteAtOnce): they are not typos to fix.

// Port setup and shutdown.
inline constexpr char kMsgCreateFile[] = "Error Create File ";
inline constexpr char kMsgSetCommTimeouts[] = "Error SetCommTimeous ";
inline constexpr char kMsgGetCommState[] = "Error GetCommState";
inline constexpr char kMsgSetCommState[] = "Error SetCommState";
inline constexpr char kMsgSetupComm[] = "Error SetupComm";
inline constexpr char kMsgEscapeCommFunction[] = "Error EscapeCommFunction";
inline constexpr char kMsgCreateExitEvent[] = "CreateEvent (Thread exit event)";
inline constexpr char kMsgCreateReaderThread[] = "Error m_ReadStatThread";
inline constexpr char kMsgClosePort[] = "Close comm port error";
inline constexpr char kTraceReaderDidNotExit[] = "Reader/Status Thread didn't exit.\n\r";

// Reader thread.
inline constexpr char kMsgCreateReadEvent[] = "CreateEvent (Reader Event)";
inline constexpr char kMsgStartRead[] = "ReadFile ReaderAndStatusProc";
inline constexpr char kMsgCompleteRead[] = "ReadFile in ReaderAndStatusProc";
inline constexpr char kMsgReaderWait[] = "WaitForMultipleObjects(Reader & Status handles)";
inline constexpr char kMsgModemStatus[] = "GetCommModemStatus";
inline constexpr char kMsgClearCommError[] = "ClearCommError";

// Writer.
inline constexpr char kMsgCreateWriteEvent[] = "CreateEvent (overlapped write hEvent)";
inline constexpr char kMsgShortWriteAtOnce[] = "Wrte Timeout.";
inline constexpr char kMsgWriteTimedOut[] = "Write timed out.(overlapped)";
inline constexpr char kMsgWriteAborted[] = "Write aborted (overlapped)";
inline constexpr char kMsgWriteError[] = "Error writing data to port (overlapped)";
