"""End-to-end cases of the programmer dialog: the program runs on an Xvfb
display, is driven with xdotool and read through AT-SPI.

Usage: gui_cases.py <case> <program> <x11_close> <screenshot dir> [instrument-sim]
       gui_cases.py --list   (each case with its time bound in seconds, for CMake)
"""
import json
import os
import signal
import select
import subprocess
import sys
import time

try:
    import pyatspi
except ImportError:  # enough to list the cases
    pyatspi = None

from hangup_line import link_com1

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from record_lines import records  # noqa: E402

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


def default_signals():
    for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT):
        signal.signal(number, signal.SIG_DFL)


class Session:
    def __init__(self, program, closer, shots, instrument=None):
        self.closer = closer
        self.instrument = instrument
        self.shots = shots
        # The accessibility bus and its registry run before the program starts,
        # so that the program registers with them as it comes up.
        wait_for("the accessibility registry", lambda: pyatspi.Registry.getDesktop(0) is not None)
        # Default dispositions, whatever started the tests: the signal cases need them.
        self.process = subprocess.Popen([program], preexec_fn=default_signals)
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
    retrying = False
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
        if not seen or seen[-1] != known[0] or not retrying:
            seen.append(known[0])
        button.queryAction().doAction(0)
        # The box stays in the tree until the toolkit has taken it down; a press
        # that reached the box before it took input is made again.
        try:
            wait_for(f"the box {texts} to close",
                     lambda: s.process.poll() is not None or texts not in (box_texts(s) or [texts]),
                     timeout=min(5.0, max(deadline - time.monotonic(), 0.1)))
            retrying = False
        except AssertionError:
            retrying = True
    line.kill()
    line.wait()
    check(s.process.returncode == 1, f"exit code 1 after a dead line, got {s.process.returncode}; boxes {seen}")
    check(outcomes() == ["port-failed"], f"one record line for the dead port, got {records()}")
    print(f"boxes: {seen}")


def hang_up_with(s, far_side, says_when=True):
    line = subprocess.Popen(far_side, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    line.stdout.readline()  # the pty is linked as COM1
    key(s.xid, "Return")
    if says_when:
        check(line.stdout.readline().strip() == "hung up", "the line hung up")
    acknowledge_until_end(s, line)


def hang_up_in_probe(count):
    def case(s):
        hang_up_with(s, [sys.executable, HANGUP_LINE, "probe", str(count)])
    return case


HANGUP_LINE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "hangup_line.py")


def case_hangup_command(s):
    hang_up_with(s, [sys.executable, HANGUP_LINE, "command"])


def case_hangup_transfer(s):
    hang_up_with(s, [s.instrument, "--link", "COM1", "--baud", "0", "--hangup-at", "300000"], says_when=False)


# The operator leaves, or presses YES again, while an upgrade runs.
TURN_ON_TEXT = "Please turn on DSO now."
UPGRADING_TEXT = "Upgrading!   (It takes about 180 sec.)"  # the accessible name is trimmed on the right
COMPLETE_TEXT = "Upgrade complete!"
PORT_ERROR_TEXT = "Port Error!  Check COM port & Re-press 'YES' key!"
HELD_COMMAND_LINE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "held_command_line.py")
LEAVE_BOUND = 10.0  # from the operator's Exit to the end of the program, where nothing holds it


class Watch:
    """Reads line 1 and the YES/NEXT caption through the accessibles found at the
    start (their names change), keeping every line-1 text seen."""

    def __init__(self, s):
        self.panel = s.status()
        self.button = find(s.dialog, "push button", "YES")
        # Read now: the window answers nothing while it repeats the update command.
        self.exit_button = find(s.dialog, "push button", "Exit")
        self.exit_extents = self.exit_button.queryComponent().getExtents(pyatspi.WINDOW_COORDS)
        self.seen = [self.panel.name]
        self.started = time.monotonic()

    def line1(self):
        try:
            name = self.panel.name
        except Exception:  # the program is busy or gone
            return None
        if name != self.seen[-1]:
            self.seen.append(name)
        return name

    def caption(self):
        return self.button.name

    def elapsed(self):
        return time.monotonic() - self.started


FAR_SIDES = []  # stopped when the case ends, whatever its outcome


class FarSide:
    """A process at the far end of COM1 that reports in lines on its standard output."""

    def __init__(self, argv):
        self.process = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        FAR_SIDES.append(self)
        self.pending = b""
        self.line("the pty path")  # the pty is linked as COM1

    def line(self, what, timeout=TIMEOUT):
        deadline = time.monotonic() + timeout
        while b"\n" not in self.pending:
            ready, _, _ = select.select([self.process.stdout], [], [], max(deadline - time.monotonic(), 0))
            check(ready, f"timed out waiting for {what}")
            data = os.read(self.process.stdout.fileno(), 4096)
            check(data, f"the far side ended before {what}")
            self.pending += data
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode().strip()

    def tell(self, text):
        self.process.stdin.write(text.encode() + b"\n")
        self.process.stdin.flush()

    def verdict(self, timeout=TIMEOUT):
        """The simulator's exit code and summary (its last line) once it has ended."""
        deadline = time.monotonic() + timeout
        while True:
            remaining = deadline - time.monotonic()
            check(remaining > 0, "the simulator did not end")
            ready, _, _ = select.select([self.process.stdout], [], [], remaining)
            if not ready:
                continue
            data = os.read(self.process.stdout.fileno(), 4096)
            if not data:
                break
            self.pending += data
        code = self.process.wait(timeout=max(deadline - time.monotonic(), 1))
        return code, json.loads(self.pending.decode().strip().splitlines()[-1])

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()


def simulator(s, *options):
    return FarSide([s.instrument, "--link", "COM1", *options])


def completes(w, line):
    """The dialog says the upgrade is complete, and the instrument on `line` got a valid image."""
    wait_for("the upgrade to complete", lambda: w.line1() == COMPLETE_TEXT, timeout=120)
    code, summary = line.verdict()
    check(code == 0 and summary["valid"], f"the instrument verified the image: {summary}")


def upgrade_by_key(s, w):
    """An upgrade started with Return against an instrument as fast as the line, seen to its end."""
    line = simulator(s, "--baud", "0")
    key(s.xid, "Return")
    completes(w, line)


def outcomes():
    return [r["outcome"] for r in records()]


def leave(s, w, how):
    """Exit as the operator clicks it (the pointer, so the click waits in the queue of
    a busy window), or the close box."""
    if how == "exit":
        x, y, width, height = w.exit_extents
        subprocess.run(["xdotool", "mousemove", "--window", s.xid, str(x + width // 2), str(y + height // 2),
                        "click", "1"], check=True)
    else:
        subprocess.run([s.closer, s.xid], check=True)


def wait_for_end(s, w, bound):
    """Waits for the program to end within bound seconds, noting the boxes it shows."""
    boxes = []
    start = time.monotonic()
    while s.process.poll() is None:
        took = time.monotonic() - start
        check(took < bound, f"the program still runs {took:.1f} s after the operator left; line 1 {w.seen}, "
                            f"boxes {boxes}")
        texts = box_texts(s) or []
        boxes += [t for t in texts if t not in boxes]
        w.line1()
        time.sleep(0.05)
    return s.process.returncode, time.monotonic() - start, boxes


def check_left_quietly(s, w, bound):
    code, took, boxes = wait_for_end(s, w, bound)
    check(code == 0, f"the operator's Exit ends the program with code 0, got {code}")
    check(not boxes, f"no box when the operator leaves, got {boxes}")
    check(COMPLETE_TEXT not in w.seen, f"no success shown, line 1 {w.seen}")
    return took


def leave_during_probe(how):
    def case(s):
        w = Watch(s)
        line = simulator(s, "--baud", "0", "--no-prompt")
        key(s.xid, "Return")
        # Only the probe's pumping can answer while the upgrade runs.
        wait_for("the probe", lambda: w.line1() == TURN_ON_TEXT)
        check(w.caption() == "YES", f"the caption during the probe, got {w.caption()!r}")
        leave(s, w, how)
        took = check_left_quietly(s, w, LEAVE_BOUND)
        line.stop()
        check([(r["outcome"], r["bytesSent"]) for r in records()] == [("abandoned", 0)],
              f"one record line for the upgrade the operator left, got {records()}")
        print(f"ended {took:.2f} s after the operator left, {w.elapsed():.1f} s in all; line 1 {w.seen}")
    return case


def leave_during_command(how, answered):
    """The window serves nothing while it repeats the update command: the operator's
    action waits until the exchange ends, in the transfer when the boot loader
    answers, after the command time-out when it does not."""
    def case(s):
        w = Watch(s)
        line = FarSide([sys.executable, HELD_COMMAND_LINE])
        key(s.xid, "Return")
        check(line.line("the update command") == "update command", "the update command arrived")
        # Nothing may read the window now: the read would wait for the exchange to end.
        leave(s, w, how)
        left = time.monotonic()
        if answered:
            line.tell("reply")
        bound = LEAVE_BOUND + (0 if answered else 12.0)  # a command time-out takes about 10 s
        took = check_left_quietly(s, w, bound)
        if answered:
            check(line.line("the image") == "image", "the image began")
        sent = int(line.line("the end of the line").split()[-1])
        line.stop()
        ended = outcomes()
        if answered:
            check(0 < sent < 2281784, f"the image began and was cut short, got {sent} bytes")
            check(ended == ["abandoned"], f"one record line for the upgrade the operator left, got {ended}")
        else:
            check(sent == 0, f"nothing after an unanswered command, got {sent} bytes")
            check(ended == ["command-timeout"], f"the exchange timed out first, got {ended}")
        print(f"ended {time.monotonic() - left:.2f} s after the operator left ({took:.2f} s of it watched), "
              f"image bytes {sent}, records {ended}")
    return case


def leave_during_transfer(how):
    def case(s):
        w = Watch(s)
        line = simulator(s, "--baud", "115200")  # the whole image would take minutes
        key(s.xid, "Return")
        wait_for("the transfer", lambda: w.line1() == UPGRADING_TEXT)
        check(w.caption() == "YES", f"the caption during the transfer, got {w.caption()!r}")
        leave(s, w, how)
        took = check_left_quietly(s, w, LEAVE_BOUND)
        code, summary = line.verdict()
        check(code != 0 and not summary["valid"], f"the instrument has no valid image: {summary}")
        check([r["outcome"] for r in records()] == ["abandoned"] and 0 < records()[0]["bytesSent"] < 2281784,
              f"one record line for the upgrade the operator left, with the bytes sent, got {records()}")
        print(f"ended {took:.2f} s after the operator left, {w.elapsed():.1f} s in all; "
              f"the instrument got {summary['bytes']} bytes")
    return case


# A screen reader's press of Exit ends the program as a click does, well inside
# the probe's 10 s; finding the button first takes it a few dozen requests.
ACTION_BOUND = 5.0
READER_BOUND = 8.0
SILENT_LINE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "silent_line.py")


def reader_presses_exit(s, w):
    """Exit pressed as a screen reader presses it: it finds the button in the dialog
    through the accessibility bus, then invokes the button's default action. Returns
    the times from the search and from the action to the program's end."""
    start = time.monotonic()
    exit_button = find(s.dialog, "push button", "Exit")
    found = time.monotonic() - start
    check(found < READER_BOUND, f"finding Exit through the accessibility bus took {found:.1f} s")
    pressed = time.monotonic()
    try:
        exit_button.queryAction().doAction(0)  # may return before the window has taken it
    except Exception:  # the program ended before it answered
        pass
    code, _, boxes = wait_for_end(s, w, min(ACTION_BOUND, READER_BOUND - found))
    ended = time.monotonic()
    # Reading the window may have waited as long as the action: the end is checked here too.
    check(ended - pressed < ACTION_BOUND, f"the program ended {ended - pressed:.1f} s after Exit's action")
    check(ended - start < READER_BOUND, f"the program ended {ended - start:.1f} s after the search for Exit began")
    check(code == 0, f"Exit through the accessibility bus ends the program with code 0, got {code}")
    check(not boxes, f"no box when the operator leaves, got {boxes}")
    check(COMPLETE_TEXT not in w.seen, f"no success shown, line 1 {w.seen}")
    return ended - start, ended - pressed


def press_yes(s, w, how):
    if how == "key":
        key(s.xid, "Return")
    else:  # the screen reader's action; the upgrade must not run inside the bus's call
        w.button.queryAction().doAction(0)


def reader_exit_during_probe(yes):
    """A screen reader's Exit reaches the dialog while the probe waits for a silent
    instrument, long before the probe gives up, whether YES was pressed by the key
    or by the reader. The line, not the window, tells when the probe runs."""
    def case(s):
        w = Watch(s)
        line = FarSide([sys.executable, SILENT_LINE])
        press_yes(s, w, yes)
        check(line.line("the first probe byte") == "probe", "the probe began")
        took, after_action = reader_presses_exit(s, w)
        line.stop()
        check([(r["outcome"], r["bytesSent"]) for r in records()] == [("abandoned", 0)],
              f"one record line for the upgrade the operator left, got {records()}")
        print(f"ended {took:.2f} s after the search for Exit began, {after_action:.2f} s after the action; "
              f"line 1 {w.seen}")
    return case


LAST_PROBE = 101  # the probe's attempts before it gives up


def case_reader_exit_at_probe_end(s):
    """A screen reader's Exit that reaches the window in the probe's last pass, just
    before the probe gives up, still ends the program once the dialog is back in
    its own loop, as a click taken there does."""
    w = Watch(s)
    line = FarSide([sys.executable, SILENT_LINE, str(LAST_PROBE)])
    key(s.xid, "Return")
    check(line.line("the last probe byte", timeout=30) == f"probe {LAST_PROBE}", "the last probe byte")
    # The probe reads the bus only in its pass after this byte: the press waits for it.
    w.exit_button.queryAction().doAction(0)
    code, took, boxes = wait_for_end(s, w, LEAVE_BOUND)
    line.stop()
    check(code == 0, f"Exit ends the program with code 0, got {code}")
    check(outcomes() == ["probe-timeout"], f"the probe timed out first, got {records()}")
    print(f"ended {took:.2f} s after the action; line 1 {w.seen}")


def case_reader_exit_during_transfer(s):
    """The same while the image goes out, at 16 times the line rate: through a pty the
    writes wait in bursts, which at the real rate come 1.5 s apart, each serving one
    of the reader's requests (and one click)."""
    w = Watch(s)
    line = FarSide([sys.executable, HELD_COMMAND_LINE, "1843200"])
    key(s.xid, "Return")
    check(line.line("the update command") == "update command", "the update command arrived")
    line.tell("reply")
    check(line.line("the image") == "image", "the image began")
    took, after_action = reader_presses_exit(s, w)
    sent = int(line.line("the end of the line").split()[-1])
    line.stop()
    check(0 < sent < 2281784, f"the image began and was cut short, got {sent} bytes")
    check([r["outcome"] for r in records()] == ["abandoned"] and 0 < records()[0]["bytesSent"] < 2281784,
          f"one record line for the upgrade the operator left, with the bytes sent, got {records()}")
    print(f"ended {took:.2f} s after the search for Exit began, {after_action:.2f} s after the action; "
          f"the instrument got {sent} bytes")


def case_reader_yes_during_menu(s):
    """A screen reader's YES while the dialog's menu is open, a loop that runs inside
    the handling of the click that opened it, still runs from the loop and not inside
    the bus's call: the reader reads the dialog during the probe, and its Exit ends it."""
    w = Watch(s)
    line = FarSide([sys.executable, SILENT_LINE])
    subprocess.run(["xdotool", "mousemove", "--window", s.xid, "40", "40", "click", "3"], check=True)
    wait_for("the menu", lambda: find(s.app, "menu item", "關於 ORVEX_DIALOG1(A)..."))
    pressed = time.monotonic()
    try:
        w.button.queryAction().doAction(0)
    except Exception:  # no answer while the upgrade ran inside the call
        pass
    check(line.line("the first probe byte") == "probe", "the probe began")
    text = w.line1()
    took = time.monotonic() - pressed
    check(text == TURN_ON_TEXT and took < ACTION_BOUND,
          f"line 1 read {took:.1f} s after YES's action, during the probe: got {text!r}; line 1 {w.seen}")
    reader_presses_exit(s, w)
    line.stop()
    check([(r["outcome"], r["bytesSent"]) for r in records()] == [("abandoned", 0)],
          f"one record line for the upgrade the operator left, got {records()}")
    print(f"line 1 read {took:.2f} s after YES's action; line 1 {w.seen}")


def signal_during_transfer(number):
    """A signal (log-out, shut-down, kill, the terminal going away) ends the dialog as
    Exit does, with the upgrade recorded as interrupted and the signal's exit code."""
    def case(s):
        w = Watch(s)
        line = simulator(s, "--baud", "115200")
        key(s.xid, "Return")
        wait_for("the transfer", lambda: w.line1() == UPGRADING_TEXT)
        s.process.send_signal(number)
        code, took, boxes = wait_for_end(s, w, LEAVE_BOUND)
        check(code == 128 + number, f"exit code {128 + number} after signal {number}, got {code}")
        check(not boxes, f"no box when a signal ends the program, got {boxes}")
        verdict, summary = line.verdict()
        check(verdict != 0 and not summary["valid"], f"the instrument has no valid image: {summary}")
        check([r["outcome"] for r in records()] == ["interrupted"] and records()[0]["bytesSent"] > 0,
              f"one record line for the interrupted upgrade, with the bytes sent, got {records()}")
        print(f"ended {took:.2f} s after signal {number}; the instrument got {summary['bytes']} bytes")
    return case


def case_sigterm_idle(s):
    s.process.send_signal(signal.SIGTERM)
    check(s.exit_code() == 143, f"SIGTERM ends the idle dialog with code 143, got {s.process.returncode}")
    check(records() == [], f"no upgrade, no record line, got {records()}")






def wait_for_box(s, text):
    return wait_for(f"the box {text!r}", lambda: [b for t, b in message_boxes(s) if text in t])


def case_yes_during_port_error_box(s):
    """YES while the box of a failed open is up must not start another upgrade
    inside the first; afterwards the dialog still upgrades an instrument."""
    w = Watch(s)
    link_com1(os.path.join(os.environ["XDG_CONFIG_HOME"], "no-such-device"))
    key(s.xid, "Return")
    wait_for_box(s, "Error Create File ")
    start = time.monotonic()
    check(w.button.queryAction().doAction(0), "the second YES was pressed")  # taken in the box's loop
    pressed = time.monotonic() - start
    boxes = box_texts(s)
    check(boxes == [["Error Create File "]], f"one box after the second YES, got {boxes}")
    wait_for_box(s, "Error Create File ")[0].queryAction().doAction(0)
    wait_for("the port error", lambda: w.line1() == PORT_ERROR_TEXT)
    wait_for("the record", records)
    outcomes = [r["outcome"] for r in records()]
    check(outcomes == ["port-error"], f"one upgrade ran, got {outcomes}")
    check(box_texts(s) == [], f"no further box, got {box_texts(s)}")
    check(w.caption() == "YES", f"the caption after the port error, got {w.caption()!r}")
    check(w.seen.count(PORT_ERROR_TEXT) == 1, f"line 1 {w.seen}")
    # The same dialog then upgrades an instrument.
    upgrade_by_key(s, w)
    check(w.caption() == "NEXT", f"the caption after the upgrade, got {w.caption()!r}")
    check([r["outcome"] for r in records()] == ["port-error", "complete"], f"records {records()}")
    key(s.xid, "Escape")
    check(s.exit_code() == 0, "Escape ends the program with code 0")
    print(f"second YES handled in {pressed:.2f} s; line 1 {w.seen}; {w.elapsed():.1f} s in all")


def case_yes_during_transfer(s):
    """A second YES while the image goes out changes nothing: the upgrade completes."""
    w = Watch(s)
    line = simulator(s, "--baud", "1843200")  # about 12 s for the image
    key(s.xid, "Return")
    wait_for("the transfer", lambda: w.line1() == UPGRADING_TEXT)
    check(w.button.queryAction().doAction(0), "the second YES was pressed")  # handled inside the transfer's pumping
    key(s.xid, "Return")  # and one through the window's queue
    check(w.line1() == UPGRADING_TEXT, f"still upgrading after the second YES, line 1 {w.seen}")
    check(w.caption() == "YES", f"the caption during the transfer, got {w.caption()!r}")
    completes(w, line)
    check(w.caption() == "NEXT", f"the caption after the upgrade, got {w.caption()!r}")
    check(w.line1() == COMPLETE_TEXT, f"line 1 after the upgrade {w.seen}")
    outcomes = [r["outcome"] for r in records()]
    check(outcomes == ["complete"], f"one upgrade, got {outcomes}")
    key(s.xid, "Escape")
    check(s.exit_code() == 0, "Escape ends the program with code 0")
    print(f"line 1 {w.seen}; {w.elapsed():.1f} s in all")


OTHER_DIGEST = "0123456789abcdef" * 4


def embedded_digest(program):
    """The embedded image's SHA-256, as the program names it when it refuses the image."""
    said = subprocess.run([program, "--batch", "--port", "COM1", "--expect-sha256", OTHER_DIGEST],
                          capture_output=True, text=True).stderr
    check("SHA-256 " in said, f"the program named the embedded image's digest: {said!r}")
    return said.split("SHA-256 ")[1].split(",")[0]


def refused_at_yes(wanted):
    """ORVEX_EXPECT_SHA256 names another image, or is no digest: YES says so in a box
    (its text holding each of `wanted`) and starts nothing; the dialog then stays as
    it was. A screen reader's YES while the box is up neither stacks another box nor
    runs inside the bus's call, which would leave the reader no answer until the box
    closed."""
    def case(s):
        w = Watch(s)
        simulator(s, "--baud", "0")
        key(s.xid, "Return")
        button = wait_for("the refusal's box", lambda: [b for t, b in message_boxes(s)
                                                         if any(wanted[0] in text for text in t)])
        check(w.button.queryAction().doAction(0), "the second YES was pressed")
        # A press taken later would add its box after this reading: the caption is read first.
        check(w.caption() == "YES", "the dialog answers the screen reader after the second YES")
        texts = box_texts(s)
        check(len(texts) == 1 and any(all(part in t for part in wanted) for t in texts[0]),
              f"one box saying {wanted}, got {texts}")
        button[0].queryAction().doAction(0)
        wait_for("the box to close", lambda: box_texts(s) == [])
        check(w.line1() == IDLE_TEXT and w.caption() == "YES", f"the dialog as it was, line 1 {w.seen}")
        key(s.xid, "Escape")
        check(s.exit_code() == 0, "Escape ends the program with code 0")
        check(records() == [], f"no upgrade started, no record line: {records()}")
    return case


def case_pinned_embedded_image(s):
    """ORVEX_EXPECT_SHA256 names the embedded image (in capitals): the upgrade runs."""
    w = Watch(s)
    upgrade_by_key(s, w)
    pinned = os.environ["ORVEX_EXPECT_SHA256"].lower()
    check([(r["outcome"], r["imageSha256"]) for r in records()] == [("complete", pinned)], f"records {records()}")
    check(box_texts(s) == [], f"no box, got {box_texts(s)}")
    key(s.xid, "Escape")
    check(s.exit_code() == 0, "Escape ends the program with code 0")


def case_journal(s):
    """Three upgrades from the dialog, each with its journal entry (the test's own
    journald, tests/journal/private_journal.sh): complete, timed out, interrupted."""
    import journal_entries
    w = Watch(s)
    upgrade_by_key(s, w)
    check(w.button.queryAction().doAction(0), "NEXT was pressed")
    wait_for("the idle text after NEXT", lambda: w.line1() == IDLE_TEXT)
    line = simulator(s, "--baud", "0", "--no-prompt")
    key(s.xid, "Return")
    wait_for("the probe to time out", lambda: (w.line1() or "").startswith("Time Out!"), timeout=60)
    line.stop()
    line = simulator(s, "--baud", "115200")
    key(s.xid, "Return")
    wait_for("the transfer", lambda: w.line1() == UPGRADING_TEXT)
    s.process.send_signal(signal.SIGTERM)
    code, _, _ = wait_for_end(s, w, LEAVE_BOUND)
    check(code == 143, f"SIGTERM ends the dialog with code 143, got {code}")
    lines = journal_entries.record_texts()
    check(outcomes() == ["complete", "probe-timeout", "interrupted"], f"the record: {lines}")
    found = journal_entries.wait_for_entries(len(lines))
    faults = journal_entries.journal_faults(found, lines)
    check(not faults, f"the journal entries: {faults}")
    check(all(e.get("ORVEX_STATION") == os.environ["ORVEX_STATION"] for e in found), f"the station: {found}")
    print(f"journal: {[e['MESSAGE'] for e in found]}")


# Every case once: its name (the test is e2e_<name>), its time bound in seconds, what it runs.
CASES = {
    "idle": (240, case_idle),
    "close_box": (240, case_close_box),
    "exit_button": (240, case_exit_button),
    "about_f1": (240, case_about_f1),
    "about_menu": (240, case_about_menu),
    # A whole upgrade against the simulated instrument.
    "upgrade": (300, case_upgrade),
    # The line hangs up during the probe, the command exchange or the transfer:
    # the boxes are confirmed and the program ends with code 1.
    "hangup_probe_5": (240, hang_up_in_probe(5)),
    "hangup_probe_20": (240, hang_up_in_probe(20)),
    "hangup_probe_40": (240, hang_up_in_probe(40)),
    "hangup_command": (240, case_hangup_command),
    "hangup_transfer": (240, case_hangup_transfer),
    # The operator leaves (Exit, the close box) during the probe, the update-command
    # exchange and the transfer.
    "exit_during_probe": (240, leave_during_probe("exit")),
    "close_during_probe": (240, leave_during_probe("close")),
    "exit_during_command": (240, leave_during_command("exit", answered=True)),
    "close_during_command": (240, leave_during_command("close", answered=True)),
    "exit_during_command_timeout": (240, leave_during_command("exit", answered=False)),
    "exit_during_transfer": (240, leave_during_transfer("exit")),
    "close_during_transfer": (240, leave_during_transfer("close")),
    # The same through the accessibility bus, as a screen reader presses Exit.
    "reader_exit_during_probe": (240, reader_exit_during_probe("key")),
    "reader_yes_exit_during_probe": (240, reader_exit_during_probe("action")),
    "reader_exit_during_transfer": (240, case_reader_exit_during_transfer),
    "reader_yes_during_menu": (240, case_reader_yes_during_menu),
    "reader_exit_at_probe_end": (240, case_reader_exit_at_probe_end),
    # YES again while the box of a failed open is up, and during the transfer.
    "yes_during_port_error_box": (240, case_yes_during_port_error_box),
    "yes_during_transfer": (240, case_yes_during_transfer),
    # A signal ends the dialog as Exit does, idle or during the transfer.
    "sigterm_idle": (240, case_sigterm_idle),
    "sigterm_during_transfer": (240, signal_during_transfer(signal.SIGTERM)),
    "sigint_during_transfer": (240, signal_during_transfer(signal.SIGINT)),
    "sighup_during_transfer": (240, signal_during_transfer(signal.SIGHUP)),
    # Complete, timed out and interrupted, each with its journal entry (runs with a journald of its own).
    "journal": (300, case_journal),
    # A station that pins its image: another one is refused at YES, the pinned one goes out.
    "pinned_other_image": (240, refused_at_yes(["the station expects", OTHER_DIGEST, "embedded image"])),
    "pinned_malformed": (240, refused_at_yes(["ORVEX_EXPECT_SHA256 takes a SHA-256", "'0123 4567'"])),
    "pinned_embedded_image": (300, case_pinned_embedded_image),
}

# The image each pinning case's program is started with.
PINS = {
    "pinned_other_image": lambda program: OTHER_DIGEST,
    "pinned_malformed": lambda program: "0123 4567",
    "pinned_embedded_image": lambda program: embedded_digest(program).upper(),
}


def main():
    if sys.argv[1:] == ["--list"]:
        for name, (seconds, _) in CASES.items():
            print(name, seconds)
        return
    name, program, closer, shots = sys.argv[1:5]
    if name in PINS:
        os.environ["ORVEX_EXPECT_SHA256"] = PINS[name](program)
    session = Session(program, closer, shots, *sys.argv[5:6])
    try:
        CASES[name][1](session)
    finally:
        session.stop()
        for far_side in FAR_SIDES:
            far_side.stop()
    print(f"{name}: passed")


if __name__ == "__main__":
    main()
