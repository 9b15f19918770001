#include "cdc.h"

#include <utility>

#include "window_peer.h"

COLORREF CDC::SetTextColor(COLORREF color) { return std::exchange(color_, color); }

BOOL CDC::TextOut(int x, int y, LPCSTR text, int length) {
  if (!target_ || !text || length < 0) return FALSE;
  target_->DrawText({x, y, std::string(text, static_cast<std::size_t>(length)), color_});
  return TRUE;
}
