#pragma once
// The program's one main dialog: status display, port list, the YES/NEXT and
// Exit buttons and the progress bar. The upgrade controller's members are
// defined with the controller.
#include "app/ui/cdialog.h"
#include "res/resource.h"

// How an upgrade ended (upgrade/upgrade_outcome.h): the controller's members
// below take it, and the dialog's library sits under the controller's.
enum class UpgradeOutcome;

class CProgrammerDlg : public CDialog {
 public:
  explicit CProgrammerDlg(CWnd* parent = nullptr);
  enum { IDD = IDD_PROGRAMMER_DIALOG };

  // Status display.
  void BeginStatusDrawing();
  void DrawStatusLine(int y, const char* text, int length);
  void EndStatusDrawing();
  void RepaintStatus();

  // Upgrade controller: the YES/NEXT button and the Enter key.
  void OnOK() override;
  void RunUpgrade();
  void ResetForNextUnit();
  int TransferFirmware();

  // The Exit button and Escape.
  void OnCancel() override;

  int m_nPort = 0;
  CListBox m_ctlStatus;
  CComboBox m_ctlPort;

 protected:
  HICON m_hIcon;

  // Steps of the upgrade controller.
  void ShowLine(int y, const char* text);
  void SetProgressPosition(int position);
  void FinishUpgrade(int chunks);
  void EndAfterTimeOut(UpgradeOutcome outcome, const char* text);
  void AbandonUpgrade(UpgradeOutcome outcome, const char* text);

  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  // Message map, in order: WM_SYSCOMMAND, WM_PAINT, WM_QUERYDRAGICON, WM_CLOSE.
  void OnSysCommand(UINT id, LPARAM lParam) override;
  void OnPaint() override;
  HCURSOR OnQueryDragIcon() override;
  void OnClose() override;
};
