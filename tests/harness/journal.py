"""A journal of the case's own: in a private mount namespace a tmpfs over /run
(and over /var/log/journal) hides the machine's journal, and a systemd-journald
started there listens on /run/systemd/journal/socket, where the program's
entries go. Needs root. The entries are read back and held field by field
against the record's lines (bench/under_journal.py runs a command under it)."""
import json
import os
import subprocess
import sys
import time

from core import Stop, flat

JOURNALD = "/lib/systemd/systemd-journald"
UPGRADE_ENDED = "1c082e878fe24308b6b75fde5832e426"
PRIORITIES = {"complete": "6", "abandoned": "4", "interrupted": "4"}  # every other outcome: 3
FOLDER = "/run/log/journal"


def namespace():
    """Runs this process again in a mount namespace of its own, unless it is in one."""
    if os.environ.get("ORVEX_PRIVATE_JOURNAL_NS") == "1" or sys.argv[1:] == ["--list"]:
        return
    if os.geteuid() != 0:
        sys.exit("a private journal needs root (a mount namespace, systemd-journald)")
    os.environ["ORVEX_PRIVATE_JOURNAL_NS"] = "1"
    os.execvp("unshare", ["unshare", "--mount", "--propagation", "private", sys.executable, *sys.argv])


def private(journal=True):
    """In the namespace: a /run of its own and, with journal=True, a journald of its
    own (its process, ended with the case's workspace by the caller), else None."""
    subprocess.run(["mount", "-t", "tmpfs", "-o", "mode=755", "orvex-run", "/run"], check=True)
    os.makedirs("/run/lock", mode=0o1777)
    if os.path.isdir("/var/log/journal"):
        subprocess.run(["mount", "-t", "tmpfs", "-o", "mode=755", "orvex-journal", "/var/log/journal"], check=True)
    if not journal:
        return None
    os.makedirs("/run/systemd/journal")
    with open("/run/journald.out", "w") as out:
        daemon = subprocess.Popen([JOURNALD], stdin=subprocess.DEVNULL, stdout=out, stderr=out)
    deadline = time.monotonic() + 30
    while not (os.path.exists("/run/systemd/journal/socket") and any(
            name.endswith(".journal") for _, _, names in os.walk(FOLDER) for name in names)):
        if daemon.poll() is not None or time.monotonic() > deadline:
            with open("/run/journald.out") as out:
                raise Stop(f"journald did not come up: {out.read()}")
        time.sleep(0.05)
    return daemon


def entries(*matches):
    """The entries that say an upgrade ended, oldest first."""
    out = subprocess.run(["journalctl", "--directory", FOLDER, "--output", "json", "--all", "--no-pager",
                          f"MESSAGE_ID={UPGRADE_ENDED}", *matches], capture_output=True, text=True).stdout
    return [json.loads(line) for line in out.splitlines() if line.strip()]


def wait_for(count, bound=30.0):
    """The entries once there are `count` (journald takes each as it comes); fewer after `bound` s."""
    deadline = time.monotonic() + bound
    while len(found := entries()) < count and time.monotonic() < deadline:
        time.sleep(0.05)
    return found


def field_name(key):
    """A record field's journal field: its name in capitals, words split by '_'."""
    return "ORVEX_" + "".join("_" + c if c.isupper() else c for c in key.replace(".", "_")).upper()


def faults(found, lines):
    """What is wrong with the entries `found` of the record's `lines`: one each, in
    order, every field of the line in its journal field, the line whole, the
    summary (its wording is SiteEntry's unit test's), the identifier and the priority of
    its outcome."""
    wrong = [] if len(found) == len(lines) else [f"{len(found)} entries for {len(lines)} record lines"]
    for entry, line in zip(found, lines):
        record = json.loads(line)
        fields = flat(record)
        for key, value in fields.items():
            got = entry.get(field_name(key))
            if not (got == value if isinstance(value, str) else got is not None and json.loads(got) == value):
                wrong.append(f"{field_name(key)}={got!r}, the record has {key}={value!r}")
        extra = {k for k in entry if k.startswith("ORVEX_")} - {field_name(k) for k in fields} - {"ORVEX_RECORD"}
        wrong += [f"fields the record lacks: {sorted(extra)}"] if extra else []
        want = {"ORVEX_RECORD": line, "SYSLOG_IDENTIFIER": "orvex-programmer",
                "PRIORITY": PRIORITIES.get(record["outcome"], "3")}
        wrong += [f"{k}={entry.get(k)!r}, want {v!r}" for k, v in want.items() if entry.get(k) != v]
        summary = f"upgrade on {record['port']}: {record['outcome']} after {record['seconds']:.3f} s"
        wrong += [] if entry.get("MESSAGE", "").startswith(summary) else [f"MESSAGE={entry.get('MESSAGE')!r}"]
    return wrong
