#!/usr/bin/env python3
"""What a production station reads: batch mode's --json event stream and the
fuller upgrade record, from real runs against the simulated instrument.

Usage: station_stream.py PROGRAM INSTRUMENT_SIM IMAGE_TOOL LOGIN1_STANDIN CASE
       station_stream.py --list   (the cases, for CMake)
"""
import json
import os
import re
import signal
import subprocess

import batch_harness as h
from batch_harness import FAST, IMAGE_BYTES, Instrument, batch, check, records

ENDED = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$")


def events_of(stdout):
    """Every line of standard output is one JSON object with an event and the port."""
    events = []
    for line in stdout.splitlines():
        try:
            event = json.loads(line)
        except ValueError:
            check(False, f"a line that is not JSON: {line!r}")
            continue
        check(event.get("port") == "COM2", f"each event names the port: {event}")
        events.append(event)
    return events


def check_stream(events, outcome, exit_code):
    names = [e["event"] for e in events]
    check(names and names[0] == "start" and names[-1] == "end" and names.count("end") == 1,
          f"one start first, one end last: {names}")
    start, end = events[0], events[-1]
    check(start.get("v") == 1 and start.get("imageBytes") == IMAGE_BYTES and len(start.get("imageSha256", "")) == 64
          and start.get("program") and start.get("device"), f"the start event: {start}")
    check(end.get("outcome") == outcome and end.get("exitCode") == exit_code and end.get("seconds", -1) >= 0,
          f"the end event: {end}, want {outcome} {exit_code}")
    status = [(e["line"], e["text"]) for e in events if e["event"] == "status"]
    check((1, "Please turn on DSO now.") in status, f"line 1's first text: {status}")
    check(any(line == 2 for line, _ in status), f"line 2 is told too: {status}")
    percents = [e["percent"] for e in events if e["event"] == "progress"]
    check(percents == sorted(set(percents)) and all(0 <= p <= 100 for p in percents),
          f"progress at most once per whole percent, rising: {percents}")
    return start, end, percents


def check_record(outcome, exit_code, probe, command):
    lines = records()
    check(len(lines) == 1, f"one record line: {lines}")
    if not lines:
        return {}
    r = lines[0]
    for field in ("started", "port", "device", "imageBytes", "imageSha256", "outcome", "status", "seconds",
                  "bytesSent"):  # what readers already rely on
        check(field in r, f"the record keeps {field}: {r}")
    check(r.get("v") == 1 and r.get("program") and r.get("host") and ENDED.match(r.get("ended", "")),
          f"schema, program, host and the end to the millisecond: {r}")
    check((r.get("outcome"), r.get("exitCode")) == (outcome, exit_code), f"outcome and exit code: {r}")
    check((r.get("probeAttempts"), r.get("commandAttempts")) == (probe, command) or
          (probe is None and r.get("probeAttempts", 0) >= 1 and r.get("commandAttempts", 0) >= 1),
          f"attempts: {r}, want {probe} and {command}")
    check("adapter" not in r, f"a pty is no USB adapter: {r}")
    return r


def case_json_complete(work):
    instrument = Instrument(work, *FAST)
    program = batch("--json", "--station", "bench 4", "--unit", "SN 0042", stdout=subprocess.PIPE,
                    stderr=subprocess.PIPE)
    out, err = program.communicate(timeout=90)
    summary = instrument.verdict()
    check(program.returncode == 0 and summary["valid"], f"complete: exit {program.returncode}, {summary}")
    start, end, percents = check_stream(events_of(out), "complete", 0)
    check(percents and percents[-1] == 100 and end.get("bytesSent") == IMAGE_BYTES, f"all sent: {end}")
    check("Upgrade complete!" in err, f"the human text goes to standard error: {err!r}")
    r = check_record("complete", 0, None, None)
    check((r.get("station"), r.get("unit")) == ("bench 4", "SN 0042"), f"station and unit: {r}")
    print(f"{len(out.splitlines())} events; record {r}")


def case_json_timeout(work):
    """A silent instrument: no progress, the probe's 101 attempts in the record;
    the station's name from the environment."""
    instrument = Instrument(work, "--no-prompt")
    os.environ["ORVEX_STATION"] = "bench 7"
    program = batch("--json", stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    out, _ = program.communicate(timeout=60)
    instrument.verdict(ends_by_itself=False)
    check(program.returncode == 3, f"exit 3, got {program.returncode}")
    _, end, percents = check_stream(events_of(out), "probe-timeout", 3)
    check(percents == [] and end.get("bytesSent") == 0, f"nothing sent: {end}")
    r = check_record("probe-timeout", 3, 101, 0)
    check(r.get("station") == "bench 7" and "unit" not in r, f"station from ORVEX_STATION, no unit: {r}")


def case_json_stall(work):
    """A stalled line: its message box is an event too."""
    instrument = Instrument(work, "--baud", "0", "--stall-at", "300000")
    program = batch("--json", stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    out, _ = program.communicate(timeout=60)
    instrument.verdict(ends_by_itself=False)
    events = events_of(out)
    check_stream(events, "transfer-failed", 6)
    messages = [e["text"] for e in events if e["event"] == "message"]
    check(messages == ["Write timed out.(overlapped)"], f"the box as an event: {messages}")
    check_record("transfer-failed", 6, 1, 1)


def case_json_interrupted(work):
    instrument = Instrument(work, *FAST)
    program = batch("--json", stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    for line in program.stdout:
        if json.loads(line).get("percent", 0) >= 10:
            break
    program.send_signal(signal.SIGTERM)
    rest, _ = program.communicate(timeout=30)
    instrument.verdict(ends_by_itself=False)
    check(program.returncode == 143, f"exit 143, got {program.returncode}")
    end = events_of(rest)[-1] if rest.strip() else {}
    check(end.get("event") == "end" and end.get("outcome") == "interrupted" and end.get("exitCode") == 143
          and 0 < end.get("bytesSent", 0) < IMAGE_BYTES, f"the last event: {end}")
    check_record("interrupted", 143, 1, 1)


CASES = {
    "json-complete": case_json_complete,
    "json-timeout": case_json_timeout,
    "json-stall": case_json_stall,
    "json-interrupted": case_json_interrupted,
}

if __name__ == "__main__":
    h.run(CASES)
