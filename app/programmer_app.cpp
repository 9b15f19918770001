#include "programmer_app.h"

#include "programmer_dlg.h"

CProgrammerApp theApp;

BOOL CProgrammerApp::InitInstance() {
  AfxEnableControlContainer();
  Enable3dControls();
  CProgrammerDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;  // no message loop after the dialog: the program ends
}
