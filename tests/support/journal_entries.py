"""The journal entries the program sends, one per upgrade record line, as the
batch and window tests read them back from a journal of their own
(tests/journal/private_journal.sh): each checked field by field against its line."""
import json
import os
import subprocess
import time

from record_lines import flat

UPGRADE_ENDED = "1c082e878fe24308b6b75fde5832e426"
# Each record field and the journal field that carries it.
FIELD_NAMES = {
    "v": "ORVEX_V", "started": "ORVEX_STARTED", "port": "ORVEX_PORT", "device": "ORVEX_DEVICE",
    "imageBytes": "ORVEX_IMAGE_BYTES", "imageSha256": "ORVEX_IMAGE_SHA256", "outcome": "ORVEX_OUTCOME",
    "status": "ORVEX_STATUS", "seconds": "ORVEX_SECONDS", "bytesSent": "ORVEX_BYTES_SENT",
    "program": "ORVEX_PROGRAM", "host": "ORVEX_HOST", "ended": "ORVEX_ENDED", "exitCode": "ORVEX_EXIT_CODE",
    "probeAttempts": "ORVEX_PROBE_ATTEMPTS", "commandAttempts": "ORVEX_COMMAND_ATTEMPTS",
    "station": "ORVEX_STATION", "unit": "ORVEX_UNIT", "adapter.vendorId": "ORVEX_ADAPTER_VENDOR_ID",
    "adapter.productId": "ORVEX_ADAPTER_PRODUCT_ID", "adapter.serial": "ORVEX_ADAPTER_SERIAL",
}
PRIORITIES = {"complete": "6", "abandoned": "4", "interrupted": "4"}  # every other outcome: 3
WAIT = 30.0


def entries(directory=None, *matches):
    """The entries that say an upgrade ended, oldest first."""
    directory = directory or os.environ["ORVEX_TEST_JOURNAL"]
    out = subprocess.run(["journalctl", "--directory", directory, "--output", "json", "--all", "--no-pager",
                          f"MESSAGE_ID={UPGRADE_ENDED}", *matches], capture_output=True, text=True).stdout
    return [json.loads(line) for line in out.splitlines() if line.strip()]


def wait_for_entries(count, directory=None, bound=WAIT):
    """The entries once there are `count` of them (journald takes each as it comes); fewer after `bound` s."""
    deadline = time.monotonic() + bound
    found = entries(directory)
    while len(found) < count and time.monotonic() < deadline:
        time.sleep(0.05)
        found = entries(directory)
    return found


def record_texts():
    """The record's lines as written, oldest first."""
    path = os.path.join(os.environ["XDG_STATE_HOME"], "orvex-programmer", "upgrades.jsonl")
    with open(path) as f:
        return [line.rstrip("\n") for line in f if line.strip()]


def one_line(text):
    return "".join(" " if ord(c) < 0x20 or c == "\x7f" else c for c in text)


def summary(record):
    text = f"upgrade on {record['port']}: {record['outcome']} after {record['seconds']:.3f} s"
    if "station" in record:
        text += f", station {one_line(record['station'])}"
    if "unit" in record:
        text += f", unit {one_line(record['unit'])}"
    return text


def entry_faults(entry, line):
    """What is wrong with the journal entry of the record line `line`; empty when nothing."""
    record = json.loads(line)
    faults = []
    if entry.get("ORVEX_RECORD") != line:
        faults.append(f"ORVEX_RECORD is not the line: {entry.get('ORVEX_RECORD')!r} vs {line!r}")
    fields = flat(record)
    for key, value in fields.items():
        name = FIELD_NAMES.get(key)
        if name is None:
            faults.append(f"the record field {key} has no journal field")
            continue
        got = entry.get(name)
        same = got == value if isinstance(value, str) else got is not None and json.loads(got) == value
        if not same:
            faults.append(f"{name}={got!r}, the record has {key}={value!r}")
    extra = {k for k in entry if k.startswith("ORVEX_")} - {FIELD_NAMES.get(k) for k in fields} - {"ORVEX_RECORD"}
    if extra:
        faults.append(f"journal fields the record lacks: {sorted(extra)}")
    want = {"PRIORITY": PRIORITIES.get(record["outcome"], "3"), "SYSLOG_IDENTIFIER": "orvex-programmer",
            "MESSAGE_ID": UPGRADE_ENDED, "MESSAGE": summary(record)}
    for name, value in want.items():
        if entry.get(name) != value:
            faults.append(f"{name}={entry.get(name)!r}, want {value!r}")
    return faults


def journal_faults(found, lines):
    """Faults of the entries `found` against the record lines: one entry per line, in order, each right."""
    if len(found) != len(lines):
        return [f"{len(found)} journal entries for {len(lines)} record lines: "
                f"{[e.get('ORVEX_OUTCOME') for e in found]}"]
    return [fault for entry, line in zip(found, lines) for fault in entry_faults(entry, line)]
