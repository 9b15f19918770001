#include "progress_state.h"

#include <algorithm>
#include <cstdint>

namespace ui {

LRESULT ProgressState::SetRange(LPARAM lParam) {
  const LRESULT previous = MAKELPARAM(static_cast<WORD>(low), static_cast<WORD>(high));
  low = LOWORD(static_cast<std::uintptr_t>(lParam));
  high = HIWORD(static_cast<std::uintptr_t>(lParam));
  position = std::clamp(position, low, std::max(low, high));
  return previous;
}

LRESULT ProgressState::SetPos(int requested) {
  const LRESULT previous = position;
  position = std::clamp(requested, low, std::max(low, high));
  return previous;
}

}  // namespace ui
