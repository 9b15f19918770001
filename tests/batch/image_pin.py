#!/usr/bin/env python3
"""A station pins its image with --expect-sha256 or ORVEX_EXPECT_SHA256: the
image it names is sent; any other is refused before a port is opened, and a
digest that is not one is wrong usage.

Usage: image_pin.py PROGRAM INSTRUMENT_SIM IMAGE_TOOL LOGIN1_STANDIN CASE
       image_pin.py --list   (the cases, for CMake)
"""
import hashlib
import os
import subprocess

import batch_harness as h
from batch_harness import FAST, Instrument, check, default_signals, records, wait_bounded

OTHER = "0123456789abcdef" * 4


def image_and_digest(work):
    path = os.path.join(work, "small.srec")
    subprocess.run([h.IMAGE_TOOL, "--size", "100000", "--output", path], check=True, stdout=subprocess.DEVNULL)
    with open(path, "rb") as f:
        return path, hashlib.sha256(f.read()).hexdigest()


def run(*options, env=None):
    program = subprocess.Popen([h.PROGRAM, "--batch", *options], preexec_fn=default_signals, text=True,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
    code, _ = wait_bounded(program, 120)
    out, err = program.communicate()
    return code, err.strip()


def case_match(work):
    """The pinned image (its digest in capitals, as some tools print it) goes out."""
    image, digest = image_and_digest(work)
    instrument = Instrument(work, *FAST)
    code, err = run("--port", "COM2", "--image", image, "--expect-sha256", digest.upper())
    check(code == 0, f"exit 0, got {code}: {err}")
    check(instrument.verdict()["valid"], "the instrument got a valid image")
    check([r.get("imageSha256") for r in records()] == [digest], f"the record names the image: {records()}")


def refused(work, instruments, code, err, actual, expected):
    check(code == 7, f"exit 7, got {code}: {err}")
    check(len(err.splitlines()) == 1 and actual in err and expected in err,
          f"one line naming both digests: {err!r}")
    for instrument in instruments:
        summary = instrument.verdict(ends_by_itself=False)
        check(summary["probeBytes"] == 0 and summary["bytes"] == 0, f"nothing reached the instrument: {summary}")
    check(records() == [], f"no upgrade started, no record line: {records()}")


def case_mismatch(work):
    """Another image than the pinned one: refused on one line, nothing sent."""
    image, digest = image_and_digest(work)
    instrument = Instrument(work, *FAST)
    code, err = run("--port", "COM2", "--image", image, "--expect-sha256", OTHER)
    refused(work, [instrument], code, err, digest, OTHER)


def case_mismatch_from_environment(work):
    """ORVEX_EXPECT_SHA256 pins the embedded image too, for every port of one command."""
    instruments = [Instrument(work, *FAST, port=f"COM{n}") for n in (1, 2)]
    embedded = subprocess.run([h.PROGRAM, "--batch", "--port", "COM3", "--json", "--expect-sha256", OTHER],
                              capture_output=True, text=True).stderr
    code, err = run("--port", "COM1-COM2", env={**os.environ, "ORVEX_EXPECT_SHA256": OTHER})
    check("the embedded image" in err and err in embedded, f"the same line as the option's: {err!r} {embedded!r}")
    actual = err.split("SHA-256 ")[1].split(",")[0] if "SHA-256 " in err else "?"
    refused(work, instruments, code, err, actual, OTHER)


def case_malformed(work):
    """A digest that is not 64 hexadecimal digits is wrong usage, said on one line."""
    for value in ["abc", OTHER[:-1], OTHER + "0", OTHER[:-1] + "g", ""]:
        code, err = run("--port", "COM2", "--expect-sha256", value)
        check(code == 2 and len(err.splitlines()) == 1 and "64 hexadecimal digits" in err,
              f"--expect-sha256 {value!r}: exit 2 with one line, got {code}: {err!r}")
    code, err = run("--port", "COM2", env={**os.environ, "ORVEX_EXPECT_SHA256": "xyz"})
    check(code == 2 and "ORVEX_EXPECT_SHA256" in err and "'xyz'" in err,
          f"ORVEX_EXPECT_SHA256=xyz: exit 2 naming it, got {code}: {err!r}")
    check(records() == [], f"no upgrade started: {records()}")


if __name__ == "__main__":
    h.run({"pin-match": case_match, "pin-mismatch": case_mismatch,
           "pin-mismatch-environment": case_mismatch_from_environment, "pin-malformed": case_malformed})
