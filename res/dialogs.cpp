// Dialog templates of the program (dialog units, in tab order).
#include <string>
#include <vector>

#include "resource.h"
#include "ui_core/resource_module.h"

namespace {

using ui::ControlKind;

std::vector<std::string> PortNames() {
  std::vector<std::string> names;
  for (int n = 1; n <= 12; ++n) names.push_back("COM" + std::to_string(n));
  return names;
}

const ui::DialogTemplate& ProgrammerDialog() {
  static const ui::DialogTemplate tmpl{
      IDD_PROGRAMMER_DIALOG,
      "ORVEX-A/B Firmware Programmer",
      223,
      91,
      "新細明體",
      9,
      {
          {IDOK, ControlKind::DefPushButton, "YES", {7, 55, 58, 14}, true, 0, {}},
          {IDC_PROGRESS, ControlKind::Progress, "Progress1", {7, 70, 209, 14}, false, 0, {}},
          {IDC_PORT, ControlKind::DropDownList, "", {146, 55, 70, 55}, true, 0, PortNames()},
          {IDC_STATUS, ControlKind::ListBox, "", {7, 7, 209, 43}, true, 0, {}},
          {IDCANCEL, ControlKind::PushButton, "Exit", {70, 55, 58, 14}, true, 0, {}},
      }};
  return tmpl;
}

const ui::DialogTemplate& AboutDialog() {
  static const ui::DialogTemplate tmpl{
      IDD_ABOUTBOX,
      "關於 ORVEX_DIALOG1",
      235,
      55,
      "新細明體",
      9,
      {
          {IDC_ABOUT_ICON, ControlKind::Icon, "", {11, 17, 20, 20}, false, IDR_MAINFRAME, {}},
          {IDC_ABOUT_VERSION,
           ControlKind::Static,
           "ORVEX_DIALOG1 Version 1.0",
           {40, 10, 119, 8},
           false,
           0,
           {}},
          {IDC_ABOUT_NOTE, ControlKind::Static, "ORVEX-A/B 韌體燒錄程式", {40, 25, 119, 8}, false, 0, {}},
          {IDOK, ControlKind::DefPushButton, "確定", {178, 7, 50, 14}, true, 0, {}},
      }};
  return tmpl;
}

}  // namespace

namespace ui {

const DialogTemplate* FindDialogTemplate(UINT id) {
  if (id == IDD_PROGRAMMER_DIALOG) return &ProgrammerDialog();
  if (id == IDD_ABOUTBOX) return &AboutDialog();
  return nullptr;
}

}  // namespace ui
