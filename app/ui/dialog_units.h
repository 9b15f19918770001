#pragma once
// Converts dialog units to pixels the way the Windows dialog manager does: from
// the average width of the letters A-Z and a-z and the height of the dialog font.
#include "ui_core/dialog_template.h"

namespace ui {

struct PixelRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const PixelRect&) const = default;
};

class DialogUnits {
 public:
  // alphabetWidth: pixel width of "A..Za..z" in the dialog font; height: its
  // character height in pixels.
  DialogUnits(int alphabetWidth, int height);

  int BaseX() const { return baseX_; }
  int BaseY() const { return baseY_; }
  int ToPixelsX(int dlu) const;
  int ToPixelsY(int dlu) const;
  PixelRect ToPixels(const DluRect& rect) const;

 private:
  int baseX_;
  int baseY_;
};

}  // namespace ui
