// Icons of the program.
#include "orvex_icon_16.xpm"
#include "orvex_icon_32.xpm"
#include "resource.h"
#include "ui_core/resource_module.h"

namespace ui {

HICON FindIcon(UINT id) {
  static const IconImage mainframe{orvex_icon_32, orvex_icon_16};
  return id == IDR_MAINFRAME ? &mainframe : nullptr;
}

}  // namespace ui
