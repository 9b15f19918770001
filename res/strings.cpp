// String table of the program.
#include "resource.h"
#include "ui_core/resource_module.h"

namespace ui {

const char* FindString(UINT id) {
  if (id == IDS_ABOUTBOX) return "關於 ORVEX_DIALOG1(&A)...";
  return "";
}

}  // namespace ui
