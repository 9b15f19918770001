#include "app/about_dlg.h"
#include "tests/support/dialog_fixture.h"

namespace {

using ProgrammerDialog = DialogFixture;

TEST_F(ProgrammerDialog, StartsIdleWithComOneSelectedAndYesFocused) {
  const ui::headless::DialogRecord shown = screen.Snapshot(IDD_PROGRAMMER_DIALOG);
  EXPECT_TRUE(shown.open);
  EXPECT_EQ(shown.title, "ORVEX-A/B Firmware Programmer");
  EXPECT_EQ(shown.focus, IDOK);
  EXPECT_NE(shown.icons[0], nullptr);
  EXPECT_EQ(shown.icons[0], shown.icons[1]);
  EXPECT_EQ(shown.Control(IDOK).text, "YES");
  EXPECT_EQ(shown.Control(IDCANCEL).text, "Exit");
  const ui::headless::ControlRecord port = shown.Control(IDC_PORT);
  ASSERT_EQ(port.items.size(), 12u);
  for (std::size_t i = 0; i < port.items.size(); ++i) EXPECT_EQ(port.items[i], "COM" + std::to_string(i + 1));
  EXPECT_EQ(port.selection, 0);
  EXPECT_EQ(dlg.m_ctlPort.GetCurSel(), 0);
  EXPECT_EQ(dlg.m_nPort, 0);
}

TEST_F(ProgrammerDialog, ControlsAnswerByIdentifier) {
  CWnd* progress = dlg.GetDlgItem(IDC_PROGRESS);
  ASSERT_NE(progress, nullptr);
  progress->SendMessage(PBM_SETRANGE, 0, MAKELPARAM(0, 2535));
  progress->SendMessage(PBM_SETPOS, 0);
  progress->SendMessage(PBM_SETPOS, 3000);
  const auto bar = Control(IDC_PROGRESS);
  EXPECT_EQ(bar.rangeHigh, 2535);
  EXPECT_EQ(bar.positions, (std::vector<int>{0, 2535}));

  dlg.GetDlgItem(IDOK)->SetWindowText("NEXT");
  EXPECT_EQ(Control(IDOK).text, "NEXT");
  EXPECT_EQ(dlg.GetDlgItem(IDOK)->GetWindowText(), "NEXT");
  char caption[3];
  EXPECT_EQ(dlg.GetDlgItem(IDOK)->GetWindowText(caption, sizeof caption), 2);
  EXPECT_STREQ(caption, "NE");
  EXPECT_EQ(dlg.GetDlgItem(4242), nullptr);

  EXPECT_TRUE(screen.Select(IDC_PORT, 11));
  EXPECT_EQ(dlg.GetDlgItem(IDC_PORT)->SendMessage(CB_GETCURSEL), 11);
  // A port outside the list is refused and the choice stays: batch mode must
  // not upgrade another port than the one asked for.
  for (const int outside : {12, -1, 255}) {
    EXPECT_FALSE(screen.Select(IDC_PORT, outside)) << outside;
    EXPECT_EQ(dlg.GetDlgItem(IDC_PORT)->SendMessage(CB_GETCURSEL), 11) << outside;
  }
  EXPECT_EQ(dlg.m_ctlPort.SetCurSel(12), CB_ERR);
}

TEST_F(ProgrammerDialog, ExitEscapeAndCloseBoxEndTheDialog) {
  for (auto end :
       {+[](ui::headless::Screen& s) { s.Press(IDCANCEL); }, +[](ui::headless::Screen& s) { s.Close(); }}) {
    dlg.DestroyWindow();
    ASSERT_TRUE(dlg.Create());
    end(screen);
    const auto shown = screen.Snapshot(IDD_PROGRAMMER_DIALOG);
    EXPECT_TRUE(shown.ended);
    EXPECT_EQ(shown.result, IDCANCEL);
  }
}

TEST_F(ProgrammerDialog, ModalLoopRunsPostedActionsUntilExit) {
  dlg.DestroyWindow();
  screen.PostCommand(IDOK);  // the stand-in controller does nothing
  screen.PostSelect(IDC_PORT, 3);
  screen.Post([&] { EXPECT_EQ(dlg.m_ctlPort.GetCurSel(), 3); });
  screen.PostCommand(IDCANCEL);
  screen.PostCommand(IDOK);  // never delivered: the dialog has ended
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_FALSE(screen.IsOpen(IDD_PROGRAMMER_DIALOG));
  EXPECT_TRUE(ui::PumpOneMessage());  // the last press was left in the queue
  EXPECT_FALSE(ui::PumpOneMessage());
}

TEST_F(ProgrammerDialog, AboutOpensFromTheSystemMenuAndLeavesTheDialogAlone) {
  CMenu* menu = dlg.GetSystemMenu(FALSE);
  ASSERT_EQ(menu->Items().size(), 2u);
  EXPECT_EQ(menu->Items()[0].flags, MF_SEPARATOR);
  EXPECT_EQ(menu->Items()[1].id, static_cast<UINT>(IDM_ABOUTBOX));
  EXPECT_EQ(menu->Items()[1].text, "關於 ORVEX_DIALOG1(&A)...");

  screen.PostCommand(IDOK);  // confirms the About box once it is up
  screen.SysCommand(IDM_ABOUTBOX);
  const auto about = screen.Snapshot(IDD_ABOUTBOX);
  EXPECT_EQ(about.title, "關於 ORVEX_DIALOG1");
  EXPECT_EQ(about.Control(IDC_ABOUT_VERSION).text, "ORVEX_DIALOG1 Version 1.0");
  EXPECT_EQ(about.Control(IDOK).text, "確定");
  EXPECT_TRUE(about.ended);
  EXPECT_FALSE(about.open);
  EXPECT_EQ(about.focus, IDOK);
  const auto main = screen.Snapshot(IDD_PROGRAMMER_DIALOG);
  EXPECT_TRUE(main.open);
  EXPECT_FALSE(main.ended);

  screen.SysCommand(0xF020);  // another system command: default processing only
  EXPECT_EQ(screen.Snapshot(IDD_ABOUTBOX).timesOpened, 1);
}

}  // namespace
