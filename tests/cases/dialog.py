#!/usr/bin/env python3
"""The Linux program's dialog end to end: on a display of the case's own, read
through AT-SPI as a screen reader reads it, driven with xdotool as an operator
drives it, against the simulated instrument or a scripted line on COM1.

Usage: dialog.py BUILD CASE | dialog.py --list
"""
import os
import signal
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import display as d  # noqa: E402
from core import IMAGE_BYTES, OTHER_DIGEST, PORT_ERROR, Instrument, Run, check, main, must, sha256, wait_until  # noqa: E402
from farside import FarSide  # noqa: E402
from logind import Logind  # noqa: E402

TURN_ON = "Please turn on DSO now."
UPGRADING = "Upgrading!   (It takes about 180 sec.)"  # the accessible name is trimmed on the right
COMPLETE = "Upgrade complete!"
LEAVE_BOUND = 10.0  # from the operator's Exit to the end of the program, where nothing holds it
ACTION_BOUND, READER_BOUND = 5.0, 8.0  # a screen reader's press of Exit, and finding Exit first


def start(ws, **env):
    d.Display(ws)
    d.session_bus(ws)
    d.accessibility()
    return d.Dialog(ws, env=dict(ws.env, **env))


def escape_ends(ws, w):
    d.key(w.xid, "Escape")
    check(w.process.wait(timeout=30) == 0, "Escape ends the program with code 0")


def outcomes(ws):
    return [(r["outcome"], r["bytesSent"]) for r in ws.records()]


def completes(w, instrument):
    """The dialog says the upgrade is complete, and the instrument got a valid image."""
    wait_until("the upgrade to complete", lambda: w.line1() == COMPLETE, 120)
    summary = instrument.verdict()
    check(summary["valid"] and summary.get("matchesExpected"), f"the instrument verified the image: {summary}")


def case_idle(ws):
    """The idle dialog: line 2 blank, COM1 of COM1 to COM12 chosen, YES focused; then the About
    box from the system menu and from F1, the dialog untouched; Escape ends it."""
    w = start(ws)
    check(w.line2() == "", "line 2 is blank at start")
    combo = d.find(w.window, "combo box")
    check(combo.name == "COM1" and [c.name for c in d.find(combo, "menu")] == [f"COM{n}" for n in range(1, 13)],
          f"COM1 of COM1 to COM12 in order is selected: {combo.name}")
    wait_until("YES focused", lambda: w.button.getState().contains(d.pyatspi.STATE_FOCUSED))
    d.screenshot(ws, w.xid, "main-dialog.png")
    for how in ("menu", "f1"):
        if how == "f1":
            d.key(w.xid, "F1")
        else:
            d.click(w.xid, 40, 40, 3)
            d.press(wait_until("the About item", lambda: d.find(w.app, "menu item", "關於 ORVEX_DIALOG1(A)...")))
        about = wait_until("the About box", lambda: w.titled(d.ABOUT_TITLE))
        check(d.find(about, "label", "ORVEX_DIALOG1 Version 1.0") and d.find(about, "push button", "確定"),
              "the version line and the 確定 button")
        xid = wait_until("the About window", lambda: d.x_window_titled(d.ABOUT_TITLE))
        d.screenshot(ws, xid, f"about-{how}.png")
        d.key(xid, "Return")
        wait_until("the About box to close", lambda: w.titled(d.ABOUT_TITLE) is None)
        wait_until("its window to go", lambda: d.x_window_titled(d.ABOUT_TITLE) is None)
        check(w.line1() == d.Dialog.IDLE and w.process.poll() is None, "the main dialog is untouched")
    escape_ends(ws, w)


def case_no_display(ws):
    """Where there is no display (X11's or Wayland's, set and not empty): one line that says
    so and how to upgrade without a window."""
    run = Run(ws, [ws.build.program], 30, env={k: v for k, v in ws.env.items() if k != "DISPLAY"} | {
        "WAYLAND_DISPLAY": ""})
    check(run.code == 1 and run.err.count("\n") == 1 and "the dialog needs a display" in run.err
          and "--batch --port COMn" in run.err, f"exit 1 and one line saying why: {run.code} {run.err!r}")


def case_sigterm_idle(ws):
    w = start(ws)
    w.process.send_signal(signal.SIGTERM)
    check(w.process.wait(timeout=30) == 143 and ws.records() == [], "SIGTERM ends the idle dialog, code 143, no record")


def case_hangup_transfer(ws):
    """The line hangs up mid-image: each box is confirmed as it comes; exit 1, one
    port-failed line (which only a line that hung up leaves). A hang-up in the probe
    or the command meets the same serial link: its unit test plays every order."""
    w = start(ws)
    Instrument(ws, "--baud", "0", "--hangup-at", "300000", port="COM1")
    d.key(w.xid, "Return")
    code, _, seen = w.wait_end(30, d.PORT_FAILURE_BOXES)
    check(code == 1 and seen and [o for o, _ in outcomes(ws)] == ["port-failed"],
          f"exit 1 and one port-failed line after a dead line: {code}, {ws.records()}, boxes {seen}")


def check_left_quietly(ws, w, bound, outcome):
    code, _, boxes = w.wait_end(bound)
    check(code == 0 and not boxes and COMPLETE not in w.seen,
          f"the operator's leaving ends the program with code 0, no box, no success: {code}, {boxes}, {w.seen}")
    check([o for o, _ in outcomes(ws)] == [outcome], f"one record line, {outcome}: {ws.records()}")


def case_close_during_probe(ws):
    """The close box while the probe waits: the dialog ends as at idle (Escape there and
    the close box go the same way, to the Cancel command)."""
    w = start(ws)
    line = FarSide(ws, "COM1", "silent")
    d.key(w.xid, "Return")
    must(line.probed(1, 60), "the probe began")
    # Only the probe's pumping answers.
    wait_until("line 1 and YES during the probe", lambda: w.line1() == TURN_ON and w.caption() == "YES")
    w.leave("close")
    check_left_quietly(ws, w, LEAVE_BOUND, "abandoned")


def leave_during_command(how, answered):
    """The window serves nothing while it repeats the update command: the operator's
    action waits until the exchange ends, in the transfer when the boot loader
    answers (an Exit there leaves the image cut short), after the command time-out
    when it does not."""
    def case(ws):
        w = start(ws)
        line = FarSide(ws, "COM1", "held")
        d.key(w.xid, "Return")
        must(line.command.wait(60), "the update command arrived")
        w.leave(how)  # nothing may read the window now: it would wait for the exchange to end
        if answered:
            line.reply()
        check_left_quietly(ws, w, LEAVE_BOUND + (0 if answered else 12.0), "abandoned" if answered
                           else "command-timeout")
        must(line.closed.wait(30), "the line was closed")
        sent = (ws.records() or [{}])[0].get("bytesSent", 0)
        check((0 < line.image < IMAGE_BYTES and 0 < sent < IMAGE_BYTES) if answered else line.image == 0,
              f"image bytes {line.image}, the record's {sent}")
    return case


def reader_presses_exit(ws, w):
    """Exit found in the dialog and pressed through the accessibility bus, as a screen
    reader does; the program ends soon after, code 0, no box."""
    began = time.monotonic()
    exit_button = d.find(w.window, "push button", "Exit")
    found = time.monotonic() - began
    check(found < READER_BOUND, f"finding Exit through the accessibility bus took {found:.1f} s")
    pressed = time.monotonic()
    d.press(exit_button)  # may return before the window has taken it
    code, _, boxes = w.wait_end(max(ACTION_BOUND, READER_BOUND - found))
    ended = time.monotonic()
    check(ended - pressed < ACTION_BOUND and ended - began < READER_BOUND,
          f"the program ended {ended - pressed:.1f} s after Exit's action, {ended - began:.1f} s after the search")
    check(code == 0 and not boxes and COMPLETE not in w.seen, f"code 0, no box, no success: {code} {boxes}")


def case_reader_exit_during_transfer(ws):
    """A screen reader presses Exit while the image goes out at 16 times the line rate: through a pty the
    writes wait in bursts, each serving one of the reader's requests."""
    w = start(ws)
    line = FarSide(ws, "COM1", "held", baud=1843200)
    line.reply()
    d.key(w.xid, "Return")
    must(line.image_began.wait(60), "the image began")
    reader_presses_exit(ws, w)
    must(line.closed.wait(30), "the line was closed")
    check(0 < line.image < IMAGE_BYTES and [o for o, _ in outcomes(ws)] == ["abandoned"],
          f"the image cut short ({line.image} bytes), one abandoned line: {ws.records()}")


def case_reader_exit_at_probe_end(ws):
    """Exit pressed in the probe's last pass, just before it gives up, still ends the
    program once the dialog is back in its own loop."""
    w = start(ws)
    line = FarSide(ws, "COM1", "silent")
    d.key(w.xid, "Return")
    must(line.probed(101, 30), "the last probe byte")
    d.press(w.exit_button)  # the probe reads the bus only in its pass after this byte
    code, took, _ = w.wait_end(LEAVE_BOUND)
    check(code == 0 and [o for o, _ in outcomes(ws)] == ["probe-timeout"],
          f"code 0, the probe timed out first: {code}, {ws.records()}")


def case_reader_yes_during_menu(ws):
    """A screen reader's YES while the dialog's menu is open (a loop inside the click's
    handling) still runs from the loop, not inside the bus's call: the reader reads the
    dialog during the probe, and its Exit ends it."""
    w = start(ws)
    line = FarSide(ws, "COM1", "silent")
    d.click(w.xid, 40, 40, 3)
    wait_until("the menu", lambda: d.find(w.app, "menu item", "關於 ORVEX_DIALOG1(A)..."))
    pressed = time.monotonic()
    d.press(w.button)
    must(line.probed(1, 60), "the probe began")
    text, took = w.line1(), time.monotonic() - pressed
    check(text == TURN_ON and took < ACTION_BOUND, f"line 1 read {took:.1f} s after YES, during the probe: {text!r}")
    reader_presses_exit(ws, w)
    check(outcomes(ws) == [("abandoned", 0)], f"one record line, abandoned: {ws.records()}")


def case_yes_during_port_error_box(ws):
    """YES while the box of a failed open is up starts no second upgrade; afterwards
    the same dialog upgrades an instrument. The machine is kept awake during each
    upgrade, and let sleep at each end while the dialog stays."""
    logind = Logind(ws)
    w = start(ws)

    def awake():
        return [line.split()[0] for line in logind.lines()]
    ws.link("COM1", ws.path("no-such-device"))
    d.key(w.xid, "Return")
    box = wait_until("the box", lambda: [b for t, b in w.boxes() if "Error Create File " in t])
    check(d.press(w.button), "the second YES was pressed")  # taken in the box's loop
    check(w.box_texts() == [["Error Create File "]], f"one box after the second YES: {w.box_texts()}")
    d.press(box[0])
    wait_until("the port error", lambda: w.line1() == PORT_ERROR)
    wait_until("the record", ws.records)
    check([o for o, _ in outcomes(ws)] == ["port-error"] and w.box_texts() == [] and w.caption() == "YES",
          f"one upgrade ran, no further box: {ws.records()}, {w.box_texts()}")
    instrument = Instrument(ws, "--baud", "0", port="COM1")
    d.key(w.xid, "Return")
    wait_until("the transfer", lambda: w.line1() == UPGRADING)
    check(awake() == ["inhibit", "release", "inhibit"] and logind.lines()[0].startswith(
        "inhibit sleep:idle|ORVEX-A/B Firmware Programmer|Writing firmware into the instrument on COM1|block "),
        f"kept awake from before the open, during the transfer: {logind.lines()}")
    completes(w, instrument)
    check([o for o, _ in outcomes(ws)] == ["port-error", "complete"], f"records {ws.records()}")
    wait_until("the machine let sleep after the upgrade", lambda: awake() == ["inhibit", "release"] * 2, 10)
    escape_ends(ws, w)


def case_yes_during_transfer(ws):
    """YES again while the image goes out, by the reader and by the key: the upgrade completes, once;
    then NEXT readies the dialog for the next instrument."""
    w = start(ws)
    instrument = Instrument(ws, "--baud", "1843200", port="COM1")
    d.key(w.xid, "Return")
    wait_until("the transfer", lambda: w.line1() == UPGRADING)
    check(d.press(w.button), "the second YES was pressed")
    d.key(w.xid, "Return")
    check(w.line1() == UPGRADING and w.caption() == "YES", f"still upgrading: {w.seen}")
    completes(w, instrument)
    check([o for o, _ in outcomes(ws)] == ["complete"], f"one upgrade: {ws.records()}")
    check(w.line2() == "Press 'Next' to upgrade the next DSO." and w.caption() == "NEXT", f"line 2 {w.line2()!r}")
    d.screenshot(ws, w.xid, "after-upgrade.png")
    d.press(w.button)
    wait_until("the idle text and YES after NEXT", lambda: w.line1() == d.Dialog.IDLE and w.caption() == "YES")
    escape_ends(ws, w)


def case_pinned_other_image(ws):
    """ORVEX_EXPECT_SHA256 names another image: YES says so in one box and starts
    nothing; a screen reader's YES while the box is up stacks no second box; the next YES
    refuses again."""
    w = start(ws, ORVEX_EXPECT_SHA256=OTHER_DIGEST)
    Instrument(ws, "--baud", "0", port="COM1")
    d.key(w.xid, "Return")
    wanted = ["the station expects", OTHER_DIGEST, "embedded image", sha256(ws.build.firmware)]
    button = wait_until("the refusal's box", lambda: [b for t, b in w.boxes() if any(wanted[0] in x for x in t)])
    check(d.press(w.button) and w.caption() == "YES", "the second YES was pressed, and the dialog answers after it")
    texts = w.box_texts()
    check(len(texts) == 1 and any(all(part in t for part in wanted) for t in texts[0]), f"one box: {texts}")
    d.press(button[0])
    wait_until("the box to close", lambda: w.box_texts() == [])
    check(w.line1() == d.Dialog.IDLE and ws.records() == [], f"the dialog as it was, no record: {w.seen}")
    d.key(w.xid, "Return")
    button = wait_until("the refusal's box again, at the next YES", lambda: [b for t, b in w.boxes() if any(
        wanted[0] in x for x in t)])
    d.press(button[0])
    wait_until("the box to close", lambda: w.box_texts() == [])
    escape_ends(ws, w)


CASES = {
    "idle": case_idle, "no-display": case_no_display, "sigterm-idle": case_sigterm_idle,
    "hangup-transfer": case_hangup_transfer,
    "close-during-probe": case_close_during_probe,
    "exit-during-command": leave_during_command("exit", answered=True),
    "close-during-command-timeout": leave_during_command("close", answered=False),
    "reader-exit-during-transfer": case_reader_exit_during_transfer,
    "reader-exit-at-probe-end": case_reader_exit_at_probe_end,
    "reader-yes-during-menu": case_reader_yes_during_menu,
    "yes-during-port-error-box": case_yes_during_port_error_box, "yes-during-transfer": case_yes_during_transfer,
    "pinned-other-image": case_pinned_other_image,
}

if __name__ == "__main__":
    main(CASES)
