#!/usr/bin/env python3
"""The yield report over records made by real upgrades and by hand: what it reads
and refuses, and the page (--html) and rows (--csv) read back as their readers
read them: the page in Debian's Chromium, headless, whose tables must hold the
numbers --json gives for the same reading, with nothing fetched and nothing
logged; the rows with Python's csv module, against the record lines. Screenshots
at a desktop's and a phone's width go to the build's screenshots/report/.

Usage: report.py BUILD CASE | report.py --list
"""
import csv
import html
import json
import os
import random
import re
import shutil
import sys
from itertools import accumulate

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from core import FAST, Instrument, Run, check, flat, main  # noqa: E402


OUTCOMES = ["complete", "probe-timeout", "command-timeout", "port-error", "transfer-failed", "abandoned",
            "interrupted", "port-failed", "internal-error"]
STATIONS = ["bench 2", "產線 一", "<script>alert(1)</script> & \"q\" 'x'"]
CHROMIUM = ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
            "--disable-component-update", "--disable-sync", "--no-first-run"]


def hand_made(path):
    """Pairs of upgrades of one unit, the second a retry; only the line of the first schema names no unit."""
    rng = random.Random(4)
    lines = []
    for n in range(72):
        outcome = OUTCOMES[n] if n < len(OUTCOMES) else rng.choice(OUTCOMES[:1] * 6 + OUTCOMES[1:])
        started = f"2026-12-{1 + n // 20:02d}T{8 + n % 10:02d}:{n % 60:02d}:00Z"
        line = {"v": 1, "started": started, "port": f"COM{1 + n % 3}", "device": "/dev/ttyUSB0",
                "imageBytes": 2281784, "imageSha256": "5f" * 32, "outcome": outcome,
                "status": "Cannot open,\r\nthe \"port\"", "seconds": 195 + n * 7 % 20 + 0.125 if outcome ==
                "complete" else 3.5, "bytesSent": 0, "program": "1.0.0.1", "host": "pc", "ended":
                started[:-1] + ".500Z", "exitCode": 0, "probeAttempts": 1, "commandAttempts": 1,
                "station": STATIONS[n % 3], "adapter": {"vendorId": "0403", "productId": "6001",
                                                        "serial": f"FT-{n % 5}"}}
        line["unit"] = f"SN-H{n // 2}"
        lines.append(json.dumps(line, ensure_ascii=n % 2 == 0))
    first_schema = '{"started":"2026-11-30T07:00:00Z","port":"COM1","outcome":"port-error","seconds":0.012}'
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join([first_schema, *lines, lines[5], '{"started":"2026-12-0']) + "\n")


def found(tag, markup):
    """What each `tag` element of `markup` holds (tags given as "th|td" match either)."""
    return re.findall(rf"<(?:{tag})\b[^>]*>(.*?)</(?:{tag})>", markup, re.S)


def plain(markup):
    """A piece of the page as its text: no tags, character references read."""
    return html.unescape(re.sub(r"<[^>]*>", "", markup))


class Dom:
    """The page as Chromium serialises it: its tables (caption and rows of cell texts),
    its header's items, and what would run or fetch: scripts, and addresses other than
    an #anchor. The serialisation escapes "<" and ">" in text: tags are found by pattern."""

    def __init__(self, text):
        self.tables = {plain(found("caption", table)[0]): [[plain(c) for c in found("th|td", row)] for row in found("tr", table)]
                       for table in found("table", text)}
        self.items = dict(zip(map(plain, found("dt", text)), map(plain, found("dd", text))))
        self.scripts = len(re.findall(r"<script\b", text))
        self.fetches = re.findall(r'\s(?:src|href)="(?!#)([^"]*)"', text)
        self.marks = [len(re.findall(r"<(?:rect|circle|path)\b", svg)) for svg in found("svg", text)]


def name(station):
    return "(no station)" if station is None else station


def pct(part, whole, of=False):
    return f"{100 * part / whole:.1f} %" + (f" ({part} of {whole})" if of else "")


def running(rows, total):
    """Each row, ending in a count, with the running share of `total` after it."""
    return [[*row, pct(n, total)] for row, n in zip(rows, accumulate(int(row[-1]) for row in rows))]


def failing_rows(places, names):
    """The ten worst as the page lists them: names, both counts, their sum, the running share of all."""
    rows = [[*names(p), *map(str, (p["portFailed"], p["transferFailed"], p["portFailed"] + p["transferFailed"]))]
            for p in places]
    return running(rows[:10], sum(int(row[-1]) for row in rows))


def day_rows(r):
    days = {}
    for d in r["firstPassYieldByDay"]:
        row = days.setdefault(d["day"], {"": [0, 0]})
        row[d["station"]] = [d["complete"], d["units"]]
        row[""] = [row[""][0] + d["complete"], row[""][1] + d["units"]]
    named = {d["station"] for d in r["firstPassYieldByDay"]}
    stations = [s["station"] for s in r["stations"] if s["station"] in named]
    return [[day, *(pct(*row[s], of=True) if s in row else "-" for s in ["", *stations])] for day, row in sorted(days.items())]


def outcome_rows(r):
    outcomes = ["complete", *sorted({o for s in r["stations"] for o in s["outcomes"]} - {"complete"})]
    rows = [[name(s["station"]), str(s["upgrades"]), *(str(s["outcomes"].get(o, 0)) for o in outcomes)]
            for s in r["stations"]]
    return rows + [["All stations", str(r["upgrades"]),
                    *(str(sum(s["outcomes"].get(o, 0) for s in r["stations"])) for o in outcomes)]]


def unfinished_rows(r):
    counts = {}
    for o, n in ((o, n) for s in r["stations"] for o, n in s["outcomes"].items() if o != "complete"):
        counts[o] = counts.get(o, 0) + n
    listed = [[o, str(n)] for o, n in sorted(sorted(counts.items()), key=lambda kv: -kv[1]) if n]
    total = sum(int(n) for _, n in listed)
    return [[o, n, pct(int(n), total), share] for o, n, share in running(listed, total)]


def same(value, text):
    """A CSV cell against the record's value: strings exactly, numbers as numbers, absent as empty."""
    if value is None or isinstance(value, str):
        return text == (value or "")
    return float(text) == value


def covered_lines(folder):
    """The lines the report covers: every readable line of every file in name order, each once."""
    seen, lines = set(), []
    for file in sorted(os.listdir(folder)):
        for line in open(os.path.join(folder, file), encoding="utf-8").read().splitlines():
            try:
                record = json.loads(line)
            except ValueError:
                continue
            if line not in seen or "ended" not in record:
                lines.append(flat(record))
            seen.add(line)
    return lines


def bin_counts(rows, table):
    """Each bin's completed upgrades in the CSV, all stations and then each, as the page's columns."""
    counts = []
    for label, *_ in table[1:]:
        low, high = (float(edge) for edge in label.split(" to "))
        done = [row for row in rows if row["outcome"] == "complete" and low <= float(row["seconds"]) < high]
        counts.append([label, str(len(done)), *(str(sum(row["station"] == s for row in done)) for s in table[0][2:])])
    return counts


def page_checks(r, dom, log):
    """What each of the page's tables and its header hold, against the report's JSON."""
    t = dom.tables
    seconds, fp = [*r["secondsByStation"], {"station": "All stations", **r["seconds"]}], r["firstPassYield"]
    return [
        ("header: what was read and the yield", [dom.items.get(k) for k in (
            "Read", "Unreadable", "Repeated", "Span", "Covering", "Upgrades", "First-pass yield")],
         [f"{r['lines']} lines in {r['files']} files", f"1 line skipped; the first: {r['unreadable'].get('file')} line "
          f"{r['unreadable'].get('line')}", "1 line, counted once", f"{r['span']['first']} to {r['span']['last']} (UTC)",
          "upgrades started since 2026-11-01 (UTC)",
          str(r["upgrades"]), f"{fp['complete']} of {fp['units']} units ({fp['percent']:.1f} %) completed their first "
          f"upgrade; {fp['upgradesWithoutUnit']} upgrade names no unit and is left out"]),
        ("the yield per day", t.get("First-pass yield per day: percent (complete of units)", [])[1:], day_rows(r)),
        ("outcomes per station", t.get("Upgrades per station by outcome", [])[1:], outcome_rows(r)),
        ("failures by outcome", t.get("Upgrades that did not complete, by outcome", [])[1:], unfinished_rows(r)),
        ("worst adapters", t.get("Adapters: port-failed and transfer-failed, worst first", [])[1:],
         failing_rows(r["failures"]["adapters"], lambda a: [a["serial"]])),
        ("worst ports", t.get("Ports: port-failed and transfer-failed, worst first", [])[1:],
         failing_rows(r["failures"]["ports"], lambda p: [name(p["station"]), p["port"]])),
        ("every row as long as its table's head, every chart drawn",
         ([c for c, rows in t.items() if len({*map(len, rows)}) > 1], min(dom.marks, default=0) > 0), ([], True)),
        ("seconds per station and of all, to a tenth",
         [[row[0], row[1], abs(float(row[2]) - s["median"]) < 0.051, abs(float(row[3]) - s["slowest"]) < 0.051]
          for row, s in zip(t.get("Seconds per completed upgrade", [])[1:], seconds)],
         [[name(s["station"]), str(s["completed"]), True, True] for s in seconds]),
        ("a name with <script> is shown, never run",
         (dom.scripts, [STATIONS[2]] in [row[:1] for row in t.get("Upgrades per station by outcome", [])]), (0, True)),
        ("nothing fetched, nothing logged", (dom.fetches, [line for line in log.splitlines() if "CONSOLE" in line]),
         ([], [])),
    ]


def rows_checks(r, rows_file, lines, bins):
    """The rows as a spreadsheet reads them, against the records, and the page's bins counted from them."""
    raw = open(rows_file, newline="", encoding="utf-8").read()
    rows = list(csv.DictReader(open(rows_file, newline="", encoding="utf-8-sig")))
    return [
        ("the rows: UTF-8 behind a byte-order mark, CR LF, one per upgrade",
         (raw[:1], raw.endswith("\r\n"), len(rows)), ("\ufeff", True, r["upgrades"])),
        ("each row holds its record's fields", [[k for k, v in row.items() if not same(line.get(k), v)]
                                                for row, line in zip(rows, lines)], [[]] * len(lines)),
        ("seconds by bin, as counted from the rows", bins[1:] or None, bin_counts(rows, bins)),
    ]


def chromium(ws, page, *options):
    return Run(ws, [*CHROMIUM, f"--user-data-dir={ws.dir}/chromium", *options, "file://" + page], 120)


def upgrade(ws, unit, image, *options):
    """One upgrade off a terminal: a complete one tells its progress once each tenth."""
    Instrument(ws, *options, expect=False)
    run = Run(ws, [ws.build.program, "--batch", "--port", "COM2", "--station", STATIONS[1], "--unit", unit,
                   "--image", image], 120)
    tenths = [int(p) // 10 for p in re.findall(r"^(\d+) % \(\d+ of \d+ bytes, [\d.]+ kB/s\)$", run.out, re.M)]
    check(run.code != 0 or tenths == list(range(1, 11)), f"progress once each tenth: {run.out[-400:]}")
    return run.code


def collection(ws):
    """A stalled line, its unit's retry and a second unit through the simulated instrument (a small
    image) in this machine's record, beside the hand-made lines."""
    folder, image = ws.path("site"), ws.image(100000)
    codes = [upgrade(ws, "SN-R1", image, "--baud", "0", "--stall-at", "50000"),
             upgrade(ws, "SN-R1", image, *FAST), upgrade(ws, "SN-R2", image, *FAST)]
    check(codes == [6, 0, 0], f"transfer-failed, then two complete: {codes}")
    os.makedirs(folder)
    hand_made(os.path.join(folder, "hand.jsonl"))
    shutil.copy(ws.record, os.path.join(folder, "machine.jsonl"))
    return folder


def report(ws, *options, bound=60):
    return Run(ws, [ws.build.program, "--report", *options], bound)


def case_page(ws):
    """The page and the rows of the site's records; then this machine's record alone, as JSON and
    as text, a pipe a program writes into, a FIFO none writes into and a subfolder the user may not list."""
    report(ws, "--station", "b", "--html", ws.path("none.html"))
    said = list(Dom(open(ws.path("none.html"), encoding="utf-8").read()).items.values())
    check(said == ["0 lines in 0 files", "none", "none", "no upgrades", "upgrades of station b", "0", "none (no unit's "
                   "first upgrade is among these)", "none completed"], f"no record yet: an empty report: {said}")
    folder = collection(ws)
    page, rows_file = ws.path("yield.html"), ws.path("yield.csv")
    result = report(ws, folder, "--since", "2026-11-01", "--json", "--html", page, "--csv", rows_file)
    check(result.code == 0 and result.err == "", f"the report: {result.code} {result.err!r}")
    r = json.loads(result.out)
    browser = chromium(ws, page, "--enable-logging=stderr", "--v=0", "--dump-dom")
    dom, lines = Dom(browser.out), covered_lines(folder)
    bins = dom.tables.get("Completed upgrades by seconds: from (inclusive) to (exclusive)", [[]])
    for what, got, want in page_checks(r, dom, browser.err) + rows_checks(r, rows_file, lines, bins):
        check(got == want, f"{what}: {got!r}, want {want!r}")
    shots = ws.build.path(os.path.join("screenshots", "report"))
    os.makedirs(shots, exist_ok=True)
    for label, size in (("desktop", "1280,800"), ("phone", "390,844")):
        shot = os.path.join(shots, f"report-{label}.png")
        chromium(ws, page, f"--window-size={size}", f"--screenshot={shot}", "--hide-scrollbars")
        check(os.path.getsize(shot) > 10000, f"a screenshot at {size}: {shot}")
    r = json.loads(report(ws, "--json").out or "{}")
    check((r.get("files"), r.get("lines"), r.get("upgrades"), r.get("stations")) == (1, 3, 3, [{"station": STATIONS[1],
          "upgrades": 3, "outcomes": {"complete": 2, "transfer-failed": 1}}]), f"the record's three lines by station: {r}")
    text = report(ws)
    check(text.code == 0 and "First-pass yield: 1 of 2 units (50.0 %)" in text.out,
          f"the text: SN-R1 failed first, SN-R2 passed: {text.out}")
    piped = Run(ws, ["bash", "-c", '"$0" --report --json <(cat "$1")', ws.build.program, ws.record], 60)
    check(json.loads(piped.out or "{}").get("lines") == 3, f"a pipe is read as it comes: {piped.err}")
    fifo = ws.path("fed by none.jsonl")
    os.mkfifo(fifo)
    none = report(ws, fifo, bound=40)
    check(none.code == 1 and none.err.strip() == f"orvex-programmer: cannot read {fifo}: no program writes into it"
          and none.seconds < 30, f"a FIFO none writes into: exit {none.code}, {none.err!r}")
    locked = ws.path("other site", "locked")
    os.makedirs(locked, 0)
    os.chmod(ws.dir, 0o755)
    user = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] if os.getuid() == 0 else []
    unlisted = Run(ws, [*user, ws.build.program, "--report", os.path.dirname(locked)], 60)
    check(unlisted.code == 1 and unlisted.err.strip() == f"orvex-programmer: cannot read {locked}: Permission denied",
          f"a subfolder that cannot be listed: exit {unlisted.code}, {unlisted.err!r}")


CASES = {"page": case_page}

if __name__ == "__main__":
    main(CASES)
