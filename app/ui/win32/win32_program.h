#pragma once
// The Windows program's entry: installs the Win32 backend (dialogs from the
// resource templates, MessageBoxA, the one-message pump), then runs the
// application object. Returns the process exit code.
namespace ui::win32 {

int RunProgram();

}  // namespace ui::win32
