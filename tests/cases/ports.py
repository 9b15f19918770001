#!/usr/bin/env python3
"""Many ports from one command: each port's upgrade in a process of its own,
watched by the first, against simulated instruments; off a terminal, with
--json, and on terminals of several sizes through the live view.

Usage: ports.py BUILD CASE | ports.py --list
"""
import json
import os
import re
import shlex
import signal
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from core import FAST, IMAGE_BYTES, Instrument, Run, check, main, must, step  # noqa: E402
from terminal import Terminal, all_waiting, screen_lines  # noqa: E402

SMALL = 200000  # an image's bytes: the cases check the ports, not the line
TABLE_ROW = re.compile(r"^(COM\d+) +(\S+(?: \S+)*) +\d+\.\d +\d+$")
LIVE_SHAPES = [re.compile(p) for p in (
    r"^COM\d+ {2,}\S", r"^\d+ of 12 ports done: \d+ complete, \d+ failed$", r"^and \d+ more running$", r"^COM\d+: ",
    r"^port    outcome                  seconds   bytes sent$", TABLE_ROW.pattern, r"^retry the failed ports: ")]


def case_four(ws):
    """A range, a single port and one beyond the dialog's twelve, the whole embedded image
    to each; --json merges the four streams, whole lines only; the station in each record
    line; the table at the end (a trace per port is batch invalid-byte's); each line kept
    busy (a bound that only a program no longer keeping up fails: bench/ measures the pace)."""
    ports = ["COM1", "COM2", "COM3", "COM200"]
    instruments = [Instrument(ws, *FAST, port=p) for p in ports]
    ws.link("COM201", instruments[3].pty)  # a second name: the first's probe must not hold the port
    listing = Run(ws, [ws.build.program, "--list-ports", "COM199-COM201"], 30).out.splitlines()
    check([line.split()[0] for line in listing[:3]] == ["COM199", "COM200", "COM201"] and len(listing) == 4
          and listing[0].startswith("COM199 /dev/ttyS198 ") and "[free]" in listing[1] and "[free]" in listing[2],
          f"--list-ports takes a range, COM200 the instrument's link: {listing}")
    run = Run(ws, [ws.build.program, "--batch", "--port", "COM1-COM3", "--port", "COM200", "--json", "--station",
                   "bench 9"], 120)
    summaries = [i.verdict() for i in instruments]
    check(run.code == 0 and all(s["valid"] and s["matchesExpected"] and s["lineEfficiency"] >= 0.5 for s in summaries),
          f"exit 0, four images, each line busy: {[s['lineEfficiency'] for s in summaries]} {run.err[-500:]}")
    check(sorted(ws.outcomes()) == sorted((p, "complete") for p in ports) and all(
        r.get("station") == "bench 9" for r in ws.records()), f"four record lines with the station: {ws.records()}")
    by_port = {}
    for event in run.events():
        by_port.setdefault(event.get("port"), []).append(event["event"])
    check(sorted(by_port) == sorted(ports) and all(e[0] == "start" and e[-1] == "end" and e.count("end") == 1
                                                   for e in by_port.values()), f"each port's stream: {by_port}")
    table = re.findall(r"^(COM\d+)\s+complete\s+[\d.]+\s+(\d+)$", run.err, re.M)
    check(table == [(p, str(IMAGE_BYTES)) for p in ports] and "retry" not in run.err,
          f"the table on standard error, no retry line: {run.err[-600:]}")


def case_one_silent(ws):
    """The last of three instruments silent: the others complete, the exit code is the
    silent port's, also where a launcher left SIGCHLD ignored (no port's exit status can
    then be learned); each port is sent the image given; off a terminal each line names its port."""
    image = ws.image(SMALL)
    instruments = [Instrument(ws, *FAST, "--expect", image, port=f"COM{n}", expect=False) for n in (1, 2)]
    Instrument(ws, "--no-prompt", port="COM3")
    run = Run(ws, [ws.build.program, "--batch", "--port", "COM1", "--port", "COM2", "--port", "COM3", "--image",
                   image], 120, preexec_fn=lambda: signal.signal(signal.SIGCHLD, signal.SIG_IGN))
    check(run.code == 3 and all(i.verdict()["matchesExpected"] for i in instruments), f"exit 3, two images: {run.code}")
    check(sorted(ws.outcomes()) == [("COM1", "complete"), ("COM2", "complete"), ("COM3", "probe-timeout")],
          f"three record lines: {ws.records()}")
    lines = run.out.splitlines()
    check("COM3: Time Out!  Check RS232 & Re-press 'YES' key!" in lines and "COM1: Upgrade complete!" in lines,
          f"off a terminal, each line starts with its port: {run.out[-600:]}")


def case_interrupted(ws):
    """A stop to the program's process group, as a terminal's Ctrl-C, reaches every port's
    process once (a second would end it unrecorded): each ends interrupted, with its line."""
    for n in (1, 2, 3):
        Instrument(ws, port=f"COM{n}")
    program = ws.start([ws.build.program, "--batch", "--port", "COM1-COM3", "--json"], stdout=subprocess.PIPE,
                       stderr=subprocess.PIPE, text=True, process_group=0)
    sending = set()
    for line in program.stdout:
        event = json.loads(line)
        sending |= {event["port"]} if event["event"] == "progress" else set()
        if len(sending) == 3:
            break
    os.killpg(program.pid, signal.SIGINT)
    out, err = program.communicate(timeout=60)
    check(program.returncode == 130 and sorted(ws.outcomes()) == [(f"COM{n}", "interrupted") for n in (1, 2, 3)],
          f"exit 130, three interrupted lines: {program.returncode}, {ws.records()}")
    ends = [json.loads(line) for line in out.splitlines() if '"end"' in line]
    check(sorted(e["port"] for e in ends) == ["COM1", "COM2", "COM3"] and all(
        e["exitCode"] == 130 and e["bytesSent"] > 0 for e in ends), f"each port's end: {ends}")
    check(err.count("must be upgraded again") == 3, f"each port says its instrument holds a partial image: {err}")


def case_small_terminal(ws):
    """Twelve ports on 10 rows: the live view fits the height, never moves above what it
    drew, shows each port's foreign lines of standard error with its port (the loader's
    statistics, from every process), and the screen ends with every port's outcome and the
    retry line, its image's name quoted for the shell."""
    image = ws.image(SMALL, "small image.srec")
    instruments = [Instrument(ws, *FAST, port=f"COM{n}", expect=False) for n in range(1, 12)]
    Instrument(ws, "--no-prompt", port="COM12")
    term = Terminal(ws, [ws.build.program, "--batch", "--port", "COM1-COM12", "--image", image], 10, 80,
                    env=dict(ws.env, LD_DEBUG="statistics"))
    text = term.read(lambda w: False, 90).decode("utf-8", "replace")
    check(term.process.wait(timeout=30) == 3 and all(i.verdict()["valid"] for i in instruments),
          "exit 3 (COM12's probe timed out), eleven images")
    for n in range(1, 13):
        check(re.search(rf"COM{n}: +\d+:\truntime linker statistics:\r?\n", text), f"COM{n}'s foreign lines shown")
    ups = [int(n) for n in re.findall(r"\x1b\[(\d+)A", text)]
    check(ups and 0 < min(ups) and max(ups) <= 9, f"moves up of 1 to 9 rows only (0 moves one): {sorted(set(ups))}")
    lines = [line for line in screen_lines(term.written, 10, 80) if line and not re.match(r"^ +\d+:", line)]
    check(all(any(shape.match(line) for shape in LIVE_SHAPES) for line in lines),
          f"no garbled line: {[line for line in lines if not any(s.match(line) for s in LIVE_SHAPES)]}")
    live = [line.split()[0] for line in lines if LIVE_SHAPES[0].match(line) and not TABLE_ROW.match(line)]
    check(len(live) == len(set(live)), f"no port's live line is left on the screen twice: {live}")
    rows = [TABLE_ROW.match(line).groups() for line in lines[-13:] if TABLE_ROW.match(line)]
    check(rows == [(f"COM{n}", "complete") for n in range(1, 12)] + [("COM12", "probe-timeout")],
          f"the screen ends with every port's outcome, in order: {lines[-14:]}")
    check(lines[-1] == f"retry the failed ports: {shlex.quote(ws.build.program)} --batch --port COM12 --image "
                       f"{shlex.quote(image)}", f"then the retry line: {lines[-1:]}")


def stop(term):
    term.process.send_signal(signal.SIGTERM)
    term.read(lambda w: False, 30)  # until every holder of the terminal is gone
    must(term.process.wait(timeout=30) == 143, "the program ends when stopped")


def case_terminal_changes(ws):
    """While every port waits for its instrument (a probe gives up only after 10 s): a
    shrink to 4 rows redraws at once for the new height; a single row is drawn over in
    place; a narrower terminal than the lines drawn gets each line once, cut to it; a
    port's process killed is over at once, its line saying how it ended."""
    for n in range(1, 5):
        Instrument(ws, "--no-prompt", port=f"COM{n}")
    term = Terminal(ws, [ws.build.program, "--batch", "--port", "COM1-COM4"], 40, 80)
    at = None

    def shrink(written):
        nonlocal at
        if at is None and all_waiting(written, 4):
            at = len(written)
            term.size(4, 80)
    after = term.read(lambda w: at is not None and b"and 3 more running" in w[at:], 5, shrink)[at or 0:]
    check(at is not None and b"0 of 4 ports done: 0 complete, 0 failed" in after and b"Time Out!" not in after,
          f"a redraw for 4 rows before any probe gave up: {after[-300:]!r}")
    stop(term)

    term = Terminal(ws, [ws.build.program, "--batch", "--port", "COM1-COM2"], 1, 80)
    term.read(lambda w: w.count(b"0 of 2 ports done") >= 2, 10)
    stop(term)
    counts = [line for line in screen_lines(term.written, 1, 80) if "ports done" in line]
    check(counts == ["2 of 2 ports done: 0 complete, 2 failed"], f"one row, drawn over in place: {counts}")

    import pyte
    term, at = Terminal(ws, [ws.build.program, "--batch", "--port", "COM3-COM4"], 10, 80), None

    def narrow(written):
        nonlocal at
        if at is None and all_waiting(written, 2):
            at = len(written)
            term.size(10, 16)
    term.read(lambda w: at is not None and w[at:].count(b"Please\r\n") == 2, 5, narrow)
    screen = pyte.Screen(80, 10)
    stream = pyte.ByteStream(screen)
    stream.feed(term.written[:at])
    screen.resize(10, 16)
    stream.feed(term.written[at:])
    shown = [line.rstrip() for line in screen.display if line.strip()]
    check(shown == ["COM3     Please", "COM4     Please"], f"16 columns: each line once, cut to 15: {shown}")
    stop(term)

    term, killed = Terminal(ws, [ws.build.program, "--batch", "--port", "COM1-COM3"], 10, 80), []

    def kill(written):
        if not killed and all_waiting(written, 3):
            killed.append(int(step(["pgrep", "-P", str(term.process.pid), "-f", r"\bCOM2\b"]).split()[0]))
            os.kill(killed[0], signal.SIGKILL)
    term.read(lambda w: b"COM2   no result (exit 137)" in w, 8, kill)
    check(killed and b"COM2   no result (exit 137)" in term.written and b"Time Out!" not in term.written,
          f"COM2's line says it ended, before any probe gave up: {term.written[-300:]!r}")
    stop(term)


CASES = {"four": case_four, "one-silent": case_one_silent, "interrupted": case_interrupted,
         "small-terminal": case_small_terminal, "terminal-changes": case_terminal_changes}

if __name__ == "__main__":
    main(CASES)
