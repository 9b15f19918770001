// Program entry of the Windows build: the command line decides; the dialog
// runs on the Win32 backend.
#include <cstdlib>
#include <string>
#include <vector>

#include "app/cli/entry.h"
#include "app/ui/win32/win32_program.h"
#include "ui_core/wide_text.h"
#include "winapi.h"

// The arguments as the C runtime splits the wide command line (the rules the
// many-ports supervisor quotes its children's arguments for), held as UTF-8:
// a name in any language arrives whole, whatever the ANSI code page.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  std::vector<std::string> arguments;
  for (int i = 0; i < __argc; ++i) arguments.push_back(ui::win32::Narrow(__wargv[i]));
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  return cli::RunProgram(__argc, argv.data(), [] { return ui::win32::RunProgram(); });
}
