"""End-to-end cases of the programmer dialog: the program runs on an Xvfb
display, is driven with xdotool and read through AT-SPI.

Usage: gui_cases.py <case> <program> <x11_close> <screenshot dir> [instrument-sim]
"""
import os
import subprocess
import sys
import time

import pyatspi

TITLE = "ORVEX-A/B Firmware Programmer"
ABOUT_TITLE = "關於 ORVEX_DIALOG1"
IDLE_TEXT = "Please turn off DSO and press 'YES' key!"
TIMEOUT = 60.0


def wait_for(what, probe, timeout=TIMEOUT):
    """Polls probe() until it returns something true; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            result = probe()
        except Exception:  # the accessible tree changes while it is read
            result = None
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.1)


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def find(root, role, name=None):
    return pyatspi.findDescendant(
        root, lambda a: a is not None and a.getRoleName() == role and (name is None or a.name == name))


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "orvex-programmer":
            return app
    return None


def window(app, title):
    return next((w for w in app if w is not None and w.name == title), None)


def x_windows(*criteria):
    return subprocess.run(["xdotool", "search", "--onlyvisible", *criteria],
                          capture_output=True, text=True).stdout.split()


def x_window(name):
    found = x_windows("--name", name)
    return found[0] if found else None


def x_window_titled(title):
    """Searching by name fails on titles in CJK: compare each window's title instead."""
    for w in x_windows("--class", "orvex-programmer"):
        name = subprocess.run(["xdotool", "getwindowname", w], capture_output=True, text=True).stdout
        if name.strip() == title:
            return w
    return None


def key(window_id, keys):
    # Without a window manager nobody gives the focus back when a dialog closes.
    subprocess.run(["xdotool", "windowfocus", "--sync", window_id], stderr=subprocess.DEVNULL)
    # A key that closes the window makes the release fail: the outcome is checked instead.
    subprocess.run(["xdotool", "key", "--window", window_id, keys], stderr=subprocess.DEVNULL)


class Session:
    def __init__(self, program, closer, shots, instrument=None):
        self.closer = closer
        self.instrument = instrument
        self.shots = shots
        # The accessibility bus and its registry run before the program starts,
        # so that the program registers with them as it comes up.
        wait_for("the accessibility registry", lambda: pyatspi.Registry.getDesktop(0) is not None)
        self.process = subprocess.Popen([program])
        self.app = wait_for("the program on the accessibility bus", application)
        self.dialog = wait_for("the main dialog", lambda: window(self.app, TITLE))
        wait_for("the status text", lambda: self.status())
        self.xid = wait_for("the main window", lambda: x_window("^ORVEX-A/B Firmware"))

    def status(self):
        return find(self.dialog, "panel", IDLE_TEXT)

    def exit_code(self):
        return self.process.wait(timeout=TIMEOUT)

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def screenshot(self, xid, name):
        os.makedirs(self.shots, exist_ok=True)
        subprocess.run(["import", "-window", xid, os.path.join(self.shots, name)], check=True)


def case_idle(s):
    check(s.status().description == "", "line 2 is blank at start")
    check(find(s.dialog, "push button", "YES") is not None, "YES button")
    check(find(s.dialog, "push button", "Exit") is not None, "Exit button")
    combo = find(s.dialog, "combo box")
    check(combo.name == "COM1", f"COM1 selected, got {combo.name!r}")
    items = [c.name for c in find(combo, "menu")]
    check(items == [f"COM{n}" for n in range(1, 13)], f"ports in order, got {items}")
    yes = find(s.dialog, "push button", "YES")
    wait_for("YES focused", lambda: yes.getState().contains(pyatspi.STATE_FOCUSED))
    s.screenshot(s.xid, "main-dialog.png")
    key(s.xid, "Escape")
    check(s.exit_code() == 0, "Escape ends the program with code 0")


def case_close_box(s):
    subprocess.run([s.closer, s.xid], check=True)
    check(s.exit_code() == 0, "the close box ends the program with code 0")


def case_exit_button(s):
    exit_button = find(s.dialog, "push button", "Exit")
    exit_button.queryAction().doAction(0)
    check(s.exit_code() == 0, "Exit ends the program with code 0")


def check_about_and_close(s, how):
    about = wait_for("the About box", lambda: window(s.app, ABOUT_TITLE))
    check(find(about, "label", "ORVEX_DIALOG1 Version 1.0") is not None, "version line")
    check(find(about, "push button", "確定") is not None, "確定 button")
    about_xid = wait_for("the About window", lambda: x_window_titled(ABOUT_TITLE))
    s.screenshot(about_xid, f"about-{how}.png")
    key(about_xid, "Return")
    wait_for("the About box to close", lambda: window(s.app, ABOUT_TITLE) is None)
    check(s.status() is not None, "the main dialog is untouched")
    check(s.process.poll() is None, "the program still runs")
    key(s.xid, "Escape")
    check(s.exit_code() == 0, "exit code 0")


def case_about_f1(s):
    key(s.xid, "F1")
    check_about_and_close(s, "f1")


def case_about_menu(s):
    subprocess.run(["xdotool", "mousemove", "--window", s.xid, "40", "40", "click", "3"], check=True)
    item = wait_for("the About item", lambda: find(s.app, "menu item", "關於 ORVEX_DIALOG1(A)..."))
    item.queryAction().doAction(0)
    check_about_and_close(s, "menu")


def status_starting(s, prefix):
    return pyatspi.findDescendant(
        s.dialog, lambda a: a is not None and a.getRoleName() == "panel" and a.name.startswith(prefix))


def case_upgrade(s):
    """A whole upgrade against the simulated instrument on COM1, then NEXT."""
    find(s.dialog, "push button", "YES").queryAction().doAction(0)
    done = wait_for("the upgrade to complete", lambda: status_starting(s, "Upgrade complete!"), timeout=120)
    check(done.description == "Press 'Next' to upgrade the next DSO.", f"line 2, got {done.description!r}")
    next_button = wait_for("the NEXT caption", lambda: find(s.dialog, "push button", "NEXT"))
    s.screenshot(s.xid, "after-upgrade.png")
    next_button.queryAction().doAction(0)
    wait_for("the idle text after NEXT", lambda: s.status())
    check(find(s.dialog, "push button", "YES") is not None, "the caption is YES again")
    key(s.xid, "Escape")
    check(s.exit_code() == 0, "Escape ends the program with code 0")


# The boxes the serial link shows when the line dies; the program then ends with code 1.
PORT_FAILURE_BOXES = {"ReadFile ReaderAndStatusProc", "ReadFile in ReaderAndStatusProc", "Close comm port error",
                      "Write timed out.(overlapped)"}
HANGUP_BOUND = 30.0


def message_boxes(s):
    """The texts and OK buttons of the message boxes on screen, the newest last."""
    boxes = []
    for w in s.app:
        if w is not None and w.getRoleName() == "alert":
            labels = pyatspi.findAllDescendants(w, lambda a: a is not None and a.getRoleName() == "label")
            button = find(w, "push button")
            if button is not None:
                boxes.append(([a.name for a in labels if a.name], button))
    return boxes


def box_texts(s):
    try:
        return [texts for texts, _ in message_boxes(s)]
    except Exception:  # the accessible tree changes while it is read
        return None


def acknowledge_until_end(s, line):
    """Confirms every box as it appears until the program ends; returns the texts seen.
    A box of the reader thread can open over one of the user-interface thread: the newest goes first."""
    seen = []
    deadline = time.monotonic() + HANGUP_BOUND
    while s.process.poll() is None:
        check(time.monotonic() < deadline, f"the program still runs {HANGUP_BOUND:.0f} s after the hang-up; boxes {seen}")
        try:
            boxes = message_boxes(s)
        except Exception:  # the accessible tree changes while it is read
            boxes = []
        if not boxes:
            time.sleep(0.1)
            continue
        texts, button = boxes[-1]
        known = [t for t in texts if t in PORT_FAILURE_BOXES]
        check(known, f"an unexpected box {texts}")
        seen.append(known[0])
        button.queryAction().doAction(0)
        # The box stays in the tree until the toolkit has taken it down.
        wait_for(f"the box {texts} to close",
                 lambda: s.process.poll() is not None or texts not in (box_texts(s) or [texts]),
                 timeout=max(deadline - time.monotonic(), 0.1))
    line.kill()
    line.wait()
    check(s.process.returncode == 1, f"exit code 1 after a dead line, got {s.process.returncode}; boxes {seen}")
    print(f"boxes: {seen}")


def hang_up_with(s, far_side, says_when=True):
    line = subprocess.Popen(far_side, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    line.stdout.readline()  # the pty is linked as COM1
    # A press through the accessibility bus would run the whole upgrade inside
    # its call, and the bus could not read the boxes: the key presses YES.
    key(s.xid, "Return")
    if says_when:
        check(line.stdout.readline().strip() == "hung up", "the line hung up")
    acknowledge_until_end(s, line)


def hang_up_in_probe(count):
    def case(s):
        hang_up_with(s, [sys.executable, HANGUP_LINE, "probe", str(count)])
    return case


HANGUP_LINE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "hangup_line.py")
case_hangup_probe_5 = hang_up_in_probe(5)
case_hangup_probe_20 = hang_up_in_probe(20)
case_hangup_probe_40 = hang_up_in_probe(40)


def case_hangup_command(s):
    hang_up_with(s, [sys.executable, HANGUP_LINE, "command"])


def case_hangup_transfer(s):
    hang_up_with(s, [s.instrument, "--link", "COM1", "--baud", "0", "--hangup-at", "300000"], says_when=False)


CASES = {name[5:]: fn for name, fn in globals().items() if name.startswith("case_")}


def main():
    name, program, closer, shots = sys.argv[1:5]
    session = Session(program, closer, shots, *sys.argv[5:6])
    try:
        CASES[name](session)
    finally:
        session.stop()
    print(f"{name}: passed")


if __name__ == "__main__":
    main()
