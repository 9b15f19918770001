#pragma once
// The program declares itself per-monitor DPI aware, so Windows no longer
// stretches its window: whatever the backend draws in pixels is given at 96 DPI
// and scaled here by the DPI of the window it is drawn on.
#include <windows.h>

namespace ui::win32 {

// The window's DPI: GetDpiForWindow (Windows 10 1607 and later), looked up at
// run time so the program still starts on Windows 7; else the DPI of the
// window's display context.
UINT WindowDpi(HWND window);

// `pixels` at 96 DPI, at `dpi`.
inline int ScaleToDpi(int pixels, UINT dpi) {
  return MulDiv(pixels, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

// GetSystemMetrics for `dpi` where Windows offers it (10 1607 and later);
// the system DPI's metrics otherwise.
int SystemMetricForDpi(int index, UINT dpi);

}  // namespace ui::win32
