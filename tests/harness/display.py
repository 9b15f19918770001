"""A display of the case's own: Xvfb, a private session bus with the
accessibility bus, the dialog read through AT-SPI and driven with xdotool."""
import os
import subprocess
import time

from core import Stop, private_bus, step, wait_until

TITLE = "ORVEX-A/B Firmware Programmer"
# The boxes the serial link shows when the line dies; the program then ends with code 1.
PORT_FAILURE_BOXES = {"ReadFile ReaderAndStatusProc", "ReadFile in ReaderAndStatusProc", "Close comm port error",
                      "Write timed out.(overlapped)"}
ABOUT_TITLE = "關於 ORVEX_DIALOG1"
pyatspi = None  # imported once the session's bus is in the environment


class Display:
    """Xvfb on a free display. -noreset: a server resets when its last client
    leaves, and a client connecting meanwhile (the accessibility registry, the
    program) is dropped with "cannot open display"; a loaded machine widens
    that window."""

    def __init__(self, ws, size="1024x768x24"):
        self.log = ws.path("xvfb.log")
        read, write = os.pipe()
        with open(self.log, "w") as log:
            self.process = ws.start(["Xvfb", "-displayfd", str(write), "-screen", "0", size, "-nolisten", "tcp",
                                     "-noreset"], pass_fds=(write,), stdout=log, stderr=log)
        os.close(write)
        with os.fdopen(read) as ready:
            number = ready.readline().strip()  # written once the server takes clients
        if not number:
            with open(self.log) as log:
                raise Stop(f"Xvfb did not start: {log.read()[-600:]}")
        ws.env["DISPLAY"] = os.environ["DISPLAY"] = f":{number}"


def session_bus(ws):
    """A private session bus, for this case's process and the program's."""
    address = private_bus(ws)
    for env in (ws.env, os.environ):
        env.update(DBUS_SESSION_BUS_ADDRESS=address, NO_AT_BRIDGE="0", GTK_A11Y="atspi")
        env.pop("WAYLAND_DISPLAY", None)


def accessibility():
    global pyatspi
    import pyatspi as module  # reads the session bus from the environment
    pyatspi = module
    wait_until("the accessibility registry", lambda: pyatspi.Registry.getDesktop(0) is not None)


def find(root, role, name=None):
    return pyatspi.findDescendant(root, lambda a: a is not None and a.getRoleName() == role and (
        name is None or a.name == name))


def press(accessible):
    """The default action, as a screen reader invokes it; False when no answer came."""
    try:
        return accessible.queryAction().doAction(0)
    except Exception:  # the program was busy or ended before it answered
        return False


def x_windows(*criteria):
    return subprocess.run(["xdotool", "search", "--onlyvisible", *criteria], capture_output=True,
                          text=True).stdout.split()


def x_window_titled(title):
    """Searching by name fails on titles in CJK: each window's title is compared."""
    for w in x_windows("--class", "orvex-programmer"):
        name = subprocess.run(["xdotool", "getwindowname", w], capture_output=True, text=True).stdout
        if name.strip() == title:
            return w
    return None


def key(window, keys):
    """Keys typed into `window`, given the focus first: without a window manager nobody
    gives it back when a dialog closes. Typed, not sent to the window: GTK took a key
    sent to a second About box of one session as nothing."""
    subprocess.run(["xdotool", "windowfocus", "--sync", window], stderr=subprocess.DEVNULL)
    # A key that closes the window makes the release fail: the outcome is checked instead.
    subprocess.run(["xdotool", "key", *keys.split()], stderr=subprocess.DEVNULL)


def click(window, x, y, button=1):
    step(["xdotool", "mousemove", "--window", window, str(x), str(y), "click", str(button)])


def close_box(window):
    """The close box as a window manager presses it: a WM_DELETE_WINDOW client message."""
    from Xlib import X, display, protocol  # python3-xlib
    server = display.Display()
    target = server.create_resource_object("window", int(window))
    target.send_event(protocol.event.ClientMessage(window=target, client_type=server.intern_atom("WM_PROTOCOLS"),
                                                   data=(32, [server.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime,
                                                              0, 0, 0])))
    server.sync()  # handled before the connection ends: a server may drop what it has not read by then
    server.close()


def screenshot(ws, window, name):
    """The window's picture in the build's screenshots/."""
    os.makedirs(ws.build.path("screenshots"), exist_ok=True)
    step(["import", "-window", window, ws.build.path(os.path.join("screenshots", name))])


class Dialog:
    """The Linux program's dialog on the case's display, found on the accessibility bus."""

    IDLE = "Please turn off DSO and press 'YES' key!"

    def __init__(self, ws, argv=None, env=None):
        self.ws = ws
        self.process = ws.start(argv or [ws.build.program], env=env or ws.env)
        self.app = wait_until("the program on the accessibility bus", self._application)
        self.window = wait_until("the main dialog", lambda: self.titled(TITLE))
        self.panel = wait_until("the status text", lambda: find(self.window, "panel", self.IDLE))
        self.button = find(self.window, "push button", "YES")
        self.exit_button = find(self.window, "push button", "Exit")
        self.exit_at = self.exit_button.queryComponent().getExtents(pyatspi.WINDOW_COORDS)
        self.xid = wait_until("the main window", lambda: (x_windows("--name", "^ORVEX-A/B Firmware") or [None])[0])
        self.seen = [self.panel.name]

    def _application(self):
        must_run = self.process.poll()
        if must_run is not None:
            raise Stop(f"the program ended at its start with status {must_run}")
        return next((a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "orvex-programmer"), None)

    def titled(self, title):
        return next((w for w in self.app if w is not None and w.name == title), None)

    def line1(self):
        """Line 1 as the accessible names it (trimmed on the right), each change kept in seen."""
        try:
            name = self.panel.name
        except Exception:  # the program is busy or gone
            return None
        if name != self.seen[-1]:
            self.seen.append(name)
        return name

    def line2(self):
        return self.panel.description

    def caption(self):
        return self.button.name

    def boxes(self):
        """The message boxes on screen, the newest last: their texts and OK buttons."""
        found = []
        try:
            for w in self.app:
                if w is not None and w.getRoleName() == "alert":
                    labels = pyatspi.findAllDescendants(w, lambda a: a is not None and a.getRoleName() == "label")
                    button = find(w, "push button")
                    if button is not None:
                        found.append(([a.name for a in labels if a.name], button))
        except Exception:  # the tree changes while it is read
            return None
        return found

    def box_texts(self):
        boxes = self.boxes()
        return None if boxes is None else [texts for texts, _ in boxes]

    def leave(self, how):
        """Exit as the operator clicks it (the pointer: the click waits in a busy
        window's queue), or the close box."""
        if how == "exit":
            x, y, width, height = self.exit_at
            click(self.xid, x + width // 2, y + height // 2)
        else:
            close_box(self.xid)

    def wait_end(self, bound, confirm=None):
        """The exit code, the seconds it took and the boxes it showed meanwhile. With
        `confirm` (the texts a box may hold), each box is confirmed as it comes, the
        newest first (a reader thread's box can open over the other's)."""
        boxes, start = [], time.monotonic()
        while self.process.poll() is None:
            took = time.monotonic() - start
            if took > bound:
                raise Stop(f"the program still runs {took:.1f} s on; line 1 {self.seen}, boxes {boxes}")
            shown = self.boxes() or []
            if confirm is None or not shown:
                boxes += [t for t, _ in shown if t not in boxes]
                self.line1()
                time.sleep(0.05)
                continue
            texts, button = shown[-1]
            names = [t for t in texts if t in confirm]
            if not names:
                raise Stop(f"an unexpected box {texts}")
            boxes += [] if boxes[-1:] == names[:1] else names[:1]
            press(button)
            time.sleep(0.2)  # a press that reached the box before it took input is made again
        return self.process.returncode, time.monotonic() - start, boxes
