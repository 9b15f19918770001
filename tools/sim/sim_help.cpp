#include "sim/sim_cli.h"

namespace sim {

std::string cliHelp() {
  return R"(Usage: instrument-sim [options]
Simulates the instrument's boot loader at the far end of a pseudo-terminal.
Prints the pty's (or --device's) path on its first line and a JSON summary of the received image
on its last; exits 0 only when a complete, valid image arrived (and, with
--expect, the expected one).

The dialogue: each "U" is answered with "Lodar >"; once that prompt has been
shown, the line "update" + CR is answered with "Update Firmware" + CR LF (before
it, every byte but "U" is noise). Everything after is the S-record image: every
line a record ending in CR LF, data records in address order, ended by the S7
record's line; bytes arriving in the 0.5 s after it spoil the image. An image
without S7 ends after 2 s of silence. The summary names the first fault
("problemLine", "problem").

Line:
  --config-home DIR    configuration directory (default $XDG_CONFIG_HOME or ~/.config)
  --link COMn          link DIR/orvex-programmer/ports/COMn to the pty
  --device PATH        play on the existing tty PATH (a UART's or a virtual machine's
                       serial line, a USB gadget's port) instead of a new pty; it is
                       put in raw mode
  --baud N             read at N/10 bytes per second like an 8N1 line (default 115200;
                       0 reads as fast as data comes)
  --reply-latency MS   start each reply MS milliseconds after the end of its command
  --expect FILE        compare the image with FILE byte for byte ("matchesExpected",
                       "firstDifference")
  --repeat             after each image wait for the next upgrade, print one JSON line
                       per image, run until SIGINT/SIGTERM
Booting (both may be given; the first prompt needs both to have passed):
  --power-on-delay MS  the instrument is off for MS milliseconds after start (in repeat
                       mode, after each image): bytes are lost ("lostBytes")
  --prompt-after N     once on, ignore the first N "U" bytes, answer from the (N+1)-th
Faults:
  --no-prompt          never answer "U"
  --no-update-reply    answer "U" but never the update command
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
