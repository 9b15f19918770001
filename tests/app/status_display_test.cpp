#include <cstring>

#include "tests/support/dialog_fixture.h"

namespace {

using StatusDisplay = DialogFixture;

void Draw(CProgrammerDlg& dlg, int y, const char* text) {
  dlg.DrawStatusLine(y, text, static_cast<int>(std::strlen(text)));
}

TEST_F(StatusDisplay, FirstPaintShowsTheStartUpTexts) {
  EXPECT_EQ(Line(0), "");
  screen.Paint();
  EXPECT_EQ(Line(0), "Please turn off DSO and press 'YES' key!");
  EXPECT_EQ(Line(20), std::string(29, ' '));
  const ui::headless::ControlRecord status = Control(IDC_STATUS);
  for (const ui::TextRun& run : status.surface.Runs()) {
    EXPECT_EQ(run.color, RGB(255, 0, 0));
    EXPECT_EQ(run.x, 0);
  }
}

TEST_F(StatusDisplay, BeginBlanksAndLinesShowAsDrawn) {
  screen.Paint();
  dlg.BeginStatusDrawing();
  EXPECT_EQ(Line(0), "");
  EXPECT_EQ(Line(20), "");
  Draw(dlg, 0, "Please turn on DSO now.");
  EXPECT_EQ(Line(0), "Please turn on DSO now.");
  EXPECT_EQ(Line(20), "");
  dlg.EndStatusDrawing();
  EXPECT_EQ(gStatusDC, nullptr);
  EXPECT_EQ(Line(0), "Please turn on DSO now.");
}

TEST_F(StatusDisplay, ShorterTextLeavesTheTailUntilRepainted) {
  dlg.BeginStatusDrawing();
  Draw(dlg, 0, "Upgrading!   (It takes about 180 sec.) ");
  std::strcpy(gLine1Text, "Upgrade complete!");
  Draw(dlg, 0, gLine1Text);
  EXPECT_EQ(Line(0), "Upgrade complete!takes about 180 sec.) ");
  std::strcpy(gLine2Text, "Press 'Next' to upgrade the next DSO.");
  screen.Paint();
  EXPECT_EQ(Line(0), "Upgrade complete!");
  EXPECT_EQ(Line(20), "Press 'Next' to upgrade the next DSO.");
  dlg.EndStatusDrawing();
}

TEST_F(StatusDisplay, ExplicitLengthsDrawExactlyThatManyBytes) {
  dlg.BeginStatusDrawing();
  dlg.DrawStatusLine(0, "Time Out!  Check RS232 & Re-press 'YES' key!", 9);
  dlg.DrawStatusLine(20, "Press 'Next' to upgrade the next DSO.", 0);
  EXPECT_EQ(Line(0), "Time Out!");
  EXPECT_EQ(Line(20), "");
  dlg.DrawStatusLine(0, "                         ", 25);  // 25 spaces cover 25 cells only
  EXPECT_EQ(Line(0), std::string(25, ' '));
  dlg.EndStatusDrawing();
}

TEST_F(StatusDisplay, RepaintDuringAPassKeepsThePassDrawing) {
  dlg.BeginStatusDrawing();
  CDC* pass = gStatusDC;
  std::strcpy(gLine1Text, "Start !");
  Draw(dlg, 0, gLine1Text);
  screen.Paint();
  EXPECT_EQ(gStatusDC, pass);
  std::strcpy(gLine1Text, "Time1 Out!,Run again ");
  Draw(dlg, 0, gLine1Text);
  EXPECT_EQ(Line(0), "Time1 Out!,Run again ");
  EXPECT_EQ(Line(20), std::string(29, ' '));
  dlg.EndStatusDrawing();
}

}  // namespace
