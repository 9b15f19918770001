#pragma once
// The About box: the program icon, its name and version, and "確定".
#include "cdialog.h"
#include "resource.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg() : CDialog(IDD) {}
  enum { IDD = IDD_ABOUTBOX };
};
