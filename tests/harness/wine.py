"""The Windows program under Wine: a prefix of the case's own (a copy of the
stage's template, made by scripts/lib/wine.sh as a user makes one), ports mapped
to ptys, the program run as on a Traditional Chinese system."""
import glob
import json
import os
import subprocess

from core import Run, check, step

WINE_SH = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "lib", "wine.sh")


class Wine:
    def __init__(self, ws, locale="zh_TW.UTF-8"):
        self.ws, self.prefix = ws, ws.path("prefix")
        step(["bash", "-c", 'source "$1" && orvex_wine_prefix "$2"', "wine", WINE_SH, self.prefix], timeout=300)
        ws.env.update(WINEPREFIX=self.prefix, WINEARCH="win64", WINEDEBUG="-all", LC_ALL=locale)
        self.server = None
        ws.cleanups.append(self.stop)

    def map(self, ports):
        """COMn opens each device given ({"COM1": "/dev/pts/3"}). Wine's mount manager
        rewrites dosdevices/comN from the key when a program starts after a server
        restart, racing that program's open of the port: the link is written too.
        -p keeps the new server up, and -f with our own process means a closing pty
        cannot take it down with the session."""
        for port, device in ports.items():
            step(["wine", "reg", "add", r"HKLM\Software\Wine\Ports", "/v", port, "/d", device, "/f"], env=self.ws.env)
        self.stop()
        for port, device in ports.items():
            link = os.path.join(self.prefix, "dosdevices", port.lower())
            if os.path.lexists(link):
                os.remove(link)
            os.symlink(device, link)
        self.serve()

    def serve(self):
        """A server kept up, booted now with its own processes writing to a file of their own: what a run
        prints after is the program's alone (one of them crashing at a boot had put Wine's message about it
        into a run's standard error)."""
        self.server = self.ws.start(["wineserver", "-f", "-p"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        check((boot := Run(self.ws, ["wine", "cmd", "/c", "exit"], 120)).code == 0, f"Wine's boot: {boot.out}{boot.err}")

    def run(self, exe, *args, bound=300, env=None):
        return Run(self.ws, ["wine", exe, *args], bound, env=dict(self.ws.env, **(env or {})))

    def record(self):
        found = glob.glob(os.path.join(self.prefix, "drive_c", "users", "*", "AppData", "Local", "ORVEX", "upgrades.jsonl"))
        return found[0] if found else None

    def records(self):
        return self.ws.records(self.record()) if self.record() else []

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.ws.env, capture_output=True)
        subprocess.run(["wineserver", "-w"], env=self.ws.env, capture_output=True)
        if self.server:
            self.server.wait()
            self.server = None


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def events(text):
    return [json.loads(line) for line in text.splitlines() if line.startswith("{")]
