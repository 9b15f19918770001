#include "dialog_units.h"

namespace ui {
namespace {

// MulDiv: a * b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c) {
  const long long product = static_cast<long long>(a) * b;
  const long long half = c / 2;
  const long long rounded = product >= 0 ? (product + half) / c : (product - half) / c;
  return static_cast<int>(rounded);
}

}  // namespace

DialogUnits::DialogUnits(int alphabetWidth, int height)
    : baseX_((alphabetWidth / 26 + 1) / 2), baseY_(height) {}

int DialogUnits::ToPixelsX(int dlu) const { return MulDiv(dlu, baseX_, 4); }
int DialogUnits::ToPixelsY(int dlu) const { return MulDiv(dlu, baseY_, 8); }

PixelRect DialogUnits::ToPixels(const DluRect& rect) const {
  return {ToPixelsX(rect.x), ToPixelsY(rect.y), ToPixelsX(rect.cx), ToPixelsY(rect.cy)};
}

}  // namespace ui
