// Program entry of the Windows build: the Win32 backend runs the application object.
#include "app/ui/win32/win32_program.h"
#include "winapi.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return ui::win32::RunProgram(); }
