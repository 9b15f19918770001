#!/usr/bin/env python3
"""The virtual bench's cases: the real program inside one guest (tests/vm/guest.py)
on the kernel's serial drivers, against instrument-sim here on each line's far
end (or in the guest, for the USB gadget). Each case is judged by what the
simulator received, the exit code and the upgrade record. Exit 1 when a case fails.

  bench.py --kernel VMLINUZ --initrd CPIO --build BUILD --share DIR
           [--exe ORVEX_DIALOG1.EXE --exe32 ORVEX_DIALOG1.EXE --wine-prefix PREFIX] [CASE...]
Without cases, every case but the Wine ones (wine*); the case "wine" names those.
"""
import argparse
import json
import os
import shlex
import shutil
import subprocess
import sys
import time

import guest as vm

FAST = 16 * 115200


class Sim:
    """instrument-sim on a tty here (the far end of a guest's line)."""

    def __init__(self, bench, device, baud, expect):
        self.process = subprocess.Popen(
            [bench.sim, "--device", device, "--baud", str(baud), "--expect", expect],
            stdout=subprocess.PIPE, text=True)
        bench.sims.append(self.process)  # ended with the bench, should a case end early
        self.process.stdout.readline()  # the device, once it is open

    def summary(self, timeout=60):
        try:
            out, _ = self.process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.terminate()
            out, _ = self.process.communicate()
        lines = [line for line in out.splitlines() if line.startswith("{")]
        return json.loads(lines[-1]) if lines else {}

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
        return self.summary()


class Bench:
    def __init__(self, args):
        self.build = os.path.realpath(args.build)
        self.share = os.path.realpath(args.share)
        self.program = os.path.join(self.build, "app", "orvex-programmer")
        self.sim = os.path.join(self.build, "tools", "sim", "instrument-sim")
        self.firmware = os.path.join(self.build, "firmware", "firmware.srec")
        self.short = os.path.join(self.share, "short.srec")  # 20 s at 115200
        self.tiny = os.path.join(self.share, "tiny.srec")  # 5 s at 115200, for what checks the ports, not the line
        self.state = os.path.join(self.share, "state")
        self.exe = os.path.realpath(args.exe) if args.exe else ""
        self.exe32 = os.path.realpath(args.exe32) if args.exe32 else ""
        self.wine_template = os.path.realpath(args.wine_prefix) if args.wine_prefix else ""
        self.wine_prefix = os.path.join(self.share, "wine")
        self.failures = []
        self.guest = None
        self.sims = []

    def prepare(self):
        shutil.rmtree(self.share, ignore_errors=True)
        os.makedirs(self.state)
        make = os.path.join(self.build, "tools", "image", "make-firmware-image")
        subprocess.run([make, "--size", "230000", "--output", self.short], check=True)
        subprocess.run([make, "--size", "57500", "--output", self.tiny], check=True)

    def prepare_wine(self):
        """A fresh copy of the prefix on the share (1.3 GB, too big for the guest's memory), and its server."""
        if not (self.exe and self.wine_template):
            raise OSError("the Wine cases need --exe and --wine-prefix (scripts/lib/vm_stage.sh: orvex_vm_wine_prefix)")
        if not os.path.exists(self.wine_prefix):
            subprocess.run(["cp", "-a", self.wine_template, self.wine_prefix], check=True)
            rc, lines = self.run(f"vm_wine_server {self.wine_prefix}")
            if rc != 0:
                raise OSError(f"Wine's server did not start in the guest: {lines[-3:]}")

    def wine_records(self):
        path = os.path.join(self.wine_prefix, "drive_c", "users", "root", "AppData", "Local", "ORVEX",
                            "upgrades.jsonl")
        if not os.path.exists(path):
            return []
        with open(path, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]

    def check(self, case, ok, detail):
        print(f"{'PASS' if ok else 'FAIL'} {case}: {detail}", flush=True)
        if not ok:
            self.failures.append(case)

    def run(self, command, timeout=120, on_line=None):
        env = f"XDG_STATE_HOME={shlex.quote(self.state)}"
        return self.guest.run(f"{env} {command}", timeout, on_line)

    def records(self):
        path = os.path.join(self.state, "orvex-programmer", "upgrades.jsonl")
        if not os.path.exists(path):
            return []
        with open(path, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]

    def record_since(self, count):
        """The one record line written since there were COUNT; {} when there is not exactly one."""
        records = self.records()[count:]
        return records[0] if len(records) == 1 else {}

    def pty(self, label):
        return self.guest.ptys[label]

    def out(self, name):
        return os.path.join(self.share, name)


def upgrade_through(bench, case, port, device, pty, baud, image, action=""):
    """A whole upgrade through one line; returns the guest's lines. ACTION runs
    in the guest once the image is under way."""
    bench.run(f"vm_link {port} {device}")
    before = len(bench.records())
    sim = Sim(bench, pty, baud, image)
    rc, lines = bench.run(f"vm_upgrade_then {bench.out(case + '.json')} 1 {shlex.quote(action or 'true')} "
                          f"{bench.program} --batch --port {port} --image {image}")
    summary = sim.summary()
    record = bench.record_since(before)
    ok = (rc == 0 and summary.get("valid") and summary.get("matchesExpected")
          and record.get("outcome") == "complete" and record.get("device") == device)
    bench.check(case, ok, f"exit {rc}, image valid {summary.get('valid')}, "
                f"{summary.get('bytes')} bytes at {baud} baud, line efficiency "
                f"{summary.get('lineEfficiency')}, record {record.get('outcome')} on {record.get('device')}")
    return lines, record


def tool(bench, name):
    return os.path.join(bench.build, "tests", "vm", name)


def case_uart_upgrade(bench):
    lines, _ = upgrade_through(bench, "uart-upgrade", "COM2", "/dev/ttyS1", bench.pty(vm.UARTS[0]), 115200,
                            bench.short, f"echo @@lines $({tool(bench, 'vm-modem-lines')} /dev/ttyS1)")
    held = next((line[len("@@lines "):] for line in lines if line.startswith("@@lines ")), "")
    bench.check("uart-dtr", "DTR" in held.split(), f"modem lines while the program held /dev/ttyS1: {held!r}")


def case_adapter_upgrade(bench):
    _, record = upgrade_through(bench, "adapter-upgrade", "COM5", "/dev/ttyUSB0", bench.pty(vm.ADAPTERS[0][1]),
                                FAST, bench.firmware)
    adapter = record.get("adapter", {})
    bench.check("adapter-in-record", adapter == {"vendorId": "0403", "productId": "6001", "serial": "ORVX0001"},
                f"record's adapter {adapter}")


def case_line_settings(bench):
    rc, lines = bench.run(f"vm_link COM2 /dev/ttyS1 && {tool(bench, 'vm-line-settings')} COM2 /dev/ttyS1")
    bench.check("line-settings", rc == 0, "; ".join(lines[-4:]))


def case_ghost_uart(bench):
    """ttyS3: a slot the 8250 driver lists with no UART behind it (COM4 by default)."""
    rc, listed = bench.run(f"{bench.program} --list-ports COM4-COM4")
    listed_ok = rc == 0 and any(line.startswith("COM4") and "[missing: no UART behind it]" in line for line in listed)
    rc, lines = bench.run(f"{bench.program} --batch --port COM4 2>&1")
    bench.check("ghost-uart", listed_ok and rc == 5 and "orvex-programmer: Error Create File " in lines,
                f"listed {listed[:1]}, opening it: exit {rc}, {[line for line in lines if 'Error' in line]}")


def case_list_adapters(bench):
    bench.run("vm_link COM5 /dev/ttyUSB0 && vm_link COM6 /dev/ttyUSB1")
    rc, lines = bench.run(f"{bench.program} --list-ports COM5-COM6")
    wanted = [f"{f'COM{5 + i}':<7}/dev/ttyUSB{i}  [free]  QEMU QEMU USB SERIAL, USB 0403:6001, serial {serial}"
              for i, (_, _, serial) in enumerate(vm.ADAPTERS)]
    bench.check("list-adapters", rc == 0 and lines[:2] == wanted, f"exit {rc}, {lines[:2]}")


def case_four_ports(bench):
    ports = [("COM2", "/dev/ttyS1", vm.UARTS[0], 115200), ("COM3", "/dev/ttyS2", vm.UARTS[1], 115200),
             ("COM5", "/dev/ttyUSB0", vm.ADAPTERS[0][1], FAST), ("COM6", "/dev/ttyUSB1", vm.ADAPTERS[1][1], FAST)]
    before = len(bench.records())
    sims = []
    for port, device, label, baud in ports:
        bench.run(f"vm_link {port} {device}")
        sims.append(Sim(bench, bench.pty(label), baud, bench.tiny))
    args = " ".join(f"--port {port}" for port, *_ in ports)
    rc, lines = bench.run(f"{bench.program} --batch {args} --image {bench.tiny} >{bench.out('four-ports.txt')} 2>&1")
    summaries = [sim.summary() for sim in sims]
    records = bench.records()[before:]
    valid = [s.get("valid") and s.get("matchesExpected") for s in summaries]
    outcomes = sorted((r.get("port"), r.get("outcome")) for r in records)
    bench.check("four-ports", rc == 0 and all(valid) and outcomes == [(p, "complete") for p, *_ in ports],
                f"exit {rc}, images valid {valid}, efficiencies "
                f"{[s.get('lineEfficiency') for s in summaries]}, records {outcomes}")


def gadget_upgrade(bench, case, image, percent, action):
    """An upgrade through /dev/ttyACM0 (cdc_acm), instrument-sim on the gadget's /dev/ttyGS0 in the guest."""
    before = len(bench.records())
    rc, lines = bench.run(f"vm_gadget_upgrade {bench.out(case + '.json')} {percent} {shlex.quote(action)} "
                          f"{bench.sim} {FAST} {image} {bench.program} --batch", timeout=120)
    sim = next((line[len("@@sim "):] for line in lines if line.startswith("@@sim ")), "")
    return rc, json.loads(sim) if sim.startswith("{") else {}, bench.record_since(before)


def case_cdc_acm_upgrade(bench):
    rc, summary, record = gadget_upgrade(bench, "cdc-acm-upgrade", bench.short, 100, "true")
    ok = (rc == 0 and summary.get("valid") and summary.get("matchesExpected")
          and record.get("outcome") == "complete" and record.get("device") == "/dev/ttyACM0")
    bench.check("cdc-acm-upgrade", ok, f"exit {rc}, image valid {summary.get('valid')}, {summary.get('bytes')} bytes "
                f"at {FAST} baud, line efficiency {summary.get('lineEfficiency')}, record {record.get('outcome')} "
                f"on {record.get('device')}, adapter {record.get('adapter')}")


def case_cdc_acm_disconnect(bench):
    """The gadget disconnected mid-image (its controller's soft_connect), as a pulled cable of that class."""
    started = time.monotonic()
    # The whole image: a short one may be through before a busy guest acts on its progress.
    rc, summary, record = gadget_upgrade(bench, "cdc-acm-disconnect", bench.firmware, 30,
                                         "echo disconnect >/sys/class/udc/dummy_udc.0/soft_connect")
    took = time.monotonic() - started
    bench.check("cdc-acm-disconnect", rc == 1 and record.get("outcome") == "port-failed" and took < 60,
                f"exit {rc} after {took:.1f} s, record {record.get('outcome')} after {record.get('bytesSent')} "
                f"bytes, instrument got {summary.get('bytes')}")
    bench.run("echo connect >/sys/class/udc/dummy_udc.0/soft_connect")


def pull_on_cue(bench, device):
    """A hook for the guest's lines that pulls DEVICE (QEMU's device_del) when one
    says "@@pull"; the list it returns beside it holds when."""
    pulled = []

    def pull(line):
        if line == "@@pull":
            pulled.append(time.monotonic())
            bench.guest.monitor(f"device_del {device}")

    return pull, pulled


def case_adapter_pulled(bench):
    """The adapter pulled mid-image (QEMU's device_del): exit 1, a port-failed record, no hang."""
    bench.run("vm_link COM5 /dev/ttyUSB0")
    before = len(bench.records())
    sim = Sim(bench, bench.pty(vm.ADAPTERS[0][1]), FAST, bench.firmware)
    pull, pulled = pull_on_cue(bench, vm.ADAPTERS[0][0])

    rc, _ = bench.run(f"vm_upgrade_then {bench.out('adapter-pulled.json')} 30 'echo @@pull' "
                      f"{bench.program} --batch --port COM5", timeout=90, on_line=pull)
    ended = time.monotonic() - pulled[0] if pulled else -1
    summary = sim.stop()
    record = bench.record_since(before)
    bench.check("adapter-pulled", rc == 1 and record.get("outcome") == "port-failed" and 0 <= ended < 20,
                f"exit {rc} {ended:.1f} s after the pull, record {record.get('outcome')} after "
                f"{record.get('bytesSent')} bytes, instrument got {summary.get('bytes')}")


def case_dialog_pulled(bench):
    """The second adapter pulled mid-image under the dialog (Xvfb in the guest): its boxes, exit 1, no hang."""
    sim = Sim(bench, bench.pty(vm.ADAPTERS[1][1]), FAST, bench.firmware)
    pull, pulled = pull_on_cue(bench, vm.ADAPTERS[1][0])

    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "dialog_session.sh")
    rc, lines = bench.run(f"{script} {bench.program} /dev/ttyUSB1 {bench.out('screenshots')} 2>&1", timeout=240,
                          on_line=pull)
    summary = sim.stop()
    boxes = next((line for line in lines if line.startswith("boxes: ")), "no boxes")
    bench.check("dialog-pulled", rc == 0 and bool(pulled) and "dialog-pulled: passed" in lines,
                f"{boxes}; instrument got {summary.get('bytes')} bytes; " + " | ".join(lines[-3:]))


def windows_path(bench, path):
    """A file of the share as the Windows program in the guest names it."""
    return "Z:" + vm.guest_path(path, bench.share).replace("/", "\\")


def wine_upgrade(bench, case, exe, port, label, baud, image, percent=100, action="true", on_line=None):
    """The Windows program EXE under Wine in the guest, batch mode through PORT
    (mapped in the prefix), against the simulator on the line's far end LABEL.
    Returns (exit status, the simulator's summary, the one new record line or {}, the trace's DTR lines)."""
    bench.prepare_wine()
    before = len(bench.wine_records())
    sim = Sim(bench, bench.pty(label), baud, image)
    trace = bench.out(case + ".trace")
    rc, _ = bench.run(f"vm_wine_upgrade_then {bench.wine_prefix} {exe} {bench.out(case + '.json')} {percent} "
                      f"{shlex.quote(action)} --port {port} --image {shlex.quote(windows_path(bench, image))} "
                      f"--trace {shlex.quote(windows_path(bench, trace))}", timeout=240, on_line=on_line)
    summary = sim.stop() if rc != 0 else sim.summary()
    records = bench.wine_records()[before:]
    with open(trace, encoding="utf-8", errors="replace") if os.path.exists(trace) else open(os.devnull) as f:
        dtr = [line.strip() for line in f if "DTR" in line]
    return rc, summary, records[0] if len(records) == 1 else {}, dtr


def check_wine_upgrade(bench, case, exe, port, label, baud, image):
    """A whole upgrade, valid, and DTR raised: the guest's port has modem lines, which a pty has not."""
    rc, summary, record, dtr = wine_upgrade(bench, case, exe, port, label, baud, image)
    ok = (rc == 0 and summary.get("valid") and summary.get("matchesExpected") and record.get("outcome") == "complete"
          and any(line.endswith("raise DTR -> ok") for line in dtr))
    bench.check(case, ok, f"exit {rc}, image valid {summary.get('valid')}, {summary.get('bytes')} bytes at {baud} "
                f"baud, line efficiency {summary.get('lineEfficiency')}, record {record.get('outcome')}, "
                f"trace {dtr[:1]}")


def case_wine_uart_upgrade(bench):
    """The 64-bit Windows program on the UART /dev/ttyS1 (COM2)."""
    check_wine_upgrade(bench, "wine-uart-upgrade", bench.exe, "COM2", vm.UARTS[0], 115200, bench.short)


def case_wine_adapter_upgrade(bench):
    """The 64-bit Windows program on the FTDI adapter /dev/ttyUSB0 (COM5) at 16 x 115200."""
    check_wine_upgrade(bench, "wine-adapter-upgrade", bench.exe, "COM5", vm.ADAPTERS[0][1], FAST, bench.short)


def case_wine32_uart_upgrade(bench):
    """The 32-bit Windows program on the second UART /dev/ttyS2 (COM3)."""
    if not bench.exe32:
        # scripts/test gives none where this machine's kernel runs no 32-bit
        # programs: 32-bit Wine cannot be installed here for the guest to use.
        print("SKIP wine32-uart-upgrade: no 32-bit program given (--exe32)", flush=True)
        return
    check_wine_upgrade(bench, "wine32-uart-upgrade", bench.exe32, "COM3", vm.UARTS[1], 115200, bench.tiny)


def case_wine_adapter_pulled(bench):
    """The second adapter (COM6) pulled mid-image under the 64-bit Windows program: exit 1, port-failed, no hang."""
    pull, pulled = pull_on_cue(bench, vm.ADAPTERS[1][0])

    rc, summary, record, _ = wine_upgrade(bench, "wine-adapter-pulled", bench.exe, "COM6", vm.ADAPTERS[1][1], FAST,
                                          bench.firmware, 30, "echo @@pull", pull)
    ended = time.monotonic() - pulled[0] if pulled else -1
    bench.check("wine-adapter-pulled", rc == 1 and record.get("outcome") == "port-failed" and 0 <= ended < 30,
                f"exit {rc} {ended:.1f} s after the pull, record {record.get('outcome')} after "
                f"{record.get('bytesSent')} bytes, instrument got {summary.get('bytes')}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--kernel", required=True)
    parser.add_argument("--initrd", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--share", required=True)
    parser.add_argument("--exe", help="the 64-bit Windows program, for the Wine cases")
    parser.add_argument("--exe32", help="the 32-bit Windows program, for the Wine cases")
    parser.add_argument("--wine-prefix", help="a Wine prefix with COM2, COM3, COM5 and COM6 mapped to the guest's ports")
    parser.add_argument("cases", nargs="*")
    args = parser.parse_args()
    cases = {name[5:].replace("_", "-"): f for name, f in globals().items() if name.startswith("case_")}
    # The Windows programs under Wine share a boot of their own (stage vmwine):
    # "wine" names them all, and no case names every other.
    wine = [name for name in cases if name.startswith("wine")]
    chosen = [name for c in args.cases for name in (wine if c == "wine" else [c])]
    chosen = chosen or [name for name in cases if name not in wine]
    unknown = [c for c in chosen if c not in cases]
    if unknown:
        print(f"bench.py: no case {' '.join(unknown)} (cases: {' '.join(cases)})")
        return 2
    bench = Bench(args)
    bench.prepare()
    started = time.monotonic()
    try:
        bench.guest = vm.boot(args.kernel, args.initrd, bench.share)
        for at, name in enumerate(chosen):
            case_started = time.monotonic()
            try:
                cases[name](bench)
            except (KeyError, OSError, subprocess.SubprocessError) as e:
                bench.check(name, False, f"{type(e).__name__}: {e}")
            except vm.GuestError as e:
                # A command still running there would answer for the next case.
                bench.check(name, False, f"the guest stopped answering: {e}")
                for left in chosen[at + 1:]:
                    bench.check(left, False, "not run: the guest stopped answering")
                break
            print(f"     {name}: {time.monotonic() - case_started:.1f} s", flush=True)
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
