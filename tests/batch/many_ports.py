#!/usr/bin/env python3
"""Many ports from one command: each port's upgrade in a process of its own,
watched by the first, against simulated instruments on COM1 to COM4.

Usage: many_ports.py PROGRAM INSTRUMENT_SIM IMAGE_TOOL LOGIN1_STANDIN CASE
       many_ports.py --list   (the cases, for CMake)
"""
import json
import os
import re
import signal
import subprocess

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


CASES = {
    "many-ports-high-port": case_high_port,
    "many-ports-four": case_four_ports,
    "many-ports-one-silent": case_one_silent,
    "many-ports-interrupted": case_interrupted,
}

if __name__ == "__main__":
    h.run(CASES)
