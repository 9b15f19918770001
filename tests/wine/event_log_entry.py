#!/usr/bin/env python3
"""Checks the one event log entry a Windows program run left in Wine's trace
(WINEDEBUG=-all,+eventlog,fixme+advapi) against the record line of that
upgrade. Prints what is wrong and fails; prints nothing when it is right.

Usage: event_log_entry.py TRACE_FILE RECORD_LINE EVENT_ID EVENT_TYPE
"""
import json
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from record_lines import flat  # noqa: E402

# The message table's inserts %1 to %21: the record's fields in its order.
INSERTS = ["v", "started", "port", "device", "imageBytes", "imageSha256", "outcome", "status", "seconds",
           "bytesSent", "program", "host", "ended", "exitCode", "probeAttempts", "commandAttempts", "station",
           "unit", "adapter.vendorId", "adapter.productId", "adapter.serial"]
CHANNELS = {1: "err", 2: "warn", 4: "trace"}  # how Wine's stub traces each event type
CALL = re.compile(r"fixme:advapi:ReportEventW \(\w+,0x(\w+),0x(\w+),0x(\w+),\w+,0x(\w+),0x(\w+),")
STRING = re.compile(r'^\w+:(\w+):eventlog:ReportEventW L"(.*)"$')


def unescape(text):
    """Wine's debugstr_w: backslash escapes, \\xNNNN for other characters."""
    return re.sub(r"\\(x[0-9a-fA-F]{4}|.)",
                  lambda m: chr(int(m.group(1)[1:], 16)) if m.group(1)[0] == "x" and len(m.group(1)) == 5
                  else {"n": "\n", "r": "\r", "t": "\t"}.get(m.group(1), m.group(1)), text)


def main():
    trace_file, line, want_id, want_type = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    trace = open(trace_file, encoding="utf-8", errors="replace").read().splitlines()
    calls = [CALL.search(t) for t in trace if CALL.search(t)]
    strings = [STRING.match(t) for t in trace if STRING.match(t)]
    problems = []
    if len(calls) != 1:
        print(f"{len(calls)} entries written, want one")
        return 1
    kind, category, event_id, count, size = (int(x, 16) for x in calls[0].groups())
    fields = flat(json.loads(line, parse_float=str, parse_int=str))
    want = [str(fields.get(name, "")) for name in INSERTS]
    got = [unescape(s.group(2)) for s in strings]
    if (event_id, kind, category) != (want_id, want_type, 0):
        problems.append(f"event id {event_id} type {kind} category {category}, want {want_id} type {want_type}")
    if count != len(INSERTS) or got != want:
        problems.append(f"inserts {got}, want {want}")
    if any(s.group(1) != CHANNELS.get(want_type) for s in strings):
        problems.append(f"traced as {sorted({s.group(1) for s in strings})}, want {CHANNELS.get(want_type)}")
    if size != len(line.encode()):
        problems.append(f"binary data of {size} bytes, the record line has {len(line.encode())}")
    if set(fields) - set(INSERTS):
        problems.append(f"record fields without an insert: {sorted(set(fields) - set(INSERTS))}")
    print("; ".join(problems), end="")
    return 1 if problems else 0


sys.exit(main())
