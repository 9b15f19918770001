#pragma once
// The About box: the program icon, its name and version, and "確定".
#include "app/ui/cdialog.h"
#include "res/resource.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg() : CDialog(IDD) {}
  enum { IDD = IDD_ABOUTBOX };
};
