#!/usr/bin/env python3
"""The yield report (--report) over records made by real upgrades against the
simulated instrument, and over a hand-made collection (report_records/) that
holds a line of the first record's form and a truncated last line.

Usage: record_report.py PROGRAM INSTRUMENT_SIM IMAGE_TOOL LOGIN1_STANDIN CASE
       record_report.py --list   (the cases, for CMake)
"""
import json
import os
import subprocess

import batch_harness as h
from batch_harness import FAST, Instrument, batch, check, records

COLLECTION = os.path.join(os.path.dirname(os.path.abspath(__file__)), "report_records")


def report(*options):
    return subprocess.run([h.PROGRAM, "--report", *options], capture_output=True, text=True, timeout=60)


def json_report(*options):
    result = report("--json", *options)
    check(result.returncode == 0 and result.stderr == "", f"the report: exit {result.returncode}, {result.stderr!r}")
    try:
        return json.loads(result.stdout)
    except ValueError:
        check(False, f"one JSON object: {result.stdout!r}")
        return {}


def upgrade(work, unit, *instrument):
    sim = Instrument(work, *instrument)
    program = batch("--station", "bench R", "--unit", unit, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    code = program.wait(timeout=120)
    sim.verdict(ends_by_itself=code == 0)
    return code


def case_report_real_upgrades(work):
    """A stalled line, its unit's retry and a second unit, then the report over this machine's record."""
    codes = [upgrade(work, "SN-R1", "--baud", "0", "--stall-at", "300000"), upgrade(work, "SN-R1", *FAST),
             upgrade(work, "SN-R2", *FAST)]
    check(codes == [6, 0, 0], f"transfer-failed, then two complete: {codes}")
    lines = records()
    r = json_report()
    check((r.get("files"), r.get("lines"), r.get("unreadable"), r.get("upgrades")) == (1, 3, {"lines": 0}, 3),
          f"the record's three lines, each read: {r}")
    check(r.get("stations") == [{"station": "bench R", "upgrades": 3,
                                 "outcomes": {"complete": 2, "transfer-failed": 1}}], f"by station: {r.get('stations')}")
    check(r.get("ports") == [{"station": "bench R", "port": "COM2", "upgrades": 3,
                              "outcomes": {"complete": 2, "transfer-failed": 1}}], f"by port: {r.get('ports')}")
    check(r.get("firstPassYield") == {"units": 2, "complete": 1, "percent": 50.0, "upgradesWithoutUnit": 0},
          f"SN-R1 failed first, SN-R2 passed: {r.get('firstPassYield')}")
    completed = sorted(line["seconds"] for line in lines if line["outcome"] == "complete")
    seconds = r.get("seconds", {})
    check(seconds.get("completed") == 2 and abs(seconds.get("median", 0) - sum(completed) / 2) < 0.002
          and abs(seconds.get("slowest", 0) - completed[-1]) < 0.002,
          f"median and slowest of the completed upgrades {completed}: {seconds}")
    check(r.get("failures") == {"adapters": [], "ports": [{"station": "bench R", "port": "COM2", "portFailed": 0,
                                                           "transferFailed": 1}]},
          f"a pty is no adapter; the port's failure: {r.get('failures')}")
    folder = os.path.join(os.environ["XDG_STATE_HOME"], "orvex-programmer")
    check(json_report(folder) == r, "the record's folder reads as its file")
    text = report()
    check(text.returncode == 0 and "First-pass yield: 1 of 2 units (50.0 %)" in text.stdout,
          f"the text: {text.stdout}")
    print(text.stdout)


def case_report_collection(work):
    r = json_report(COLLECTION)
    check((r.get("files"), r.get("lines"), r.get("upgrades")) == (2, 10, 9), f"two files, nine lines read: {r}")
    check(r.get("unreadable") == {"lines": 1, "file": os.path.join(COLLECTION, "station-b.jsonl"), "line": 5},
          f"the truncated last line: {r.get('unreadable')}")
    check(r.get("stations") == [
        {"station": "bench A", "upgrades": 4, "outcomes": {"complete": 2, "port-failed": 1, "transfer-failed": 1}},
        {"station": "bench B", "upgrades": 4, "outcomes": {"complete": 2, "transfer-failed": 2}},
        {"station": None, "upgrades": 1, "outcomes": {"port-error": 1}}], f"by station: {r.get('stations')}")
    check([(p["station"], p["port"], p["upgrades"]) for p in r.get("ports", [])] ==
          [("bench A", "COM1", 2), ("bench A", "COM2", 2), ("bench B", "COM1", 4), (None, "COM1", 1)],
          f"by port: {r.get('ports')}")
    check(r.get("firstPassYield") == {"units": 5, "complete": 2, "percent": 40.0, "upgradesWithoutUnit": 2},
          f"the first-form line and one later line name no unit: {r.get('firstPassYield')}")
    check(r.get("seconds") == {"completed": 4, "median": 203.25, "slowest": 210.0, "slowestUpgrade": {
        "station": "bench B", "port": "COM1", "started": "2026-12-02T09:00:00Z"}}, f"seconds: {r.get('seconds')}")
    check(r.get("failures") == {
        "adapters": [{"serial": "FT-B1", "portFailed": 0, "transferFailed": 2},
                     {"serial": "FT-A1", "portFailed": 1, "transferFailed": 0},
                     {"serial": "FT-A2", "portFailed": 0, "transferFailed": 1}],
        "ports": [{"station": "bench B", "port": "COM1", "portFailed": 0, "transferFailed": 2},
                  {"station": "bench A", "port": "COM1", "portFailed": 1, "transferFailed": 0},
                  {"station": "bench A", "port": "COM2", "portFailed": 0, "transferFailed": 1}]},
        f"worst first: {r.get('failures')}")
    since = json_report(COLLECTION, "--since", "2026-12-02")
    check((since.get("since"), since.get("upgrades"), since.get("firstPassYield")) ==
          ("2026-12-02", 4, {"units": 2, "complete": 1, "percent": 50.0, "upgradesWithoutUnit": 1}),
          f"since the second day: {since}")
    station = json_report(os.path.join(COLLECTION, "station-a.jsonl"), os.path.join(COLLECTION, "station-b.jsonl"),
                          "--station", "bench A", "--since", "2026-12-01T08:05")
    check((station.get("upgrades"), station.get("firstPassYield", {}).get("units")) == (3, 2),
          f"bench A from 08:05: SN-2 and SN-3 are first upgraded then: {station}")
    check(station.get("firstPassYield", {}).get("complete") == 0, f"neither completed its first: {station}")
    text = report(COLLECTION)
    for want in ("Upgrade record: 10 lines in 2 files; 1 unreadable line skipped, the first: "
                 f"{os.path.join(COLLECTION, 'station-b.jsonl')} line 5",
                 "First-pass yield: 2 of 5 units (40.0 %) completed their first upgrade; "
                 "2 upgrades name no unit and are left out",
                 "Seconds per completed upgrade (4): median 203.2, slowest 210.0 (bench B COM1",
                 "    FT-B1  2     port-failed 0, transfer-failed 2\n    FT-A1  1"):
        check(want in text.stdout, f"the text says {want!r}: {text.stdout}")


def case_report_errors(work):
    missing, fifo = os.path.join(work, "missing.jsonl"), os.path.join(work, "fed by none.jsonl")
    os.mkfifo(fifo)
    for options, code, said in [((COLLECTION, missing), 1, f"cannot read {missing}: No such file or directory"),
                                ((fifo,), 1, f"cannot read {fifo}: no program writes into it"),
                                (("--since", "soon"), 2, "--since takes a date"),
                                (("--port", "COM1"), 2, "--report takes files and folders")]:
        result = report(*options)
        check(result.returncode == code and result.stdout == "" and said in result.stderr
              and result.stderr.count("\n") == 1, f"{options}: exit {result.returncode}, {result.stderr!r}")
    piped = subprocess.run(["bash", "-c", f'"$0" --report --json <(cat "$1"/*.jsonl)', h.PROGRAM, COLLECTION],
                           capture_output=True, text=True, timeout=60)
    check(json.loads(piped.stdout or "{}").get("lines") == 10, f"a pipe is read as it comes: {piped}")
    empty = json_report()
    check((empty.get("files"), empty.get("upgrades")) == (0, 0),
          f"no record yet on this machine is an empty report: {empty}")


CASES = {
    "report-real-upgrades": case_report_real_upgrades,
    "report-collection": case_report_collection,
    "report-errors": case_report_errors,
}

if __name__ == "__main__":
    h.run(CASES)
