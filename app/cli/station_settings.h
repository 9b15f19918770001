#pragma once
// What a station may set in its environment instead of on the command line,
// and the texts that reach the record and the event stream, made valid UTF-8.
#include <string>

#include "command_line.h"

namespace cli {

// Takes ORVEX_STATION and ORVEX_EXPECT_SHA256 into `line` where the options
// did not give them, once, so that every port's process is given the same.
// A station name or unit that is not valid UTF-8 gets U+FFFD for each bad
// byte, said once on standard error. Returns the line that refuses a
// malformed ORVEX_EXPECT_SHA256, or an empty text.
std::string SettleStationTexts(CommandLine& line);

}  // namespace cli
