#pragma once
// Program entry on the wx backend: starts the toolkit, runs the application
// object's InitInstance, and returns the program's exit code.

namespace ui::wx {

int RunProgram(int argc, char** argv);

}  // namespace ui::wx
