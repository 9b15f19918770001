#!/usr/bin/env python3
"""Names in any language: a station name and an image path in Chinese and
with "é" reach every port's process and the record whole, and a name that is
not valid UTF-8 still leaves valid UTF-8 behind, with U+FFFD for each bad byte
and one warning.

Usage: names_any_language.py PROGRAM INSTRUMENT_SIM IMAGE_TOOL LOGIN1_STANDIN CASE
       names_any_language.py --list   (the cases, for CMake)
"""
import json
import os
import subprocess

import batch_harness as h
from batch_harness import FAST, Instrument, check, default_signals, wait_bounded

STATION = "產線 é"


def record_bytes():
    path = os.path.join(os.environ["XDG_STATE_HOME"], "orvex-programmer", "upgrades.jsonl")
    with open(path, "rb") as f:
        return f.read()


def strict_lines(raw, what):
    """The lines of `raw` as JSON, each required to be valid UTF-8."""
    objects = []
    for line in raw.splitlines():
        try:
            objects.append(json.loads(line.decode("utf-8")))
        except (UnicodeDecodeError, ValueError) as error:
            check(False, f"{what}: a line that is not UTF-8 JSON ({error}): {line!r}")
    return objects


def two_ports(work, station, image, *options):
    instruments = [Instrument(work, *FAST, port=f"COM{n}") for n in (1, 2)]
    program = subprocess.Popen([h.PROGRAM, "--batch", "--port", "COM1-COM2", "--json", "--station", station,
                                "--image", image, *options], preexec_fn=default_signals, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
    code, _ = wait_bounded(program, 120)
    out, err = program.communicate()
    verdicts = [i.verdict() for i in instruments]
    check(code == 0, f"exit 0, got {code}: {err[-600:]!r}")
    check(all(v["valid"] for v in verdicts), f"both instruments got a valid image: {verdicts}")
    events = strict_lines(out, "the event stream")
    lines = strict_lines(record_bytes(), "the record")
    check(sorted(r.get("port") for r in lines) == ["COM1", "COM2"], f"two record lines: {lines}")
    return events, lines, err.decode("utf-8", "replace")


def case_utf8_names(work):
    """The name and the path in Chinese and with "é" go through as they are."""
    folder = os.path.join(work, "映像 é")
    os.mkdir(folder)
    image = os.path.join(folder, "韌體 é.srec")
    subprocess.run([h.IMAGE_TOOL, "--size", "100000", "--output", image], check=True, stdout=subprocess.DEVNULL)
    events, lines, err = two_ports(work, STATION, image)
    check(all(r.get("station") == STATION for r in lines), f"the name exactly, in each line: {lines}")
    check(all(r.get("imageBytes") == os.path.getsize(image) for r in lines), f"the given image: {lines}")
    check({e.get("port") for e in events if e.get("event") == "end"} == {"COM1", "COM2"}, f"two ends: {events}")
    check("UTF-8" not in err, f"no warning for valid names: {err}")


def case_invalid_byte(work):
    """A byte that is not UTF-8 becomes U+FFFD in every record line; said once.
    Files keep their names' bytes: the image and the traces are found."""
    image = os.fsencode(work) + b"/image\xff.srec"
    subprocess.run([h.IMAGE_TOOL, "--size", "100000", "--output", image], check=True, stdout=subprocess.DEVNULL)
    trace = os.fsencode(work) + b"/trace\xfe.txt"
    events, lines, err = two_ports(work, b"line\xff7 \xe7\x94", image, "--trace", trace)
    check(all(r.get("station") == "line\ufffd7 \ufffd\ufffd" for r in lines),
          f"each bad byte as U+FFFD, the rest as given: {[r.get('station') for r in lines]}")
    warnings = [line for line in err.splitlines() if "not valid UTF-8" in line]
    check(len(warnings) == 1 and "station" in warnings[0], f"one warning naming the station: {err}")
    for port in (b"COM1", b"COM2"):
        try:
            with open(trace + b"." + port, "rb") as f:
                check("open " in f.read().decode("utf-8"), f"{port}'s trace opens the port")
        except (OSError, UnicodeDecodeError) as error:
            check(False, f"{port}'s trace, valid UTF-8 under its name's bytes: {error}")


if __name__ == "__main__":
    h.run({"utf8-names": case_utf8_names, "invalid-byte": case_invalid_byte})
