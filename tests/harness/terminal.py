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
    top included; a line that wrapped is one line (a row that reaches into the last
    tab stop goes on in the next)."""
    import pyte  # python3-pyte

    screen = pyte.HistoryScreen(columns, rows, history=100000)
    pyte.ByteStream(screen).feed(written)
    cells = [[row[x].data if x in row else " " for x in range(columns)] for row in screen.history.top]
    cells += [[screen.buffer[y][x].data for x in range(columns)] for y in range(screen.lines)]
    lines, wrapped = [], False
    for row in cells:
        text = "".join(row)
        if wrapped:  # rows joined whole: a space may fall in a wrapped row's last cell
            lines[-1] += text
        else:
            lines.append(text)
        wrapped = len(text.rstrip()) > columns - 8
    return [line.rstrip() for line in lines]


def all_waiting(written, ports):
    """Whether the last drawing of the live lines shows every port waiting for its instrument."""
    return written.split(b"\x1b[J")[-1].count(b"Please turn on DSO now.") == ports
