"""A terminal of a given size for the program's live view: a pty that is the
program's controlling terminal (a resize signals it), what it writes read as it
comes, and the screen it leaves read back through a terminal's model (pyte)."""
import fcntl
import os
import pty
import select
import struct
import termios
import time


class Terminal:
    def __init__(self, ws, argv, rows, columns, env=None):
        self.master, slave = pty.openpty()
        self.size(rows, columns, slave)

        def own_terminal():
            os.setsid()
            fcntl.ioctl(1, termios.TIOCSCTTY, 0)

        self.process = ws.start(argv, stdin=slave, stdout=slave, stderr=slave, preexec_fn=own_terminal,
                                env=env or ws.env)
        os.close(slave)
        self.written = b""
        ws.cleanups.append(lambda: os.close(self.master))

    def size(self, rows, columns, fd=None):
        fcntl.ioctl(self.master if fd is None else fd, termios.TIOCSWINSZ, struct.pack("HHHH", rows, columns, 0, 0))

    def read(self, done, seconds, act=lambda written: None):
        """What comes until done(written) or `seconds` pass (or the terminal's far
        end is gone); act(written) sees it as it grows."""
        deadline = time.monotonic() + seconds
        while not done(self.written) and time.monotonic() < deadline:
            ready, _, _ = select.select([self.master], [], [], 0.5)
            if ready:
                try:
                    got = os.read(self.master, 65536)
                except OSError:  # EIO: every holder of the terminal is gone
                    break
                if not got:
                    break
                self.written += got
            act(self.written)
        return self.written


def screen_lines(written, rows, columns):
    """The lines a terminal shows after `written`, the lines that scrolled off the
    top included; a line that wrapped is one line, whatever its last row holds."""
    import pyte  # python3-pyte

    class Screen(pyte.HistoryScreen):  # marks each row a wrapped line went on into: pyte wraps and forgets it
        def draw(self, data):
            for char in data:  # a row that a character starts says whether the line before went on into it
                x = self.cursor.x
                super().draw(char)
                if x in (0, self.columns):
                    self.buffer[self.cursor.y].continues = x == self.columns and pyte.modes.DECAWM in self.mode

    screen = Screen(columns, rows, history=100000)
    pyte.ByteStream(screen).feed(written)
    text = ""  # rows joined whole: a space may fall in a wrapped row's last cell
    for row in [*screen.history.top, *(screen.buffer[y] for y in range(screen.lines))]:
        text += ("" if getattr(row, "continues", False) else "\n") + "".join(row[x].data if x in row else " " for x in range(columns))
    return [line.rstrip() for line in text[1:].split("\n")]


def all_waiting(written, ports):
    """Whether the last drawing of the live lines shows every port waiting for its instrument."""
    return written.split(b"\x1b[J")[-1].count(b"Please turn on DSO now.") == ports
