// Icons of the program: XPM images the build renders from orvex-programmer.svg.
#include "res/orvex_icon_16.xpm"
#include "res/orvex_icon_32.xpm"
#include "resource.h"
#include "ui_core/resource_module.h"

namespace ui {

HICON FindIcon(UINT id) {
  static const IconImage mainframe{orvex_icon_32, orvex_icon_16};
  return id == IDR_MAINFRAME ? &mainframe : nullptr;
}

}  // namespace ui
