"""A stand-in for logind on a private bus, given to the program as its system
bus, so that a case can watch the sleep inhibitor. Run as a program, it serves
Manager.Inhibit and writes one line per event, flushed:
  ready                                    once it owns org.freedesktop.login1
  inhibit <what>|<who>|<why>|<mode> <ms>   Inhibit was called; <ms> taken before the reply
  release <ms>                             every copy of the descriptor returned is closed
<ms> is CLOCK_MONOTONIC in milliseconds. It ends with its bus, or on SIGTERM."""
import os
import subprocess
import sys
import time

from core import must, private_bus, wait_until

MANAGER = ('<node><interface name="org.freedesktop.login1.Manager"><method name="Inhibit">'
           + '<arg type="s" direction="in"/>' * 4 + '<arg type="h" direction="out"/></method></interface></node>')


def say(text):
    print(f"{text}{time.clock_gettime_ns(time.CLOCK_MONOTONIC) // 1000000}", flush=True)


def serve():
    from gi.repository import Gio, GLib

    def released(fd, _):
        os.close(fd)
        say("release ")
        return False

    def inhibit(connection, sender, path, interface, method, args, invocation):
        say("inhibit " + "|".join(args.unpack()) + " ")
        read, write = os.pipe()  # the lock lasts until every copy of the write end is closed
        GLib.unix_fd_add_full(GLib.PRIORITY_DEFAULT, read, GLib.IOCondition.HUP, released)
        invocation.return_value_with_unix_fd_list(GLib.Variant("(h)", (0,)), Gio.UnixFDList.new_from_array([write]))

    loop = GLib.MainLoop()
    bus = Gio.bus_get_sync(Gio.BusType.SYSTEM)
    bus.connect("closed", lambda *_: loop.quit())
    bus.register_object("/org/freedesktop/login1", Gio.DBusNodeInfo.new_for_xml(MANAGER).interfaces[0], inhibit)
    Gio.bus_own_name_on_connection(bus, "org.freedesktop.login1", Gio.BusNameOwnerFlags.NONE,
                                   lambda *_: print("ready", flush=True), lambda *_: loop.quit())
    loop.run()


class Logind:
    """The stand-in on a bus of its own, named in the workspace's environment as the system bus."""

    def __init__(self, ws):
        ws.env["DBUS_SYSTEM_BUS_ADDRESS"] = private_bus(ws)
        self.log = ws.path("login1.log")
        with open(self.log, "w") as out:
            self.standin = ws.start([sys.executable, __file__], stdout=out, stderr=subprocess.STDOUT)
        wait_until("the logind stand-in on the bus", self._ready, 10)

    def _ready(self):
        text = open(self.log).read()
        must(self.standin.poll() is None, f"the logind stand-in ended: {text}")
        return "ready\n" in text

    def lines(self):
        with open(self.log) as f:
            return [line.strip() for line in f if line.startswith(("inhibit", "release"))]


if __name__ == "__main__":
    serve()
