// String table of the program.
#include "app/ui/resource_module.h"
#include "resource.h"

namespace ui {

const char* FindString(UINT id) {
  if (id == IDS_ABOUTBOX) return "關於 ORVEX_DIALOG1(&A)...";
  return "";
}

}  // namespace ui
