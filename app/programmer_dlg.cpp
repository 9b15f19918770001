#include "programmer_dlg.h"

#include "about_dlg.h"
#include "app/ui/cwinapp.h"
#include "serial/serial_port.h"
#include "ui_core/resource_module.h"

CProgrammerDlg::CProgrammerDlg(CWnd* parent)
    : CDialog(IDD, parent),
      m_hIcon(AfxGetApp() ? AfxGetApp()->LoadIcon(IDR_MAINFRAME) : ui::FindIcon(IDR_MAINFRAME)) {}

void CProgrammerDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Control(dx, IDC_STATUS, m_ctlStatus);
  DDX_Control(dx, IDC_PORT, m_ctlPort);
}

BOOL CProgrammerDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  const char* about = ui::FindString(IDS_ABOUTBOX);
  if (CMenu* menu = GetSystemMenu(FALSE); menu && about && *about) {
    menu->AppendMenu(MF_SEPARATOR);
    menu->AppendMenu(MF_STRING, IDM_ABOUTBOX, about);
  }
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);
  m_ctlPort.SetCurSel(m_nPort);
  return TRUE;  // the focus goes to the first tab stop, "YES"
}

void CProgrammerDlg::OnSysCommand(UINT id, LPARAM lParam) {
  if ((id & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg about;
    about.DoModal();
  } else {
    CDialog::OnSysCommand(id, lParam);
  }
}

void CProgrammerDlg::OnPaint() {
  RepaintStatus();
  // A Linux desktop draws a minimised window from the icons set in OnInitDialog.
  CDialog::OnPaint();
}

// The drag image of the minimised window; only Windows asks for it.
HCURSOR CProgrammerDlg::OnQueryDragIcon() { return m_hIcon; }

void CProgrammerDlg::OnClose() {
  CloseCommPort();
  CDialog::OnClose();
}

void CProgrammerDlg::OnCancel() {
  CloseCommPort();
  CDialog::OnCancel();
}
