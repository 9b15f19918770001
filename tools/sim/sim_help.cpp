#include "sim/sim_cli.h"

namespace sim {

std::string cliHelp() {
  return R"(Usage: instrument-sim [options]
Simulates the instrument's boot loader at the far end of a pseudo-terminal.
Prints the pty path on its first line and a JSON summary of the received image
on its last; exits 0 only when a complete, valid image arrived.

The dialogue: each "U" is answered with "Lodar >"; the line "update" + CR is
answered with "Update Firmware" + CR LF, and everything after is the S-record
image, which ends with the line end of the S7 record (or 2 s of silence).

Line:
  --config-home DIR    configuration directory (default $XDG_CONFIG_HOME or ~/.config)
  --link COMn          link DIR/orvex-programmer/ports/COMn to the pty
  --baud N             read at N/10 bytes per second like an 8N1 line (default 115200;
                       0 reads as fast as data comes)
  --power-on-delay MS  bytes arriving in the first MS milliseconds are lost
  --repeat             after each image wait for the next upgrade, print one JSON line
                       per image, run until SIGINT/SIGTERM
Faults:
  --no-prompt          never answer "U"
  --no-update-reply    answer "U" but never the update command
  --prompt-after N     ignore the first N "U" bytes, answer from the (N+1)-th
  --split-replies      send each reply in two writes 20 ms apart
  --noise              put noise and zero bytes around each reply
  --lowercase          replies in small letters
  --stall-at N         stop reading at image byte N (the programmer's writes time out)
  --hangup-at N        hang up the line at image byte N
  --echo               send back every byte received
  --help               this text
)";
}

}  // namespace sim
