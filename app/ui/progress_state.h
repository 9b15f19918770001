#pragma once
// The range and position of a progress bar, with the control's rules: the
// position is clamped to the range, and each message returns the previous value.
#include "ui_core/ui_winapi.h"

namespace ui {

struct ProgressState {
  int low = 0;
  int high = 100;
  int position = 0;

  // lParam holds the low bound in its low word and the high bound in its high
  // word; returns the previous range packed the same way.
  LRESULT SetRange(LPARAM lParam);
  // Returns the previous position.
  LRESULT SetPos(int requested);
};

}  // namespace ui
