#pragma once
// The application object: one global instance per program. The backend's
// program entry calls InitInstance; when it returns false the program ends at
// once with ExitInstance's code.
#include "cwnd.h"
#include "ui_core/ui_winapi.h"

class CWinApp {
 public:
  explicit CWinApp(LPCSTR appName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitInstance();
  virtual int ExitInstance();

  HICON LoadIcon(UINT id) const;
  // The 3-D look and control containers are always on outside Windows.
  void Enable3dControls() {}

  CWnd* m_pMainWnd = nullptr;
};

CWinApp* AfxGetApp();
BOOL AfxEnableControlContainer();
