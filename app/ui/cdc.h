#pragma once
// A device context for drawing text on a control. Default background mode and
// font: each string is painted opaque behind its own characters only.
#include "ui_core/ui_winapi.h"

namespace ui {
class ControlPeer;
}

class CDC {
 public:
  explicit CDC(ui::ControlPeer* target) : target_(target) {}

  COLORREF SetTextColor(COLORREF color);
  BOOL TextOut(int x, int y, LPCSTR text, int length);

 private:
  ui::ControlPeer* target_;
  COLORREF color_ = RGB(0, 0, 0);
};
