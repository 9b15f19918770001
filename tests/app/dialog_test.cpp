// The dialog framework's shared rules (what a surface shows, dialog units, the
// progress bar), the headless backend's own, and the main dialog with its
// status display on it.
#include <cstring>
#include <thread>

#include "app/about_dlg.h"
#include "app/ui/dialog_units.h"
#include "app/ui/progress_state.h"
#include "tests/support/dialog_fixture.h"

namespace {

TEST(Framework, SurfacesDialogUnitsAndTheProgressBar) {
  ui::TextSurface surface;
  for (const auto& [y, text] :
       {std::pair{0, "Upgrading!   (It takes"}, {20, "two"}, {0, "Upgrade complete!"}})
    surface.Draw({0, y, text, RGB(255, 0, 0)});
  EXPECT_EQ(surface.VisibleLine(0) + "|" + surface.VisibleLine(20), "Upgrade complete!takes|two")
      << "a shorter text leaves the tail of a longer one; lines do not mix";
  surface.Draw({0, 0, "     ", 0});
  EXPECT_EQ(surface.VisibleLine(0), "     de complete!takes") << "spaces erase by covering";
  EXPECT_EQ(surface.LineOffsets(), (std::vector<int>{0, 20}));
  surface.Blank();
  surface.Draw({0, 20, "new", 0});
  EXPECT_EQ(
      surface.VisibleLine(0) + "|" + surface.VisibleLine(20) + "|" + std::to_string(surface.Runs().size()),
      "|new|1");
  // 52 letters 312 px wide: average 6 px; 12 px high: a 9-point font at 96 dpi.
  const ui::DialogUnits units(312, 12);
  EXPECT_EQ(std::pair(units.BaseX(), units.BaseY()), std::pair(6, 12));
  EXPECT_EQ(ui::DialogUnits(338, 15).BaseX() * 10 + ui::DialogUnits(337, 15).BaseX(), 76)
      << "6.5 px rounds up";
  EXPECT_EQ(units.ToPixels({7, 55, 58, 14}), (ui::PixelRect{11, 83, 87, 21}));
  EXPECT_EQ(units.ToPixels({146, 55, 70, 55}), (ui::PixelRect{219, 83, 105, 83}));
  ui::ProgressState bar;
  std::string said =
      std::to_string(bar.SetPos(40)) + (bar.SetRange(MAKELPARAM(0, 10)) == MAKELPARAM(0, 100) ? " " : " ?");
  for (const int pos : {96, -3}) {
    said += std::to_string(bar.SetPos(pos));
    said += ">" + std::to_string(bar.position) + " ";
  }
  bar.SetRange(MAKELPARAM(0, 2535));
  bar.SetPos(2535);
  EXPECT_EQ(said + std::to_string(bar.position) + " " + std::to_string(bar.high), "0 10>10 10>0 2535 2535")
      << "the position clamped into the range, the previous value returned, the full word of a range";
}

TEST(HeadlessScreen, BoxesAndActionsFromAnyThreadComeInOrderOneAtATime) {
  {
    ui::headless::Screen screen;
    EXPECT_EQ(AfxMessageBox("Error SetCommState", MB_OK, 0), IDOK);
    std::vector<int> order;
    std::thread other([&] {
      AfxMessageBox("ReadFile error");
      screen.Post([&] { order.push_back(1); });
      screen.Post([&] { order.push_back(2); });
    });
    EXPECT_TRUE(screen.WaitForMessageBoxes(2, std::chrono::seconds(30)));
    other.join();
    EXPECT_EQ(screen.MessageBoxes(), (std::vector<std::string>{"Error SetCommState", "ReadFile error"}));
    EXPECT_FALSE(screen.WaitForMessageBoxes(3, std::chrono::milliseconds(1)));
    EXPECT_TRUE(ui::PumpOneMessage());
    EXPECT_EQ(order, (std::vector<int>{1}));
    EXPECT_TRUE(ui::PumpOneMessage());
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    screen.Post([] {});
  }
  EXPECT_EQ(ui::CurrentBackend(), nullptr) << "the previous handlers are back when the screen goes";
  EXPECT_FALSE(ui::PumpOneMessage()) << "and what it held is gone with it";
}

using ProgrammerDialog = DialogFixture;

TEST_F(ProgrammerDialog, StartsIdleWithComOneAndAnswersByIdentifier) {
  const ui::headless::DialogRecord shown = screen.Snapshot(IDD_PROGRAMMER_DIALOG);
  std::string items;
  for (const std::string& item : shown.Control(IDC_PORT).items) items += item + " ";
  EXPECT_EQ(shown.title + "|" + shown.Control(IDOK).text + "|" + shown.Control(IDCANCEL).text + "|" + items,
            "ORVEX-A/B Firmware Programmer|YES|Exit|COM1 COM2 COM3 COM4 COM5 COM6 COM7 COM8 COM9 COM10 COM11 "
            "COM12 ");
  EXPECT_TRUE(shown.open && shown.focus == IDOK && shown.icons[0] != nullptr &&
              shown.icons[0] == shown.icons[1]);
  EXPECT_EQ(shown.Control(IDC_PORT).selection + dlg.m_ctlPort.GetCurSel() + dlg.m_nPort, 0);
  CWnd* progress = dlg.GetDlgItem(IDC_PROGRESS);
  progress->SendMessage(PBM_SETRANGE, 0, MAKELPARAM(0, 2535));
  progress->SendMessage(PBM_SETPOS, 0);
  progress->SendMessage(PBM_SETPOS, 3000);
  EXPECT_EQ(Control(IDC_PROGRESS).rangeHigh, 2535);
  EXPECT_EQ(Control(IDC_PROGRESS).positions, (std::vector<int>{0, 2535}));
  dlg.GetDlgItem(IDOK)->SetWindowText("NEXT");
  char caption[3];
  EXPECT_EQ(dlg.GetDlgItem(IDOK)->GetWindowText(caption, sizeof caption), 2);
  EXPECT_EQ(Control(IDOK).text + dlg.GetDlgItem(IDOK)->GetWindowText() + caption, "NEXTNEXTNE");
  EXPECT_EQ(dlg.GetDlgItem(4242), nullptr);
  EXPECT_TRUE(screen.Select(IDC_PORT, 11));
  // A port outside the list is refused and the choice stays: batch mode must
  // not upgrade another port than the one asked for.
  for (const int outside : {12, -1, 255}) EXPECT_FALSE(screen.Select(IDC_PORT, outside)) << outside;
  EXPECT_EQ(dlg.GetDlgItem(IDC_PORT)->SendMessage(CB_GETCURSEL), 11);
  EXPECT_EQ(dlg.m_ctlPort.SetCurSel(12), CB_ERR);
}

TEST_F(ProgrammerDialog, ExitCloseTheModalLoopAndTheAboutBox) {
  CMenu* menu = dlg.GetSystemMenu(FALSE);
  ASSERT_EQ(menu->Items().size(), 2u);
  EXPECT_EQ(menu->Items()[0].flags, MF_SEPARATOR);
  EXPECT_EQ(menu->Items()[1].id, static_cast<UINT>(IDM_ABOUTBOX));
  EXPECT_EQ(menu->Items()[1].text, "關於 ORVEX_DIALOG1(&A)...");
  screen.PostCommand(IDOK);  // confirms the About box once it is up
  screen.SysCommand(IDM_ABOUTBOX);
  const auto about = screen.Snapshot(IDD_ABOUTBOX);
  EXPECT_EQ(about.title + "|" + about.Control(IDC_ABOUT_VERSION).text + "|" + about.Control(IDOK).text,
            "關於 ORVEX_DIALOG1|ORVEX_DIALOG1 Version 1.0|確定");
  EXPECT_TRUE(about.ended && !about.open && about.focus == IDOK);
  EXPECT_TRUE(screen.Snapshot(IDD_PROGRAMMER_DIALOG).open) << "the About box leaves the dialog alone";
  screen.SysCommand(0xF020);  // another system command: default processing only
  EXPECT_EQ(screen.Snapshot(IDD_ABOUTBOX).timesOpened, 1);
  for (auto end :
       {+[](ui::headless::Screen& s) { s.Press(IDCANCEL); }, +[](ui::headless::Screen& s) { s.Close(); }}) {
    dlg.DestroyWindow();
    ASSERT_TRUE(dlg.Create());
    end(screen);
    EXPECT_TRUE(screen.Snapshot(IDD_PROGRAMMER_DIALOG).ended);
    EXPECT_EQ(screen.Snapshot(IDD_PROGRAMMER_DIALOG).result, IDCANCEL);
  }
  dlg.DestroyWindow();
  screen.PostCommand(IDOK);  // the stand-in controller does nothing
  screen.PostSelect(IDC_PORT, 3);
  screen.Post([&] { EXPECT_EQ(dlg.m_ctlPort.GetCurSel(), 3); });
  screen.PostCommand(IDCANCEL);
  screen.PostCommand(IDOK);  // never delivered: the dialog has ended
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_FALSE(screen.IsOpen(IDD_PROGRAMMER_DIALOG));
  EXPECT_TRUE(ui::PumpOneMessage()) << "the last press was left in the queue";
  EXPECT_FALSE(ui::PumpOneMessage());
}

TEST_F(ProgrammerDialog, StatusLinesShowAsDrawnUntilRepainted) {
  EXPECT_EQ(Line(0), "");
  screen.Paint();
  EXPECT_EQ(Line(0) + "|" + Line(20), "Please turn off DSO and press 'YES' key!|" + std::string(29, ' '))
      << "the first paint shows the start-up texts";
  const ui::headless::ControlRecord status = Control(IDC_STATUS);
  for (const ui::TextRun& run : status.surface.Runs())
    EXPECT_EQ(std::pair(run.color, run.x), std::pair(RGB(255, 0, 0), 0));
  dlg.BeginStatusDrawing();
  EXPECT_EQ(Line(0) + "|" + Line(20), "|") << "a pass begins blank";
  const char* upgrading = "Upgrading!   (It takes about 180 sec.) ";
  dlg.DrawStatusLine(0, upgrading, static_cast<int>(std::strlen(upgrading)));
  std::strcpy(gLine1Text, "Upgrade complete!");
  dlg.DrawStatusLine(0, gLine1Text, static_cast<int>(std::strlen(gLine1Text)));
  EXPECT_EQ(Line(0), "Upgrade complete!takes about 180 sec.) ") << "a shorter text leaves the tail";
  CDC* pass = gStatusDC;
  std::strcpy(gLine2Text, "Press 'Next' to upgrade the next DSO.");
  screen.Paint();
  EXPECT_EQ(Line(0) + "|" + Line(20), "Upgrade complete!|Press 'Next' to upgrade the next DSO.")
      << "until repainted";
  EXPECT_EQ(gStatusDC, pass) << "a repaint during a pass keeps the pass drawing";
  dlg.DrawStatusLine(0, "Time Out!  Check RS232 & Re-press 'YES' key!", 9);
  dlg.DrawStatusLine(20, "Press", 0);
  EXPECT_EQ(Line(0) + "|" + Line(20), "Time Out!omplete!|Press 'Next' to upgrade the next DSO.")
      << "explicit lengths draw exactly that many bytes";
  dlg.EndStatusDrawing();
  EXPECT_EQ(gStatusDC, nullptr);
  EXPECT_EQ(Line(0), "Time Out!omplete!");
}

}  // namespace
