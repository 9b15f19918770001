#pragma once
// The two status lines of the main dialog and the drawing pass that shows them.
#include "app/ui/cdc.h"
#include "app/ui/cwnd.h"

constexpr int kLine1Size = 100;
constexpr int kLine2Size = 40;

extern char gLine1Text[kLine1Size];
extern char gLine2Text[kLine2Size];
extern CWnd* gStatusWnd;  // the status control, from the first drawing pass on
extern CDC* gStatusDC;    // the context of the open drawing pass, if any
