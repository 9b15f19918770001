#pragma once
// Program entry on the wx backend: starts the toolkit, runs the application
// object's InitInstance, and returns the program's exit code.

namespace ui::wx {

// While the program runs, `closeNotice` turning readable (a descriptor, -1 for
// none) closes the main dialog as its close box does; what is readable is read.
int RunProgram(int argc, char** argv, int closeNotice = -1);

}  // namespace ui::wx
