// Every text the operator can read, pinned byte for byte: the status lines,
// the button captions and the serial link's message boxes. Operators and their
// instructions know these texts as they are, spelling and spaces included.
#include <gtest/gtest.h>

#include <string_view>

#include "res/status_texts.h"
#include "serial/serial_messages.h"

namespace {

struct PinnedText {
  std::string_view text;
  std::string_view expected;
};

constexpr PinnedText kPinned[] = {
    {kTurnOnText, "Please turn on DSO now."},
    {kBlankLine2, "                             "},
    {kBlankLine1, "                         "},
    {kProbeTimeOutText, "Time Out!  Check RS232 & Re-press 'YES' key!"},
    {kStartText, "Start !"},
    {kCommandTimeOutText, "Time1 Out!,Run again "},
    {kUpgradingText, "Upgrading!   (It takes about 180 sec.) "},
    {kNextUnitText, "Press 'Next' to upgrade the next DSO."},
    {kCompleteText, "Upgrade complete!"},
    {kTurnOffText, "Please turn off DSO and press 'YES' key!"},
    {kPortFailedText, "Port Error!  Check COM port & Re-press 'YES' key!"},
    {kTransferFailedText, "Upgrade failed!  Check RS232 & Re-press 'YES' key!"},
    {kInterruptedText, "Upgrade interrupted!"},
    {kNextCaption, "NEXT"},
    {kYesCaption, "YES"},
    {kMsgCreateFile, "Error Create File "},
    {kMsgSetCommTimeouts, "Error SetCommTimeous "},
    {kMsgGetCommState, "Error GetCommState"},
    {kMsgSetCommState, "Error SetCommState"},
    {kMsgSetupComm, "Error SetupComm"},
    {kMsgEscapeCommFunction, "Error EscapeCommFunction"},
    {kMsgCreateExitEvent, "CreateEvent (Thread exit event)"},
    {kMsgCreateReaderThread, "Error m_ReadStatThread"},
    {kMsgClosePort, "Close comm port error"},
    {kTraceReaderDidNotExit, "Reader/Status Thread didn't exit.\n\r"},
    {kMsgCreateReadEvent, "CreateEvent (Reader Event)"},
    {kMsgStartRead, "ReadFile ReaderAndStatusProc"},
    {kMsgCompleteRead, "ReadFile in ReaderAndStatusProc"},
    {kMsgReaderWait, "WaitForMultipleObjects(Reader & Status handles)"},
    {kMsgModemStatus, "GetCommModemStatus"},
    {kMsgClearCommError, "ClearCommError"},
    {kMsgCreateWriteEvent, "CreateEvent (overlapped write hEvent)"},
    {kMsgShortWriteAtOnce, "Wrte Timeout."},
    {kMsgWriteTimedOut, "Write timed out.(overlapped)"},
    {kMsgWriteAborted, "Write aborted (overlapped)"},
    {kMsgWriteError, "Error writing data to port (overlapped)"},
};

TEST(OperatorTexts, EveryTextIsExactlyAsOperatorsKnowIt) {
  for (const PinnedText& pinned : kPinned) EXPECT_EQ(pinned.text, pinned.expected);
}

// The controller erases lines by drawing these many bytes of the blank texts.
}  // namespace
