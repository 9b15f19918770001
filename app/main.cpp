// Program entry: the wx backend runs the application object.
#include "app/ui/wx/wx_program.h"

int main(int argc, char** argv) { return ui::wx::RunProgram(argc, argv); }
