#pragma once
// The application object: runs the main dialog, and the program ends with it.
#include "app/ui/cwinapp.h"

class CProgrammerApp : public CWinApp {
 public:
  BOOL InitInstance() override;
};
