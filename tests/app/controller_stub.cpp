// Placeholder for the upgrade controller until it is linked in: the YES button
// does nothing.
#include "app/programmer_dlg.h"

void CProgrammerDlg::OnOK() {}
void CProgrammerDlg::RunUpgrade() {}
void CProgrammerDlg::ResetForNextUnit() {}
int CProgrammerDlg::TransferFirmware() { return 0; }
