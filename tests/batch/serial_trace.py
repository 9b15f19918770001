#!/usr/bin/env python3
"""The serial trace for support, from real batch runs against the simulated
instrument: what a trace holds after a complete upgrade, a silent instrument,
a stalled line and a SIGTERM, and that a trace that cannot be written is said
once while the upgrade goes on.

Usage: serial_trace.py PROGRAM INSTRUMENT_SIM IMAGE_TOOL LOGIN1_STANDIN CASE
       serial_trace.py --list   (the cases, for CMake)
"""
import os
import re
import signal
import subprocess

import batch_harness as h
from batch_harness import FAST, IMAGE_BYTES, Instrument, batch, wait_bounded

EVENT = re.compile(r"^ *(\d+\.\d{3}) (.+)$")
CHUNK = re.compile(r"^chunk at (\d+), (\d+) bytes: [0-9A-F ]+(?: \.\. [0-9A-F ]+)? -> (.+)$")


def check(condition, what):
    h.check(condition, what)
    return condition


def run_batch(options, bound, env=None):
    """Runs one batch upgrade to its end; returns the exit code and standard error."""
    program = batch(*options, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env={**os.environ, **(env or {})})
    code, _ = wait_bounded(program, bound)
    return code, program.stderr.read()


def read_trace(path):
    """The header and the events as (milliseconds, text); every line whole and timed."""
    with open(path, encoding="ascii") as f:
        text = f.read()
    check(text.endswith("\n"), "the trace ends with a whole line")
    lines = text.splitlines()
    check(lines and re.match(r"^serial trace started \d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z \(UTC\)", lines[0]),
          f"the UTC time at the top: {lines[:1]}")
    events = []
    for line in lines[1:]:
        match = EVENT.match(line)
        if check(match is not None, f"a timed event line: {line!r}"):
            events.append((float(match.group(1)), match.group(2)))
    times = [ms for ms, _ in events]
    check(times == sorted(times), "the time column never decreases")
    check(events and events[0][1] == r"open \\.\COM2 -> ok", f"the port's opening first: {events[:1]}")
    check(events and events[-1][1] == "close", f"the closing last: {events[-1:]}")
    return events


def texts(events, prefix):
    return [text for _, text in events if text.startswith(prefix)]


def check_settings(events):
    for setting in ("set timeouts: read interval 1, read 0 x n + 1000, write 0 x n + 5000 ms -> ok",
                    "set comm state: 115200 baud, 8 data bits, parity none, stop bits 1 -> ok",
                    "set queues: in 8196, out 8196 bytes -> ok"):
        check(setting in texts(events, "set "), f"the setting '{setting}': {texts(events, 'set ')}")
    check(len(texts(events, "raise DTR -> ")) == 1, f"raising DTR, with its result: {texts(events, 'raise')}")


def chunks(events):
    """(offset, length, result) of each chunk line; offsets follow on without a gap."""
    found = []
    for text in texts(events, "chunk "):
        match = CHUNK.match(text)
        if check(match is not None, f"a chunk line: {text!r}"):
            found.append((int(match.group(1)), int(match.group(2)), match.group(3)))
    expected = 0
    for offset, length, _ in found:
        check(offset == expected, f"chunk at {offset} follows on at {expected}")
        expected = offset + length
    return found


def case_complete(work):
    """A whole upgrade: the settings, the probe and its prompt, the command and its
    reply, chunk lines adding up to the image, then the closing."""
    trace = os.path.join(work, "trace.txt")
    instrument = Instrument(work, *FAST)
    code, err = run_batch(["--trace", trace], 90)
    summary = instrument.verdict()
    check(code == 0 and summary["valid"], f"the upgrade completes: exit {code}, {summary}, {err!r}")
    events = read_trace(trace)
    check_settings(events)
    check('write 1 byte: 55 "U" -> ok' in texts(events, "write "), f"the probe write: {texts(events, 'write')[:3]}")
    check(any('"Lodar >"' in text for text in texts(events, "read ")), f"the prompt read: {texts(events, 'read')}")
    check('write 7 bytes: 75 70 64 61 74 65 0D "update\\r" -> ok' in texts(events, "write "),
          f"the update command: {texts(events, 'write')}")
    check(any('"Update Firmware\\r\\n"' in text for text in texts(events, "read ")),
          f"the command's reply: {texts(events, 'read')}")
    check(f"image {IMAGE_BYTES} bytes" in texts(events, "image "), f"the image: {texts(events, 'image')}")
    sent = chunks(events)
    check(sum(length for _, length, _ in sent) == IMAGE_BYTES, f"the chunks add up to {IMAGE_BYTES} bytes")
    check(all(result == "ok" for _, _, result in sent), "every chunk went out whole")
    check(texts(events, "box ") == [], f"no message box: {texts(events, 'box')}")
    print(f"complete: {len(events)} events, {len(sent)} chunks, {events[-1][0]:.0f} ms")


def case_silent_instrument(work):
    """No prompt: 101 probe writes and the probe's giving up (ORVEX_TRACE, no --trace)."""
    trace = os.path.join(work, "trace.txt")
    instrument = Instrument(work, "--no-prompt")
    code, err = run_batch([], 30, env={"ORVEX_TRACE": trace})
    instrument.verdict(ends_by_itself=False)
    check(code == 3, f"exit code 3, got {code} ({err!r})")
    events = read_trace(trace)
    probes = [text for text in texts(events, "write ") if text == 'write 1 byte: 55 "U" -> ok']
    check(len(probes) == 101, f"101 probe writes, got {len(probes)}")
    check(texts(events, "probe timed out") == ["probe timed out: no reply after 101 attempts"],
          f"the probe's time-out: {texts(events, 'probe')}")
    check(texts(events, "read ") == [], f"nothing read: {texts(events, 'read')}")


def case_stalled_line(work):
    """The instrument stops reading: the chunk's write time-out, then the box."""
    trace = os.path.join(work, "trace.txt")
    instrument = Instrument(work, "--baud", "0", "--stall-at", "300000")
    code, err = run_batch(["--trace", trace], 60)
    instrument.verdict(ends_by_itself=False)
    check(code == 6, f"exit code 6, got {code} ({err!r})")
    events = read_trace(trace)
    sent = chunks(events)
    check(sent and sent[-1][2].startswith("write timed out: ") and all(r == "ok" for _, _, r in sent[:-1]),
          f"the last chunk timed out, the others went out: {sent[-2:]}")
    stalled = [i for i, (_, text) in enumerate(events) if "-> write timed out: " in text]
    boxes = [i for i, (_, text) in enumerate(events) if text == 'box "Write timed out.(overlapped)"']
    check(len(stalled) == 1 and len(boxes) == 1 and stalled[0] < boxes[0],
          f"the time-out, then its box: {[events[i] for i in stalled + boxes]}")
    if len(stalled) == 1 and stalled[0] > 0:
        took = events[stalled[0]][0] - events[stalled[0] - 1][0]
        check(4000 <= took <= 15000, f"the write gave up after its 5000 ms, took {took:.0f} ms")


def case_sigterm_mid_image(work):
    """SIGTERM during the transfer: the trace ends with the closing, every line whole."""
    trace = os.path.join(work, "trace.txt")
    instrument = Instrument(work, *FAST)
    program = batch("--trace", trace, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    for line in program.stdout:
        if line.startswith("10 %"):
            break
    program.send_signal(signal.SIGTERM)
    program.communicate(timeout=30)
    instrument.verdict()
    check(program.returncode == 143, f"exit code 143, got {program.returncode}")
    events = read_trace(trace)
    sent = chunks(events)
    check(0 < sum(length for _, length, _ in sent) < IMAGE_BYTES, f"part of the image was traced: {len(sent)} chunks")


def a_folder(work):
    folder = os.path.join(work, "a-folder")
    os.mkdir(folder)
    return folder


def unwritable_trace(trace_path, says):
    """A trace that cannot be opened, or opened but not written: said once (standard
    error names SAYS), the upgrade completes. A case each: each is a whole upgrade."""

    def case(work):
        path = trace_path(work)
        instrument = Instrument(work, *FAST)
        code, err = run_batch(["--trace", path], 90)
        summary = instrument.verdict()
        said = [line for line in err.splitlines() if "trace" in line]
        check(code == 0 and summary["valid"], f"{path}: the upgrade completes: exit {code}, {summary}")
        check(len(said) == 1 and path in said[0] and says in said[0], f"{path}: said once ({says}): {err!r}")
        print(f"{path}: exit {code}; {' '.join(said)}")

    return case


CASES = {
    "trace-complete": case_complete,
    "trace-silent-instrument": case_silent_instrument,
    "trace-stalled-line": case_stalled_line,
    "trace-sigterm-mid-image": case_sigterm_mid_image,
    "trace-unwritable-folder": unwritable_trace(a_folder, "opening"),
    "trace-unwritable-missing-folder": unwritable_trace(lambda work: os.path.join(work, "missing", "trace.txt"), "opening"),
    "trace-unwritable-full-device": unwritable_trace(lambda work: "/dev/full", "writing"),
}

if __name__ == "__main__":
    os.environ.pop("ORVEX_TRACE", None)
    h.run(CASES)
