#!/usr/bin/env python3
"""The virtual bench's cases: the real program inside one guest (tests/vm/guest.py)
on the kernel's serial drivers, against instrument-sim here on each line's far
end (or in the guest, for the USB gadget). Each case is judged by what the
simulator received, the exit code and the upgrade record. Exit 1 when a case fails.

  bench.py --kernel VMLINUZ --initrd CPIO --build BUILD --share DIR [CASE...]
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
        self.build = os.path.abspath(args.build)
        self.share = os.path.abspath(args.share)
        self.program = os.path.join(self.build, "app", "orvex-programmer")
        self.sim = os.path.join(self.build, "tools", "sim", "instrument-sim")
        self.firmware = os.path.join(self.build, "firmware", "firmware.srec")
        self.short = os.path.join(self.share, "short.srec")
        self.state = os.path.join(self.share, "state")
        self.failures = []
        self.guest = None

    def prepare(self):
        shutil.rmtree(self.share, ignore_errors=True)
        os.makedirs(self.state)
        make = os.path.join(self.build, "tools", "image", "make-firmware-image")
        subprocess.run([make, "--size", "230000", "--output", self.short], check=True)

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

    def last_record(self):
        records = self.records()
        return records[-1] if records else {}

    def pty(self, label):
        return self.guest.ptys[label]

    def out(self, name):
        return os.path.join(self.share, name)


def upgrade_through(bench, case, port, device, pty, baud, image):
    """A whole upgrade through one line; returns the simulator's summary."""
    bench.run(f"vm_link {port} {device}")
    sim = Sim(bench, pty, baud, image)
    rc, lines = bench.run(f"{bench.program} --batch --port {port} --image {image} --json "
                          f">{bench.out(case + '.json')} 2>&1")
    summary = sim.summary()
    record = bench.last_record()
    ok = (rc == 0 and summary.get("valid") and summary.get("matchesExpected")
          and record.get("outcome") == "complete" and record.get("device") == device)
    bench.check(case, ok, f"exit {rc}, image valid {summary.get('valid')}, "
                f"{summary.get('bytes')} bytes at {baud} baud, line efficiency "
                f"{summary.get('lineEfficiency')}, record {record.get('outcome')} on {record.get('device')}")
    return summary


def case_uart_upgrade(bench):
    upgrade_through(bench, "uart-upgrade", "COM2", "/dev/ttyS1", bench.pty(vm.UARTS[0]), 115200, bench.short)


def case_adapter_upgrade(bench):
    upgrade_through(bench, "adapter-upgrade", "COM5", "/dev/ttyUSB0", bench.pty(vm.ADAPTERS[0][1]), FAST,
                    bench.firmware)
    record = bench.last_record()
    adapter = record.get("adapter", {})
    bench.check("adapter-in-record", adapter == {"vendorId": "0403", "productId": "6001", "serial": "ORVX0001"},
                f"record's adapter {adapter}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--kernel", required=True)
    parser.add_argument("--initrd", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--share", required=True)
    parser.add_argument("cases", nargs="*")
    args = parser.parse_args()
    cases = {name[5:].replace("_", "-"): f for name, f in globals().items() if name.startswith("case_")}
    chosen = args.cases or list(cases)
    unknown = [c for c in chosen if c not in cases]
    if unknown:
        print(f"bench.py: no case {' '.join(unknown)} (cases: {' '.join(cases)})")
        return 2
    bench = Bench(args)
    bench.prepare()
    started = time.monotonic()
    try:
        bench.guest = vm.boot(args.kernel, args.initrd, bench.share)
        for name in chosen:
            case_started = time.monotonic()
            try:
                cases[name](bench)
            except (vm.GuestError, KeyError, OSError, subprocess.SubprocessError) as e:
                bench.check(name, False, f"{type(e).__name__}: {e}")
            print(f"     {name}: {time.monotonic() - case_started:.1f} s", flush=True)
    except vm.GuestError as e:
        bench.check("boot", False, str(e))
    finally:
        if bench.guest:
            bench.guest.close()
    print(f"virtual bench: {time.monotonic() - started:.0f} s, "
          f"{'all cases passed' if not bench.failures else 'FAILED: ' + ' '.join(bench.failures)}")
    return 1 if bench.failures else 0


if __name__ == "__main__":
    sys.exit(main())
