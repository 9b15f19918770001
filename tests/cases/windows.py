#!/usr/bin/env python3
"""The Windows program under Wine: its port finder, its serial link and upgrade
without a window, many ports from one command, and whole upgrades through its
real window at several display scales.

Usage: windows.py BUILD CASE EXE [ARG...]   (BUILD: the Linux build, for the
       simulator and the image tools; ARG: the cross build folder for "headless",
       the display scales for "dialog")
       windows.py --list
"""
import os
import re
import subprocess
import sys
import time
from collections import deque

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import display as d  # noqa: E402
from core import FAST, Instrument, Stop, check, main, must, step, wait_until  # noqa: E402
from wine import Wine, events  # noqa: E402

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
    FTDI adapter as COM2 and a modem's port as COM3 (not in the Ports class)."""
    wine = Wine(ws)
    for devices, want in (({}, {}), ({"COM1": CDC, "COM2": FTDI, "COM3": MODEM},
                                     {"COM1": "  USB Serial Device (COM1), " + CDC[3],
                                      "COM2": "  USB Serial Port (COM2), " + FTDI[3]})):
        if devices:
            with open(ws.path("devices.reg"), "w") as f:
                f.write("REGEDIT4\n\n" + "".join(device_entries(dev, port) for port, dev in devices.items()))
            step(["wine", "regedit", "/S", "Z:" + ws.path("devices.reg").replace("/", "\\")], env=ws.env)
        run = wine.run(exe(ws), "--list-ports")
        lines = {line.split()[0]: line for line in run.out.replace("\r", "").splitlines() if line.startswith("COM")}
        check(run.code == 0 and not run.err, f"--list-ports: exit {run.code}, {run.err!r}")
        for port in ("COM1", "COM2", "COM3", "COM4"):
            line, end = lines.get(port, ""), want.get(port, "]")
            check(line.endswith(end), f"{port}: {line!r}, want it to end with {end!r}")


# name: simulator options, exit code, line 1 starts with, a valid image
HEADLESS = {
    "complete": (FAST, 0, "Upgrade complete!", True),
    "line-stalls-mid-image": (FAST + ["--stall-at", "200000"], 1, "Upgrade failed!  Check RS232", False),
    "line-hung-up-mid-image": (FAST + ["--hangup-at", "200000"], 1, "", False),
}


def case_headless(ws):
    """The serial link and the upgrade through the main dialog on the headless backend
    (windows-port-bench), the instrument's pty as COM3, the port list's third entry."""
    bench = os.path.join(os.path.realpath(ws.args[1]), "bench", "windows-port-bench.exe")
    wine = Wine(ws)
    for name, (options, code, line1, valid) in HEADLESS.items():
        instrument = Instrument(ws, *options, link=False)
        wine.map({"COM3": instrument.pty})
        run = wine.run(bench, "upgrade", "2", bound=120)
        summary = instrument.verdict(ends_by_itself=valid)
        shown = re.search(r"^line 1: (.*)$", run.out, re.M)
        shown = shown.group(1) if shown else ""
        check(run.code == code and shown.startswith(line1) and (code == 0 or not shown.startswith("Upgrade com"))
              and summary["valid"] == valid, f"{name}: exit {run.code}, line 1 {shown!r}, {summary}: {run.err[-300:]}")
        wine.stop()


def case_many_ports(ws):
    """Two ports from one command with --json: both valid images, only JSON events of both
    on standard output, each ending complete (line ends passed on once), two record lines."""
    instruments = {f"COM{n}": Instrument(ws, *FAST, link=False) for n in (1, 2)}
    wine = Wine(ws)
    wine.map({port: i.pty for port, i in instruments.items()})
    run = wine.run(exe(ws), "--batch", "--port", "COM1-COM2", "--json")
    check(run.code == 0 and "\r\r" not in run.out, f"exit 0, lines whole: {run.code}, {run.err[-300:]}")
    ends = {e.get("port"): e.get("outcome") for e in events(run.out) if e.get("event") == "end"}
    check(ends == {"COM1": "complete", "COM2": "complete"} and all(
        line.startswith("{") for line in run.out.splitlines()), f"only events, each port complete: {ends}")
    check(all(i.verdict()["valid"] for i in instruments.values()), "both instruments got a valid image")
    check(sorted(r["port"] for r in wine.records()) == ["COM1", "COM2"], f"two record lines: {wine.records()}")


def status_lines(png, dpi):
    """The red status lines of a screenshot of the dialog: inside the status area (its
    largest white area), exactly two bands of red rows with a blank row between them
    and below, the second 20 px at 96 DPI below the first, scaled."""
    ppm = subprocess.run(["convert", png, "ppm:-"], capture_output=True, check=True).stdout
    magic, width, height, _, pixels = ppm.split(maxsplit=4)
    width, height = int(width), int(height)

    def rgb(x, y):
        i = 3 * (y * width + x)
        return pixels[i], pixels[i + 1], pixels[i + 2]

    def red(x, y):  # the text's red, smoothed edges included
        r, g, b = rgb(x, y)
        return r >= 128 and r - max(g, b) >= 64

    seen, best = bytearray(width * height), None
    for start in range(width * height):
        sx, sy = start % width, start // width
        if seen[start] or min(rgb(sx, sy)) < 250:
            continue
        seen[start], queue, area, box = 1, deque([(sx, sy)]), 0, [sx, sy, sx, sy]
        while queue:
            x, y = queue.popleft()
            area += 1
            box = [min(box[0], x), min(box[1], y), max(box[2], x), max(box[3], y)]
            for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                if 0 <= nx < width and 0 <= ny < height and not seen[ny * width + nx] and (
                        min(rgb(nx, ny)) >= 250 or red(nx, ny)):
                    seen[ny * width + nx] = 1
                    queue.append((nx, ny))
        best = max(best or (0,), (area, *box))
    must(best, f"{png}: no white status area")
    _, left, top, right, bottom = best
    bands = []
    for y in range(top, bottom + 1):
        if any(red(x, y) for x in range(left, right + 1)):
            if bands and y == bands[-1][1] + 1:
                bands[-1][1] = y
            else:
                bands.append([y, y])
    step_px = round(20 * dpi / 96)
    check(magic == b"P6" and len(bands) == 2 and bands[1][0] - bands[0][1] >= 2 and bands[1][1] < bottom
          and abs(bands[1][0] - bands[0][0] - step_px) <= 1,
          f"two status lines {step_px} px apart inside the status area at {dpi} DPI: bands {bands}, area {best}")


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
    a valid image, the record's line, both status lines in place, Escape ends it."""
    program, shots = exe(ws), ws.build.path(os.path.join("screenshots", "wine"))
    os.makedirs(shots, exist_ok=True)
    d.Display(ws, "800x600x24")
    wine = Wine(ws)
    instrument = Instrument(ws, *FAST, "--repeat", link=False)
    wine.map({"COM1": instrument.pty})
    trace = subprocess.run(["wine", program, "--version"], env=dict(ws.env, WINEDEBUG="+actctx"),
                           capture_output=True, text=True).stderr
    thread = re.search(r"^([0-9a-f]+):.*get_manifest_in_module .*ORVEX_DIALOG1\.EXE", trace, re.M | re.I)
    own = "\n".join(line for line in trace.splitlines() if thread and line.startswith(thread.group(1) + ":"))
    for want in ('got L"dpiAwareness" L"PerMonitorV2', 'got L"dpiAware" L"true/pm"',
                 r"loading manifest file .*microsoft.windows.common-controls_6595b64144ccf1df_6\."):
        check(re.search(want, own), f"the loader took the program's manifest: no {want!r} in its trace")
    for at, dpi in enumerate(int(v) for v in ws.args[1:] or ["96", "192"]):
        wine.reg("add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f")
        app = ws.start(["wine", program], cwd=ws.dir, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        main_window = wait_until("the main dialog", lambda: (d.x_windows("--name", r"^ORVEX-A/B Firmware Programmer$")
                                                             or [None])[0], 60)
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
        check(app.wait(timeout=30) == 0, f"Escape ends the program with code 0 at {dpi} DPI")
    instrument.process.terminate()
    summaries = [line for line in open(instrument.out.name) if '"valid":true' in line]
    check(len(summaries) == len(ws.args[1:] or ["96", "192"]), f"a valid image at each scale: {summaries}")


CASES = {"port-list": case_port_list, "headless": case_headless, "many-ports": case_many_ports,
         "dialog": case_dialog}

if __name__ == "__main__":
    main(CASES)
