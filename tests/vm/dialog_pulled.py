"""In the virtual bench's guest: the dialog upgrades through the adapter DEVICE
as COM1; once the transfer shows, "@@pull" on standard output asks the host to
pull the adapter. Then every box is confirmed until the program ends: exit 1,
one port-failed record line, within the end-to-end cases' bound.

Usage (in a session of tests/vm/dialog_session.sh): dialog_pulled.py PROGRAM DEVICE SHOTS
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import gui_cases as gui  # noqa: E402
from hangup_line import link_com1  # noqa: E402


class NoLine:
    """The far end is the host's: nothing here to stop once the program ended."""

    def kill(self):
        pass

    def wait(self):
        pass


def main():
    program, device, shots = sys.argv[1:4]
    link_com1(device)
    session = gui.Session(program, None, shots)
    try:
        gui.key(session.xid, "Return")
        gui.wait_for("the transfer", lambda: gui.status_starting(session, gui.UPGRADING_TEXT), timeout=120)
        print("@@pull", flush=True)
        gui.acknowledge_until_end(session, NoLine())
    finally:
        session.stop()
    print("dialog-pulled: passed", flush=True)


if __name__ == "__main__":
    main()
