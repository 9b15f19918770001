// The YES/NEXT button: one whole upgrade of an instrument, then the reset for
// the next one.
#include <cstring>

#include "app/programmer_dlg.h"
#include "app/status_display.h"
#include "attempts.h"
#include "boot_loader.h"
#include "pauses.h"
#include "res/status_texts.h"
#include "rx_snapshot.h"
#include "serial/serial_port.h"
#include "serial/writer.h"
#include "upgrade_report.h"
#include "upgrade_state.h"

std::int32_t gUpgradeState = kUpgradeIdle;

namespace {

constexpr int kFirstFinishingTarget = 96;
constexpr int kLastFinishingTarget = 100;

void SetLine(char* line, std::size_t size, const char* text) {
  std::memset(line, 0, size);
  std::strncpy(line, text, size - 1);
}

void ReportEnd(const char* text) {
  if (UpgradeListener* listener = CurrentUpgradeListener()) listener->Ended(text);
}

}  // namespace

void CProgrammerDlg::OnOK() {
  if (gUpgradeState == kUpgradeFinished) {
    ResetForNextUnit();
  } else if (gUpgradeState == kUpgradeIdle) {
    RunUpgrade();
  }
}

void CProgrammerDlg::ShowLine(int y, const char* text) {
  char* line = y == kLine1Y ? gLine1Text : gLine2Text;
  SetLine(line, y == kLine1Y ? sizeof gLine1Text : sizeof gLine2Text, text);
  DrawStatusLine(y, line, static_cast<int>(std::strlen(line)));
  if (UpgradeListener* listener = CurrentUpgradeListener(); listener != nullptr && y == kLine1Y)
    listener->Status(line);
}

void CProgrammerDlg::SetProgressPosition(int position) {
  GetDlgItem(IDC_PROGRESS)->SendMessage(PBM_SETPOS, static_cast<WPARAM>(position));
}

void CProgrammerDlg::RunUpgrade() {
  InitializeCriticalSection(&gRxLock);
  SetProgressPosition(0);
  BeginStatusDrawing();
  ShowLine(kLine2Y, kBlankLine2);
  ShowLine(kLine1Y, kTurnOnText);
  DrawStatusLine(kLine2Y, gLine2Text, kBlankLine2Length);
  m_nPort = m_ctlPort.GetCurSel();
  if (UpgradeListener* listener = CurrentUpgradeListener()) listener->Started(m_nPort);
  // Running from here on: a press while the open shows a message box does nothing.
  gUpgradeState = kUpgradeRunning;
  if (!OpenCommPort(m_nPort, 0, 0, 0, 0)) return AbandonUpgrade(kPortFailedText);
  ClearRxBuffer();
  ProbeBootLoader();
  if (StepTimedOut()) return EndAfterTimeOut(kProbeTimeOutText);
  DrawStatusLine(kLine1Y, kBlankLine1, kBlankLine1Length);
  ShowLine(kLine1Y, kStartText);
  ClearRxBuffer();
  SendUpdateCommand();
  if (StepTimedOut()) return EndAfterTimeOut(kCommandTimeOutText);
  int chunks = TransferFirmware();
  // A chunk that did not go out whole leaves the flag set: the image is
  // incomplete. A program without an image has sent nothing: no success either.
  if (gWriteBusy != 0 || chunks == 0) return AbandonUpgrade(kTransferFailedText);
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
  ReportEnd(kCompleteText);
}

void CProgrammerDlg::EndAfterTimeOut(const char* text) {
  ShowLine(kLine1Y, text);
  CloseCommPort();
  gUpgradeState = kUpgradeIdle;
  DeleteCriticalSection(&gRxLock);
  EndStatusDrawing();
  ReportEnd(text);
}

// Ends an upgrade that cannot go on: the port is released, the area blanked
// so no earlier text remains, and YES starts again.
void CProgrammerDlg::AbandonUpgrade(const char* text) {
  CloseCommPort();
  gUpgradeState = kUpgradeIdle;
  DeleteCriticalSection(&gRxLock);
  EndStatusDrawing();
  BeginStatusDrawing();
  ShowLine(kLine1Y, text);
  EndStatusDrawing();
  ReportEnd(text);
}

void CProgrammerDlg::ResetForNextUnit() {
  GetDlgItem(IDOK)->SetWindowText(kYesCaption);
  gUpgradeState = kUpgradeIdle;
  BeginStatusDrawing();
  ShowLine(kLine1Y, kTurnOffText);
  EndStatusDrawing();
}
