#pragma once
// Batch mode: one upgrade with no window, through the same controller, probe,
// command, transfer and serial link as the dialog (the main dialog on the
// headless backend). Returns the program's exit code.
#include "app/record/upgrade_record.h"
#include "command_line.h"

namespace cli {

// `context`: what the upgrade sends (the embedded image unless --image was
// given), and the station and unit for the record.
int RunBatch(const CommandLine& line, const RecordContext& context);

}  // namespace cli
