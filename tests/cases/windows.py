#!/usr/bin/env python3
"""The Windows program under Wine: its port finder, upgrades in batch mode (a
complete one, a stalled line and a hung-up one, many ports from one command),
its Event Log entries, and whole upgrades through its real window at several
display scales.

Usage: windows.py BUILD CASE EXE [ARG...]   (BUILD: the Linux build, for the
       simulator and the image tools; ARG: the display scales for "dialog")
       windows.py --list
"""
import json
import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import display as d  # noqa: E402
from farside import FarSide  # noqa: E402
from core import FAST, IMAGE_BYTES, Instrument, Stop, check, flat, main, must, sha256, step, wait_until  # noqa: E402
from terminal import Terminal, screen_lines  # noqa: E402
from wine import Wine, events, windows_path  # noqa: E402

ENUM = r"HKEY_LOCAL_MACHINE\System\CurrentControlSet\Enum"
PORTS_CLASS, MODEM_CLASS = "{4d36e978-e325-11ce-bfc1-08002be10318}", "{4d36e96d-e325-11ce-bfc1-08002be10318}"
# Devices as a Windows machine's registry lists them: key, class, name, hardware id.
CDC = (r"USB\VID_2341&PID_0043\7543331393535", PORTS_CLASS, "USB Serial Device ({})", r"USB\VID_2341&PID_0043&REV_0001")
FTDI = (r"FTDIBUS\VID_0403+PID_6001+A5XK3RJTA\0000", PORTS_CLASS, "USB Serial Port ({})",
        r"FTDIBUS\COMPORT&VID_0403&PID_6001")
MODEM = (r"USB\VID_1199&PID_9071&MI_03\6&2c6b1a4&0&0003", MODEM_CLASS, "Sierra Wireless Modem", r"USB\VID_1199&PID_9071&MI_03")


def exe(ws):
    return os.path.realpath(ws.args[0])


def device_entries(device, port):
    key, klass, name, hwid = device
    ids = ",".join(f"{b:02x}" for b in hwid.encode()) + ",00,00"
    return (f'[{ENUM}\\{key}]\n"ClassGUID"="{klass}"\n"FriendlyName"="{name.format(port)}"\n'
            f'"HardwareID"=hex(7):{ids}\n\n[{ENUM}\\{key}\\Device Parameters]\n"PortName"="{port}"\n\n')


def case_port_list(ws):
    """Each COMn line names the adapter behind the port as Device Manager lists it, from
    the present devices of the Ports class: none, then an Arduino's CDC port as COM1, an
    FTDI adapter as COM2 and a modem's port as COM3 (not in the Ports class). A port has
    a device exactly when it is not missing; COM1, a pty then, is free."""
    wine = Wine(ws)
    for devices, want in (({}, {}), ({"COM1": CDC, "COM2": FTDI, "COM3": MODEM},
                                     {"COM1": "  USB Serial Device (COM1), " + CDC[3],
                                      "COM2": "  USB Serial Port (COM2), " + FTDI[3]})):
        if devices:
            entries = "".join(device_entries(dev, port) for port, dev in devices.items())
            open(ws.path("devices.reg"), "w").write("REGEDIT4\n\n" + entries)
            step(["wine", "regedit", "/S", "Z:" + ws.path("devices.reg").replace("/", "\\")], env=ws.env)
        wine.map({"COM1": Instrument(ws, "--no-prompt", link=False).pty} if devices else {})  # a booted server
        run = wine.run(exe(ws), "--list-ports")
        check(run.code == 0 and not run.err, f"--list-ports: exit {run.code}, {run.err!r}")
        found = {m[0]: m[1:] for m in re.findall(r"^(COM\d+) +(\S*) +\[([^]]+)\]([^\r\n]*)", run.out, re.M)}
        for port in ("COM1", "COM2", "COM3", "COM4"):
            device, state, rest = found.get(port, ("", "", None))
            check(rest == want.get(port, "") and (device == "") == (state == "missing") and
                  (state == "free" or not (devices and port == "COM1")), f"{port}: {found.get(port)}")


STATION = "產線 é"


def case_names(ws):
    """Two ports from one command with --json, a station, an image and a trace named in
    Chinese and with "é", as on a Traditional Chinese system (code page 950) and a Western
    one (1252): both valid images; only JSON events of both on standard output, valid
    UTF-8, each ending complete (line ends passed on once); each port's trace under its
    name; every record line with the name exactly; the image pinned to another digest
    refused on one line naming the file whole. Wine decodes the Unix side's names with
    the charset of the C library's locale, so each run has a UTF-8 locale of its own."""
    ws.env["LOCPATH"] = ws.path("locales")
    os.makedirs(ws.env["LOCPATH"])
    os.makedirs(ws.path("映像 é"))
    image = ws.image(100000, ws.path("映像 é", "韌體 é.srec"))
    wine = Wine(ws)
    for locale, codepage in (("zh_TW", "950"), ("en_US", "1252")):
        step(["localedef", "-i", locale, "-f", "UTF-8", ws.path("locales", f"{locale}.UTF-8")])
        ws.env["LC_ALL"] = f"{locale}.UTF-8"
        acp = step(["wine", "reg", "query", r"HKLM\System\CurrentControlSet\Control\Nls\CodePage", "/v", "ACP"],
                   env=ws.env)
        check(re.search(rf"ACP\s+REG_SZ\s+{codepage}", acp), f"{locale} gives code page {codepage}: {acp!r}")
        instruments = {f"COM{n}": Instrument(ws, *FAST, "--expect", image, expect=False, link=False) for n in (1, 2)}
        wine.map({port: i.pty for port, i in instruments.items()})
        before, trace = len(wine.records()), ws.path(f"追蹤 {codepage}.txt")
        run = wine.run(exe(ws), "--batch", "--port", "COM1-COM2", "--json", "--station", STATION, "--image",
                       windows_path(image), "--trace", windows_path(trace))
        check(run.code == 0 and "\r\r" not in run.out and "\ufffd" not in run.out, f"exit 0, lines whole, valid "
              f"UTF-8 ({codepage}): {run.code}, {run.err[-300:]}")
        ends = {e.get("port"): e.get("outcome") for e in events(run.out) if e.get("event") == "end"}
        check(ends == {"COM1": "complete", "COM2": "complete"} and all(
            line.startswith("{") for line in run.out.splitlines()), f"only events, each port complete: {ends}")
        check(all(i.verdict()["valid"] for i in instruments.values()), "both instruments got a valid image")
        lines = wine.records()[before:]
        check(sorted(r["port"] for r in lines) == ["COM1", "COM2"] and all(r.get("device") and
            r.get("station") == STATION and r.get("imageBytes") == 100000 for r in lines), f"the record: {lines}")
        check(all("open " in open(f"{trace}.{p}", encoding="utf-8").read() for p in ("COM1", "COM2")), "traces by name")
        pinned = wine.run(exe(ws), "--batch", "--port", "COM1", "--image", windows_path(image), "--expect-sha256",
                          "0" * 64, bound=120)
        err = (pinned.out + pinned.err).strip()
        check(pinned.code == 7 and len(err.splitlines()) == 1 and f"韌體 é.srec: SHA-256 {sha256(image)}" in err,
              f"another pinned digest refuses the image, naming it ({codepage}): {pinned.code}, {err!r}")
        wine.stop()


def status_lines(png, dpi):
    """The red status lines of a screenshot of the dialog, right of the title bar's icon:
    exactly two bands of red rows, the second 20 px at 96 DPI below the first, each 13 px
    tall there (the system font's letters), all scaled."""
    ppm = subprocess.run(["convert", png, "ppm:-"], capture_output=True, check=True).stdout
    magic, width, height, _, pixels = ppm.split(maxsplit=4)
    width, bands = int(width), []
    for y in range(int(height)):
        row = pixels[3 * (y * width + width // 4):3 * (y + 1) * width]
        if any(r >= 128 and r - max(g, b) >= 64 for r, g, b in zip(row[0::3], row[1::3], row[2::3])):  # smoothed too
            if bands and y == bands[-1][1] + 1:
                bands[-1][1] = y
            else:
                bands.append([y, y])
    step_px = round(20 * dpi / 96)
    check(magic == b"P6" and len(bands) == 2 and bands[1][0] - bands[0][1] >= 2
          and abs(bands[1][0] - bands[0][0] - step_px) <= 1
          and all(abs(b - a + 1 - 13 * dpi / 96) <= 2 for a, b in bands),
          f"two status lines {step_px} px apart at {dpi} DPI, in letters scaled too: red bands {bands} in {png}")


def shoot(window, path):
    """A screenshot once the window is drawn: two captures alike, with text and frame."""
    previous = None
    for _ in range(100):
        if subprocess.run(["import", "-window", window, path], capture_output=True).returncode == 0:
            now = subprocess.run(["convert", path, "rgb:-"], capture_output=True).stdout
            colours = int(subprocess.run(["identify", "-format", "%k", path], capture_output=True,
                                         text=True).stdout or 0)
            if now == previous and colours > 8:
                return path
            previous = now
        time.sleep(0.1)
    raise Stop(f"window {window} was never drawn completely ({path})")


def case_dialog(ws):
    """The loader takes the program's manifest; then at each display scale a whole
    upgrade through the window (the About box from the system menu on the first run):
    a valid image, the record's line, both status lines in place, a shut-down blocked on
    the dialog while the upgrade ran, Escape ends it. Then Exit clicked mid-image
    abandons the upgrade: the click reaches the dialog while the upgrade's step runs."""
    program = exe(ws)
    shots = ws.build.path(os.path.join("screenshots", "wine-i686" if "windows-i686" in program else "wine"))
    os.makedirs(shots, exist_ok=True)
    d.Display(ws, "800x600x24")
    wine = Wine(ws)
    instrument = Instrument(ws, *FAST, "--repeat", link=False)
    wine.map({"COM1": instrument.pty})
    trace = wine.run(program, "--version", env={"WINEDEBUG": "+actctx"}, bound=120).err
    thread = re.search(r"^([0-9a-f]+):.*get_manifest_in_module .*ORVEX_DIALOG1\.EXE", trace, re.M | re.I)
    own = "\n".join(line for line in trace.splitlines() if thread and line.startswith(thread.group(1) + ":"))
    for want in ('got L"dpiAwareness" L"PerMonitorV2', 'got L"dpiAware" L"true/pm"',
                 r"loading manifest file .*microsoft.windows.common-controls_6595b64144ccf1df_6\."):
        check(re.search(want, own), f"the loader took the program's manifest: no {want!r} in its trace")

    def opened(err):  # Wine's stub of the shutdown block traces the window and the reason
        with open(err, "w") as trace:
            app = ws.start(["wine", program], cwd=ws.dir, stdout=subprocess.DEVNULL, stderr=trace,
                           env=dict(ws.env, WINEDEBUG="-all,fixme+graphics"))
        return app, wait_until("the main dialog", lambda: (d.x_windows("--name", r"^ORVEX-A/B Firmware Programmer$")
                                                           or [None])[0], 60)
    for at, dpi in enumerate(int(v) for v in ws.args[1:] or ["96", "192"]):
        step(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d",
              str(dpi), "/f"], env=ws.env)
        err = ws.path(f"dialog-{dpi}.err")
        app, main_window = opened(err)
        if at == 0:
            shoot(main_window, os.path.join(shots, "main-dialog.png"))
            # The system menu's last item is the About item: Wine's own About item shares its mnemonic.
            d.key(main_window, "alt+space")
            step(["xdotool", "key", "Up", "Return"])
            about = wait_until("the About box", lambda: (d.x_windows("--name", " ORVEX_DIALOG1$") or [None])[0], 20)
            shoot(about, os.path.join(shots, "about-box.png"))
            d.key(about, "Return")
            wait_until("the About box to close", lambda: not d.x_windows("--name", " ORVEX_DIALOG1$"), 20)
        before = len(wine.records())
        d.key(main_window, "Return")
        wait_until(f"the upgrade's record line at {dpi} DPI", lambda: len(wine.records()) > before, 180)
        check(wine.records()[-1]["outcome"] == "complete", f"the record: {wine.records()[-1]}")
        status_lines(shoot(main_window, os.path.join(shots, f"after-upgrade-{dpi}dpi.png")), dpi)
        d.key(main_window, "Escape")
        check(app.wait(timeout=30) == 0 and re.search(r'ShutdownBlockReasonCreate \((?!0+,)\w+, L"Writing firmware '
              r'into the instrument on COM1"\)', open(err).read()), f"Escape ends the "
              f"program with code 0 at {dpi} DPI; the upgrade blocked a shut-down on the dialog, saying why")
    line = FarSide(ws, "COM1", "held", baud=1843200)  # Exit clicked mid-image reaches the upgrade's pump
    line.reply()
    wine.map({"COM1": os.ttyname(line.slave)})
    app, main_window = opened(ws.path("dialog-exit.err"))
    d.key(main_window, "Return")
    must(line.image_began.wait(60), "the image began")
    size = dict(re.findall(r"(WIDTH|HEIGHT)=(\d+)", step(["xdotool", "getwindowgeometry", "--shell", main_window])))
    d.click(main_window, int(size["WIDTH"]) * 45 // 100, int(size["HEIGHT"]) * 71 // 100)
    check(app.wait(timeout=30) == 0 and (r := wine.records()[-1])["outcome"] == "abandoned" and
          0 < r["bytesSent"] < IMAGE_BYTES, f"Exit ends the upgrade mid-image, code 0: {app.returncode}, {r}")
    instrument.process.terminate()
    summaries = [line for line in open(instrument.out.name) if '"valid":true' in line]
    check(len(summaries) == len(ws.args[1:] or ["96", "192"]), f"a valid image at each scale: {summaries}")


# The message table's inserts %1 to %21: the record's fields in its order.
INSERTS = ["v", "started", "port", "device", "imageBytes", "imageSha256", "outcome", "status", "seconds",
           "bytesSent", "program", "host", "ended", "exitCode", "probeAttempts", "commandAttempts", "station",
           "unit", "adapter.vendorId", "adapter.productId", "adapter.serial"]
REPORT_CALL = re.compile(r"fixme:advapi:ReportEventW \(\w+,0x(\w+),0x(\w+),0x(\w+),\w+,0x(\w+),0x(\w+),")
REPORT_STRING = re.compile(r'^\w+:(\w+):eventlog:ReportEventW L"(.*)"$', re.M)
CHANNELS = {1: "err", 4: "trace"}  # how Wine's stub traces an event of that type


def unescape(text):
    """Wine's debugstr_w: backslash escapes, \\xNNNN for other characters."""
    return re.sub(r"\\(x[0-9a-fA-F]{4}|.)", lambda m: chr(int(m.group(1)[1:], 16)) if len(m.group(1)) == 5
                  else {"n": "\n", "r": "\r", "t": "\t"}.get(m.group(1), m.group(1)), text)


# simulator options, exit code, event id, event type (1 error, 4 information), registered first
EVENT_ROWS = ((FAST, 0, 1, 4, False), (FAST + ["--stall-at", "200000"], 6, 5, 1, True),
              (FAST + ["--hangup-at", "200000"], 1, 8, 1, False))


def case_event_log(ws):
    """A complete, a stalled and a hung-up upgrade leave one Application event each, before
    and after --register-event-source (Wine's event log is a stub that traces what it was
    given): its id and type follow the outcome, its inserts are the record's fields in
    order, its data the whole line; the registration writes the source's key, naming the
    program itself. The machine is kept awake from the upgrade's start to its end."""
    wine = Wine(ws)
    key = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\ORVEX Firmware Programmer"
    for sim, code, event_id, kind, register in EVENT_ROWS:
        instrument = Instrument(ws, *sim, link=False)
        # map() keeps a server up: the registration and its query meet one registry (a server ending
        # after the registration while the query started the next one lost the key once)
        wine.map({"COM2": instrument.pty})
        if register:
            said = wine.run(exe(ws), "--register-event-source", bound=60)
            values = dict(re.findall(r"^\s+(\S+)\s+(REG_\w+\s+.*?)\s*$", step(["wine", "reg", "query", key],
                                                                                env=ws.env), re.M))
            check(said.code == 0 and "registered" in said.out and values.get("TypesSupported") == "REG_DWORD    0x7"
                  and values.get("EventMessageFile", "").endswith(windows_path(exe(ws))),
                  f"the source's key: {said.code} {said.out!r} {values}")
        run = wine.run(exe(ws), "--batch", "--port", "COM2", "--station", "bench 4", "--unit", "SN 0042",
                       env={"WINEDEBUG": "-all,+eventlog,fixme+advapi,warn+seh,warn+ntdll"}, bound=120)
        instrument.verdict(ends_by_itself=code == 0)
        line = open(wine.record(), encoding="utf-8").read().splitlines()[-1]
        calls = REPORT_CALL.findall(run.err)
        # Started from Explorer the program has no console: a debugger is where its complaint is seen.
        awake = re.findall(r"NtSetThreadExecutionState \((\w+)", run.err)  # a hang-up ends the process, and its state
        if not check(run.code == code and len(calls) == 1 and (code != 0) == (":seh:OutputDebugStringA" in run.err)
                     and awake == ["0x80000001", "0x80000000"][:1 + (code != 1)], f"exit {run.code}, one entry: "
                     f"{calls}; the complaint for a debugger exactly on a failure; awake, then free: {awake}"):
            continue
        got_kind, category, got_id, count, size = (int(x, 16) for x in calls[0])
        fields = {k: str(v) for k, v in flat(json.loads(line, parse_float=str, parse_int=str)).items()}
        check((got_id, got_kind, category, count, size) == (event_id, kind, 0, len(INSERTS), len(line.encode())),
              f"id {got_id} type {got_kind} category {category}, {count} inserts, {size} bytes of data")
        strings = REPORT_STRING.findall(run.err)
        check([unescape(text) for _, text in strings] == [fields.get(name, "") for name in INSERTS] and
              all(channel == CHANNELS[kind] for channel, _ in strings), f"the inserts: {strings}")
        wine.stop()


def case_live_view(ws):
    """Three silent ports on a console of 10 rows, then of one row: the live lines are
    rewritten in place through the console's calls (each port once on the screen beside
    its row of the table, no escape sequence as text); on one row the count of the ports
    done is drawn over in place, and Ctrl+C there reaches each port's process through its
    supervisor: each ends interrupted, with its record line."""
    wine = Wine(ws)
    for rows in (10, 1):
        wine.map({f"COM{n}": Instrument(ws, "--no-prompt", link=False).pty for n in (1, 2, 3)})
        term = Terminal(ws, ["wine", exe(ws), "--batch", "--port", "COM1-COM3"], rows, 80)
        if rows == 1:
            term.read(lambda w: b"0 of 3 ports done" in w, 120)
            os.write(term.master, b"\x03")
        # Wine's server keeps the terminal open after the program: read until the retry line.
        term.read(lambda w: term.process.poll() is not None and b"--port COM3" in w.split(b"retry")[-1], 120)
        lines, code = screen_lines(term.written, rows, 80), term.process.wait(timeout=60)
        if rows == 10:
            check(code == 3 and all(len([line for line in lines if re.match(rf"COM{n} ", line)]) == 2 for n in (1, 2, 3))
                  and not any(re.search(r"\[\d*[AJ]", line) for line in lines), f"exit 3, each port on two lines: {lines}")
        else:
            counts, ends = [line for line in lines if "ports done" in line], [r["outcome"] for r in wine.records()[3:]]
            check(code == 130 and counts == ["3 of 3 ports done: 0 complete, 3 failed"] and ends == ["interrupted"] * 3
                  and sum("the upgrade was interrupted before" in line for line in lines) == 3,
                  f"one row, drawn over in place, Ctrl+C: exit {code}, {counts}, {ends}, each port's complaint: {lines}")
        wine.stop()


def case_report(ws):
    """The yield report under Wine: over the same files, named alike (one in Chinese) the
    page and the rows are the Linux program's byte for byte; with none named it reads this
    machine's record under a profile folder named in Chinese, on code page 1252, which
    cannot spell it."""
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    from report import hand_made
    os.makedirs(ws.path("site"))
    hand_made(ws.path("site", "產線.jsonl"))
    wine = Wine(ws, locale="C.UTF-8")
    ws.env["USER"] = "產線"
    files = ["site/產線.jsonl"]
    step([ws.build.program, "--report", *files, "--html", "linux.html", "--csv", "linux.csv"], cwd=ws.dir)
    run = wine.run(exe(ws), "--report", *files, "--html", "windows.html", "--csv", "windows.csv", bound=120)
    check(run.code == 0, f"the Windows program's report: {run.code} {run.err!r}")
    same = [open(ws.path(f"linux.{k}"), "rb").read() == open(ws.path(f"windows.{k}"), "rb").read() for k in ("html", "csv")]
    check(same == [True, True], f"the .html and .csv files are byte for byte the same: {same}")
    record = os.path.join(wine.prefix, "drive_c", "users", "產線", "AppData", "Local", "ORVEX")
    os.makedirs(record)
    shutil.copy(ws.path("site", "產線.jsonl"), os.path.join(record, "upgrades.jsonl"))
    mine = wine.run(exe(ws), "--report", "--json", bound=120)
    check(mine.out.startswith('{"files":1,"lines":'), f"this machine's record under C:\\users\\產線: {mine.out[:120]}")


# Exactly these: a new import is a decision (docs/windows.md lists them), and a DLL
# a bare Windows 7 lacks stops the program from starting at all.
DLLS = "advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll setupapi.dll user32.dll".split()
NEWER = ("GetDpiForWindow", "GetDpiForSystem", "GetSystemMetricsForDpi", "AdjustWindowRectExForDpi",
         "SetProcessDpiAwarenessContext", "SetThreadDpiAwarenessContext", "EnableNonClientDpiScaling")
RESOURCES = {("0x000005", "0x000064"): "dialog 100 (About box)", ("0x000005", "0x000066"): "dialog 102",
             ("0x00000e", "0x000080"): "icon group 128", ("0x000006", "0x000007"): "string table block 7",
             ("0x000010", "0x000001"): "version record", ("0x000018", "0x000001"): "the manifest, RT_MANIFEST 1"}
MANIFEST = [r'<requestedExecutionLevel\s+level="asInvoker"', r'name="Microsoft\.Windows\.Common-Controls"\s+'
            r'version="6\.0\.0\.0"', r"<dpiAwareness[^>]*>\s*PerMonitorV2\b", r"<dpiAware[^>]*>\s*true/pm\s*</dpiAware>"] + [
    r'<supportedOS\s+Id="\{' + guid + r'\}"' for guid in (
        "35138b9a-5d96-4fbd-8e2d-a2440225f93a", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
        "1f676c76-80e1-4239-95bb-83d0f6d0da78", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a")]


def case_exe(ws):
    """The cross-built program without running it (args: EXE IMAGE ARCH): a Windows GUI
    program for ARCH importing only the system DLLs a bare Windows 7 has, every resource
    the program looks up in language 0x0404, one manifest with the settings it relies
    on, and BIN 134 the embedded image unchanged."""
    program, image, arch = exe(ws), ws.args[1], ws.args[2]
    headers = step([f"{'x86_64' if arch == 'x86_64' else 'i686'}-w64-mingw32-objdump", "-p", program])
    magic = r"020b\s+\(PE32\+\)" if arch == "x86_64" else r"010b\s+\(PE32\)"
    check("(Windows GUI)" in headers and re.search(r"^Magic\s+" + magic, headers, re.M), f"a Windows GUI program for {arch}")
    dlls = sorted(d.lower() for d in re.findall(r"DLL Name: (\S+)", headers))
    check(dlls == DLLS and not [f for f in NEWER if re.search(rf"\b{f}\b", headers)],
          f"imports only {DLLS}, nothing newer than Windows 7: {dlls}")
    resources, level_keys = [], {}
    table = headers[headers.find(".rsrc Resource Directory"):headers.find("Resources start")]
    for line in table.splitlines():
        entry = re.search(r"Entry: (?:name: \[[^]]*\]: |ID: )([^,]+),", line)
        if entry:
            level_keys[line.index("Entry:")] = entry.group(1)
        leaf = re.search(r"Leaf: .*?[Ss]ize: (\S+)", line)
        if leaf:
            type_, name, lang = (level_keys[k] for k in sorted(level_keys)[:3])
            resources.append((type_, name, lang, int(leaf.group(1).rstrip(","), 0)))
    have = {(t, n) for t, n, _, _ in resources}
    check(all(key in have for key in RESOURCES) and sum(t == "0x000003" for t, *_ in resources) == 2,
          f"the resources, two icon images: {[RESOURCES[k] for k in RESOURCES if k not in have]}")
    check(all(lang == "0x000404" for _, _, lang, _ in resources) and
          sum(t == "0x000018" for t, *_ in resources) == 1, f"one manifest, all in 0x0404: {resources}")
    data = open(program, "rb").read()
    texts = re.findall(rb"<assembly\b.*?</assembly>", data, re.S)
    check(len(texts) == 1 and all(re.search(p, texts[0].decode(), re.S) for p in MANIFEST),
          "the manifest: asInvoker, Windows 7 to 11, Common Controls 6, PerMonitorV2 (true/pm before Windows 10)")
    firmware = open(image, "rb").read()
    check([size for t, n, _, size in resources if (t, n) == ("BIN", "0x000086")] == [len(firmware)] and
          firmware in data, "BIN 134 holds the embedded image unchanged")


CASES = {"exe": case_exe, "port-list": case_port_list, "names": case_names, "event-log": case_event_log,
         "live-view": case_live_view, "report": case_report, "dialog": case_dialog}

if __name__ == "__main__":
    main(CASES)
