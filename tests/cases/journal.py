#!/usr/bin/env python3
"""The journal entry of every upgrade record line, through the real program,
the simulated instrument and a journald of the case's own (root only): from the
dialog, from batch mode, with no journal and with one that takes nothing.

Usage: journal.py BUILD CASE | journal.py --list
"""
import os
import signal
import socket
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import journal as j  # noqa: E402
from core import Instrument, Run, check, main, wait_until  # noqa: E402


def lines(ws):
    with open(ws.record, encoding="utf-8") as f:
        return [line.rstrip("\n") for line in f if line.strip()]


def check_entries(ws, outcomes):
    check([o for _, o in ws.outcomes()] == outcomes, f"record outcomes: {ws.records()}")
    found = j.wait_for(len(outcomes))
    for fault in j.faults(found, lines(ws)):
        check(False, fault)
    return found


def upgrade(ws, *options, code=0, bound=90, args=()):
    instrument = Instrument(ws, *options)
    run = Run(ws, [ws.build.program, "--batch", "--port", "COM2", *args], bound)
    check(run.code == code and (code != 0 or instrument.verdict()["valid"]), f"exit {run.code}, want {code}")
    return run


def case_dialog(ws):
    """Two upgrades from one dialog, each with its entry: complete, and interrupted
    (SIGTERM: the signal's code, no box, the bytes sent in the record), the dialog's
    station from the environment. (A stop by each signal is command_line_test's; the
    level of each outcome, SiteEntry's.)"""
    ws.processes.append(j.private())
    import dialog as d  # beside this script, on the path as its folder
    w = d.start(ws, ORVEX_STATION="bench 9")
    instrument = Instrument(ws, "--baud", "0", port="COM1")
    d.d.key(w.xid, "Return")
    d.completes(w, instrument)
    d.d.press(w.button)
    wait_until("the idle text after NEXT", lambda: w.line1() == d.d.Dialog.IDLE)
    Instrument(ws, "--baud", "115200", port="COM1")
    d.d.key(w.xid, "Return")
    wait_until("the transfer", lambda: w.line1() == d.UPGRADING)
    w.process.send_signal(signal.SIGTERM)
    code, _, boxes = w.wait_end(d.LEAVE_BOUND)
    check(code == 143 and not boxes, f"SIGTERM ends the dialog with code 143, no box: {code} {boxes}")
    found = check_entries(ws, ["complete", "interrupted"])
    check(0 < ws.records()[-1]["bytesSent"] < d.IMAGE_BYTES, f"the bytes sent before the stop: {ws.records()}")
    check(all(e.get("ORVEX_STATION") == "bench 9" for e in found), f"the station: {found}")


def case_port_failed(ws):
    """The line hangs up mid-image: the process ends on the reader's thread, and the
    entry handed over just before still reaches the journal; a line break in the unit
    stays in its field, not in the message; journalctl finds it by its fields."""
    ws.processes.append(j.private())
    upgrade(ws, "--baud", "0", "--hangup-at", "300000", code=1, args=("--station", "bench 4", "--unit", "SN\n43"))
    found = check_entries(ws, ["port-failed"])
    check(found and found[0].get("ORVEX_UNIT") == "SN\n43" and "\n" not in found[0].get("MESSAGE", "\n"),
          f"the unit's line break: {found}")
    check(len(j.entries("ORVEX_OUTCOME=port-failed", "ORVEX_STATION=bench 4")) == 1, "found by its fields")


def case_none(ws):
    """No journald, then a socket nobody listens on: the upgrades and their record go
    on as ever, and nothing is said about a journal."""
    j.private(journal=False)
    for stale in (False, True):
        if stale:
            os.makedirs("/run/systemd/journal", exist_ok=True)
            dead = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
            dead.bind("/run/systemd/journal/socket")
            dead.close()
        check(upgrade(ws, "--baud", "0").err == "", "nothing on standard error")
    check([o for _, o in ws.outcomes()] == ["complete", "complete"], f"the record: {ws.records()}")


def case_stuck(ws):
    """A journald that takes nothing while its socket's queue is full, where a send would
    wait until it runs again: the upgrade ends with its code and record line within a
    bound, its end event before the entry's 2 s are up, the missing entry said once, with its 2 s."""
    daemon = j.private()
    ws.processes.append(daemon)
    daemon.send_signal(signal.SIGSTOP)
    try:
        filler = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
        filler.setblocking(False)
        try:
            while True:
                filler.sendto(b"MESSAGE=filler\n", "/run/systemd/journal/socket")
        except BlockingIOError:
            pass
        instrument = Instrument(ws, "--baud", "0")
        both = Run(ws, ["sh", "-c", '"$0" --batch --port COM2 --json 2>&1', ws.build.program], 60)
        check(both.code == 0 and instrument.verdict()["valid"], f"complete: exit {both.code}")
        taken = "the systemd journal took no entry within 2 s"
        check(both.out.count(taken) == 1 and 0 <= both.out.find('"event":"end"') < both.out.find(taken),
              f"the end event, then the missing entry said once: {both.out[-600:]!r}")
    finally:
        daemon.send_signal(signal.SIGCONT)
    check([o for _, o in ws.outcomes()] == ["complete"], f"the record: {ws.records()}")


CASES = {"dialog": case_dialog, "port-failed": case_port_failed, "none": case_none, "stuck": case_stuck}

if __name__ == "__main__":
    j.namespace()
    main(CASES)
