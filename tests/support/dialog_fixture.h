#pragma once
// The main dialog created on the headless backend, with the status buffers
// back at their start-up texts.
#include <gtest/gtest.h>

#include <cstring>

#include "app/programmer_dlg.h"
#include "app/status_display.h"
#include "app/ui/headless/headless_screen.h"

class DialogFixture : public testing::Test {
 protected:
  void SetUp() override {
    std::strcpy(gLine1Text, "Please turn off DSO and press 'YES' key!");
    std::strcpy(gLine2Text, "                             ");
    ASSERT_TRUE(dlg.Create());
  }
  ui::headless::ControlRecord Control(int id) const {
    return screen.Snapshot(IDD_PROGRAMMER_DIALOG).Control(id);
  }
  std::string Line(int y) const { return Control(IDC_STATUS).VisibleLine(y); }

  ui::headless::Screen screen;
  CProgrammerDlg dlg;
};
