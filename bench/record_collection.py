#!/usr/bin/env python3
"""A collected upgrade record for timing --report: LINES record lines of the
program's own schema, spread over STATIONS files (one per station, as a site
gathers them), with units retried after failures and USB adapters by serial.

Usage: record_collection.py FOLDER [LINES] [STATIONS]
Then:  time orvex-programmer --report FOLDER >/dev/null
"""
import json
import os
import random
import sys

OUTCOMES = [("complete", 0, 0.90), ("probe-timeout", 3, 0.03), ("command-timeout", 4, 0.01),
            ("port-failed", 1, 0.02), ("transfer-failed", 6, 0.03), ("interrupted", 130, 0.01)]


def outcome(rng):
    pick = rng.random()
    for name, code, share in OUTCOMES:
        if pick < share:
            return name, code
        pick -= share
    return OUTCOMES[0][:2]


def line(rng, number, station, port):
    name, code = outcome(rng)
    start = 1764547200 + number * 30  # 2025-12-01, one upgrade every 30 s
    day, rest = divmod(start - 1764547200, 86400)
    started = f"2025-12-{1 + day % 28:02d}T{rest // 3600:02d}:{rest // 60 % 60:02d}:{rest % 60:02d}Z"
    seconds = round(rng.uniform(195, 215), 3) if name == "complete" else round(rng.uniform(1, 100), 3)
    record = {"v": 1, "started": started, "port": f"COM{port}", "device": f"/dev/ttyUSB{port - 1}",
              "imageBytes": 2281784, "imageSha256": "5f" * 32, "outcome": name, "status": "Upgrade complete!",
              "seconds": seconds, "bytesSent": 2281784, "program": "1.0.0.1", "host": f"station-{station}",
              "ended": started[:-1] + ".000Z", "exitCode": code, "probeAttempts": 1, "commandAttempts": 1,
              "station": f"bench {station}", "unit": f"SN{number // 3:07d}",
              "adapter": {"vendorId": "0403", "productId": "6001", "serial": f"FT{station:02d}{port:02d}"}}
    return json.dumps(record, separators=(",", ":"))


def main():
    folder = sys.argv[1]
    lines = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
    stations = int(sys.argv[3]) if len(sys.argv) > 3 else 20
    rng = random.Random(7)
    os.makedirs(folder, exist_ok=True)
    files = [open(os.path.join(folder, f"bench-{s:02d}.jsonl"), "w") for s in range(1, stations + 1)]
    for number in range(lines):
        station = number % stations + 1
        print(line(rng, number, station, number // stations % 16 + 1), file=files[station - 1])
    for f in files:
        f.close()


if __name__ == "__main__":
    main()
