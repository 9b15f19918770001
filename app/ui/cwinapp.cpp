#include "cwinapp.h"

#include "ui_core/resource_module.h"

namespace {
CWinApp* gApp = nullptr;
}  // namespace

CWinApp::CWinApp(LPCSTR) { gApp = this; }

CWinApp::~CWinApp() {
  if (gApp == this) gApp = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }
int CWinApp::ExitInstance() { return 0; }
HICON CWinApp::LoadIcon(UINT id) const { return ui::FindIcon(id); }

CWinApp* AfxGetApp() { return gApp; }
BOOL AfxEnableControlContainer() { return TRUE; }
