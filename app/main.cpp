// Program entry of the Linux build: the command line decides; the dialog runs
// on the wx backend.
#include "app/cli/entry.h"
#include "app/system/stop_signals.h"
#include "app/ui/wx/wx_program.h"

int main(int argc, char** argv) {
  return cli::RunProgram(argc, argv, [&] { return ui::wx::RunProgram(argc, argv, sys::StopNotice()); });
}
