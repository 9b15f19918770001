#!/usr/bin/env python3
"""What comes from outside the line, through the real program in batch mode
against the simulated instrument: output that goes away, signals, odd --image
files. Each case checks the exit code, a time bound, the instrument's verdict
and the upgrade record's lines.

Usage: outside_faults.py PROGRAM INSTRUMENT_SIM IMAGE_TOOL LOGIN1_STANDIN CASE
       outside_faults.py --list   (the cases, for CMake)
"""
import os
import resource
import signal
import subprocess
import tempfile
import time
import tty

import batch_harness as h
from batch_harness import FAST, IMAGE_BYTES, Instrument, batch, check, records, wait_bounded

BUS_HELPER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "private_system_bus.sh")


def case_closed_pipe(work):
    """The station reads the first line and closes its pipes (| head -1): the upgrade
    runs to its end anyway, with its record line and its own exit code."""
    instrument = Instrument(work, *FAST)
    program = batch(stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    first = program.stdout.readline()
    program.stdout.close()
    program.stderr.close()
    code, took = wait_bounded(program, 90)
    summary = instrument.verdict()
    check(first.startswith("Please turn on DSO now."), f"the first line, got {first!r}")
    check(code == 0, f"exit code 0 with its output gone, got {code}")
    check(summary["valid"], f"the instrument got a valid image: {summary}")
    check([r["outcome"] for r in records()] == ["complete"], f"one record line, complete: {records()}")
    print(f"closed pipe: exit {code} in {took:.1f} s")


def interrupt_mid_image(number):
    """A signal during the transfer stops it between chunks: the port is closed, the
    partial image is said, the record has the line, the exit code is 128 + signal."""
    def case(work):
        instrument = Instrument(work, *FAST)
        program = batch(stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        for line in program.stdout:
            if line.startswith("10 %"):
                break
        program.send_signal(number)
        signalled = time.monotonic()
        _, err = program.communicate(timeout=30)
        took = time.monotonic() - signalled
        summary = instrument.verdict()
        check(program.returncode == 128 + number, f"exit code {128 + number}, got {program.returncode}")
        check(took < 10, f"ended {took:.1f} s after the signal")
        check("interrupted after" in err and "partial image" in err, f"standard error says so: {err!r}")
        check(not summary["valid"], f"the instrument has no valid image: {summary}")
        lines = records()
        check([r["outcome"] for r in lines] == ["interrupted"], f"one record line, interrupted: {lines}")
        check(lines and 0 < lines[0]["bytesSent"] < IMAGE_BYTES, f"the bytes sent are recorded: {lines}")
        print(f"signal {number}: exit {program.returncode} {took:.2f} s after it; {err.strip()}")
    return case


def case_sigterm_during_probe(work):
    """Interrupted before any image byte: nothing partial to warn about."""
    instrument = Instrument(work, "--no-prompt")
    program = batch(stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    check(program.stdout.readline().startswith("Please turn on DSO now."), "the probe began")
    program.send_signal(signal.SIGTERM)
    _, err = program.communicate(timeout=30)
    instrument.verdict(ends_by_itself=False)
    check(program.returncode == 143, f"exit code 143, got {program.returncode}")
    check("before any image byte" in err and "partial" not in err, f"standard error says so: {err!r}")
    check([(r["outcome"], r["bytesSent"]) for r in records()] == [("interrupted", 0)],
          f"one record line, interrupted, nothing sent: {records()}")


def sanitized():
    """Sanitizer runtimes reserve terabytes of address space: no address-space limit there."""
    libraries = subprocess.run(["ldd", h.PROGRAM], capture_output=True, text=True).stdout
    return "libasan" in libraries or "libtsan" in libraries


def memory_limited(user=None):
    """Runs the program in 1 GiB of address space (unsanitized builds), as `user` if given."""
    def start():
        if not sanitized():
            resource.setrlimit(resource.RLIMIT_AS, (1 << 30, 1 << 30))
    prefix = ["setpriv", f"--reuid={user}", "--regid=nogroup", "--clear-groups"] if user else []
    return prefix, start


def make_image(path, size):
    subprocess.run([h.IMAGE_TOOL, "--size", str(size), "--output", path], check=True, stdout=subprocess.DEVNULL)


def case_bad_images(work):
    """Anything that cannot be an image is refused at once, naming the file, before
    any port is opened and without reading it whole."""
    fifo = os.path.join(work, "fifo")
    os.mkfifo(fifo)
    binary = os.path.join(work, "binary.bin")
    with open(binary, "wb") as f:
        f.write(bytes(range(256)) * 64)
    empty = os.path.join(work, "empty.srec")
    open(empty, "w").close()
    too_large = os.path.join(work, "too-large.srec")
    make_image(too_large, 65535 * 900 + 2)
    unreadable = os.path.join(work, "unreadable.srec")
    make_image(unreadable, 1000)
    os.chmod(unreadable, 0)
    # Root reads any file: the unreadable one is tried as another user.
    other = "nobody" if os.getuid() == 0 else None
    os.chmod(work, 0o755)
    rows = [  # file, what standard error must say, user
        (work, "is a directory", None),
        ("/dev/zero", "is a device", None),
        ("/dev/urandom", "is a device", None),
        (fifo, "is a pipe", None),
        (too_large, "an image holds at most 58981500 bytes", None),
        (binary, f"{binary}:1:", None),
        (empty, f"{empty}:1:", None),
        (unreadable, "cannot be read (Permission denied)", other),
    ]
    instrument = Instrument(work)
    for path, says, user in rows:
        prefix, limit = memory_limited(user)
        start = time.monotonic()
        run = subprocess.run([*prefix, h.PROGRAM, "--batch", "--port", "COM2", "--image", path],
                             capture_output=True, text=True, timeout=60, preexec_fn=limit)
        took = time.monotonic() - start
        err = run.stderr.strip()
        check(run.returncode == 7, f"{path}: exit code 7, got {run.returncode} ({err})")
        check(took < 3, f"{path}: refused {took:.2f} s after the start")
        check(len(err.splitlines()) == 1 and path in err and says in err, f"{path}: one line saying '{says}', got {err!r}")
        print(f"{path}: exit {run.returncode} in {took:.2f} s: {err}")
    peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss // 1024
    check(peak < 400, f"no refusal reads without bound: peak {peak} MB")
    summary = instrument.verdict(ends_by_itself=False)
    check(summary["probeBytes"] == 0, f"nothing reached the instrument: {summary}")
    check(records() == [], f"no upgrade started, no record line: {records()}")


class PrivateLogind:
    """A private system bus with the stand-in for logind; its log lines are
    "inhibit WHAT|WHO|WHY|MODE MS" and "release MS" on the monotonic clock."""

    def __init__(self, work):
        self.dir = tempfile.mkdtemp(prefix="bus.", dir="/tmp")  # a socket path has at most 107 bytes
        started = subprocess.run(
            ["bash", "-c", 'source "$1" && orvex_private_system_bus_start "$2" "$3" >/dev/null && '
             'echo "$DBUS_SYSTEM_BUS_ADDRESS" && echo "$ORVEX_LOGIN1_LOG"', "bus", BUS_HELPER, self.dir, h.STANDIN],
            capture_output=True, text=True, check=True)
        self.address, self.log = started.stdout.split()
        os.environ["DBUS_SYSTEM_BUS_ADDRESS"] = self.address

    def events(self):
        with open(self.log) as f:
            return [line.split(" ", 1)[0] for line in f if line.startswith(("inhibit", "release"))]

    def lines(self):
        with open(self.log) as f:
            return [line.strip() for line in f]

    def close(self):
        subprocess.run(["bash", "-c", 'source "$1" && orvex_private_system_bus_cleanup "$2"', "bus", BUS_HELPER,
                        self.dir])


def link_com2(target):
    ports = os.path.join(os.environ["XDG_CONFIG_HOME"], "orvex-programmer", "ports")
    os.makedirs(ports, exist_ok=True)
    os.symlink(target, os.path.join(ports, "COM2.new"))
    os.replace(os.path.join(ports, "COM2.new"), os.path.join(ports, "COM2"))


def first_probe_byte_then_sigterm():
    """A line that notes when the first probe byte arrives, then the program is stopped."""
    master, slave = os.openpty()
    tty.setraw(slave)
    link_com2(os.ttyname(slave))
    program = batch(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.read(master, 1)
    first_byte_ms = time.monotonic() * 1000
    program.send_signal(signal.SIGTERM)
    code, _ = wait_bounded(program, 30)
    os.close(master)
    os.close(slave)
    return code, first_byte_ms


def case_sleep_inhibitor(work):
    """The machine is kept awake from before the first probe byte to every end."""
    logind = PrivateLogind(work)
    try:
        code, first_byte_ms = first_probe_byte_then_sigterm()
        check(code == 143, f"interrupted: exit code 143, got {code}")
        lines = logind.lines()
        inhibit = [line for line in lines if line.startswith("inhibit")]
        check(inhibit and inhibit[0].startswith("inhibit sleep:idle|ORVEX-A/B Firmware Programmer|"
                                                "Writing firmware into the instrument on COM2|block "),
              f"the inhibitor's strings: {lines}")
        check(inhibit and float(inhibit[0].split()[-1]) <= first_byte_ms,
              f"taken before the first probe byte at {first_byte_ms:.1f} ms: {lines}")
        check(logind.events() == ["inhibit", "release"], f"released when interrupted: {lines}")

        instrument = Instrument(work, *FAST)
        code, _ = wait_bounded(batch(stdout=subprocess.DEVNULL), 90)
        instrument.verdict()
        check(code == 0 and logind.events() == ["inhibit", "release"] * 2, f"complete: {code}, {logind.lines()}")

        link_com2("/dev/null")
        code, _ = wait_bounded(batch(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL), 30)
        check(code == 5 and logind.events() == ["inhibit", "release"] * 3, f"port error: {code}, {logind.lines()}")
        check([r["outcome"] for r in records()] == ["interrupted", "complete", "port-error"], f"records {records()}")
    finally:
        logind.close()


CASES = {
    "sleep-inhibitor": case_sleep_inhibitor,
    "closed-pipe": case_closed_pipe,
    "sigint-mid-image": interrupt_mid_image(signal.SIGINT),
    "sigterm-mid-image": interrupt_mid_image(signal.SIGTERM),
    "sighup-mid-image": interrupt_mid_image(signal.SIGHUP),
    "sigterm-during-probe": case_sigterm_during_probe,
    "bad-images": case_bad_images,
}



if __name__ == "__main__":
    h.run(CASES)
