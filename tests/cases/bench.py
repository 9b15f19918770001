#!/usr/bin/env python3
"""The virtual bench: the real program inside one QEMU guest (tests/harness/guest.py)
on the kernel's serial drivers (two 16550A UARTs, two FTDI adapters on xHCI, a CDC
ACM port through the USB gadget), against instrument-sim here on each line's far
end, or in the guest for the gadget. All cases share one boot; each is judged by
what the simulator received, the exit code and the upgrade record. Exit 1 when a
case fails. The Windows programs' cases ("wine") share a boot of their own.

  bench.py --kernel VMLINUZ --initrd CPIO --build BUILD --share DIR
           [--exe EXE --wine-prefix PREFIX] [CASE...]
"""
import argparse
import json
import os
import shlex
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import guest as vm  # noqa: E402
from core import Build  # noqa: E402
from wine import WINE_SH, windows_path  # noqa: E402

FAST = 16 * 115200
UART1, UART2 = ("COM2", "/dev/ttyS1", "serial1", 115200), ("COM3", "/dev/ttyS2", "serial2", 115200)
USB1, USB2 = ("COM5", "/dev/ttyUSB0", "usb0", FAST), ("COM6", "/dev/ttyUSB1", "usb1", FAST)
SERIALS = {"usb0": ("ftdi0", "ORVX0001"), "usb1": ("ftdi1", "ORVX0002")}


class Bench:
    def __init__(self, args):
        build, self.share = Build(os.path.realpath(args.build)), os.path.realpath(args.share)
        self.build, self.program, self.sim, self.firmware = build.folder, build.program, build.sim, build.firmware
        self.short, self.tiny = os.path.join(self.share, "short.srec"), os.path.join(self.share, "tiny.srec")
        self.state = os.path.join(self.share, "state")
        self.exe = os.path.realpath(args.exe) if args.exe else ""
        self.wine_template = os.path.realpath(args.wine_prefix) if args.wine_prefix else ""
        self.wine_prefix = os.path.join(self.share, "wine")
        self.failures, self.guest, self.sims = [], None, []
        shutil.rmtree(self.share, ignore_errors=True)
        os.makedirs(self.state)
        for path, size in ((self.short, 230000), (self.tiny, 57500)):  # 20 s and 5 s at 115200
            subprocess.run([build.image_tool, "--size", str(size), "--output", path], check=True, stdout=subprocess.DEVNULL)

    def check(self, case, ok, detail):
        print(f"{'PASS' if ok else 'FAIL'} {case}: {detail}", flush=True)
        if not ok:
            self.failures.append(case)

    def run(self, command, timeout=120, on_line=None):
        return self.guest.run(f"XDG_STATE_HOME={shlex.quote(self.state)} {command}", timeout, on_line)

    def records(self, prefix=None):
        path = (os.path.join(prefix, "drive_c", "users", "root", "AppData", "Local", "ORVEX", "upgrades.jsonl")
                if prefix else os.path.join(self.state, "orvex-programmer", "upgrades.jsonl"))
        with open(path if os.path.exists(path) else os.devnull, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]

    def sim_on(self, label, baud, image):
        """instrument-sim on the far end of a guest's line; its summary once it ended."""
        process = subprocess.Popen([self.sim, "--device", self.guest.ptys[label], "--baud", str(baud), "--expect",
                                    image], stdout=subprocess.PIPE, text=True)
        self.sims.append(process)
        process.stdout.readline()  # the device, once it is open
        return process

    def pull_on_cue(self, label):
        """A hook for the guest's lines that pulls the adapter when one says "@@pull"; the
        list beside it holds when."""
        pulled = []

        def pull(line):
            if line == "@@pull":
                pulled.append(time.monotonic())
                self.guest.monitor(f"device_del {SERIALS[label][0]}")
        return pull, pulled


def summary(process, stop=False):
    try:
        out, _ = process.communicate(timeout=0 if stop else 60)
    except subprocess.TimeoutExpired:
        process.terminate()
        out, _ = process.communicate()
    lines = [line for line in out.splitlines() if line.startswith("{")]
    return json.loads(lines[-1]) if lines else {}


def ports_upgrade(bench, case, ports, image, action="true", exe=None):
    """One command upgrading every line of `ports` at once (the Windows program `exe`
    under Wine where given), with a trace; ACTION runs in the guest once under way.
    The simulators' summaries, the new record lines by port, the guest's lines, the status."""
    prefix = bench.wine_prefix if exe else None
    before = len(bench.records(prefix))
    sims = []
    for port, device, label, baud in ports:
        if not exe:
            bench.run(f"side link {port} {device}")
        sims.append(bench.sim_on(label, baud, image))
    args = " ".join(f"--port {p[0]}" for p in ports)
    out, trace = os.path.join(bench.share, case + ".json"), os.path.join(bench.share, case + ".trace")
    if exe:
        command = (f"side wine {prefix} {exe} {out} 1 {shlex.quote(action)} -- {args} --image "
                   f"{shlex.quote(windows_path(vm.guest_path(image, bench.share)))} --trace "
                   f"{shlex.quote(windows_path(vm.guest_path(trace, bench.share)))}")
    else:
        command = (f"side upgrade {out} 1 {shlex.quote(action)} -- {bench.program} --batch {args} --image {image} "
                   f"--trace {trace}")
    rc, lines = bench.run(command, timeout=300)
    summaries = [summary(s) for s in sims]
    records = {r["port"]: r for r in bench.records(prefix)[before:]}
    valid = [s.get("valid") and s.get("matchesExpected") for s in summaries]
    ok = rc == 0 and all(valid) and sorted(records) == sorted(p[0] for p in ports) and all(
        records[p[0]].get("outcome") == "complete" and (exe or records[p[0]].get("device") == p[1]) for p in ports)
    bench.check(case, ok, f"exit {rc}, images valid {valid}, line efficiency "
                f"{[s.get('lineEfficiency') for s in summaries]}, records {[(p, r.get('outcome')) for p, r in records.items()]}")
    return records, lines, trace


def tool(bench, name):
    return os.path.join(bench.build, "tests", "vm", name)


def case_four_ports(bench):
    """Two UARTs at the true 115200 and two adapters at 16 x 115200 from one command: four
    valid images and lines; DTR raised while the program holds the UART (read in the guest:
    a pty has no modem lines); each adapter's record names its USB device."""
    side = os.path.join(vm.HERE_TREE, "tests", "harness", "guest_side.py")  # the action runs in sh: no `side` there
    records, lines, _ = ports_upgrade(bench, "four-ports", [UART1, UART2, USB1, USB2], bench.tiny,
                                      f"echo @@lines $(/usr/bin/python3 -B {side} modem-lines /dev/ttyS1)")
    held = next((line[len("@@lines "):] for line in lines if line.startswith("@@lines ")), "")
    bench.check("uart-dtr", "DTR" in held.split(), f"modem lines while the program held /dev/ttyS1: {held!r}")
    adapters = [records.get(p, {}).get("adapter") for p in ("COM5", "COM6")]
    bench.check("adapters-in-record", adapters == [{"vendorId": "0403", "productId": "6001", "serial": s}
                                                  for s in ("ORVX0001", "ORVX0002")], f"records' adapters {adapters}")


def case_line_settings(bench):
    """Every line setting of the program's tables applied and read back by GetCommState and
    from the driver's own flags; 1.5 stop bits refused."""
    rc, lines = bench.run(f"side link COM2 /dev/ttyS1 && {tool(bench, 'vm-line-settings')} COM2 /dev/ttyS1")
    bench.check("line-settings", rc == 0, "; ".join(lines[-4:]))


def case_ports_listed(bench):
    """--list-ports names each adapter (maker, product, USB ids, serial number), and COM4,
    a slot with no UART behind it, as missing; opening it ends like a missing port."""
    bench.run("side link COM5 /dev/ttyUSB0 && side link COM6 /dev/ttyUSB1")
    rc, listed = bench.run(f"{bench.program} --list-ports COM4-COM6")
    want = [f"{f'COM{5 + i}':<7}/dev/ttyUSB{i}  [free]  QEMU QEMU USB SERIAL, USB 0403:6001, serial {serial}"
            for i, serial in enumerate(("ORVX0001", "ORVX0002"))]
    bench.check("list-adapters", rc == 0 and listed[1:3] == want, f"exit {rc}, {listed[1:3]}")
    rc, lines = bench.run(f"{bench.program} --batch --port COM4 2>&1")
    bench.check("ghost-uart", listed[:1] and "[missing: no UART behind it]" in listed[0] and rc == 5 and
                "orvex-programmer: Error Create File " in lines, f"listed {listed[:1]}, opening it: exit {rc}")


def case_cdc_acm(bench):
    """A whole upgrade through /dev/ttyACM0 (cdc_acm), then the gadget disconnected mid-image
    (its controller's soft_connect), as a pulled cable of that class: exit 1, port-failed."""
    for case, image, percent, action, want in (
            ("cdc-acm-upgrade", bench.short, 100, "true", (0, "complete")),
            ("cdc-acm-disconnect", bench.firmware, 30, "echo disconnect >/sys/class/udc/dummy_udc.0/soft_connect",
             (1, "port-failed"))):
        before, started = len(bench.records()), time.monotonic()
        rc, lines = bench.run(f"side gadget {os.path.join(bench.share, case + '.json')} {percent} "
                              f"{shlex.quote(action)} {bench.sim} {FAST} {image} -- {bench.program} --batch", 120)
        sim = json.loads(next((line[6:] for line in lines if line.startswith("@@sim {")), "{}"))
        record = (bench.records()[before:] or [{}])[0]
        bench.check(case, (rc, record.get("outcome")) == want and time.monotonic() - started < 90 and
                    record.get("device") == "/dev/ttyACM0" and (rc != 0 or sim.get("valid")),
                    f"exit {rc}, record {record.get('outcome')}, instrument got {sim.get('bytes')} bytes")
    bench.run("echo connect >/sys/class/udc/dummy_udc.0/soft_connect")


def pulled(bench, case, label, command, prefix=None):
    """The adapter `label` pulled mid-image (QEMU's device_del) under `command`: exit 1
    within a bound of the pull, one port-failed line, no hang."""
    before = len(bench.records(prefix))
    sim = bench.sim_on(label, FAST, bench.firmware)
    pull, when = bench.pull_on_cue(label)
    rc, lines = bench.run(command, timeout=240, on_line=pull)
    ended = time.monotonic() - when[0] if when else -1
    got = summary(sim, stop=True)
    record = (bench.records(prefix)[before:] or [{}])[0]
    bench.check(case, rc == 1 and record.get("outcome") == "port-failed" and 0 <= ended < 30,
                f"exit {rc} {ended:.1f} s after the pull, record {record.get('outcome')}, instrument got "
                f"{got.get('bytes')} bytes; {' | '.join(lines[-2:])}")


def case_adapter_pulled(bench):
    bench.run("side link COM5 /dev/ttyUSB0")
    pulled(bench, "adapter-pulled", "usb0", f"side upgrade {os.path.join(bench.share, 'pulled.json')} 30 "
           f"'echo @@pull' -- {bench.program} --batch --port COM5")


def wine_ready(bench):
    if not (bench.exe and bench.wine_template):
        raise OSError("the Wine cases need --exe and --wine-prefix (scripts/lib/vm_stage.sh: orvex_vm_wine_prefix)")
    if not os.path.exists(bench.wine_prefix):  # a copy on the share: too big for the guest's memory
        subprocess.run(["bash", "-c", 'source "$1" && orvex_copy_prefix "$2" "$3"', "wine", WINE_SH,
                        bench.wine_template, bench.wine_prefix], check=True)


def check_dtr(bench, case, trace, ports):
    for port in ports:  # one port's trace is the file named, each of many ports' has its name added
        path = f"{trace}.{port}" if len(ports) > 1 else trace
        with open(path if os.path.exists(path) else os.devnull, encoding="utf-8", errors="replace") as f:
            dtr = [line.strip() for line in f if "DTR" in line]
        bench.check(f"{case}-dtr-{port}", any(line.endswith("raise DTR -> ok") for line in dtr),
                    f"the guest's port has modem lines, which a pty has not: {dtr[:1]}")


def case_wine_two_ports(bench):
    """The 64-bit Windows program, one command for the UART (COM2) and the adapter (COM5)."""
    wine_ready(bench)
    _, _, trace = ports_upgrade(bench, "wine-two-ports", [UART1, USB1], bench.short, exe=bench.exe)
    check_dtr(bench, "wine-two-ports", trace, ("COM2", "COM5"))


def case_wine_adapter_pulled(bench):
    wine_ready(bench)
    pulled(bench, "wine-adapter-pulled", "usb1", f"side wine {bench.wine_prefix} {bench.exe} "
           f"{os.path.join(bench.share, 'wine-pulled.json')} 30 'echo @@pull' -- --port COM6", bench.wine_prefix)


def main():
    parser = argparse.ArgumentParser()
    for option in ("--kernel", "--initrd", "--build", "--share"):
        parser.add_argument(option, required=True)
    for option in ("--exe", "--wine-prefix"):
        parser.add_argument(option)
    parser.add_argument("cases", nargs="*")
    args = parser.parse_args()
    cases = {name[5:].replace("_", "-"): f for name, f in globals().items() if name.startswith("case_")}
    wine = [name for name in cases if name.startswith("wine")]
    chosen = [n for c in args.cases for n in (wine if c == "wine" else [c])] or [n for n in cases if n not in wine]
    unknown = [c for c in chosen if c not in cases]
    if unknown:
        print(f"bench.py: no case {' '.join(unknown)} (cases: {' '.join(cases)})")
        return 2
    bench, started = Bench(args), time.monotonic()
    try:
        bench.guest = vm.boot(args.kernel, args.initrd, bench.share)
        for at, name in enumerate(chosen):
            began = time.monotonic()
            try:
                cases[name](bench)
            except (KeyError, OSError, subprocess.SubprocessError, ValueError) as e:
                bench.check(name, False, f"{type(e).__name__}: {e}")
            except vm.GuestError as e:  # a command still running there would answer for the next case
                for left in chosen[at:]:
                    bench.check(left, False, f"the guest stopped answering: {e}")
                break
            print(f"     {name}: {time.monotonic() - began:.1f} s", flush=True)
    except vm.GuestError as e:
        bench.check("boot", False, str(e))
    finally:
        if bench.guest:
            bench.guest.close()
        for process in bench.sims:
            if process.poll() is None:
                process.kill()
            process.wait()
    print(f"virtual bench: {time.monotonic() - started:.0f} s, "
          f"{'all cases passed' if not bench.failures else 'FAILED: ' + ' '.join(bench.failures)}")
    return 1 if bench.failures else 0


if __name__ == "__main__":
    sys.exit(main())
