#!/usr/bin/env python3
"""Batch mode's journal entries through the real program, the simulated
instrument and a journald of the test's own (run under private_journal.sh):
every field of a complete, a timed-out, an interrupted upgrade and one whose
line hung up; a system
without a journal; a journald that takes nothing for a while, and one whose
queue is full; and the entries carried to a central journal by
systemd-journal-upload, across an outage of the central side.

Usage: journal_cases.py PROGRAM INSTRUMENT_SIM IMAGE_TOOL LOGIN1_STANDIN CASE
       journal_cases.py --list   (the cases, for CMake)
"""
import json
import os
import signal
import socket
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "batch"))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
import batch_harness as h  # noqa: E402
from batch_harness import FAST, Instrument, batch, check, records, wait_bounded  # noqa: E402
import journal_entries as j  # noqa: E402

REMOTE = "/lib/systemd/systemd-journal-remote"
UPLOAD = "/lib/systemd/systemd-journal-upload"


def check_journal(outcomes):
    lines = j.record_texts()
    check([json.loads(line)["outcome"] for line in lines] == outcomes, f"record outcomes: {lines}")
    found = j.wait_for_entries(len(lines))
    for fault in j.journal_faults(found, lines):
        check(False, fault)
    return found


def case_complete(work):
    instrument = Instrument(work, *FAST)
    program = batch("--station", "bench 4", "--unit", "SN 0042", stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, err = program.communicate(timeout=90)
    check(program.returncode == 0 and instrument.verdict()["valid"], f"complete: exit {program.returncode}")
    found = check_journal(["complete"])
    by_outcome = j.entries(None, "ORVEX_OUTCOME=complete", "ORVEX_STATION=bench 4")
    check(len(by_outcome) == 1, f"journalctl finds it by outcome and station: {by_outcome}")
    print(f"entry: {found[-1].get('MESSAGE')!r}")


def case_timeout(work):
    instrument = Instrument(work, "--no-prompt")
    os.environ["ORVEX_STATION"] = "bench 7"
    program = batch(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    code, _ = wait_bounded(program, 60)
    instrument.verdict(ends_by_itself=False)
    check(code == 3, f"exit 3, got {code}")
    found = check_journal(["probe-timeout"])
    check(found and found[0].get("ORVEX_PROBE_ATTEMPTS") == "101", f"the probe's attempts: {found}")


def case_interrupted(work):
    instrument = Instrument(work, *FAST)
    program = batch("--json", "--unit", "SN\n43", stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    for line in program.stdout:
        if json.loads(line).get("percent", 0) >= 10:
            break
    program.send_signal(signal.SIGTERM)
    program.communicate(timeout=30)
    instrument.verdict(ends_by_itself=False)
    check(program.returncode == 143, f"exit 143, got {program.returncode}")
    found = check_journal(["interrupted"])
    check(found and found[0].get("ORVEX_UNIT") == "SN\n43" and "\n" not in found[0].get("MESSAGE", "\n"),
          f"a line break stays in the field, not in the message: {found}")


def case_port_failed(work):
    """The line hangs up mid-image: the process ends on the reader's thread as the
    upgrade does, and the entry handed over just before still reaches the journal."""
    instrument = Instrument(work, "--baud", "0", "--hangup-at", "300000")
    code, _ = wait_bounded(batch(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL), 60)
    instrument.verdict(ends_by_itself=False)
    check(code == 1, f"exit 1, got {code}")
    check_journal(["port-failed"])


def case_no_journal(work):
    """No journald, then a socket nobody listens on: the upgrade and its record go
    on as ever, nothing is said about a journal."""
    for stale in (False, True):
        if stale:
            os.makedirs("/run/systemd/journal", exist_ok=True)
            dead = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
            dead.bind("/run/systemd/journal/socket")
            dead.close()
        instrument = Instrument(work, "--baud", "0")
        program = batch(stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        _, err = program.communicate(timeout=90)
        check(program.returncode == 0 and instrument.verdict()["valid"], f"complete: exit {program.returncode}")
        check(err == "", f"nothing on standard error: {err!r}")
    check([r["outcome"] for r in records()] == ["complete", "complete"], f"the record: {records()}")


def case_frozen_journal(work):
    """A journald that takes nothing (stopped): the upgrade ends as ever, and its
    entry arrives once the daemon runs again."""
    daemon = int(os.environ["ORVEX_TEST_JOURNALD"])
    os.kill(daemon, signal.SIGSTOP)
    try:
        instrument = Instrument(work, "--baud", "0")
        program = batch(stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        _, err = program.communicate(timeout=90)
        check(program.returncode == 0 and instrument.verdict()["valid"], f"complete: exit {program.returncode}")
        check(err == "", f"nothing on standard error: {err!r}")
    finally:
        os.kill(daemon, signal.SIGCONT)
    check_journal(["complete"])


def case_stuck_journal(work):
    """A journald that takes nothing while its socket's queue is full: a send would
    wait until the daemon runs again. The upgrade still ends with its code and its
    record line within a bound, and the missing entry is said once. The end event
    does not wait for the journal: it comes before the entry's 2 s are up, which
    the line saying so marks (both streams in one pipe keep their order)."""
    daemon = int(os.environ["ORVEX_TEST_JOURNALD"])
    os.kill(daemon, signal.SIGSTOP)
    try:
        filler = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
        filler.setblocking(False)
        queued = 0
        try:
            while True:
                filler.sendto(b"MESSAGE=filler\n", "/run/systemd/journal/socket")
                queued += 1
        except BlockingIOError:
            pass
        check(queued > 0, "the journal's queue took some entries before it was full")
        instrument = Instrument(work, "--baud", "0")
        program = batch("--json", stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        try:
            out, _ = program.communicate(timeout=60)
        except subprocess.TimeoutExpired:
            program.kill()
            out, _ = program.communicate()
            check(False, "the program still ran 60 s after a full journal queue")
        check(program.returncode == 0 and instrument.verdict()["valid"], f"complete: exit {program.returncode}")
        said = out.find("the systemd journal took no entry")
        check(out.count("the systemd journal took no entry") == 1, f"said once on standard error: {out[-800:]!r}")
        check(0 <= out.find('"event":"end"') < said, f"the end event before the journal's time was up: {out[-800:]!r}")
    finally:
        os.kill(daemon, signal.SIGCONT)
    check([r["outcome"] for r in records()] == ["complete"], f"the record: {records()}")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Central:
    """systemd-journal-remote on loopback, writing into a folder of its own."""

    def __init__(self, work, port):
        self.folder = os.path.join(work, "central")
        os.makedirs(self.folder, exist_ok=True)
        self.argv = [REMOTE, f"--listen-http=127.0.0.1:{port}", f"--output={self.folder}/all.journal",
                     "--split-mode=none"]
        self.log = open(os.path.join(work, "remote.log"), "a")
        self.process = None

    def start(self):
        self.process = subprocess.Popen(self.argv, stdout=self.log, stderr=self.log)

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        self.process.wait(timeout=30)

    def wait_for(self, count):
        return j.wait_for_entries(count, self.folder, bound=60)


class Uploader:
    """systemd-journal-upload from the private journal, restarted whenever it ends,
    as its service's Restart= does."""

    def __init__(self, work, port):
        self.state = os.path.join(work, "upload.state")
        self.argv = [UPLOAD, f"--url=http://127.0.0.1:{port}", f"--save-state={self.state}",
                     f"--directory={os.environ['ORVEX_TEST_JOURNAL']}", "--follow"]
        self.log = open(os.path.join(work, "upload.log"), "a")
        self.process = None
        self.starts = 0

    def keep_running(self):
        if self.process is None or self.process.poll() is not None:
            self.process = subprocess.Popen(self.argv, stdout=self.log, stderr=self.log)
            self.starts += 1

    def wait_until_past(self, cursor, bound=60):
        """Whether the saved state reaches the journal entry at `cursor` within `bound` s."""
        wanted = sequence_number(cursor)
        deadline = time.monotonic() + bound
        while time.monotonic() < deadline:
            try:
                with open(self.state) as f:
                    saved = [line.split("=", 1)[1] for line in f if line.startswith("LAST_CURSOR=")]
            except FileNotFoundError:
                saved = []
            if saved and sequence_number(saved[0].strip()) >= wanted:
                return True
            time.sleep(0.05)
        return False

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            self.process.wait(timeout=30)


def sequence_number(cursor):
    """A journal cursor's place in its journal ("i=" in hexadecimal)."""
    return int(dict(part.split("=", 1) for part in cursor.split(";"))["i"], 16)


def upgrade(work):
    instrument = Instrument(work, "--baud", "0")
    code, _ = wait_bounded(batch(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL), 90)
    check(code == 0 and instrument.verdict()["valid"], f"an upgrade completed: exit {code}")


def case_forwarding(work):
    """One upgrade reaches the central journal; two more while it is down reach it
    when it is back, each once."""
    port = free_port()
    central, uploader = Central(work, port), Uploader(work, port)
    central.start()
    try:
        upgrade(work)
        deadline = time.monotonic() + 60
        while len(j.entries(central.folder)) < 1 and time.monotonic() < deadline:
            uploader.keep_running()
            time.sleep(0.1)
        check(len(j.entries(central.folder)) == 1, "the first entry reached the central journal")
        # The outage begins once the central side has acknowledged the entry: the
        # uploader then keeps its cursor, else it sends the entry again.
        check(uploader.wait_until_past(j.entries()[0]["__CURSOR"]), "the uploader kept the first entry's cursor")
        central.stop()
        upgrade(work)
        upgrade(work)
        check(len(j.wait_for_entries(3)) == 3, "the station's journal holds all three")
        central.start()
        deadline = time.monotonic() + 60
        while len(j.entries(central.folder)) < 3 and time.monotonic() < deadline:
            uploader.keep_running()
            time.sleep(0.1)
    finally:
        uploader.stop()
        central.stop()
    lines = j.record_texts()
    local = j.entries()
    check([e.get("ORVEX_RECORD") for e in local] == lines, f"one entry per record line on the station: {local}")
    arrived = j.entries(central.folder)
    records_arrived = [e.get("ORVEX_RECORD") for e in arrived]
    # Debian 12's uploader (systemd 252), restarted, sends again the last entry it had
    # sent: the entry before the outage may arrive twice, never one made during it.
    check(1 <= records_arrived.count(lines[0]) <= 2 and all(records_arrived.count(line) == 1 for line in lines[1:]),
          f"the entries made during the outage arrived once each: {[e.get('ORVEX_ENDED') for e in arrived]}")
    distinct = [e for i, e in enumerate(arrived) if e.get("ORVEX_RECORD") not in records_arrived[:i]]
    for fault in j.journal_faults(distinct, lines):
        check(False, f"central: {fault}")
    print(f"{len(arrived)} entries arrived for {len(lines)} upgrades (the first {records_arrived.count(lines[0])} "
          f"times); the uploader started {uploader.starts} times")
    if h.failures:
        for name in ("upload.log", "remote.log", "upload.state"):
            with open(os.path.join(work, name)) as f:
                print(f"--- {name}\n{f.read()}")


CASES = {
    "journal-complete": case_complete,
    "journal-timeout": case_timeout,
    "journal-interrupted": case_interrupted,
    "journal-port-failed": case_port_failed,
    "journal-none": case_no_journal,
    "journal-frozen": case_frozen_journal,
    "journal-stuck": case_stuck_journal,
    "journal-forwarding": case_forwarding,
}

if __name__ == "__main__":
    h.run(CASES)
