// The status display: red text drawn straight onto the status control, which
// holds no list items. Lines are drawn at y = 0 and y = 20 of the control.
#include <cstring>

#include "programmer_dlg.h"
#include "res/resource.h"
#include "res/status_texts.h"
#include "status_display.h"

char gLine1Text[kLine1Size] = {};
char gLine2Text[kLine2Size] = {};
CWnd* gStatusWnd = nullptr;
CDC* gStatusDC = nullptr;

namespace {

constexpr COLORREF kStatusColor = RGB(255, 0, 0);

// The lines start with the idle texts, put in before the program's entry runs.
struct InitialTexts {
  InitialTexts() {
    std::strncpy(gLine1Text, kTurnOffText, kLine1Size - 1);
    std::strncpy(gLine2Text, kBlankLine2, kLine2Size - 1);
  }
} gInitialTexts;

}  // namespace

void CProgrammerDlg::BeginStatusDrawing() {
  gStatusWnd = GetDlgItem(IDC_STATUS);
  if (!gStatusWnd) return;
  if (gStatusDC) gStatusWnd->ReleaseDC(gStatusDC);
  gStatusDC = gStatusWnd->GetDC();
  gStatusWnd->InvalidateRect(nullptr, TRUE);
  gStatusWnd->UpdateWindow();
  gStatusDC->SetTextColor(kStatusColor);
}

void CProgrammerDlg::DrawStatusLine(int y, const char* text, int length) {
  if (gStatusDC) gStatusDC->TextOut(0, y, text, length);
}

void CProgrammerDlg::EndStatusDrawing() {
  if (gStatusWnd && gStatusDC) gStatusWnd->ReleaseDC(gStatusDC);
  gStatusDC = nullptr;
}

// Uses a context of its own, so an open drawing pass keeps its context.
void CProgrammerDlg::RepaintStatus() {
  CWnd* status = GetDlgItem(IDC_STATUS);
  if (!status) return;
  status->InvalidateRect(nullptr, TRUE);
  status->UpdateWindow();
  CDC* dc = status->GetDC();
  dc->SetTextColor(kStatusColor);
  dc->TextOut(0, kLine1Y, gLine1Text, static_cast<int>(strnlen(gLine1Text, kLine1Size)));
  dc->TextOut(0, kLine2Y, gLine2Text, static_cast<int>(strnlen(gLine2Text, kLine2Size)));
  status->ReleaseDC(dc);
}
