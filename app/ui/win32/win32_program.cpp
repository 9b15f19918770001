#include "win32_program.h"

#include <memory>
#include <utility>

#include "app/ui/cwinapp.h"
#include "ui_core/message_box.h"
#include "ui_core/message_pump.h"
#include "win32_dialog.h"

namespace ui::win32 {
namespace {

DWORD gUserInterfaceThread = 0;

class Win32Backend final : public Backend {
 public:
  std::unique_ptr<DialogPeer> CreatePeer(const DialogTemplate& tmpl, CDialog& owner) override {
    auto dialog = std::make_unique<DialogWindow>(tmpl, owner);
    if (!dialog->Created()) return nullptr;
    return dialog;
  }
};

// Keystrokes go to the focused control as they are: no dialog keyboard
// handling, so Enter and Escape do nothing while an upgrade step pumps.
bool PumpOneMessage() {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    PostQuitMessage(static_cast<int>(msg.wParam));
    return false;
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return true;
}

BOOL CALLBACK DisableWindow(HWND window, LPARAM) {
  EnableWindow(window, FALSE);
  return TRUE;
}

// Boxes of other threads have message loops of their own; the dialogs are kept
// painted but disabled: the operator's Exit would close the port that the
// winding-down thread is closing.
void ServeUntilProcessEnds() {
  if (GetCurrentThreadId() != gUserInterfaceThread) return;
  EnumThreadWindows(gUserInterfaceThread, &DisableWindow, 0);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// A box on the user-interface thread belongs to the active dialog; one from
// the reader thread has no owner window and comes to the front by itself.
int ShowMessageBox(const char* text, UINT type) {
  const bool onUserInterface = GetCurrentThreadId() == gUserInterfaceThread;
  HWND owner = onUserInterface ? GetActiveWindow() : nullptr;
  const UINT extra = onUserInterface ? 0 : MB_SETFOREGROUND | MB_TASKMODAL;
  return MessageBoxA(owner, text, "ORVEX_DIALOG1", type | extra);
}

}  // namespace

int RunProgram() {
  gUserInterfaceThread = GetCurrentThreadId();
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  Win32Backend backend;
  Backend* previousBackend = SetBackend(&backend);
  MessagePump previousPump = SetMessagePump(&PumpOneMessage);
  EndServer previousEndServer = SetEndServer(&ServeUntilProcessEnds);
  MessageBoxHandler previousBoxes = SetMessageBoxHandler(&ShowMessageBox);
  int code = 1;
  if (CWinApp* app = AfxGetApp()) {
    app->InitInstance();
    code = app->ExitInstance();
  }
  SetMessageBoxHandler(std::move(previousBoxes));
  SetEndServer(previousEndServer);
  SetMessagePump(std::move(previousPump));
  SetBackend(previousBackend);
  return code;
}

}  // namespace ui::win32
