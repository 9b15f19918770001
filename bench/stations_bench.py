#!/usr/bin/env python3
"""N ports from one command against N simulated instruments: every line's
efficiency, whether every image arrived valid, and what the watching program
itself costs (its own CPU time, read from /proc while it runs, children not
counted).

Usage: bench/stations_bench.py PROGRAM INSTRUMENT_SIM [PORTS] [BAUD]
       e.g. build/normal/app/orvex-programmer build/normal/tools/sim/instrument-sim 12 115200
"""
import json
import os
import subprocess
import sys
import tempfile
import time

TICKS = os.sysconf("SC_CLK_TCK")


def own_cpu_seconds(pid):
    """utime + stime of the process alone (fields 14 and 15 of /proc/PID/stat)."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def main():
    program, sim = sys.argv[1:3]
    ports = int(sys.argv[3]) if len(sys.argv) > 3 else 12
    baud = sys.argv[4] if len(sys.argv) > 4 else "115200"
    with tempfile.TemporaryDirectory(prefix="orvex-stations.") as work:
        os.environ["XDG_CONFIG_HOME"] = os.path.join(work, "config")
        os.environ["XDG_STATE_HOME"] = os.path.join(work, "state")
        outs = [open(os.path.join(work, f"sim{n}.out"), "w+") for n in range(1, ports + 1)]
        sims = [subprocess.Popen([sim, "--link", f"COM{n}", "--baud", baud], stdout=outs[n - 1],
                                 stderr=subprocess.DEVNULL) for n in range(1, ports + 1)]
        links = os.path.join(work, "config", "orvex-programmer", "ports")
        while len(os.listdir(links) if os.path.isdir(links) else []) < ports:
            time.sleep(0.05)
        start = time.monotonic()
        watcher = subprocess.Popen([program, "--batch", "--port", f"COM1-COM{ports}"], stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, text=True)
        cpu = 0.0
        while watcher.poll() is None:
            try:
                cpu = own_cpu_seconds(watcher.pid)
            except (OSError, IndexError):
                pass
            time.sleep(0.5)
        wall = time.monotonic() - start
        output = watcher.stdout.read()
        for process in sims:
            process.wait(timeout=60)
        summaries = []
        for out in outs:
            out.seek(0)
            summaries.append(json.loads(out.read().splitlines()[-1]))
    efficiencies = [s.get("lineEfficiency", 0) for s in summaries]
    valid = sum(1 for s in summaries if s.get("valid"))
    retry = [line for line in output.splitlines() if line.startswith("retry the failed ports: ")]
    print(retry[0] if retry else "every port complete")
    print(f"{ports} ports at {baud} baud: exit {watcher.returncode}, {valid} of {ports} images valid, "
          f"line efficiency {min(efficiencies) * 100:.2f}-{max(efficiencies) * 100:.2f} %, {wall:.1f} s; "
          f"the watching program: {cpu:.2f} s CPU ({100 * cpu / wall:.2f} % of one core)")
    sys.exit(0 if watcher.returncode == 0 and valid == ports else 1)


if __name__ == "__main__":
    main()
