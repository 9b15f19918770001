// The YES/NEXT button: one whole upgrade of an instrument, then the reset for
// the next one.
#include <cstring>
#include <string>

#include "app/programmer_dlg.h"
#include "app/status_display.h"
#include "attempts.h"
#include "boot_loader.h"
#include "firmware_image.h"
#include "pauses.h"
#include "res/status_texts.h"
#include "rx_snapshot.h"
#include "serial/port_failure.h"
#include "serial/port_tables.h"
#include "serial/serial_port.h"
#include "serial/writer.h"
#include "sleep_inhibitor.h"
#include "stop_request.h"
#include "ui_core/message_box.h"
#include "upgrade_report.h"
#include "upgrade_state.h"

std::int32_t gUpgradeState = kUpgradeIdle;

namespace {

// A screen reader can press YES while the refusal's box is up: no second box.
bool gRefusalShown = false;

constexpr int kFirstFinishingTarget = 96;
constexpr int kLastFinishingTarget = 100;

void SetLine(char* line, std::size_t size, const char* text) {
  std::memset(line, 0, size);
  std::strncpy(line, text, size - 1);
}

// The machine stays awake from the start of an upgrade to its end.
void KeepAwakeWriting(int portIndex) {
  const std::string port = PortName(portIndex);
  const std::string reason =
      "Writing firmware into the instrument on " + (port.empty() ? "the serial port" : port);
  KeepAwake(reason.c_str());
}

void EndUpgrade(UpgradeOutcome outcome, const char* text) {
  AllowSleep();
  ReportEnded(outcome, text);
}

// The writes a boot-loader step made: one per attempt; a stop comes before
// the next write.
int AttemptsMade() {
  if (StepTimedOut()) return kLastAttempt + 1;
  return gAttemptCount + (StopRequested() ? 0 : 1);
}

// The port died, or the operator's Exit closed it under a running step: the
// upgrade ends with the process, on whichever thread ends it.
unsigned EndWithProcess(unsigned exitCode) {
  UpgradeOutcome outcome = UpgradeOutcome::kPortFailed;
  if (StopRequested()) {
    outcome = UpgradeOutcome::kInterrupted;
    exitCode = static_cast<unsigned>(SignalExitCode(StopSignal()));
  } else if (exitCode == kExitAfterOperatorExit) {
    outcome = UpgradeOutcome::kAbandoned;
  }
  ReportEnded(outcome, nullptr);
  return exitCode;
}

}  // namespace

void CProgrammerDlg::OnOK() {
  if (gUpgradeState == kUpgradeFinished) {
    ResetForNextUnit();
  } else if (gUpgradeState == kUpgradeIdle && !FirmwareImageRefusal().empty()) {
    // Nothing is opened or sent for an image the station did not pin.
    if (gRefusalShown) return;
    gRefusalShown = true;
    AfxMessageBox(FirmwareImageRefusal().c_str());
    gRefusalShown = false;
  } else if (gUpgradeState == kUpgradeIdle) {
    RunUpgrade();
  }
}

void CProgrammerDlg::ShowLine(int y, const char* text) {
  char* line = y == kLine1Y ? gLine1Text : gLine2Text;
  SetLine(line, y == kLine1Y ? sizeof gLine1Text : sizeof gLine2Text, text);
  DrawStatusLine(y, line, static_cast<int>(std::strlen(line)));
  ReportStatus(y == kLine1Y ? 1 : 2, line);
}

void CProgrammerDlg::SetProgressPosition(int position) {
  GetDlgItem(IDC_PROGRESS)->SendMessage(PBM_SETPOS, static_cast<WPARAM>(position));
}

void CProgrammerDlg::RunUpgrade() {
  SetEndingHook(EndWithProcess);
  // Whoever follows the upgrade hears of it before its first status text.
  ReportStarted(m_ctlPort.GetCurSel());
  InitializeCriticalSection(&gRxLock);
  SetProgressPosition(0);
  BeginStatusDrawing();
  ShowLine(kLine2Y, kBlankLine2);
  ShowLine(kLine1Y, kTurnOnText);
  DrawStatusLine(kLine2Y, gLine2Text, kBlankLine2Length);
  m_nPort = m_ctlPort.GetCurSel();
  KeepAwakeWriting(m_nPort);
  // Running from here on: a press while the open shows a message box does nothing.
  gUpgradeState = kUpgradeRunning;
  if (!OpenCommPort(m_nPort, 0, 0, 0, 0)) return AbandonUpgrade(UpgradeOutcome::kPortError, kPortFailedText);
  ClearRxBuffer();
  ProbeBootLoader();
  ReportAttempts(UpgradeStep::kProbe, AttemptsMade());
  if (StopRequested()) return AbandonUpgrade(UpgradeOutcome::kInterrupted, kInterruptedText);
  if (StepTimedOut()) return EndAfterTimeOut(UpgradeOutcome::kProbeTimeOut, kProbeTimeOutText);
  DrawStatusLine(kLine1Y, kBlankLine1, kBlankLine1Length);
  ShowLine(kLine1Y, kStartText);
  ClearRxBuffer();
  SendUpdateCommand();
  ReportAttempts(UpgradeStep::kCommand, AttemptsMade());
  if (StopRequested()) return AbandonUpgrade(UpgradeOutcome::kInterrupted, kInterruptedText);
  if (StepTimedOut()) return EndAfterTimeOut(UpgradeOutcome::kCommandTimeOut, kCommandTimeOutText);
  const int chunks = TransferFirmware();
  // A chunk that did not go out whole leaves the flag set; a stop leaves chunks
  // unsent; a program without an image has sent nothing: none is a success.
  const bool whole = gWriteBusy == 0 && chunks > 0 && chunks == ChunkCount(FindFirmwareImage().size);
  if (!whole && StopRequested()) return AbandonUpgrade(UpgradeOutcome::kInterrupted, kInterruptedText);
  if (!whole) return AbandonUpgrade(UpgradeOutcome::kTransferFailed, kTransferFailedText);
  FinishUpgrade(chunks);
}

void CProgrammerDlg::FinishUpgrade(int chunks) {
  std::memset(gLine1Text, 0, sizeof gLine1Text);
  CloseCommPort();
  DeleteCriticalSection(&gRxLock);
  ShowLine(kLine2Y, kNextUnitText);
  GetDlgItem(IDOK)->SetWindowText(kNextCaption);
  for (int target = kFirstFinishingTarget; target <= kLastFinishingTarget; ++target) {
    Pause(PauseKind::kFinishingProgress, kFinishingStepMs);
    if (chunks < target) SetProgressPosition(target);
  }
  gUpgradeState = kUpgradeFinished;
  ShowLine(kLine1Y, kCompleteText);
  EndStatusDrawing();
  EndUpgrade(UpgradeOutcome::kComplete, kCompleteText);
}

void CProgrammerDlg::EndAfterTimeOut(UpgradeOutcome outcome, const char* text) {
  ShowLine(kLine1Y, text);
  CloseCommPort();
  gUpgradeState = kUpgradeIdle;
  DeleteCriticalSection(&gRxLock);
  EndStatusDrawing();
  EndUpgrade(outcome, text);
}

// Ends an upgrade that cannot go on: the port is released, the area blanked
// so no earlier text remains, and YES starts again.
void CProgrammerDlg::AbandonUpgrade(UpgradeOutcome outcome, const char* text) {
  CloseCommPort();
  gUpgradeState = kUpgradeIdle;
  DeleteCriticalSection(&gRxLock);
  EndStatusDrawing();
  BeginStatusDrawing();
  ShowLine(kLine1Y, text);
  EndStatusDrawing();
  EndUpgrade(outcome, text);
}

void CProgrammerDlg::ResetForNextUnit() {
  GetDlgItem(IDOK)->SetWindowText(kYesCaption);
  gUpgradeState = kUpgradeIdle;
  BeginStatusDrawing();
  ShowLine(kLine1Y, kTurnOffText);
  EndStatusDrawing();
}
