#!/usr/bin/env bash
# The many-ports live view of the Windows program on a console, under Wine:
# three ports whose instruments stay silent, on a terminal of 10 rows and 80
# columns, then on one of a single row. The live lines must be rewritten in
# place: read back through a terminal's model (python3-pyte), each port's line
# is on the screen once, beside its row of the table, and no escape sequence
# shows as text; on the single row the count of the ports done is drawn over
# in place, not once more on a new line each time.
# Usage: live_view_case.sh EXE INSTRUMENT_SIM
#   Uses the prefix in WINEPREFIX when there is one, else makes its own.
set -uo pipefail
usage='usage: live_view_case.sh EXE INSTRUMENT_SIM'
exe=$(realpath "${1:?$usage}")
sim=$(realpath "${2:?$usage}")
source "$(dirname "$0")/../../scripts/lib/wine.sh"

work=$(mktemp -d /tmp/orvex-wine-live.XXXXXX)
sims=()
cleanup() {
  orvex_wine_cleanup
  ((${#sims[@]} > 0)) && kill "${sims[@]}" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"  # a prefix of our own is inside
}
trap cleanup EXIT
orvex_wine_use_prefix "$work/prefix" || { echo "FAIL: no Wine prefix" >&2; exit 1; }

for n in 1 2 3; do
  "$sim" --no-prompt >"$work/sim$n.out" 2>/dev/null &
  sims+=($!)
done
for n in 1 2 3; do
  pty=$(orvex_sim_pty "$work/sim$n.out" "${sims[n - 1]}") && orvex_wine_map_port "COM$n" "$pty" ||
    { echo "FAIL: COM$n not mapped" >&2; exit 1; }
done

# Debian's python3, which has pyte, whatever else comes first on PATH.
/usr/bin/python3 - "$exe" <<'PY'
import fcntl, os, pty, re, select, struct, subprocess, sys, termios, time
import pyte  # a terminal's model (python3-pyte)

columns = 80


def screen_lines(written, rows):
    """What the terminal shows, the lines that scrolled off the top included."""
    screen = pyte.HistoryScreen(columns, rows, history=10000)
    pyte.ByteStream(screen).feed(bytes(written))
    lines = ["".join(row[x].data if x in row else " " for x in range(columns)).rstrip()
             for row in screen.history.top]
    return lines + [line.rstrip() for line in screen.display]


def run(rows):
    """The exit code and what the screen of `rows` shows at the end."""
    master, slave = pty.openpty()
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", rows, columns, 0, 0))
    program = subprocess.Popen(["wine", sys.argv[1], "--batch", "--port", "COM1-COM3"], stdin=slave,
                               stdout=slave, stderr=slave, start_new_session=True)
    os.close(slave)
    # Wine's server keeps the terminal open after the program: read until the
    # program ended and the screen shows its last line, the retry command's end.
    written = bytearray()
    deadline = time.monotonic() + 120
    while time.monotonic() < deadline:
        ended = program.poll() is not None
        if ended and any(line.endswith("--port COM3") for line in screen_lines(written, rows)):
            break
        ready, _, _ = select.select([master], [], [], 1)
        if ready:
            try:
                written += os.read(master, 65536)
            except OSError:  # EIO: the program and its output are gone
                break
    if program.poll() is None:
        program.kill()
    os.close(master)
    return program.wait(), screen_lines(written, rows)


problems = []
code, lines = run(10)
if code != 3:
    problems.append(f"exit {code}, want 3 (the probes timed out)")
for n in (1, 2, 3):
    shown = [line for line in lines if re.match(rf"COM{n} ", line)]
    if len(shown) != 2:
        problems.append(f"COM{n} on {len(shown)} lines, want its live line and its row of the table: {shown}")
if any(re.search(r"\[\d*[AJ]", line) for line in lines):
    problems.append("an escape sequence shows as text")
code, one_row = run(1)
counts = [line for line in one_row if "ports done" in line]
if code != 3 or counts != ["3 of 3 ports done: 0 complete, 3 failed"]:
    problems.append(f"one row: exit {code}, the count drawn {counts}, want once, at the end")
    lines += ["--- one row:"] + one_row
print("PASS: the live view is rewritten in place on a console" if not problems else "FAIL: " + "; ".join(problems))
if problems:
    print("\n".join(lines))
sys.exit(1 if problems else 0)
PY
