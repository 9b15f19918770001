// Rules the framework shares between backends: dialog-unit conversion and the
// progress bar's range and position.
#include <gtest/gtest.h>

#include "app/ui/dialog_units.h"
#include "app/ui/progress_state.h"

namespace {

TEST(DialogUnits, BaseUnitsFollowTheDialogFont) {
  // 52 letters 312 px wide: average 6 px; 12 px high: a 9-point font at 96 dpi.
  const ui::DialogUnits units(312, 12);
  EXPECT_EQ(units.BaseX(), 6);
  EXPECT_EQ(units.BaseY(), 12);
  EXPECT_EQ(ui::DialogUnits(338, 15).BaseX(), 7);  // 6.5 px rounds up
  EXPECT_EQ(ui::DialogUnits(337, 15).BaseX(), 6);
}

TEST(DialogUnits, ConvertsRectanglesWithRounding) {
  const ui::DialogUnits units(312, 12);
  struct Case {
    ui::DluRect dlu;
    ui::PixelRect px;
  };
  const Case cases[] = {
      {{7, 55, 58, 14}, {11, 83, 87, 21}},
      {{7, 70, 209, 14}, {11, 105, 314, 21}},
      {{146, 55, 70, 55}, {219, 83, 105, 83}},
      {{0, 0, 223, 91}, {0, 0, 335, 137}},
  };
  for (const Case& c : cases) EXPECT_EQ(units.ToPixels(c.dlu), c.px) << c.dlu.x << "," << c.dlu.y;
}

TEST(ProgressState, ClampsAndReturnsPreviousValues) {
  ui::ProgressState bar;
  EXPECT_EQ(bar.SetPos(40), 0);
  EXPECT_EQ(bar.SetRange(MAKELPARAM(0, 10)), MAKELPARAM(0, 100));
  EXPECT_EQ(bar.position, 10);  // the old position is clamped into the new range
  EXPECT_EQ(bar.SetPos(96), 10);
  EXPECT_EQ(bar.position, 10);
  EXPECT_EQ(bar.SetPos(-3), 10);
  EXPECT_EQ(bar.position, 0);
}

TEST(ProgressState, RangeTakesTheFullUnsignedWord) {
  ui::ProgressState bar;
  bar.SetRange(MAKELPARAM(0, 2535));
  bar.SetPos(2535);
  EXPECT_EQ(bar.high, 2535);
  EXPECT_EQ(bar.position, 2535);
  bar.SetRange(MAKELPARAM(0, 0));
  bar.SetPos(0);
  EXPECT_EQ(bar.position, 0);
}

}  // namespace
