#include "dpi.h"

namespace ui::win32 {
namespace {

// Only in user32 of Windows 10 1607 and later: never imported, so that the
// program still loads on Windows 7.
template <typename Function>
Function User32Function(const char* name) {
  const FARPROC address = GetProcAddress(GetModuleHandleA("user32.dll"), name);
  // Through the generic function type: the one cast GCC accepts between function types.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);

}  // namespace

UINT WindowDpi(HWND window) {
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (getDpiForWindow != nullptr) {
    if (const UINT dpi = getDpiForWindow(window); dpi != 0) return dpi;
  }
  int dpi = 0;
  if (HDC dc = GetDC(window)) {
    dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(window, dc);
  }
  return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

int SystemMetricForDpi(int index, UINT dpi) {
  static const auto forDpi = User32Function<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
  return forDpi != nullptr ? forDpi(index, dpi) : GetSystemMetrics(index);
}

}  // namespace ui::win32
