// Program entry of the Windows build: the command line decides; the dialog
// runs on the Win32 backend.
#include <cstdlib>

#include "app/cli/entry.h"
#include "app/ui/win32/win32_program.h"
#include "winapi.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return cli::RunProgram(__argc, __argv, [] { return ui::win32::RunProgram(); });
}
