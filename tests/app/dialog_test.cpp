// The dialog framework's rules the backends share and the main dialog on the
// headless backend, where batch mode runs it: what the program-level cases of
// the dialog and the controller's tests do not see.
#include <cstring>

#include "app/ui/dialog_units.h"
#include "app/ui/progress_state.h"
#include "tests/support/dialog_fixture.h"

namespace {

TEST(Framework, DialogUnitsAndTheProgressBar) {
  // 52 letters 312 px wide: average 6 px; 12 px high: a 9-point font at 96 dpi; 6.5 px rounds up.
  EXPECT_EQ(ui::DialogUnits(312, 12).ToPixels({146, 55, 70, 55}), (ui::PixelRect{219, 83, 105, 83}));
  EXPECT_EQ(ui::DialogUnits(338, 15).BaseX() * 10 + ui::DialogUnits(337, 15).BaseX(), 76);
  ui::ProgressState bar;
  std::string said =
      std::to_string(bar.SetPos(40)) + (bar.SetRange(MAKELPARAM(0, 10)) == MAKELPARAM(0, 100) ? " " : " ?");
  for (const int pos : {96, -3}) {
    said += std::to_string(bar.SetPos(pos));
    said += ">" + std::to_string(bar.position) + " ";
  }
  EXPECT_EQ(said, "0 10>10 10>0 ") << "the position clamped into the range, the previous value returned (the "
                                      "whole image's 2535 chunks fill the bar in the controller's test)";
}

using ProgrammerDialog = DialogFixture;

TEST_F(ProgrammerDialog, RefusesAPortOutsideTheListAndCutsACaptionToItsBuffer) {
  EXPECT_TRUE(screen.Select(IDC_PORT, 11));
  // Batch mode must not upgrade another port than the one asked for.
  for (const int outside : {12, -1, 255}) EXPECT_FALSE(screen.Select(IDC_PORT, outside)) << outside;
  EXPECT_EQ(dlg.GetDlgItem(IDC_PORT)->SendMessage(CB_GETCURSEL) * 100 + dlg.m_ctlPort.SetCurSel(12),
            1100 + CB_ERR);
  dlg.GetDlgItem(IDOK)->SetWindowText("NEXT");
  char caption[3];
  EXPECT_EQ(dlg.GetDlgItem(IDOK)->GetWindowText(caption, sizeof caption), 2);
  EXPECT_STREQ(caption, "NE");
}

TEST_F(ProgrammerDialog, StatusLinesShowAsDrawnUntilRepainted) {
  screen.Paint();
  dlg.BeginStatusDrawing();
  EXPECT_EQ(Line(0) + "|" + Line(20), "|") << "a pass begins blank";
  const char* upgrading = "Upgrading!   (It takes about 180 sec.) ";
  dlg.DrawStatusLine(0, upgrading, static_cast<int>(std::strlen(upgrading)));
  std::strcpy(gLine1Text, "Upgrade complete!");
  dlg.DrawStatusLine(0, gLine1Text, static_cast<int>(std::strlen(gLine1Text)));
  EXPECT_EQ(Line(0), "Upgrade complete!takes about 180 sec.) ") << "a shorter text leaves the tail";
  CDC* pass = gStatusDC;
  screen.Paint();
  EXPECT_EQ(gStatusDC, pass) << "a repaint during a pass keeps the pass drawing";
  dlg.DrawStatusLine(0, "Time Out!  Check RS232 & Re-press 'YES' key!", 9);
  dlg.DrawStatusLine(20, "Press", 0);
  EXPECT_EQ(Line(0) + "|" + Line(20), "Time Out!omplete!|" + std::string(29, ' '))
      << "exactly the bytes asked for";
  dlg.EndStatusDrawing();
  EXPECT_EQ(gStatusDC, nullptr);
  EXPECT_EQ(Control(IDC_STATUS).surface.LineOffsets(), (std::vector<int>{0, 20}));
}

}  // namespace
