// The system stays awake while this thread's execution state asks for it; a shutdown block reason on the
// dialog makes Windows ask before logging off in the middle of an upgrade.
#include "sleep_inhibitor.h"

#include <string>

#include "winapi.h"

namespace {

bool gHeld = false;
HWND gBlockingWindow = nullptr;

// Owned windows (the About box, message boxes) are skipped: the reason belongs on the dialog.
BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
  if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER) != nullptr) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

HWND DialogOfThisThread() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The program's texts are in the ANSI code page, as its -A calls take them.
std::wstring Wide(const char* text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
  wide.resize(static_cast<std::size_t>(length) - 1);
  return wide;
}

void MoveBlockReason(HWND window, const char* reason) {
  if (gBlockingWindow != nullptr && gBlockingWindow != window) ShutdownBlockReasonDestroy(gBlockingWindow);
  gBlockingWindow =
      window != nullptr && ShutdownBlockReasonCreate(window, Wide(reason).c_str()) ? window : nullptr;
}

}  // namespace

void KeepAwake(const char* reason) {
  MoveBlockReason(DialogOfThisThread(), reason);
  const bool awake = SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0;
  gHeld = gHeld || awake || gBlockingWindow != nullptr;
}

void AllowSleep() {
  if (!gHeld) return;
  MoveBlockReason(nullptr, nullptr);
  SetThreadExecutionState(ES_CONTINUOUS);
  gHeld = false;
}

bool SleepInhibited() { return gHeld; }
