#!/usr/bin/env python3
"""Many ports from one command: each port's upgrade in a process of its own,
watched by the first, against simulated instruments on COM1 to COM4.

Usage: many_ports.py PROGRAM INSTRUMENT_SIM IMAGE_TOOL LOGIN1_STANDIN CASE
       many_ports.py --list   (the cases, for CMake)
"""
import fcntl
import json
import os
import pty
import re
import select
import signal
import struct
import subprocess
import termios
import time

import batch_harness as h
from batch_harness import FAST, Instrument, check, default_signals, records, wait_bounded


def small_image(work, name="small.srec"):
    """An image of about 200 kB: the cases check the ports, not the line."""
    path = os.path.join(work, name)
    subprocess.run([h.IMAGE_TOOL, "--size", "200000", "--output", path], check=True, stdout=subprocess.DEVNULL)
    return path


def many(*options, **popen):
    return subprocess.Popen([h.PROGRAM, "--batch", *options], preexec_fn=default_signals, text=True,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, **popen)


def outcomes_recorded():
    return sorted((r.get("port"), r.get("outcome")) for r in records())


def events_by_port(stdout):
    ports = {}
    for line in stdout.splitlines():
        try:
            event = json.loads(line)
        except ValueError:
            check(False, f"a line of standard output that is not JSON: {line!r}")
            continue
        ports.setdefault(event.get("port"), []).append(event["event"])
    return ports


def case_four_ports(work):
    """A range and a single port; --json merges the four streams, whole lines only."""
    image = small_image(work)
    instruments = [Instrument(work, *FAST, port=f"COM{n}") for n in range(1, 5)]
    trace = os.path.join(work, "trace.txt")
    program = many("--port", "COM1-COM3", "--port", "COM4", "--json", "--station", "bench 9", "--image", image,
                   "--trace", trace)
    code, seconds = wait_bounded(program, 120)
    out, err = program.communicate()
    verdicts = [i.verdict() for i in instruments]
    check(code == 0, f"exit 0, got {code}: {err[-600:]}")
    check(all(v["valid"] for v in verdicts), f"every instrument got a valid image: {verdicts}")
    check(outcomes_recorded() == [(f"COM{n}", "complete") for n in range(1, 5)],
          f"four record lines: {records()}")
    check(all(r.get("station") == "bench 9" for r in records()), f"the station reaches each port: {records()}")
    ports = events_by_port(out)
    check(sorted(ports) == [f"COM{n}" for n in range(1, 5)], f"events of each port: {sorted(ports)}")
    check(all(e[0] == "start" and e[-1] == "end" and e.count("end") == 1 for e in ports.values()),
          f"each port's stream starts and ends once: {ports}")
    table = re.findall(r"^(COM\d)\s+complete\s+[\d.]+\s+(\d+)$", err, re.M)
    check(table == [(f"COM{n}", str(os.path.getsize(image))) for n in range(1, 5)],
          f"the table on standard error: {err}")
    check("retry" not in err, "no retry line when every port completed")
    traced = [n for n in range(1, 5) if os.path.getsize(f"{trace}.COM{n}") > 0] if all(
        os.path.exists(f"{trace}.COM{n}") for n in range(1, 5)) else []
    check(traced == [1, 2, 3, 4], f"each port writes its own trace: {sorted(os.listdir(work))}")
    print(f"four ports in {seconds:.1f} s")


def case_one_silent(work):
    """Three ports, the last instrument silent: the others complete, the exit
    code is the silent port's, and the retry line names only it."""
    image = small_image(work, "small image.srec")  # a space, so the retry line must quote it
    instruments = [Instrument(work, *FAST, port=f"COM{n}") for n in (1, 2)]
    silent = Instrument(work, "--no-prompt", port="COM3")
    program = many("--port", "COM1", "--port", "COM2", "--port", "COM3", "--image", image)
    code, _ = wait_bounded(program, 120)
    out, err = program.communicate()
    verdicts = [i.verdict() for i in instruments]
    silent.verdict(ends_by_itself=False)
    check(code == 3, f"exit 3 (the probe timed out), got {code}")
    check(all(v["valid"] for v in verdicts), f"the two others got a valid image: {verdicts}")
    check(outcomes_recorded() == [("COM1", "complete"), ("COM2", "complete"), ("COM3", "probe-timeout")],
          f"three record lines: {records()}")
    lines = out.splitlines()
    check("COM3: Time Out!  Check RS232 & Re-press 'YES' key!" in lines and "COM1: Upgrade complete!" in lines,
          f"off a terminal, each line starts with its port: {out[-800:]}")
    retry = [line for line in lines if line.startswith("retry the failed ports: ")]
    check(len(retry) == 1 and retry[0].endswith(f"--batch --port COM3 --image '{image}'"),
          f"the retry line names only the silent port: {retry}")


def case_interrupted(work):
    """A stop reaches every port's process: each ends interrupted, with its record line."""
    instruments = [Instrument(work, port=f"COM{n}") for n in (1, 2, 3)]
    program = many("--port", "COM1-COM3", "--json")
    sending = set()
    for line in program.stdout:
        event = json.loads(line)
        if event["event"] == "progress":
            sending.add(event["port"])
        if len(sending) == 3:
            break
    program.send_signal(signal.SIGINT)
    code, _ = wait_bounded(program, 60)
    out, err = program.communicate()
    for instrument in instruments:
        instrument.verdict(ends_by_itself=False)
    check(code == 130, f"exit 130, got {code}: {err[-600:]}")
    check(outcomes_recorded() == [(f"COM{n}", "interrupted") for n in (1, 2, 3)], f"records: {records()}")
    ends = [json.loads(line) for line in out.splitlines() if '"end"' in line]
    check(sorted(e["port"] for e in ends) == ["COM1", "COM2", "COM3"] and
          all(e["exitCode"] == 130 and e["bytesSent"] > 0 for e in ends), f"each port's end: {ends}")
    check(err.count("must be upgraded again") == 3, f"each port says its instrument holds a partial image: {err}")


def case_high_port(work):
    """Batch mode takes ports beyond the dialog's twelve; --list-ports a range."""
    instrument = Instrument(work, *FAST, port="COM200")
    listing = subprocess.run([h.PROGRAM, "--list-ports", "COM199-COM201"], capture_output=True, text=True)
    lines = listing.stdout.splitlines()
    check(listing.returncode == 0 and [line.split()[0] for line in lines[:3]] == ["COM199", "COM200", "COM201"]
          and len(lines) == 4, f"the range's three ports and the recipe: {listing.stdout}")
    check(lines[0].startswith("COM199 /dev/ttyS198 ") and "[free]" in lines[1] and lines[1].startswith("COM200 "),
          f"COM200 is the instrument's link, free: {lines}")
    program = subprocess.run([h.PROGRAM, "--batch", "--port", "COM200", "--image", small_image(work)],
                             capture_output=True, text=True, timeout=120)
    check(program.returncode == 0 and instrument.verdict()["valid"], f"upgraded on COM200: {program.stderr}")
    check(outcomes_recorded() == [("COM200", "complete")], f"record: {records()}")


TABLE_ROW = re.compile(r"^(COM\d+) +(\S+(?: \S+)*) +\d+\.\d +\d+$")
LIVE_SHAPES = [
    re.compile(r"^COM\d+ {2,}\S"),                      # a port's live line
    re.compile(r"^\d+ of 12 ports done: \d+ complete, \d+ failed$"),
    re.compile(r"^and \d+ more running$"),
    re.compile(r"^COM\d+: "),                           # a line of a port's standard error
    re.compile(r"^port    outcome                  seconds   bytes sent$"),
    TABLE_ROW,
    re.compile(r"^retry the failed ports: "),
]


def on_terminal(command, rows, columns, env):
    """Runs `command` with standard output and error on a pty of rows x
    columns; what it wrote, as bytes."""
    master, slave = pty.openpty()
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", rows, columns, 0, 0))
    program = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=slave, stderr=slave, env=env,
                               preexec_fn=default_signals)
    os.close(slave)
    written = bytearray()
    while True:
        try:
            got = os.read(master, 65536)
        except OSError:  # EIO: the program and its output are gone
            break
        if not got:
            break
        written += got
    os.close(master)
    code, _ = wait_bounded(program, 30)
    return code, bytes(written)


def case_small_terminal(work):
    """Twelve ports on a terminal of 10 rows: the live view fits the height,
    never moves above what it drew, shows each port's foreign lines of
    standard error, and the screen ends with every port's outcome."""
    image = small_image(work)
    instruments = [Instrument(work, *FAST, port=f"COM{n}") for n in range(1, 12)]
    silent = Instrument(work, "--no-prompt", port="COM12")
    # The dynamic loader's statistics: lines on standard error that are not
    # the program's own, from every process.
    env = dict(os.environ, LD_DEBUG="statistics")
    code, written = on_terminal([h.PROGRAM, "--batch", "--port", "COM1-COM12", "--image", image], 10, 80, env)
    verdicts = [i.verdict() for i in instruments]
    silent.verdict(ends_by_itself=False)
    check(code == 3, f"exit 3 (COM12's probe timed out), got {code}")
    check(all(v["valid"] for v in verdicts), f"eleven instruments got a valid image: {verdicts}")
    text = written.decode("utf-8", "replace")
    for n in range(1, 13):
        check(re.search(rf"COM{n}: +\d+:\truntime linker statistics:\r?\n", text) is not None,
              f"COM{n}'s foreign lines of standard error are shown with its port")
    ups = [int(n) for n in re.findall(r"\x1b\[(\d+)A", text)]
    check(ups and max(ups) <= 9, f"the cursor never moves up past the top of 10 rows: {sorted(set(ups))}")

    lines = screen_lines(written, 10, 80)
    lines = [line for line in lines if line and not re.match(r"^ +\d+:", line)]  # the loader's own
    garbled = [line for line in lines if not any(shape.match(line) for shape in LIVE_SHAPES)]
    check(not garbled, f"no garbled line on the screen: {garbled}")
    live = [line.split()[0] for line in lines if LIVE_SHAPES[0].match(line) and not TABLE_ROW.match(line)]
    repeated = sorted({port for port in live if live.count(port) > 1})
    check(not repeated, f"no port's live line is left on the screen twice: {repeated}")
    rows = [TABLE_ROW.match(line).groups() for line in lines[-13:] if TABLE_ROW.match(line)]
    expected = [(f"COM{n}", "complete") for n in range(1, 12)] + [("COM12", "probe-timeout")]
    check(rows == expected, f"the screen ends with every port's outcome in the table, in order: {lines[-14:]}")
    check(lines[-1] == f"retry the failed ports: {h.PROGRAM} --batch --port COM12 --image {image}",
          f"then the retry line: {lines[-1:]}")


def screen_lines(written, rows, columns):
    """What a terminal of rows x columns shows after `written`, the lines that
    scrolled off the top included; a line that wrapped is one line. A row that
    reaches into the last tab stop is taken to go on in the next (a tab may
    leave the last cell blank)."""
    import pyte  # a terminal's model (python3-pyte), for this case alone

    screen = pyte.HistoryScreen(columns, rows, history=100000)
    pyte.ByteStream(screen).feed(written)
    cells = [[row[x].data if x in row else " " for x in range(columns)] for row in screen.history.top]
    cells += [[screen.buffer[y][x].data for x in range(columns)] for y in range(rows)]
    lines = []
    wrapped = False
    whole = ""
    for row in cells:
        text = "".join(row)
        # A wrapped row keeps its last blanks: a space may fall in its last cell.
        whole = whole + text if wrapped else text
        if wrapped:
            lines[-1] = whole.rstrip()
        else:
            lines.append(whole.rstrip())
        wrapped = len(text.rstrip()) > columns - 8
    return lines


def read_terminal(master, done, seconds, after_read):
    """What the program writes to its terminal until done(written) or `seconds`
    pass; after_read(written) acts on it as it comes."""
    written = b""
    deadline = time.monotonic() + seconds
    while not done(written) and time.monotonic() < deadline:
        ready, _, _ = select.select([master], [], [], 1)
        if ready:
            try:
                written += os.read(master, 65536)
            except OSError:
                break
        after_read(written)
    return written


def all_waiting(written, ports):
    """Whether the last drawing of the live lines shows every port waiting for its instrument."""
    return written.split(b"\x1b[J")[-1].count(b"Please turn on DSO now.") == ports


def on_own_terminal(ports, rows, columns):
    """The program upgrading `ports` on a pty of rows x columns that is its
    controlling terminal, so that a resize signals it; and the pty's master."""
    master, slave = pty.openpty()
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", rows, columns, 0, 0))

    def own_terminal():
        default_signals()
        os.setsid()
        fcntl.ioctl(1, termios.TIOCSCTTY, 0)

    program = subprocess.Popen([h.PROGRAM, "--batch", "--port", ports], stdin=subprocess.DEVNULL, stdout=slave,
                               stderr=slave, preexec_fn=own_terminal)
    os.close(slave)
    return program, master


def case_resized(work):
    """The terminal shrinks while every port waits for its instrument: the
    live lines are redrawn for the new height at once, with no port's news
    (the first comes when a probe gives up, 10 s after the start)."""
    silent = [Instrument(work, "--no-prompt", port=f"COM{n}") for n in range(1, 5)]
    program, master = on_own_terminal("COM1-COM4", 40, 80)
    resized = None

    def resize_once_all_wait(written):
        # Once every port waits for its instrument, nothing but the resize redraws.
        nonlocal resized
        if resized is None and all_waiting(written, 4):
            resized = len(written)
            fcntl.ioctl(master, termios.TIOCSWINSZ, struct.pack("HHHH", 4, 80, 0, 0))

    written = read_terminal(master, lambda w: b"and 3 more running" in w, 5, resize_once_all_wait)
    after = written[resized or len(written):]
    check(resized is not None and b"0 of 4 ports done: 0 complete, 0 failed" in after
          and b"and 3 more running" in after and b"Time Out!" not in written,
          f"a redraw for 4 rows within 5 s, before any probe gave up: {after[-400:]!r}")
    program.send_signal(signal.SIGTERM)
    wait_bounded(program, 60)
    os.close(master)
    for instrument in silent:
        instrument.verdict(ends_by_itself=False)


def case_terminal_corners(work):
    """A terminal of one row: each drawing rewrites that row rather than
    scrolling a new line. One that gets narrower than the lines drawn, while
    the ports wait for their instruments: they are drawn again, cut to it."""
    silent = [Instrument(work, "--no-prompt", port=f"COM{n}") for n in range(1, 5)]
    program, master = on_own_terminal("COM1-COM2", 1, 80)
    written = read_terminal(master, lambda w: w.count(b"0 of 2 ports done") >= 2, 10, lambda w: None)
    program.send_signal(signal.SIGTERM)
    written += read_terminal(master, lambda w: False, 30, lambda w: None)  # until the program is gone
    wait_bounded(program, 30)
    os.close(master)
    counts = [line for line in screen_lines(written, 1, 80) if "ports done" in line]
    check(counts == ["2 of 2 ports done: 0 complete, 2 failed"], f"one row, drawn over in place: {counts}")

    import pyte
    program, master = on_own_terminal("COM3-COM4", 10, 80)
    resized = None

    def narrow_once_all_wait(written):
        nonlocal resized
        if resized is None and all_waiting(written, 2):
            resized = len(written)
            fcntl.ioctl(master, termios.TIOCSWINSZ, struct.pack("HHHH", 10, 16, 0, 0))

    written = read_terminal(master, lambda w: resized is not None and w[resized:].count(b"Please\r\n") == 2, 5,
                            narrow_once_all_wait)
    screen = pyte.Screen(80, 10)
    stream = pyte.ByteStream(screen)
    stream.feed(written[:resized or len(written)])
    screen.resize(10, 16)
    stream.feed(written[resized or len(written):])
    shown = [line.rstrip() for line in screen.display if line.strip()]
    check(shown == ["COM3     Please", "COM4     Please"], f"16 columns: each line once, cut to 15: {shown}")
    program.send_signal(signal.SIGTERM)
    wait_bounded(program, 60)
    os.close(master)
    for instrument in silent:
        instrument.verdict(ends_by_itself=False)


def case_process_dies(work):
    """A port's process killed under the live view is over at once: its line
    says how it ended while the other ports still wait for their instruments
    (their first news comes when a probe gives up, 10 s after the start)."""
    silent = [Instrument(work, "--no-prompt", port=f"COM{n}") for n in range(1, 4)]
    master, slave = pty.openpty()
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 10, 80, 0, 0))
    program = subprocess.Popen([h.PROGRAM, "--batch", "--port", "COM1-COM3"], stdin=subprocess.DEVNULL,
                               stdout=slave, stderr=slave, preexec_fn=default_signals)
    os.close(slave)
    killed = None

    def kill_once_all_wait(written):
        nonlocal killed
        if killed is None and all_waiting(written, 3):
            killed = port_process(program.pid, "COM2")
            os.kill(killed, signal.SIGKILL)

    written = read_terminal(master, lambda w: b"COM2   no result (exit 137)" in w, 8, kill_once_all_wait)
    check(killed is not None and b"COM2   no result (exit 137)" in written and b"Time Out!" not in written,
          f"COM2's line says it ended, before any probe gave up: {written[-400:]!r}")
    program.send_signal(signal.SIGTERM)
    wait_bounded(program, 60)
    os.close(master)
    for instrument in silent:
        instrument.verdict(ends_by_itself=False)


def port_process(supervisor, port):
    """The process id of the supervisor's child that upgrades `port`."""
    for pid in os.listdir("/proc"):
        try:
            with open(f"/proc/{pid}/stat") as stat:
                parent = int(stat.read().rsplit(")", 1)[1].split()[1])
            with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
                arguments = cmdline.read().split(b"\0")
        except (OSError, ValueError, IndexError):
            continue
        if parent == supervisor and port.encode() in arguments:
            return int(pid)
    return None


CASES = {
    "many-ports-process-dies": case_process_dies,
    "many-ports-resized": case_resized,
    "many-ports-terminal-corners": case_terminal_corners,
    "many-ports-small-terminal": case_small_terminal,
    "many-ports-high-port": case_high_port,
    "many-ports-four": case_four_ports,
    "many-ports-one-silent": case_one_silent,
    "many-ports-interrupted": case_interrupted,
}

if __name__ == "__main__":
    h.run(CASES)
