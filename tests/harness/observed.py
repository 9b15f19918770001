"""What a batch upgrade leaves for a station and for support, read back and
held to its form: the --json event stream, the record line and the serial
trace."""
import re

from core import check

ENDED = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$")
TRACE_EVENT = re.compile(r"^ *(\d+\.\d{3}) (.+)$")
CHUNK = re.compile(r"^chunk at (\d+), (\d+) bytes: [0-9A-F ]+(?: \.\. [0-9A-F ]+)? -> (.+)$")
PROBE_WRITE = 'write 1 byte: 55 "U" -> ok'
UPDATE_WRITE = 'write 7 bytes: 75 70 64 61 74 65 0D "update\\r" -> ok'
SETTINGS = ("set timeouts: read interval 1, read 0 x n + 1000, write 0 x n + 5000 ms -> ok",
            "set comm state: 115200 baud, 8 data bits, parity none, stop bits 1 -> ok",
            "set queues: in 8196, out 8196 bytes -> ok")


def stream(events, outcome, code):
    """One start first and one end last; status lines, progress rising by whole percents."""
    names = [e.get("event") for e in events]
    if not check(names[:1] == ["start"] and names[-1:] == ["end"] and names.count("end") == 1,
                 f"one start first, one end last: {names[:3]}...{names[-3:]}"):
        return
    start, end = events[0], events[-1]
    check(start.get("v") == 1 and len(start.get("imageSha256", "")) == 64 and start.get("program")
          and start.get("device") and start.get("imageBytes", 0) > 0, f"the start event: {start}")
    check((end.get("outcome"), end.get("exitCode")) == (outcome, code) and end.get("seconds", -1) >= 0,
          f"the end event: {end}, want {outcome} {code}")
    status = [(e["line"], e["text"]) for e in events if e["event"] == "status"]
    check((1, "Please turn on DSO now.") in status and any(line == 2 for line, _ in status),
          f"both status lines are told: {status[:4]}")
    percents = [e["percent"] for e in events if e["event"] == "progress"]
    check(percents == sorted(set(percents)) and all(0 <= p <= 100 for p in percents),
          f"progress at most once per whole percent, rising: {percents}")


def last_line1(events):
    texts = [e["text"] for e in events if e.get("event") == "status" and e.get("line") == 1]
    return texts[-1] if texts else ""


def record(lines, port, outcome, code):
    """The one line an upgrade leaves (its fields are RecordLine's, held whole by its unit test)."""
    if not check(len(lines) == 1, f"one record line, got {lines}"):
        return {}
    r = lines[0]
    check(r.get("v") == 1 and ENDED.match(str(r.get("ended"))), f"the schema and the end to the millisecond: {r}")
    check((r.get("port"), r.get("outcome"), r.get("exitCode")) == (port, outcome, code),
          f"port, outcome and exit code {port} {outcome} {code}: {r}")
    check("adapter" not in r, f"a pty is no USB adapter: {r}")
    return r


def trace(path):
    """The trace's events as (milliseconds, text): a UTC header, every line whole
    and timed, the opening first and the closing last."""
    try:
        with open(path, encoding="utf-8") as f:
            text = f.read()
    except OSError as error:
        check(False, f"the trace {path}: {error}")
        return []
    lines = text.splitlines()
    check(text.endswith("\n") and lines and re.match(
        r"^serial trace started \d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z \(UTC\)", lines[0]),
        f"the trace starts with the time in UTC and ends with a whole line: {lines[:1]}")
    events = [(float(m.group(1)), m.group(2)) for m in map(TRACE_EVENT.match, lines[1:]) if m]
    check(len(events) == len(lines) - 1, "every trace line is a timed event")
    check([ms for ms, _ in events] == sorted(ms for ms, _ in events), "the time column never decreases")
    check(events[:1] and events[0][1].startswith("open ") and events[0][1].endswith("-> ok")
          and events[-1][1] == "close", f"the opening first, the closing last: {events[:1]} {events[-1:]}")
    return events


def texts(events, prefix):
    return [text for _, text in events if text.startswith(prefix)]


def chunks(events):
    """(offset, length, result) of each chunk line; they follow on without a gap."""
    found = [(int(m.group(1)), int(m.group(2)), m.group(3)) for m in map(CHUNK.match, texts(events, "chunk "))]
    check(len(found) == len(texts(events, "chunk ")), "every chunk line has its form")
    check(all(a[0] + a[1] == b[0] for a, b in zip(found, found[1:])), "each chunk follows on from the last")
    return found
