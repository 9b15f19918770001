"""Scripted far ends of a line, for what the simulated instrument does not play:
a line that stays silent, and a boot loader that answers the update command
only when told. Each runs on a thread of the case over a pty linked as a COM
port, and tells what it saw through events, so that a case never asks a window
that may not answer."""
import os
import threading
import time
import tty

PROMPT = b"Lodar >"
COMMAND = b"update\r"
REPLY = b"Update Firmware\r\n"


class FarSide:
    """mode "silent": never answers; "held": answers the probe, and the command
    once reply() was called, then takes the image (at `baud`, or as fast as it
    comes) until the line closes."""

    def __init__(self, ws, port, mode, baud=None):
        self.mode, self.rate = mode, baud / 10 if baud else None
        self.master, self.slave = os.openpty()
        tty.setraw(self.slave)  # until the programmer sets the line up, nothing may echo
        ws.link(port, os.ttyname(self.slave))
        self.probes = 0
        self.image = 0
        self._counted = threading.Condition()
        self.command = threading.Event()
        self.image_began = threading.Event()
        self.closed = threading.Event()
        self._reply = threading.Event()
        threading.Thread(target=self._serve, daemon=True).start()

    def probed(self, n, timeout):
        """Whether the n-th probe byte arrives within timeout seconds."""
        with self._counted:
            return self._counted.wait_for(lambda: self.probes >= n, timeout)

    def reply(self):
        self._reply.set()

    def _serve(self):
        received, replied, began = b"", False, None
        while True:
            if self.rate and began is not None:  # the line's pace, on an absolute clock
                time.sleep(max(began + self.image / self.rate - time.monotonic(), 0))
            try:
                data = os.read(self.master, int(self.rate / 10) if self.rate and began else 65536)
            except OSError:  # the programmer closed the line
                break
            if not data:
                break
            if self.slave is not None:  # the programmer holds the line: its close ends the reads
                os.close(self.slave)
                self.slave = None
            if replied:
                began = began or time.monotonic()
                self.image += len(data)
                self.image_began.set()
                continue
            with self._counted:
                self.probes += data.count(b"U")
                self._counted.notify_all()
            received += data
            if self.mode == "silent":
                continue
            if COMMAND in received:
                self.command.set()
                if self._reply.is_set():
                    os.write(self.master, REPLY)
                    replied = True
                received = b""
            elif b"U" in data:
                os.write(self.master, PROMPT)
                received = b""
        self.closed.set()
