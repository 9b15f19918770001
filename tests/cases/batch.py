#!/usr/bin/env python3
"""Batch mode end to end: the real program against the simulated instrument on
ptys. Each upgrade row is one run with --json and a trace, judged by the exit
code, a time bound, line 1's last text, the event stream, the record line, the
trace and what the instrument received: never "Upgrade complete!" unless the
instrument verified the image byte for byte.

Usage: batch.py BUILD CASE | batch.py --list
"""
import json
import os
import resource
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import observed  # noqa: E402
from core import (FAST, IMAGE_BYTES, OTHER_DIGEST, PORT_ERROR, Instrument, Run, check,  # noqa: E402
                  hold, main, sha256, step)


def trace_complete(events):
    for setting in observed.SETTINGS:
        check(setting in observed.texts(events, "set "), f"the trace has '{setting}': {observed.texts(events, 'set')}")
    check(len(observed.texts(events, "raise DTR -> ")) == 1, f"raising DTR, with its result: {events[:12]}")
    writes, reads = observed.texts(events, "write "), observed.texts(events, "read ")
    check(observed.PROBE_WRITE in writes and observed.UPDATE_WRITE in writes, f"probe and command: {writes[:3]}")
    arrived = "".join(t[t.find('"') + 1:t.rfind('"')] for t in reads)  # two prompts may come in one read
    check("Lodar >" in arrived and "Update Firmware\\r\\n" in arrived, f"the prompt and the reply were read: {reads}")
    sent = observed.chunks(events)
    check(sum(length for _, length, _ in sent) == IMAGE_BYTES and all(r == "ok" for _, _, r in sent),
          f"the chunk lines add up to the whole image, each gone out: {len(sent)} chunks")
    check(observed.texts(events, "box ") == [], "no message box")


def trace_silent(events):
    check(observed.texts(events, "write ").count(observed.PROBE_WRITE) == 101, "101 probe writes")
    check(observed.texts(events, "probe timed out") == ["probe timed out: no reply after 101 attempts"],
          f"the probe's time-out: {observed.texts(events, 'probe')}")
    check(observed.texts(events, "read ") == [], "nothing was read")


def trace_stalled(events):
    sent = observed.chunks(events)
    check(sent and sent[-1][2].startswith("write timed out: ") and all(r == "ok" for *_, r in sent[:-1]),
          f"the last chunk timed out, the others went out: {sent[-2:]}")
    stalled = [i for i, (_, t) in enumerate(events) if "-> write timed out: " in t]
    boxes = [i for i, (_, t) in enumerate(events) if t == 'box "Write timed out.(overlapped)"']
    if check(len(stalled) == 1 and len(boxes) == 1 and 0 < stalled[0] < boxes[0], "the time-out, then its box"):
        took = events[stalled[0]][0] - events[stalled[0] - 1][0]
        check(4000 <= took <= 15000, f"the write gave up after its 5000 ms, took {took:.0f} ms")


# name: simulator options, program options, exit code, line 1's last text, record
# outcome, seconds at most, instrument summary, what the trace holds; "env"
# adds to the environment (ORVEX_TRACE stands for --trace there).
# Descriptors an upgrade may hold: it keeps none per write (the image is 2,500 writes, where a
# desktop session allows 1,024 descriptors).
LIMIT = 32
UPGRADES = {
    # The pinned digest in capitals, as some tools print it.
    "complete": dict(sim=FAST, args=lambda ws: ["--station", "bench 4", "--unit", "SN 0042", "--expect-sha256",
                                                 sha256(ws.build.firmware).upper()],
                     code=0, line1="Upgrade complete!", outcome="complete", bound=60,
                     summary={"valid": True, "matchesExpected": True}, trace=trace_complete,
                     fields={"station": "bench 4", "unit": "SN 0042", "bytesSent": IMAGE_BYTES}, messages=[]),
    "silent-instrument": dict(sim=["--no-prompt"], code=3, line1="Time Out!  Check RS232 & Re-press 'YES' key!",
                              outcome="probe-timeout", bound=25, summary={"probeBytes": 101}, trace=trace_silent,
                              env={"ORVEX_STATION": "bench 7"},
                              fields={"probeAttempts": 101, "commandAttempts": 0, "station": "bench 7",
                                      "bytesSent": 0}, messages=[]),
    "stall-mid-image": dict(sim=["--baud", "0", "--stall-at", "300000"], code=6,
                            line1="Upgrade failed!  Check RS232 & Re-press 'YES' key!", outcome="transfer-failed",
                            bound=30, trace=trace_stalled, messages=["Write timed out.(overlapped)"]),
    "hangup-mid-image": dict(sim=["--baud", "0", "--hangup-at", "300000"], code=1, outcome="port-failed", bound=30,
                             boxes={"ReadFile ReaderAndStatusProc", "ReadFile in ReaderAndStatusProc",
                                    "Write timed out.(overlapped)", "Close comm port error"}),
}


def upgrade_row(name, row):
    def case(ws):
        instrument = Instrument(ws, *row["sim"])
        trace = ws.path("trace.txt")
        # A row that adds to the environment names the trace there too.
        env = dict(ws.env, **row["env"], ORVEX_TRACE=trace) if "env" in row else ws.env
        args = (row["args"](ws) if "args" in row else []) + ([] if "env" in row else ["--trace", trace])
        run = Run(ws, [ws.build.program, "--batch", "--port", "COM2", "--json", *args], 120, env=env,  # see LIMIT
                  preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (LIMIT, LIMIT)))
        summary = instrument.verdict(ends_by_itself=row["code"] == 0)
        events = run.events("COM2")
        line1, whole = observed.last_line1(events), f"100 % ({IMAGE_BYTES} of {IMAGE_BYTES} bytes, "
        print(f"{name}: exit {run.code} in {run.seconds:.1f} s, line 1 {line1!r}")
        check(run.code == row["code"], f"exit code {run.code}, want {row['code']}: {run.err[-400:]}")
        check(run.seconds <= row["bound"], f"took {run.seconds:.1f} s, at most {row['bound']}")
        check(line1.startswith(row.get("line1", "")), f"line 1 {line1!r}, want {row.get('line1')!r}")
        check(line1 != "Upgrade complete!" or (summary["valid"] and summary.get("matchesExpected") and whole in run.err),
              f"success only with a verified image, its progress on standard error: {summary}, {run.err[-300:]!r}")
        for key, want in row.get("summary", {}).items():
            check(summary.get(key) == want, f"the instrument's {key} is {summary.get(key)}, want {want}")
        observed.stream(events, row["outcome"], row["code"])
        messages = [e["text"] for e in events if e["event"] == "message"]
        check("messages" not in row or messages == row["messages"], f"the message boxes as events: {messages}")
        check(set(messages) <= row.get("boxes", set(messages)) and (messages or "boxes" not in row),
              f"the boxes of a dead port: {messages}")
        r = observed.record(ws.records(), "COM2", row["outcome"], row["code"])
        for key, want in row.get("fields", {}).items():
            check(r.get(key) == want, f"the record's {key} is {r.get(key)!r}, want {want!r}")
        if "trace" in row:  # each attempt is a write: one each only where the instrument answers within 100 ms
            traced = observed.trace(trace)
            made = [observed.texts(traced, "write ").count(w) for w in (observed.PROBE_WRITE, observed.UPDATE_WRITE)]
            recorded = [r.get("probeAttempts"), r.get("commandAttempts")]
            check(recorded == made, f"the record's attempts {recorded} are the trace's writes {made}")
            row["trace"](traced)
    return case


def case_port_held(ws):
    """Another program holds the port: a port error, nothing sent (that the port finder names
    the holder, package.py's installed case shows)."""
    instrument = Instrument(ws, *FAST)
    hold(ws, "COM2")
    run = Run(ws, [ws.build.program, "--batch", "--port", "COM2"], 30)
    check(run.code == 5 and "Error Create File" in run.err and PORT_ERROR in run.out, f"port error: {run.code} {run.err}")
    check(instrument.verdict(ends_by_itself=False)["probeBytes"] == 0, "nothing reached the instrument")
    check([(r["port"], r["outcome"], r["probeAttempts"]) for r in ws.records()] == [("COM2", "port-error", 0)],
          f"the record, with no probe: {ws.records()}")


def case_port_trouble(ws):
    """A missing port with a record and a trace that cannot be written: the upgrade
    ends as it would, each trouble said once; then a port the user may not open."""
    ws.link("COM5", "/nonexistent/device")
    os.makedirs(ws.path("state"))
    open(ws.path("state", "orvex-programmer"), "w").close()  # a file where the folder goes
    run = Run(ws, [ws.build.program, "--batch", "--port", "COM5", "--trace", "/dev/full"], 30)
    check(run.code == 5 and "Error Create File" in run.err, f"a missing port: exit {run.code}, {run.err}")
    check(run.err.count("upgrade record cannot be written") == 1, f"the record's trouble said once: {run.err}")
    check(len([line for line in run.err.splitlines() if "trace" in line and "/dev/full" in line]) == 1,
          f"the trace's trouble said once: {run.err}")
    if os.getuid() != 0:
        return
    instrument = Instrument(ws, port="COM6")
    os.chmod(instrument.pty, 0o600)
    step(["chmod", "-R", "a+rX", ws.dir])
    run = Run(ws, ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", ws.build.program, "--batch",
                   "--port", "COM6"], 30)
    check(run.code == 5 and run.err.count("must be in the dialout group") == 1,
          f"no permission: exit 5 and dialout said once, got {run.code}: {run.err}")


def case_closed_pipe(ws):
    """The station reads one line and closes its pipes: the upgrade runs to its end."""
    instrument = Instrument(ws, *FAST)
    program = ws.start([ws.build.program, "--batch", "--port", "COM2"], stdout=subprocess.PIPE,
                       stderr=subprocess.PIPE, text=True)
    first = program.stdout.readline()
    program.stdout.close()
    program.stderr.close()
    code = program.wait(timeout=90)
    check(first.startswith("Please turn on DSO now.") and code == 0, f"exit 0 with its output gone: {code}, {first!r}")
    check(instrument.verdict()["valid"] and ws.outcomes() == [("COM2", "complete")], f"complete: {ws.records()}")


def signalled(ws, sim, number, when):
    """Starts an upgrade and sends `number` once `when(event)`; the run's end."""
    instrument = Instrument(ws, *sim)
    trace = ws.path("trace.txt")
    program = ws.start([ws.build.program, "--batch", "--port", "COM2", "--json", "--trace", trace],
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    for line in program.stdout:
        if when(json.loads(line)):
            break
    program.send_signal(number)
    sent = time.monotonic()
    rest, err = program.communicate(timeout=30)
    check(program.returncode == 128 + number and time.monotonic() - sent < 10,
          f"exit {128 + number} within 10 s of the signal, got {program.returncode}")
    ends = [json.loads(line) for line in rest.splitlines() if '"end"' in line]
    check(ends and ends[-1]["outcome"] == "interrupted" and ends[-1]["exitCode"] == 128 + number,
          f"the end event: {ends}")
    r = observed.record(ws.records(), "COM2", "interrupted", 128 + number)
    return instrument.verdict(ends_by_itself=False), err, r, observed.trace(trace)


def case_sigint_mid_image(ws):
    summary, err, r, events = signalled(ws, FAST, signal.SIGINT, lambda e: e.get("percent", 0) >= 10)
    check("interrupted after" in err and "partial image" in err, f"standard error says so: {err!r}")
    check(not summary["valid"] and 0 < r.get("bytesSent", 0) < IMAGE_BYTES, f"a partial image: {r}")
    check(0 < sum(n for _, n, _ in observed.chunks(events)) < IMAGE_BYTES, "the trace holds part of the image")


def case_sigterm_during_probe(ws):
    _, err, r, _ = signalled(ws, ["--no-prompt"], signal.SIGTERM, lambda e: e.get("event") == "status")
    check("before any image byte" in err and "partial" not in err, f"nothing partial to warn of: {err!r}")
    check(r.get("bytesSent") == 0, f"nothing sent: {r}")


def case_bad_images(ws):
    """Anything that cannot be an image is refused at once, naming the file, before any
    port is opened and without reading it whole."""
    os.mkfifo(ws.path("fifo"))
    with open(ws.path("binary.bin"), "wb") as f:
        f.write(bytes(range(256)) * 64)
    with open(ws.path("bad.srec"), "w") as f:
        f.write("S00600004844521B\r\nS3090000000001020304EB\r\nS70500000000FA\r\n")
    open(ws.path("empty.srec"), "w").close()
    unreadable = ws.image(1000, "unreadable.srec")
    os.chmod(unreadable, 0)
    os.chmod(ws.dir, 0o755)
    rows = [(ws.dir, "is a directory"), ("/dev/zero", "is a device"), (ws.path("fifo"), "is a pipe"),
            (ws.image(65535 * 900 + 2, "too-large.srec"), "an image holds at most 58981500 bytes"),
            (ws.path("binary.bin"), ws.path("binary.bin") + ":1:"), (ws.path("bad.srec"), ws.path("bad.srec") + ":2:"),
            (ws.path("empty.srec"), ws.path("empty.srec") + ":1:"), (unreadable, "cannot be read (Permission denied)")]
    instrument = Instrument(ws)
    sanitized = "san" in step(["ldd", ws.build.program])
    for path, says in rows:
        user = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] if path == unreadable and \
            os.getuid() == 0 else []
        began = time.monotonic()
        run = subprocess.run([*user, ws.build.program, "--batch", "--port", "COM2", "--image", path], env=ws.env,
                             capture_output=True, text=True, timeout=60, preexec_fn=None if sanitized else lambda:
                             resource.setrlimit(resource.RLIMIT_AS, (1 << 30, 1 << 30)))
        err, took = run.stderr.strip(), time.monotonic() - began
        check(run.returncode == 7 and took < 3 and len(err.splitlines()) == 1 and path in err and says in err,
              f"{path}: exit 7 within 3 s and one line saying {says!r}, got {run.returncode} in {took:.1f} s: {err!r}")
    check(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss < 400 * 1024, "no refusal reads without bound")
    check(instrument.verdict(ends_by_itself=False)["probeBytes"] == 0 and ws.records() == [],
          "nothing reached the instrument, no record line")


def case_pin_mismatch(ws):
    """Another image than the pinned one is refused before any port opens, on one
    line naming both digests: by the option and, for every port, the environment."""
    instruments = [Instrument(ws, *FAST, port=f"COM{n}") for n in (1, 2)]
    image = ws.image(100000)
    by_option = Run(ws, [ws.build.program, "--batch", "--port", "COM1", "--image", image, "--expect-sha256",
                         OTHER_DIGEST], 30)
    by_env = Run(ws, [ws.build.program, "--batch", "--port", "COM1-COM2"], 30,
                 env=dict(ws.env, ORVEX_EXPECT_SHA256=OTHER_DIGEST))
    for run, actual in ((by_option, sha256(image)), (by_env, sha256(ws.build.firmware))):
        err = run.err.strip()
        check(run.code == 7 and len(err.splitlines()) == 1 and actual in err and OTHER_DIGEST in err,
              f"exit 7 and one line naming both digests, got {run.code}: {err!r}")
    check("the embedded image" in by_env.err, f"the embedded image is named: {by_env.err!r}")
    for instrument in instruments:
        check(instrument.verdict(ends_by_itself=False)["probeBytes"] == 0, "nothing reached the instrument")
    check(ws.records() == [], f"no upgrade started: {ws.records()}")


def case_invalid_byte(ws):
    """A byte that is not UTF-8 becomes U+FFFD in every record line, said once; every line
    of the events and the record is valid UTF-8 JSON; files keep their names' bytes: the
    image and the traces are found."""
    image = os.fsencode(ws.dir) + b"/image\xff.srec"
    ws.image(100000, os.fsdecode(image))
    trace = os.fsencode(ws.dir) + b"/trace\xfe.txt"
    instruments = [Instrument(ws, *FAST, port=f"COM{n}", expect=False) for n in (1, 2)]
    program = ws.start([os.fsencode(ws.build.program), b"--batch", b"--port", b"COM1-COM2", b"--json",
                        b"--station", b"line\xff7 \xe7\x94", b"--image", image, b"--trace", trace],
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    out, err = program.communicate(timeout=120)
    check(program.returncode == 0 and all(i.verdict()["valid"] for i in instruments),
          f"both ports complete: exit {program.returncode}, {err[-400:]!r}")
    with open(ws.record, "rb") as f:
        raw = f.read()
    lines = []
    for line in (out + raw).splitlines():
        try:
            lines.append(json.loads(line.decode("utf-8")))
        except (UnicodeDecodeError, ValueError) as error:
            check(False, f"a line that is not UTF-8 JSON ({error}): {line!r}")
    records = [r for r in lines if "event" not in r]
    check(sorted(r.get("port") for r in records) == ["COM1", "COM2"], f"two record lines: {records}")
    check(all(r.get("station") == "line\ufffd7 \ufffd\ufffd" for r in records),
          f"each bad byte as U+FFFD, the rest as given: {[r.get('station') for r in records]}")
    warnings = [line for line in err.decode("utf-8", "replace").splitlines() if "not valid UTF-8" in line]
    check(len(warnings) == 1 and "station" in warnings[0], f"one warning naming the station: {err}")
    for port in (b"COM1", b"COM2"):
        check(observed.trace(os.fsdecode(trace + b"." + port)), f"{port}'s trace, under its name's bytes")


CASES = {name: upgrade_row(name, row) for name, row in UPGRADES.items()}
CASES.update({
    "port-held": case_port_held, "port-trouble": case_port_trouble, "closed-pipe": case_closed_pipe,
    "sigint-mid-image": case_sigint_mid_image, "sigterm-during-probe": case_sigterm_during_probe,
    "bad-images": case_bad_images, "pin-mismatch": case_pin_mismatch,
    "invalid-byte": case_invalid_byte,
})

if __name__ == "__main__":
    main(CASES)
