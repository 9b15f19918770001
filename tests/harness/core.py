"""What every surface's cases share: the build's programs, a private
workspace, the simulated instrument, the program's runs and what they leave
(events, the record, the trace), and the table runner. Every step that can
fail says what failed: the command, its status and its error output."""
import hashlib
import json
import os
import signal
import subprocess
import sys
import tempfile
import time

IMAGE_BYTES = 2281784  # the embedded image
FAST = ["--baud", "1843200"]  # 16 x 115200: the image in about 13 s
PORT_ERROR = "Port Error!  Check COM port & Re-press 'YES' key!"
OTHER_DIGEST = "0123456789abcdef" * 4  # a pinned digest no image has
FAILURES = []


class Stop(Exception):
    """A step the case cannot go on without failed; its text says which and why."""


def check(ok, what):
    """Notes a failed expectation and goes on; returns ok."""
    if not ok:
        FAILURES.append(what)
        print(f"FAIL: {what}", file=sys.stderr, flush=True)
    return ok


def must(ok, what):
    if not ok:
        raise Stop(what)
    return ok


def default_signals():
    """A program started in the background by a shell would begin with SIGINT ignored."""
    for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT, signal.SIGPIPE):
        signal.signal(number, signal.SIG_DFL)


def step(argv, timeout=120, **kwargs):
    """Runs a helper command that must succeed; its output as text. The output goes
    through files: a daemon it starts (Wine's) would hold a pipe open after it ended."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        try:
            code = subprocess.run(argv, stdout=out, stderr=err, timeout=timeout, **kwargs).returncode
        except (OSError, subprocess.TimeoutExpired) as error:
            raise Stop(f"{' '.join(map(str, argv))}: {error}") from None
        out.seek(0)
        err.seek(0)
        text, complaint = (f.read().decode("utf-8", "replace") for f in (out, err))
    if code != 0:
        raise Stop(f"{' '.join(map(str, argv))}: status {code}: {complaint.strip()[-800:]}")
    return text


def wait_until(what, probe, timeout=60.0, every=0.05):
    """Polls probe() until it gives something true; Stop after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            result = probe()
        except Stop:
            raise
        except Exception:  # what is probed may change while it is read
            result = None
        if result:
            return result
        if time.monotonic() > deadline:
            raise Stop(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(every)


def private_bus(ws):
    """A D-Bus daemon of the case's own (session rules: this user only), ended with
    the case; its address, printed once it takes connections."""
    daemon = ws.start(["dbus-daemon", "--session", "--nofork", "--print-address=1"], stdout=subprocess.PIPE,
                      stderr=subprocess.DEVNULL, text=True)
    return must(daemon.stdout.readline().strip(), f"dbus-daemon printed no address (status {daemon.poll()})")


class Build:
    """The programs of one build tree (CTest passes its folder)."""

    def __init__(self, folder):
        self.folder = os.path.abspath(folder)
        self.program = self.path("app/orvex-programmer")
        self.sim = self.path("tools/sim/instrument-sim")
        self.image_tool = self.path("tools/image/make-firmware-image")
        self.firmware = self.path("firmware/firmware.srec")

    def path(self, relative):
        return os.path.join(self.folder, relative)


class Workspace:
    """A case's own folder, configuration and state: its ports, its record."""

    def __init__(self, build):
        self.build = build
        self.dir = tempfile.mkdtemp(prefix="orvex-case.")
        own = ("ORVEX_TRACE", "ORVEX_STATION", "ORVEX_EXPECT_SHA256")  # the program's settings: each case gives its own
        self.env = {k: v for k, v in os.environ.items() if k not in own} | dict(
            XDG_CONFIG_HOME=self.path("config"), XDG_STATE_HOME=self.path("state"), PYTHONDONTWRITEBYTECODE="1")
        self.ports = self.path("config", "orvex-programmer", "ports")
        self.record = self.path("state", "orvex-programmer", "upgrades.jsonl")
        self.processes = []
        self.cleanups = []  # run at the end of the case, last first
        self.args = []  # what the case's command line gives after its name

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def link(self, port, target):
        """COMn opens target, replaced in one step."""
        os.makedirs(self.ports, exist_ok=True)
        os.symlink(target, os.path.join(self.ports, port + ".new"))
        os.replace(os.path.join(self.ports, port + ".new"), os.path.join(self.ports, port))

    def records(self, path=None):
        try:
            with open(path or self.record, encoding="utf-8") as f:
                return [json.loads(line) for line in f if line.strip()]
        except FileNotFoundError:
            return []

    def outcomes(self):
        return [(r.get("port"), r.get("outcome")) for r in self.records()]

    def image(self, size, name="image.srec"):
        path = name if os.path.isabs(name) else self.path(name)
        step([self.build.image_tool, "--size", str(size), "--output", path])
        return path

    def start(self, argv, preexec_fn=lambda: None, **popen):
        """A process that ends with the case, whatever its outcome: the signals at
        their defaults first, then what preexec_fn sets."""
        process = subprocess.Popen(argv, env=popen.pop("env", self.env),
                                   preexec_fn=lambda: (default_signals(), preexec_fn()), **popen)
        self.processes.append(process)
        return process

    def close(self):
        for cleanup in reversed(self.cleanups):
            cleanup()
        for process in self.processes:
            if process.poll() is None:
                process.kill()
            process.wait()
        subprocess.run(["rm", "-rf", self.dir])


HOLDER = """import ctypes, fcntl, os, sys
if len(sys.argv) > 2:
    ctypes.CDLL(None).prctl(15, os.fsencode(sys.argv[2]), 0, 0, 0)  # PR_SET_NAME: how ps names it
fd = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
fcntl.flock(fd, fcntl.LOCK_EX)
print("held", flush=True)
sys.stdin.read()
"""


def hold(ws, port, name=None):
    """Another program holding the port for itself, named `name` where given."""
    process = ws.start([sys.executable, "-c", HOLDER, os.path.join(ws.ports, port), *([name] if name else [])],
                       stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    must(process.stdout.readline().strip() == "held", f"another program took {port}")
    return process


class Instrument:
    """The simulated instrument on COMn, a pty linked in the workspace."""

    def __init__(self, ws, *options, port="COM2", expect=True, link=True):
        """link=False: only the pty, for a case that maps it itself (under Wine)."""
        name = f"sim-{port}-{len(ws.processes)}"
        self.out = open(ws.path(name + ".out"), "w+", encoding="utf-8")
        where = ["--link", port] if link else []
        expected = ["--expect", ws.build.firmware] if expect else []
        self.err = ws.path(name + ".err")
        with open(self.err, "w") as err:
            self.process = ws.start([ws.build.sim, *where, *expected, *options], stdout=self.out, stderr=err)
        self.pty = wait_until(f"the simulator's pty for {port}", self._first_line, 30)

    def _first_line(self):
        if self.process.poll() is not None:
            with open(self.err) as err:
                raise Stop(f"the simulator ended at its start, status {self.process.returncode}: {err.read()}")
        self.out.seek(0)
        line = self.out.readline()
        return line.strip() if line.endswith("\n") else None

    def verdict(self, ends_by_itself=True):
        """The summary, once the simulator ended (by itself on a whole image, else stopped)."""
        try:
            self.process.wait(timeout=30 if ends_by_itself else 0)
        except subprocess.TimeoutExpired:
            self.process.send_signal(signal.SIGINT)
            self.process.wait()
        self.out.seek(0)
        lines = [line for line in self.out.read().splitlines() if line.startswith("{")]
        must(lines, f"the simulator printed no summary (status {self.process.returncode})")
        return json.loads(lines[-1])


class Run:
    """One run of the program to its end: exit code, output, seconds. The output
    goes to files, not pipes: daemons a program starts (Wine's) keep what they
    inherit open long after it ended."""

    def __init__(self, ws, argv, bound, env=None, **popen):
        began = time.monotonic()
        name = ws.path(f"run-{len(ws.processes)}")
        with open(name + ".out", "wb+") as out, open(name + ".err", "wb+") as err:
            process = ws.start(argv, stdin=subprocess.DEVNULL, stdout=out, stderr=err, env=env or ws.env, cwd=ws.dir,
                               **popen)
            try:
                process.wait(timeout=bound)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
                check(False, f"{' '.join(map(str, argv[:4]))}... still ran after {bound} s")
            out.seek(0)
            err.seek(0)
            self.out, self.err = (f.read().decode("utf-8", "replace") for f in (out, err))
        self.code, self.seconds = process.returncode, time.monotonic() - began

    def events(self, port=None):
        """Standard output as JSON Lines: each line one event, naming its port."""
        found = []
        for line in self.out.splitlines():
            try:
                found.append(json.loads(line))
            except ValueError:
                check(False, f"a line of the event stream that is not JSON: {line!r}")
        check(port is None or all(e.get("port") == port for e in found), f"each event names {port}")
        return found


def flat(record):
    """A record line's fields, a nested object's as "adapter.serial"."""
    return {f"{k}.{i}" if isinstance(v, dict) else k: w for k, v in record.items()
            for i, w in (v.items() if isinstance(v, dict) else [(None, v)])}


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def main(cases):
    """A surface's entry: --list prints the cases' names (for CMake); BUILD CASE [ARG...] runs one."""
    if sys.argv[1:] == ["--list"]:
        print("\n".join(cases))
        return
    build, name = Build(sys.argv[1]), sys.argv[2]
    ws = Workspace(build)
    ws.args = sys.argv[3:]
    began = time.monotonic()
    try:
        cases[name](ws)
    except Stop as error:
        check(False, str(error))
    finally:
        ws.close()
    took = time.monotonic() - began
    print(f"{name}: {'passed' if not FAILURES else 'FAILED'} in {took:.1f} s", flush=True)
    sys.exit(1 if FAILURES else 0)
