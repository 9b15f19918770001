"""What the batch-mode scripts share: the program and the simulator they were
given, the simulated instrument on COM2, the upgrade record, and the run of
one case in a private configuration and state folder.

A script calls run(CASES): with --list it prints the case names (for CMake),
else it runs the case named by its last argument.
"""
import json
import os
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from record_lines import records  # noqa: E402  (the scripts import it from here)

# Set by run() from the command line: PROGRAM INSTRUMENT_SIM IMAGE_TOOL LOGIN1_STANDIN CASE
PROGRAM = SIM = IMAGE_TOOL = STANDIN = CASE = ""
FAST = ["--baud", "1843200"]
IMAGE_BYTES = 2281784
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print(f"FAIL {CASE}: {what}", file=sys.stderr)


def default_signals():
    """A program started in the background by a shell would ignore SIGINT."""
    for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT):
        signal.signal(number, signal.SIG_DFL)


class Instrument:
    def __init__(self, work, *options, port="COM2"):
        self.out = open(os.path.join(work, f"sim-{port}.out"), "w+")
        self.process = subprocess.Popen([SIM, "--link", port, *options], stdout=self.out,
                                        stderr=subprocess.DEVNULL)
        link = os.path.join(os.environ["XDG_CONFIG_HOME"], "orvex-programmer", "ports", port)
        deadline = time.monotonic() + 30
        while not os.path.islink(link):
            check(self.process.poll() is None and time.monotonic() < deadline, "the simulator starts")
            if failures:
                sys.exit(1)
            time.sleep(0.05)

    def verdict(self, ends_by_itself=True):
        """The instrument's summary once it ended (it ends by itself on a whole image)."""
        try:
            self.process.wait(timeout=30 if ends_by_itself else 0)
        except subprocess.TimeoutExpired:
            self.process.send_signal(signal.SIGINT)
            self.process.wait()
        self.out.seek(0)
        return json.loads(self.out.read().splitlines()[-1])


def batch(*options, **popen):
    return subprocess.Popen([PROGRAM, "--batch", "--port", "COM2", *options], preexec_fn=default_signals,
                            text=True, **popen)


def wait_bounded(process, bound):
    start = time.monotonic()
    try:
        process.wait(timeout=bound)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        check(False, f"the program still ran after {bound} s")
    return process.returncode, time.monotonic() - start



def run(cases):
    global PROGRAM, SIM, IMAGE_TOOL, STANDIN, CASE
    if sys.argv[1:] == ["--list"]:
        print("\n".join(cases))
        return
    PROGRAM, SIM, IMAGE_TOOL, STANDIN, CASE = sys.argv[1:6]
    with tempfile.TemporaryDirectory(prefix="orvex-batch.") as work:
        os.environ["XDG_CONFIG_HOME"] = os.path.join(work, "config")
        os.environ["XDG_STATE_HOME"] = os.path.join(work, "state")
        cases[CASE](work)
    print(f"{CASE}: {'ok' if not failures else 'FAILED'}")
    sys.exit(1 if failures else 0)
